// A glob is compiled to a short list of tokens and run as a set of states
// over the text, one byte at a time (as a regular-expression engine without
// backtracking runs its automaton), so a glob with many stars costs no more
// than the glob's length per byte of the path.

#include "kelvanefmt/exclude_globs.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace kelvane::fmt {
namespace {

enum class TokenKind {
  kByte,      // itself
  kOne,       // "?": any byte but "/"
  kClass,     // "[a-z]", "[!a-z]": one byte but "/"
  kStar,      // "*": any run of bytes without "/"
  kStarStar,  // "**": any run of bytes
  kFolders,   // "**/": nothing, or any run of bytes that ends with "/"
};

struct Token {
  TokenKind kind = TokenKind::kByte;
  char byte = 0;
  bool negated = false;
  std::vector<std::pair<char, char>> ranges;  // a class's ranges
};

// Reads the class that starts at glob[i] == '['; false when the "[" opens no
// class (it then stands for itself).
bool ReadClass(std::string_view glob, size_t& i, Token& token) {
  size_t at = i + 1;
  token.kind = TokenKind::kClass;
  token.negated = at < glob.size() && (glob[at] == '!' || glob[at] == '^');
  if (token.negated) ++at;
  for (bool first = true; at < glob.size() && (first || glob[at] != ']'); first = false) {
    const char low = glob[at];
    char high = low;
    if (at + 2 < glob.size() && glob[at + 1] == '-' && glob[at + 2] != ']') {
      high = glob[at + 2];
      at += 3;
    } else {
      ++at;
    }
    token.ranges.emplace_back(low, high);
  }
  if (at >= glob.size()) return false;
  i = at + 1;
  return true;
}

std::vector<Token> Compile(std::string_view glob) {
  std::vector<Token> tokens;
  for (size_t i = 0; i < glob.size();) {
    Token token;
    if (glob.substr(i).starts_with("**/")) {
      token.kind = TokenKind::kFolders;
      i += 3;
    } else if (glob.substr(i).starts_with("**")) {
      token.kind = TokenKind::kStarStar;
      i += 2;
    } else if (glob[i] == '*') {
      token.kind = TokenKind::kStar;
      ++i;
    } else if (glob[i] == '?') {
      token.kind = TokenKind::kOne;
      ++i;
    } else if (glob[i] == '[' && ReadClass(glob, i, token)) {
      // read
    } else {
      token = Token{};
      token.byte = glob[i++];
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

bool InClass(const Token& token, char c) {
  if (c == '/') return false;
  bool in = false;
  for (const auto& [low, high] : token.ranges) in = in || (low <= c && c <= high);
  return in != token.negated;
}

// The states of a glob's automaton while it reads a text: at_[i] means the
// glob matched up to token i; inside_[i], that a star token i is matching.
// at_[size] means the whole glob matched.
class GlobRun {
 public:
  explicit GlobRun(const std::vector<Token>& tokens)
      : tokens_(tokens),
        at_(tokens.size() + 1),
        inside_(tokens.size() + 1),
        next_at_(tokens.size() + 1),
        next_inside_(tokens.size() + 1) {}

  // Lets a match begin here.
  void Start() {
    at_[0] = 1;
    Close();
  }
  bool Matched() const { return at_[tokens_.size()] != 0; }

  void Read(char c) {
    std::fill(next_at_.begin(), next_at_.end(), 0);
    std::fill(next_inside_.begin(), next_inside_.end(), 0);
    for (size_t i = 0; i < tokens_.size(); ++i) {
      const Token& token = tokens_[i];
      if (at_[i] != 0) {
        switch (token.kind) {
          case TokenKind::kByte:
            if (c == token.byte) next_at_[i + 1] = 1;
            break;
          case TokenKind::kOne:
            if (c != '/') next_at_[i + 1] = 1;
            break;
          case TokenKind::kClass:
            if (InClass(token, c)) next_at_[i + 1] = 1;
            break;
          case TokenKind::kStar:
          case TokenKind::kStarStar:
          case TokenKind::kFolders:
            break;  // as inside, below
        }
      }
      if (at_[i] == 0 && inside_[i] == 0) continue;
      switch (token.kind) {
        case TokenKind::kStar:
          if (c != '/') next_inside_[i] = 1;
          break;
        case TokenKind::kStarStar:
          next_inside_[i] = 1;
          break;
        case TokenKind::kFolders:
          next_inside_[i] = 1;
          if (c == '/') next_at_[i + 1] = 1;
          break;
        default:
          break;
      }
    }
    std::swap(at_, next_at_);
    std::swap(inside_, next_inside_);
    Close();
  }

 private:
  // Follows the moves that read nothing: a star may match nothing, and a
  // "*" or "**" may stop. They only lead forward, so one pass is enough.
  void Close() {
    for (size_t i = 0; i < tokens_.size(); ++i) {
      const TokenKind kind = tokens_[i].kind;
      const bool star = kind == TokenKind::kStar || kind == TokenKind::kStarStar;
      if ((at_[i] != 0 && (star || kind == TokenKind::kFolders)) || (inside_[i] != 0 && star)) {
        at_[i + 1] = 1;
      }
    }
  }

  const std::vector<Token>& tokens_;
  std::vector<char> at_, inside_, next_at_, next_inside_;
};

// "a\b//./c/" as "a/b/c/": separators as "/", no "." or empty names, a
// leading "/" and a trailing "/" kept.
std::string NormalPath(std::string_view path) {
  std::string normal;
  const bool absolute = !path.empty() && (path[0] == '/' || path[0] == '\\');
  const bool trailing = !path.empty() && (path.back() == '/' || path.back() == '\\');
  if (absolute) normal += '/';
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find_first_of("/\\", start), path.size());
    const std::string_view name = path.substr(start, end - start);
    if (!name.empty() && name != ".") {
      if (!normal.empty() && normal.back() != '/') normal += '/';
      normal += name;
    }
    start = end + 1;
  }
  if (trailing && !normal.empty() && normal.back() != '/') normal += '/';
  return normal;
}

bool WholeTextMatches(const std::vector<Token>& tokens, std::string_view text) {
  GlobRun run(tokens);
  run.Start();
  for (const char c : text) run.Read(c);
  return run.Matched();
}

}  // namespace

bool GlobMatches(std::string_view glob, std::string_view text) {
  return WholeTextMatches(Compile(glob), text);
}

std::string CurrentFolder() {
  std::error_code error;
  return std::filesystem::current_path(error).string();
}

ExcludeGlobs::ExcludeGlobs(const std::vector<std::string>& globs, std::string current_folder)
    : current_folder_(NormalPath(std::move(current_folder))) {
  for (const std::string& given : globs) {
    Glob glob;
    glob.given = given;
    glob.pattern = NormalPath(given);
    glob.folders_only = glob.pattern.size() > 1 && glob.pattern.ends_with('/');
    if (glob.folders_only) glob.pattern.pop_back();
    glob.names_only = glob.pattern.find('/') == std::string::npos;
    globs_.push_back(std::move(glob));
  }
}

bool ExcludeGlobs::Excludes(std::string_view given_path, bool folder) {
  if (globs_.empty()) return false;
  std::string path = NormalPath(given_path);
  if (path.ends_with('/') && path.size() > 1) path.pop_back();
  for (Glob& glob : globs_) {
    const std::vector<Token> tokens = Compile(glob.pattern);
    bool excluded = false;
    if (glob.names_only) {
      // Every name; all but the last are folders.
      for (size_t start = 0; start < path.size() && !excluded;) {
        const size_t end = std::min(path.find('/', start), path.size());
        const bool is_folder = end < path.size() || folder;
        if (end > start && (is_folder || !glob.folders_only)) {
          excluded = WholeTextMatches(tokens, std::string_view(path).substr(start, end - start));
        }
        start = end + 1;
      }
    } else {
      // One run over the path: a match may start at any name (at the root
      // only, for an absolute glob), and ends at the end of a name that is a
      // folder, or at the end of the path.
      const bool absolute = glob.pattern.starts_with('/');
      std::string absolute_path;
      std::string_view text = path;
      if (absolute && !path.starts_with('/')) {
        absolute_path = current_folder_ + (current_folder_.ends_with('/') ? "" : "/") + path;
        text = absolute_path;
      }
      GlobRun run(tokens);
      for (size_t i = 0; i <= text.size() && !excluded; ++i) {
        const bool name_starts = i == 0 || text[i - 1] == '/';
        if (name_starts && (!absolute || i == 0)) run.Start();
        const bool name_ends = i == text.size() ? folder || !glob.folders_only : text[i] == '/';
        if (name_ends && i > 0 && run.Matched()) excluded = true;
        if (i < text.size()) run.Read(text[i]);
      }
    }
    if (excluded) {
      glob.used = true;
      return true;
    }
  }
  return false;
}

std::vector<std::string> ExcludeGlobs::Unused() const {
  std::vector<std::string> unused;
  for (const Glob& glob : globs_) {
    if (!glob.used) unused.push_back(glob.given);
  }
  return unused;
}

}  // namespace kelvane::fmt
