// Stage 2 of ProcessCode: masking. Each kind is masked by the rule "replace
// the leftmost match, store it, search again from the start". Run literally
// that rescans the text once per token; here every kind takes one forward
// scan that yields the same tokens in the same order and numbering:
// - comments and quoted strings never overlap their own kind, so the leftmost
//   match is simply the next one;
// - bracket groups are taken innermost first. A group can only close at the
//   first closing bracket after its opening one, so the leftmost match is
//   always the one that closes first: a stack of the open brackets seen so far
//   reduces each group the moment its closing bracket is read.

#include "engine/masking.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "engine/char_class.h"
#include "engine/passes/scan.h"
#include "engine/tokens.h"

namespace kelvane {
namespace {

// Masks the comments: from the first "--" of a line to its end, LF excluded.
// With strip, comments are deleted and the count becomes -1.
void MaskCommentsIn(CodeState& state, bool strip) {
  const std::string_view text = state.text;
  std::string& out = state.Scratch(text.size());
  size_t line_start = 0;
  while (line_start < text.size()) {
    const char* lf = static_cast<const char*>(
        std::memchr(text.data() + line_start, '\n', text.size() - line_start));
    const size_t line_end = lf ? static_cast<size_t>(lf - text.data()) : text.size();
    const size_t dashes = text.substr(line_start, line_end - line_start).find("--");
    if (dashes == std::string_view::npos) {
      out.append(text, line_start, line_end - line_start);
    } else {
      const size_t comment_start = line_start + dashes;
      out.append(text, line_start, dashes);
      if (strip) {
        state.CommentsCount = -1;
      } else {
        AppendToken(out, kCommentKind, state.CommentsTable.size());
        state.CommentsTable.emplace_back(text.substr(comment_start, line_end - comment_start));
        state.CommentsCount = static_cast<int64_t>(state.CommentsTable.size());
      }
    }
    if (lf) out.push_back('\n');
    line_start = line_end + 1;
  }
  state.CommitScratch();
}

// Masks the strings of one quote character: each quote pairs with the next.
void MaskQuotedStrings(CodeState& state, char quote) {
  const std::string_view text = state.text;
  std::string& out = state.Scratch(text.size());
  size_t pos = 0;
  while (true) {
    const size_t open = text.find(quote, pos);
    const size_t close = open == std::string_view::npos ? open : text.find(quote, open + 1);
    if (close == std::string_view::npos) break;
    out.append(text, pos, open - pos);
    AppendToken(out, kStringKind, state.StringsTable.size());
    state.StringsTable.emplace_back(text.substr(open, close + 1 - open));
    pos = close + 1;
  }
  out.append(text, pos);
  state.CommitScratch();
}

// The shift-reduce scan for bracket groups. `open`/`close` are the bracket
// characters; with `doubled`, a group is "[[" ... "]]" (long strings).
void MaskGroups(CodeState& state, char open, char close, bool doubled, char kind,
                std::vector<std::string>& table) {
  const std::string_view text = state.text;
  std::string& out = state.Scratch(text.size());
  // Positions in `out` of the bracket characters not yet reduced.
  std::vector<size_t> brackets;
  const ByteSet is_bracket = ByteSet::Of([&](char c) { return c == open || c == close; });
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t next = FindInSet(text, i, is_bracket);
    out.append(text, i, next - i);
    i = next;
    if (i == text.size()) break;
    const char c = text[i];
    if (c == close) {
      size_t group_start = std::string::npos;
      if (!doubled) {
        if (!brackets.empty() && out[brackets.back()] == open) group_start = brackets.back();
      } else if (i + 1 < text.size() && text[i + 1] == close && brackets.size() >= 2) {
        const size_t last = brackets[brackets.size() - 1];
        const size_t before = brackets[brackets.size() - 2];
        if (out[last] == open && out[before] == open && before + 1 == last) group_start = before;
      }
      if (group_start != std::string::npos) {
        brackets.pop_back();
        if (doubled) brackets.pop_back();
        std::string entry = out.substr(group_start);
        entry.push_back(close);
        if (doubled) {
          entry.push_back(close);
          ++i;
        }
        out.resize(group_start);
        AppendToken(out, kind, table.size());
        table.push_back(std::move(entry));
        continue;
      }
    }
    brackets.push_back(out.size());
    out.push_back(c);
  }
  state.CommitScratch();
}

}  // namespace

void MaskComments(PassContext& context) {
  MaskCommentsIn(context.state, context.settings.StripComments);
}

// The four escaped pairs share no character with each other's matches, so
// one scan gives what four global replacements in a row give.
void MaskEscapedQuotes(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t next = text.find('\\', i);
    if (next == std::string_view::npos) next = text.size();
    out.append(text, i, next - i);
    i = next;
    if (i == text.size()) break;
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      const char next = text[i + 1];
      if (next == '"' || next == '\'') {
        out.append(next == '"' ? "@qdq@" : "@qsq@");
        i += 2;
        continue;
      }
      if ((next == '[' || next == ']') && i + 3 < text.size() && text[i + 2] == '\\' &&
          text[i + 3] == next) {
        out.append(next == '[' ? "@qlq@" : "@qrq@");
        i += 4;
        continue;
      }
    }
    out.push_back(c);
    ++i;
  }
  context.state.CommitScratch();
}

void MaskStrings(PassContext& context) {
  CodeState& state = context.state;
  MaskGroups(state, '[', ']', /*doubled=*/true, kStringKind, state.StringsTable);
  MaskQuotedStrings(state, '"');
  MaskQuotedStrings(state, '\'');
}

void MaskEmptyTables(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t next = text.find('{', i);
    if (next == std::string_view::npos) next = text.size();
    out.append(text, i, next - i);
    i = next;
    if (i == text.size()) break;
    if (text[i] == '{') {
      size_t j = i + 1;
      while (j < text.size() && IsSpace(text[j])) ++j;
      if (j < text.size() && text[j] == '}') {
        out.append(kEmptyTableToken);
        i = j + 1;
        continue;
      }
    }
    out.push_back(text[i]);
    ++i;
  }
  context.state.CommitScratch();
}

void MaskArguments(PassContext& context) {
  CodeState& state = context.state;
  MaskGroups(state, '(', ')', /*doubled=*/false, kArgumentKind, state.ArgumentsTable);
}

void MaskIndices(PassContext& context) {
  CodeState& state = context.state;
  MaskGroups(state, '[', ']', /*doubled=*/false, kIndexKind, state.IndicesTable);
}

}  // namespace kelvane
