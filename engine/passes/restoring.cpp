// Stage 4 of ProcessCode: restoring. For a numbered kind the rule is "from
// the highest number down to 0, replace the first occurrence of the token by
// its entry". Run literally that searches the whole text once per token.
//
// Normally every token stands exactly once in the text or in an entry of a
// higher-numbered token of its kind, and nothing else in the text looks like
// a token of that kind. Then each search finds exactly the token the masking
// put there, and the result is the text with every token expanded in place,
// entries inside entries included: one scan with a stack of entries being
// copied. The scan checks that condition as it goes (token found twice, a
// token inside an entry of a lower number, token-like text that touches a
// token) and, if it does not hold, the literal rule runs instead. Input that
// itself holds token-like text such as "@a0a@" has its "@" stood in for from
// masking to here (CodeState::at_sign_stand_in), so only a token that a pass
// lost or doubled can take that path.

#include "engine/passes/restoring.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/lua_lexer.h"
#include "engine/scan.h"
#include "engine/tokens.h"

namespace kelvane {
namespace {

// The literal rule, for the rare inputs the expansion cannot serve.
void RestoreNumberedLiterally(std::string& text, char kind, const std::vector<std::string>& table) {
  std::string token;
  for (size_t n = table.size(); n-- > 0;) {
    token.clear();
    AppendToken(token, kind, n);
    const size_t pos = text.find(token);
    if (pos != std::string::npos) text.replace(pos, token.size(), table[n]);
  }
}

// The token of `kind` with a number below `count` at text[pos], or length 0.
TokenShape SearchedTokenAt(std::string_view text, size_t pos, char kind, size_t count) {
  TokenShape shape = ReadTokenShape(text, pos, kind);
  if (shape.length == 0 || !shape.canonical || shape.number >= count) return TokenShape{};
  return shape;
}

constexpr ByteSet kAtSign = ByteSet::Of([](char c) { return c == '@'; });

// Expands every token of `kind` in place. Returns false, leaving `out` in an
// unspecified state, when the literal rule could give something else.
bool RestoreNumberedByExpansion(const std::string& text, char kind,
                                const std::vector<std::string>& table, std::string& out) {
  struct Frame {
    std::string_view source;
    size_t pos;
    size_t limit;  // tokens inside an entry have lower numbers than the entry
  };
  std::vector<char> seen(table.size(), 0);
  std::vector<Frame> stack{{text, 0, table.size()}};
  out.clear();
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const std::string_view source = frame.source;
    const size_t pos = FindInSet(source, frame.pos, kAtSign);
    if (pos == source.size()) {
      out.append(source, frame.pos);
      stack.pop_back();
      continue;
    }
    out.append(source, frame.pos, pos - frame.pos);
    const TokenShape token = SearchedTokenAt(source, pos, kind, table.size());
    if (token.length == 0) {
      out.push_back('@');
      frame.pos = pos + 1;
      continue;
    }
    const size_t end = pos + token.length;
    if (token.number >= frame.limit || seen[token.number]) return false;
    // "@a1a@a2a@": a search for the second would find text that shares the
    // first one's closing '@'.
    if (SearchedTokenAt(source, end - 1, kind, table.size()).length != 0) return false;
    seen[token.number] = 1;
    frame.pos = end;
    stack.push_back({table[token.number], 0, static_cast<size_t>(token.number)});
  }
  return true;
}

// The expansion is written into the scratch buffer, taken at a size it
// cannot outgrow (the text and every entry once), so that it never doubles
// its buffer as it grows.
void RestoreNumbered(CodeState& state, char kind, const std::vector<std::string>& table) {
  if (table.empty()) return;
  size_t restored_size = state.text.size();
  for (const std::string& entry : table) restored_size += entry.size();
  std::string& out = state.Scratch(restored_size);
  if (RestoreNumberedByExpansion(state.text, kind, table, out)) {
    state.CommitScratch();
  } else {
    RestoreNumberedLiterally(state.text, kind, table);
  }
}

// Replaces every non-overlapping occurrence of `from`, left to right, with a
// `to` no longer than it, in the scratch buffer.
void ReplaceAll(CodeState& state, std::string_view from, std::string_view to) {
  const std::string& text = state.text;
  size_t hit = text.find(from);
  if (hit == std::string::npos) return;
  std::string& out = state.Scratch(text.size());
  Splicer splicer(text, out);
  for (; hit != std::string::npos; hit = text.find(from, hit + from.size())) {
    splicer.Replace(hit, hit + from.size(), to);
  }
  splicer.Finish();
  state.CommitScratch();
}

// The comment step, literally: before comment n comes back, the leftmost
// comment-like token gets a copy of the TABs before it put after it.
void RestoreCommentsLiterally(CodeState& state) {
  std::string& text = state.text;
  std::string token;
  for (int64_t n = state.CommentsCount; n-- > 0;) {
    for (size_t pos = text.find('@'); pos != std::string::npos; pos = text.find('@', pos + 1)) {
      const TokenShape shape = ReadTokenShape(text, pos, kCommentKind, /*allow_no_digits=*/true);
      if (shape.length == 0) continue;
      size_t tabs_start = pos;
      while (tabs_start > 0 && text[tabs_start - 1] == '\t') --tabs_start;
      text.insert(pos + shape.length, pos - tabs_start, '\t');
      break;
    }
    token.clear();
    AppendToken(token, kCommentKind, static_cast<size_t>(n));
    const size_t pos = text.find(token);
    if (pos != std::string::npos) text.replace(pos, token.size(), state.CommentsTable[n]);
  }
}

// Mend M13: code that the layout put on a comment's line, after the comment,
// would become part of the comment. It goes to a line of its own with the
// TABs of the comment's line instead: "f(a --c\n, b)" stays two lines, not
// "f(a --c, b)". A lone comma that only ends the last entry before "}" may
// stay: in the comment it changes nothing. Mend M14: where the comment's line
// is the last line of a block comment (`comment_lf` is the LF that starts
// it), the new line gets no TABs: the clean-up takes every TAB from such a
// line, and the next run then finds none to copy. Returns where the text
// goes on.
size_t BreakAfterComment(std::string_view text, size_t pos, size_t comment_lf, std::string& out) {
  size_t code = pos;
  while (code < text.size() && (text[code] == ' ' || text[code] == '\t')) ++code;
  if (code == text.size() || text[code] == '\n') return pos;
  if (text[code] == ',') {
    size_t after = code + 1;
    while (after < text.size() && (text[after] == ' ' || text[after] == '\t')) ++after;
    if (after == text.size()) return pos;
    if (text[after] == '\n') {
      const size_t next = text.find_first_not_of(" \t\n", after);
      if (next == std::string_view::npos || text[next] == '}') return pos;
    }
  }
  const size_t lf = out.rfind('\n');
  const size_t line_start = lf == std::string::npos ? 0 : lf + 1;
  size_t tabs = 0;
  while (lf != comment_lf && line_start + tabs < out.size() && out[line_start + tabs] == '\t')
    ++tabs;
  out.push_back('\n');
  out.append(tabs, '\t');
  return code;
}

bool NothingButBlanksToLineEnd(std::string_view text, size_t pos) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  return pos == text.size() || text[pos] == '\n';
}

// When the comment tokens stand once each, in their order, and nothing else
// looks like one, the leftmost comment token is always comment 0: it ends up
// followed by its TAB (Mend M36), and every token by its text.
bool RestoreCommentsByExpansion(const CodeState& state, std::string& out) {
  const std::string_view text = state.text;
  const size_t count = static_cast<size_t>(state.CommentsCount);
  size_t next_expected_min = 0;
  size_t comment_lf = std::string::npos;  // the last LF of a comment's text in `out`
  bool first = true;
  size_t pos = 0;
  while (true) {
    const char* at =
        static_cast<const char*>(std::memchr(text.data() + pos, '@', text.size() - pos));
    if (at == nullptr) break;
    const size_t hit = static_cast<size_t>(at - text.data());
    out.append(text, pos, hit - pos);
    const TokenShape shape = ReadTokenShape(text, hit, kCommentKind, /*allow_no_digits=*/true);
    if (shape.length == 0) {
      out.push_back('@');
      pos = hit + 1;
      continue;
    }
    if (!shape.canonical || shape.number >= count || shape.number < next_expected_min) return false;
    if (first && shape.number != 0) return false;
    const size_t end = hit + shape.length;
    if (ReadTokenShape(text, end - 1, kCommentKind, true).length != 0) return false;
    const std::string& entry = state.CommentsTable[shape.number];
    size_t tabs = 0;
    while (tabs < out.size() && out[out.size() - 1 - tabs] == '\t') ++tabs;
    const bool first_starts_line =
        first && (tabs == out.size() || out[out.size() - 1 - tabs] == '\n');
    // Mend M15: a comment glued to the end of the first comment, a block
    // comment over several lines ("]]--"), goes to the next line at the block
    // comment's depth. Left glued, it has the first comment's TABs before
    // it, and the next run breaks the line there.
    const bool breaks_before_glued_comment =
        first_starts_line && entry.find('\n') != std::string::npos &&
        ReadTokenShape(text, end, kCommentKind, /*allow_no_digits=*/true).length != 0;
    // Only a block comment ("--[[", "--[==[") can hold a line end.
    const size_t entry_lf =
        entry.size() > 2 && entry[2] == '[' ? entry.rfind('\n') : std::string::npos;
    if (entry_lf != std::string::npos) comment_lf = out.size() + entry_lf;
    if (first) {
      out.append(entry);
      // Mend M16: a block comment with code after it on its line gets no TABs
      // there ("--[[c]] x = 1"): white space before code is no part of the
      // comment, and the next run would lose them.
      // Mend M36: one TAB, where the rule gives one copy of the comment's
      // TABs per comment of the file (500 comments, 500 TABs); the style's
      // one TAB after the first comment stays.
      if ((!IsClosedBlockComment(entry) || NothingButBlanksToLineEnd(text, end) ||
           breaks_before_glued_comment) &&
          tabs * count != 0) {
        out.push_back('\t');
      }
      first = false;
    } else {
      out.append(entry);
    }
    next_expected_min = shape.number + 1;
    pos = end;
    if (!IsClosedBlockComment(entry)) {
      pos = BreakAfterComment(text, pos, comment_lf, out);
    } else if (breaks_before_glued_comment) {
      out.push_back('\n');
      out.append(tabs, '\t');
    }
  }
  if (first) return false;  // comment 0 is missing
  out.append(text, pos);
  return true;
}

// The restores from the indices to the escaped quotes in one scan. The
// passes in turn expand the indices, then the arguments, then the empty
// tables, the strings and the escaped quotes, each over what the one before
// left. Where every "@" of the text and of the entries starts or ends a
// whole token, no two tokens share one, each numbered token stands once
// (inside an entry of its own kind only with a lower number), and each
// stands where the passes in turn would reach it, expanding every token in
// place, entries inside entries, gives the same text: what one pass puts in
// is only ever read by the passes after it, and no token can form across
// the edge of an entry. The scan checks all of that as it goes and returns
// false, leaving `out` unspecified, where it does not hold.
bool RestoreGroupsInOneScan(const CodeState& state, std::string& out) {
  // Kinds by the order of their restores; a frame's kind bars the tokens of
  // the kinds restored before it, which the passes in turn would not expand.
  enum Rank : uint8_t { kTop, kIndex, kArgument, kString };
  struct Frame {
    std::string_view source;
    size_t pos;
    Rank rank;
    size_t outer_limit;  // the limit of this frame's kind outside it
  };
  const std::vector<std::string>* const tables[] = {nullptr, &state.IndicesTable,
                                                    &state.ArgumentsTable, &state.StringsTable};
  size_t limits[] = {0, state.IndicesTable.size(), state.ArgumentsTable.size(),
                     state.StringsTable.size()};
  std::vector<char> seen[] = {{},
                              std::vector<char>(limits[kIndex], 0),
                              std::vector<char>(limits[kArgument], 0),
                              std::vector<char>(limits[kString], 0)};
  constexpr std::string_view kQuoteTokens[] = {kEscapedDoubleQuoteToken, kEscapedSingleQuoteToken,
                                               kEscapedOpenBracketsToken,
                                               kEscapedCloseBracketsToken};
  constexpr std::string_view kQuotes[] = {"\\\"", "\\'", "\\[\\[", "\\]\\]"};
  constexpr char kQuoteKind = kEscapedDoubleQuoteToken[1];
  constexpr char kEmptyTableKind = kEmptyTableToken[1];
  // The token that starts at source[pos], of any kind, or length 0.
  const auto token_at = [&](std::string_view source, size_t pos) -> TokenShape {
    if (pos + 4 >= source.size() || source[pos] != '@') return {};
    const char kind = source[pos + 1];
    if (kind == kIndexKind || kind == kArgumentKind || kind == kStringKind ||
        kind == kCommentKind) {
      const TokenShape shape = ReadTokenShape(source, pos, kind);
      return shape.canonical ? shape : TokenShape{};
    }
    const std::string_view five = source.substr(pos, 5);
    if (five == kEmptyTableToken) return {5, true, 0};
    for (std::string_view quote : kQuoteTokens) {
      if (five == quote) return {5, true, 0};
    }
    return {};
  };
  std::vector<Frame> stack{{state.text, 0, kTop, 0}};
  out.clear();
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const std::string_view source = frame.source;
    const size_t pos = FindInSet(source, frame.pos, kAtSign);
    if (pos == source.size()) {
      out.append(source, frame.pos);
      limits[frame.rank] = frame.outer_limit;
      stack.pop_back();
      continue;
    }
    out.append(source, frame.pos, pos - frame.pos);
    const TokenShape token = token_at(source, pos);
    const size_t length = token.length;
    if (length == 0) return false;
    const size_t end = pos + length;
    if (token_at(source, end - 1).length != 0) return false;  // "@a1a@a2a@"
    frame.pos = end;
    const char kind = source[pos + 1];
    if (kind == kQuoteKind) {
      for (size_t q = 0; q < std::size(kQuoteTokens); ++q) {
        if (source.substr(pos, length) == kQuoteTokens[q]) out.append(kQuotes[q]);
      }
      continue;
    }
    // Strings hold nothing but escaped quotes.
    if (frame.rank == kString) return false;
    if (kind == kCommentKind) {
      out.append(source, pos, length);
      continue;
    }
    if (kind == kEmptyTableKind) {
      out.append("{}");
      continue;
    }
    const Rank rank = kind == kIndexKind ? kIndex : kind == kArgumentKind ? kArgument : kString;
    if (rank < frame.rank) return false;
    const uint64_t number = token.number;
    if (number >= limits[rank] || seen[rank][number]) return false;
    seen[rank][number] = 1;
    const std::string& entry = (*tables[rank])[number];
    // An entry that began with a word character or ended with "@" could
    // make a token with the text around its token.
    if (entry.empty() || IsWord(entry.front()) || entry.back() == '@') return false;
    stack.push_back({entry, 0, rank, limits[rank]});
    limits[rank] = number;
  }
  return true;
}

}  // namespace

// The restores of indices, arguments, empty tables, strings and escaped
// quotes, in one scan where the text allows it (RestoreGroupsInOneScan), and
// else one after the other.
void RestoreGroupsStringsAndQuotes(PassContext& context) {
  CodeState& state = context.state;
  size_t restored_size = state.text.size();
  for (const auto* table : {&state.IndicesTable, &state.ArgumentsTable, &state.StringsTable}) {
    for (const std::string& entry : *table) restored_size += entry.size();
  }
  std::string& out = state.Scratch(restored_size);
  if (RestoreGroupsInOneScan(state, out)) {
    state.CommitScratch();
    return;
  }
  RestoreIndices(context);
  RestoreArguments(context);
  RestoreEmptyTables(context);
  RestoreStrings(context);
  RestoreEscapedQuotes(context);
}

void RestoreIndices(PassContext& context) {
  RestoreNumbered(context.state, kIndexKind, context.state.IndicesTable);
}

void RestoreArguments(PassContext& context) {
  RestoreNumbered(context.state, kArgumentKind, context.state.ArgumentsTable);
}

void RestoreEmptyTables(PassContext& context) { ReplaceAll(context.state, kEmptyTableToken, "{}"); }

void RestoreStrings(PassContext& context) {
  RestoreNumbered(context.state, kStringKind, context.state.StringsTable);
}

// Four replacements in a row, as they may overlap: "@qsq@qdq@".
void RestoreEscapedQuotes(PassContext& context) {
  CodeState& state = context.state;
  ReplaceAll(state, kEscapedDoubleQuoteToken, "\\\"");
  ReplaceAll(state, kEscapedSingleQuoteToken, "\\'");
  ReplaceAll(state, kEscapedOpenBracketsToken, "\\[\\[");
  ReplaceAll(state, kEscapedCloseBracketsToken, "\\]\\]");
}

void RestoreComments(PassContext& context) {
  CodeState& state = context.state;
  if (state.CommentsCount > 0) {
    // Room for every comment's text where its token stands, so that the
    // result never doubles its buffer as it grows; the tokens it no longer
    // holds leave room for the few line breaks the restoring adds.
    size_t restored_size = state.text.size();
    for (const std::string& comment : state.CommentsTable) restored_size += comment.size();
    std::string& out = state.Scratch(restored_size);
    if (RestoreCommentsByExpansion(state, out)) {
      state.CommitScratch();
    } else {
      RestoreCommentsLiterally(state);
    }
  }
  // Every token is back: the input's own "@" come back too (Mend M03).
  if (state.at_sign_stand_in != 0) {
    std::string& text = state.text;
    for (size_t at = text.find(state.at_sign_stand_in); at != std::string::npos;
         at = text.find(state.at_sign_stand_in, at + 1)) {
      text[at] = '@';
    }
    state.at_sign_stand_in = 0;
  }
}

}  // namespace kelvane
