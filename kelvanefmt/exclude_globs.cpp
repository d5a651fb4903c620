// A small glob matcher: patterns are short, so plain backtracking is enough.

#include "kelvanefmt/exclude_globs.h"

#include <algorithm>

namespace kelvane::fmt {
namespace {

// Matches the class that starts at glob[0] == '[' against `c`; sets `length`
// to the class's length in the glob, or 0 when the "[" opens no class.
bool ClassMatches(std::string_view glob, char c, size_t& length) {
  size_t i = 1;
  const bool negated = i < glob.size() && (glob[i] == '!' || glob[i] == '^');
  if (negated) ++i;
  bool matched = false;
  for (bool first = true; i < glob.size() && (first || glob[i] != ']'); first = false) {
    const char low = glob[i];
    char high = low;
    if (i + 2 < glob.size() && glob[i + 1] == '-' && glob[i + 2] != ']') {
      high = glob[i + 2];
      i += 3;
    } else {
      ++i;
    }
    if (low <= c && c <= high) matched = true;
  }
  if (i >= glob.size()) {
    length = 0;
    return false;
  }
  length = i + 1;
  return matched != negated && c != '/';
}

}  // namespace

bool GlobMatches(std::string_view glob, std::string_view text) {
  while (!glob.empty()) {
    if (glob.starts_with("**")) {
      glob.remove_prefix(2);
      // "a/**/b" also matches "a/b".
      if (glob.starts_with('/') && GlobMatches(glob.substr(1), text)) return true;
      for (size_t skip = 0; skip <= text.size(); ++skip) {
        if (GlobMatches(glob, text.substr(skip))) return true;
      }
      return false;
    }
    if (glob[0] == '*') {
      glob.remove_prefix(1);
      for (size_t skip = 0; skip <= text.size(); ++skip) {
        if (GlobMatches(glob, text.substr(skip))) return true;
        if (skip < text.size() && text[skip] == '/') break;
      }
      return false;
    }
    if (text.empty()) return false;
    size_t length = 1;
    if (glob[0] == '[') {
      if (!ClassMatches(glob, text[0], length) && length != 0) return false;
      if (length == 0) {  // a lone "[" is an ordinary byte
        if (text[0] != '[') return false;
        length = 1;
      }
    } else if (glob[0] == '?') {
      if (text[0] == '/') return false;
    } else if (glob[0] != text[0]) {
      return false;
    }
    glob.remove_prefix(length);
    text.remove_prefix(1);
  }
  return text.empty();
}

bool IsExcluded(const std::vector<std::string>& globs, std::string_view path) {
  if (globs.empty()) return false;
  std::string normal(path);
  std::replace(normal.begin(), normal.end(), '\\', '/');
  std::string_view rest = normal;
  while (rest.starts_with("./")) rest.remove_prefix(2);
  for (const std::string& glob : globs) {
    const bool whole_names_only = glob.find('/') == std::string::npos;
    // Try every name (for a glob without "/") or every tail starting at a name.
    for (size_t start = 0; start <= rest.size();) {
      const size_t slash = rest.find('/', start);
      const size_t end = whole_names_only && slash != std::string_view::npos ? slash : rest.size();
      if (GlobMatches(glob, rest.substr(start, end - start))) return true;
      if (slash == std::string_view::npos) break;
      start = slash + 1;
    }
  }
  return false;
}

}  // namespace kelvane::fmt
