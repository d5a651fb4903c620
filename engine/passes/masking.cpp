// Stage 2 of ProcessCode: masking. Mend M02: comments and strings are the
// ones one lexical scan of the text finds (engine/lua_lexer.h), so that "--" inside a
// string, a quote inside a comment or an escaped backslash before a closing
// quote are read as Lua reads them. Where those are not in the text, that
// gives exactly the tokens and numbering of masking each kind by "replace the
// leftmost match, store it, search again from the start".
//
// Bracket groups are taken innermost first. A group can only close at the
// first closing bracket after its opening one, so the leftmost match is
// always the one that closes first: a stack of the open brackets seen so far
// reduces each group the moment its closing bracket is read.

#include "engine/passes/masking.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/char_class.h"
#include "engine/lua_lexer.h"
#include "engine/scan.h"
#include "engine/tokens.h"

namespace kelvane {
namespace {

// Mend M03: every "@" that touches a letter of a token kind could be read as
// part of a token once the masking puts tokens beside it; such a text has its
// "@" stood in for until the restoring.
bool HoldsTokenLikeText(std::string_view text) {
  static constexpr ByteSet kTokenLetters = ByteSet::Of(
      [](char c) { return c == 'c' || c == 's' || c == 'a' || c == 'i' || c == 'q' || c == 't'; });
  for (size_t at = text.find('@'); at != std::string_view::npos; at = text.find('@', at + 1)) {
    if ((at + 1 < text.size() && kTokenLetters(text[at + 1])) ||
        (at > 0 && kTokenLetters(text[at - 1]))) {
      return true;
    }
  }
  return false;
}

// A control or high byte that `text` does not hold, or 0. No pass gives such
// a byte a meaning, so it can stand for "@" while tokens are about. Real text
// lacks the first candidate, so one vector search usually settles it.
char UnusedByte(std::string_view text) {
  for (int c = 1; c < 256; ++c) {
    const bool candidate = c < 9 || (c > 13 && c < 32) || c >= 127;
    if (candidate && std::memchr(text.data(), c, text.size()) == nullptr) {
      return static_cast<char>(c);
    }
  }
  return 0;
}

// Masks the comments the lexical scan finds: "--" to the end of its line
// (the LF stays), or a whole block comment. With strip, comments are deleted
// and the count becomes -1; a block comment with code right after it leaves a
// space, so that the code on both sides stays apart.
//
// The string literals found on the way are handed on (string_literals),
// where they are in the new text. A scan of the new text would find the same
// ones: a literal the scan found holds no comment, and taking comments out
// cannot close a long bracket that was never closed.
void MaskCommentsIn(CodeState& state, bool strip) {
  const std::string_view text = state.text;
  std::string& out = state.Scratch(text.size());
  std::vector<TextRange> literals;
  size_t copied = 0;
  ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) {
    if (span.kind != LiteralKind::kLineComment && span.kind != LiteralKind::kBlockComment) {
      const size_t begin = out.size() + (span.begin - copied);
      literals.push_back({begin, begin + (span.end - span.begin)});
      return;
    }
    out.append(text, copied, span.begin - copied);
    if (strip) {
      state.CommentsCount = -1;
      if (span.end < text.size() && !IsSpace(text[span.end])) out.push_back(' ');
    } else {
      AppendToken(out, kCommentKind, state.CommentsTable.size());
      state.CommentsTable.emplace_back(text.substr(span.begin, span.end - span.begin));
      state.CommentsCount = static_cast<int64_t>(state.CommentsTable.size());
    }
    copied = span.end;
  });
  out.append(text, copied);
  state.CommitScratch();
  state.string_literals = std::move(literals);
}

// Calls on_literal(const TextRange&, bool quoted) for each string literal of
// the text, in text order: the ones the pass before handed on, or else the
// ones a scan finds. `quoted` tells a quoted string from a long one.
template <typename OnLiteral>
void ForEachStringLiteral(CodeState& state, OnLiteral&& on_literal) {
  if (state.string_literals) {
    const std::vector<TextRange> literals = std::move(*state.string_literals);
    state.string_literals.reset();
    for (const TextRange& literal : literals) {
      const char first = state.text[literal.begin];
      on_literal(literal, first == '"' || first == '\'');
    }
    return;
  }
  ForEachLiteral(state.text, /*comments=*/false, [&](const LiteralSpan& span) {
    on_literal(TextRange{span.begin, span.end}, span.kind == LiteralKind::kQuotedString);
  });
}

// An escaped pair at `pos`: appends its token and returns its length, or 0.
size_t EscapedPairAt(std::string_view text, size_t pos, std::string& out) {
  if (text[pos] != '\\' || pos + 1 >= text.size()) return 0;
  const char next = text[pos + 1];
  if (next == '"' || next == '\'') {
    out.append(next == '"' ? kEscapedDoubleQuoteToken : kEscapedSingleQuoteToken);
    return 2;
  }
  if ((next == '[' || next == ']') && pos + 3 < text.size() && text[pos + 2] == '\\' &&
      text[pos + 3] == next) {
    out.append(next == '[' ? kEscapedOpenBracketsToken : kEscapedCloseBracketsToken);
    return 4;
  }
  return 0;
}

// The escaped pairs of `text` (a backslash before a double quote, before an
// apostrophe, and the doubled "\[\[" and "\]\]"). Inside a quoted string
// every backslash starts an escape of two bytes, so an escaped backslash is
// one escape and a quote after it closes the string; in the code, where a
// backslash is no Lua, the pairs are taken where they stand.
void MaskEscapes(std::string_view text, bool quoted, std::string& out) {
  size_t i = 0;
  while (i < text.size()) {
    size_t next = text.find('\\', i);
    if (next == std::string_view::npos) next = text.size();
    out.append(text, i, next - i);
    i = next;
    if (i == text.size()) break;
    const size_t length = EscapedPairAt(text, i, out);
    if (length != 0) {
      i += length;
      continue;
    }
    const size_t kept = quoted ? std::min<size_t>(2, text.size() - i) : 1;
    out.append(text, i, kept);
    i += kept;
  }
}

// Whether `text` holds the keyword "function" as a whole word.
bool HoldsFunctionKeyword(std::string_view text) {
  for (size_t at = text.find("function"); at != std::string_view::npos;
       at = text.find("function", at + 1)) {
    const size_t end = at + 8;
    if ((at == 0 || !IsWord(text[at - 1])) && (end == text.size() || !IsWord(text[end]))) {
      return true;
    }
  }
  return false;
}

// The shift-reduce scan for bracket groups: `open`/`close` are the bracket
// characters.
//
// Mend M37: a group that holds a function body ("f(function() ... end)") is
// not masked. Its text would come back on one line, every statement of the
// function's body with it; in the main text the body is laid out as a block,
// and the join of its call (JoinKeysWithValues) keeps the rest of the call on
// the lines of the function's head and "end".
void MaskGroups(CodeState& state, char open, char close, char kind,
                std::vector<std::string>& table) {
  const std::string_view text = state.text;
  std::string& out = state.Scratch(text.size());
  // The opening brackets not yet closed: where they stand in `out`, and
  // whether the group holds a function body so far.
  struct Open {
    size_t at;
    bool holds_function;
  };
  std::vector<Open> opens;
  const ByteSet is_bracket = ByteSet::Of([&](char c) { return c == open || c == close; });
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t next = FindInSet(text, i, is_bracket);
    out.append(text, i, next - i);
    if (!opens.empty() && HoldsFunctionKeyword(text.substr(i, next - i))) {
      opens.back().holds_function = true;
    }
    i = next;
    if (i == text.size()) break;
    if (text[i] == close && !opens.empty()) {
      const Open group = opens.back();
      opens.pop_back();
      if (group.holds_function) {
        if (!opens.empty()) opens.back().holds_function = true;
        out.push_back(close);
        continue;
      }
      std::string entry = out.substr(group.at);
      entry.push_back(close);
      out.resize(group.at);
      AppendToken(out, kind, table.size());
      table.push_back(std::move(entry));
      continue;
    }
    if (text[i] == open) opens.push_back({out.size(), false});
    out.push_back(text[i]);
  }
  state.CommitScratch();
}

}  // namespace

void MaskComments(PassContext& context) {
  CodeState& state = context.state;
  if (HoldsTokenLikeText(state.text)) {
    state.at_sign_stand_in = UnusedByte(state.text);
    if (state.at_sign_stand_in != 0) {
      for (size_t at = state.text.find('@'); at != std::string::npos;
           at = state.text.find('@', at + 1)) {
        state.text[at] = state.at_sign_stand_in;
      }
    }
  }
  MaskCommentsIn(state, context.settings.StripComments);
}

// Quoted strings get their escapes read as Lua reads them; in the code, where
// a backslash is no Lua, the four pairs are taken where they stand. Long
// strings keep their bytes: a pair there could take a bracket of the string's
// own ("[[\]\]]" ends at its first "]]"), and the string comes back whole in
// any case. The pairs share no character with each other's matches, so one
// scan gives what four replacements in a row give.
//
// The string literals (as MaskComments handed them on) are handed on to
// MaskStrings, where they are in the new text, so that it need not scan
// again: the pairs in the code lie between the literals, and taking them out
// opens or closes none.
void MaskEscapedQuotes(PassContext& context) {
  CodeState& state = context.state;
  const std::string_view text = state.text;
  std::string& out = state.Scratch(text.size());
  std::vector<TextRange> literals;
  size_t copied = 0;
  ForEachStringLiteral(state, [&](const TextRange& span, bool quoted) {
    MaskEscapes(text.substr(copied, span.begin - copied), /*quoted=*/false, out);
    const size_t begin = out.size();
    if (quoted) {
      MaskEscapes(text.substr(span.begin, span.end - span.begin), /*quoted=*/true, out);
    } else {
      out.append(text, span.begin, span.end - span.begin);
    }
    literals.push_back({begin, out.size()});
    copied = span.end;
  });
  MaskEscapes(text.substr(copied), /*quoted=*/false, out);
  state.CommitScratch();
  state.string_literals = std::move(literals);
}

// The string literals the lexical scan finds (or the pass before found),
// numbered as masking one kind after the other would number them: the long
// strings first, then the double-quoted ones, then the single-quoted ones,
// each kind in text order.
void MaskStrings(PassContext& context) {
  CodeState& state = context.state;
  const std::string_view text = state.text;
  std::vector<TextRange> spans;
  ForEachStringLiteral(state, [&](const TextRange& span, bool) { spans.push_back(span); });
  size_t counts[3] = {0, 0, 0};
  auto order = [&](const TextRange& span) {
    const char first = text[span.begin];
    return first == '"' ? 1 : first == '\'' ? 2 : 0;
  };
  for (const TextRange& span : spans) ++counts[order(span)];
  if (spans.empty()) return;
  const size_t first = state.StringsTable.size();
  size_t next_number[3] = {first, first + counts[0], first + counts[0] + counts[1]};
  state.StringsTable.resize(first + spans.size());
  std::string& out = state.Scratch(text.size());
  size_t copied = 0;
  for (const TextRange& span : spans) {
    const size_t number = next_number[order(span)]++;
    out.append(text, copied, span.begin - copied);
    AppendToken(out, kStringKind, number);
    state.StringsTable[number] = text.substr(span.begin, span.end - span.begin);
    copied = span.end;
  }
  out.append(text, copied);
  state.CommitScratch();
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
    size_t j = i + 1;
    while (j < text.size() && IsSpace(text[j])) ++j;
    if (j < text.size() && text[j] == '}') {
      out.append(kEmptyTableToken);
      i = j + 1;
      continue;
    }
    out.push_back(text[i]);
    ++i;
  }
  context.state.CommitScratch();
}

void MaskArguments(PassContext& context) {
  CodeState& state = context.state;
  MaskGroups(state, '(', ')', kArgumentKind, state.ArgumentsTable);
}

void MaskIndices(PassContext& context) {
  CodeState& state = context.state;
  MaskGroups(state, '[', ']', kIndexKind, state.IndicesTable);
}

}  // namespace kelvane
