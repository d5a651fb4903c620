// Operator spacing and bracket fix-ups, each pass one forward scan.

#include "engine/passes/operator_spacing.h"

#include <string>
#include <string_view>

#include "engine/char_class.h"
#include "engine/passes/masked_nesting.h"
#include "engine/passes/stored_groups.h"
#include "engine/scan.h"
#include "engine/tokens.h"

namespace kelvane {
namespace {

// The length of the operator at `pos` ("~=", "<=", ">=", "==", "<", ">", "=",
// "+", "-", "*", "/", ".."; two characters win), or 0. Mend M08: Lua 5.3's
// "//", "<<" and ">>" are spaced as one operator: split, they would mean
// nothing.
size_t SpacedOperatorAt(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  const char c = text[pos];
  const char next = pos + 1 < text.size() ? text[pos + 1] : '\0';
  if ((c == '~' || c == '<' || c == '>' || c == '=') && next == '=') return 2;
  if ((c == '/' || c == '<' || c == '>') && next == c) return 2;
  // Mend M07: three points are the vararg "...", no concatenation:
  // "f(...)" stays.
  if (c == '.' && next == '.') {
    const bool vararg =
        (pos + 2 < text.size() && text[pos + 2] == '.') || (pos > 0 && text[pos - 1] == '.');
    return vararg ? 0 : 2;
  }
  if (c == '<' || c == '>' || c == '=' || c == '+' || c == '-' || c == '*' || c == '/') return 1;
  return 0;
}

constexpr ByteSet kSpacedOperatorStarts = ByteSet::Of([](char c) {
  return c == '~' || c == '<' || c == '>' || c == '=' || c == '+' || c == '-' || c == '*' ||
         c == '/' || c == '.';
});
constexpr ByteSet kBrackets =
    ByteSet::Of([](char c) { return c == '(' || c == ')' || c == '[' || c == ']'; });

size_t BracketAt(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  const char c = text[pos];
  return c == '(' || c == ')' || c == '[' || c == ']' ? 1 : 0;
}

// "(\s*)(<op>)(\s*)" -> `before` + op + `after`: all white space on both
// sides of every operator is replaced. Where it already stands so, the text
// is left as it is: only the changes are written.
template <typename OperatorAt>
void RespaceOperators(std::string_view text, OperatorAt operator_at, const ByteSet& operator_starts,
                      std::string_view before, std::string_view after, std::string& out) {
  Splicer splicer(text, out);
  const auto stands_as = [&](size_t pos, std::string_view spacing) {
    return text.compare(pos, spacing.size(), spacing) == 0;
  };
  for (size_t i = 0; i < text.size();) {
    // Bytes that are neither white space nor an operator stay as they are.
    while (i < text.size() && !IsSpace(text[i]) &&
           (!operator_starts(text[i]) || operator_at(text, i) == 0)) {
      ++i;
    }
    if (i == text.size()) break;
    const size_t op = SkipSpaces(text, i);
    const size_t length = operator_at(text, op);
    if (length == 0) {
      // Every start inside the white space fails the same way.
      i = op < text.size() ? op + 1 : op;
      continue;
    }
    const size_t end = SkipSpaces(text, op + length);
    if (op - i != before.size() || end - op - length != after.size() || !stands_as(i, before) ||
        !stands_as(op + length, after)) {
      std::string spaced(before);
      spaced.append(text, op, length);
      spaced.append(after);
      splicer.Replace(i, end, spaced);
    }
    i = end;
  }
  splicer.Finish();
}

// "([^\=]\=\n)" -> " $1".
void SpaceEqualsAtLineEnd(std::string_view text, std::string& out) {
  size_t i = 0;
  for (size_t eq; (eq = text.find("=\n", i)) != std::string_view::npos;) {
    if (eq > i && text[eq - 1] != '=') {
      out.append(text, i, eq - 1 - i);
      out.push_back(' ');
      out.append(text, eq - 1, 3);
      i = eq + 2;
    } else {
      // The LF may still be the first character of the next match.
      out.append(text, i, eq + 1 - i);
      i = eq + 1;
    }
  }
  out.append(text, i);
}

// After the `mark` at `pos` (a "{" or ","): the start of "[ \t]*\s[\+\-]"'s
// "\s[\+\-]" part, or kNone. Greedy "[ \t]*" first hands the "\s" to the
// character after the spaces and TABs, then to the last of them. The signs
// of this text always follow a space, so the "\s" is never a line end.
size_t SignAfter(std::string_view text, size_t pos) {
  size_t x = pos + 1;
  while (x < text.size() && (text[x] == ' ' || text[x] == '\t')) ++x;
  auto is_sign = [&](size_t at) {
    return at < text.size() && (text[at] == '+' || text[at] == '-');
  };
  if (x < text.size() && IsSpace(text[x]) && text[x] != '\n' && is_sign(x + 1)) return x;
  if (x > pos + 1 && is_sign(x)) return x - 1;
  return kNone;
}

// "(\t*)(.*<mark>)([ \t]*)(\s[\+\-])" -> "$1$2\n<extra>$1$4", repeated while a
// match remains. Greedy ".*" breaks each line at its last such mark first,
// then the earlier ones in later rounds, and no round makes a new one; so
// every line ends up broken at each mark that a sign follows, each new line
// with the line's TABs (and `extra`) and the white space before the sign:
//   "\t\t1, - 2, + 3," -> "\t\t1,\n\t\t - 2,\n\t\t + 3,"
// `breaks_at(pos)` says whether a mark at `pos` may break its line; it is
// asked in increasing order.
template <typename BreaksAt>
void BreakBeforeSigns(std::string_view text, char mark, std::string_view extra, std::string& out,
                      BreaksAt&& breaks_at) {
  size_t copied = 0;
  size_t line_start = 0;
  size_t line_end = 0;  // the line of the last mark looked at
  for (size_t pos = text.find(mark); pos != kNone; pos = text.find(mark, pos + 1)) {
    if (pos >= line_end) {
      const size_t lf_before = text.rfind('\n', pos);
      line_start = lf_before == kNone ? 0 : lf_before + 1;
      line_end = text.find('\n', pos);
      if (line_end == kNone) line_end = text.size();
    }
    const size_t space = SignAfter(text, pos);
    if (space == kNone || !breaks_at(pos)) continue;
    size_t tabs = line_start;
    while (tabs < line_end && text[tabs] == '\t') ++tabs;
    out.append(text, copied, pos + 1 - copied);
    out.push_back('\n');
    out.append(extra);
    out.append(text, line_start, tabs - line_start);
    copied = space;
    pos = space + 1;
  }
  out.append(text, copied);
}

}  // namespace

void SurroundOperatorsWithSpaces(PassContext& context) {
  RewriteTextAndStoredGroups(context.state, [](std::string_view in, std::string& out) {
    RespaceOperators(in, SpacedOperatorAt, kSpacedOperatorStarts, " ", " ", out);
  });
}

void SpaceBeforeLineEndEquals(PassContext& context) {
  RewriteTextAndStoredGroups(context.state, SpaceEqualsAtLineEnd);
}

void BreakUnarySigns(PassContext& context) {
  CodeState& state = context.state;
  RewriteText(state, [](std::string_view in, std::string& out) {
    BreakBeforeSigns(in, '{', "\t", out, [](size_t) { return true; });
  });
  // Mend M40: a "," breaks its line only between the entries of a table
  // constructor; elsewhere it ends no line ("local a, b = 1, -2" stays one).
  RewriteText(state, [](std::string_view in, std::string& out) {
    MaskedNesting nesting(in);
    BreakBeforeSigns(in, ',', "", out, [&](size_t pos) { return nesting.InTableAt(pos); });
  });
}

// "\s*\^\s*" -> "^". Most texts and stored groups hold no "^": they stay
// as they are, uncopied.
void TightenExponents(PassContext& context) {
  CodeState& state = context.state;
  if (state.text.find('^') != std::string::npos) RewriteText(state, TightenCarets);
  std::string out;
  for (auto* table : {&state.ArgumentsTable, &state.IndicesTable}) {
    for (std::string& entry : *table) {
      if (entry.find('^') == std::string::npos) continue;
      out.clear();
      TightenCarets(entry, out);
      entry.swap(out);
    }
  }
}

namespace {

// Mend M17: "[" right before a string that starts with "[" would read as a
// long bracket: "t[ [[k]] ]" must not become "t[[[k]]]". One space stays there.
void KeepSpaceBeforeLongStrings(const CodeState& state, std::string& entry, std::string& out) {
  if (entry.find("[@s") == std::string::npos) return;
  out.clear();
  size_t copied = 0;
  for (size_t bracket = entry.find("[@s"); bracket != std::string::npos;
       bracket = entry.find("[@s", bracket + 1)) {
    const TokenShape token = ReadTokenShape(entry, bracket + 1, kStringKind);
    if (token.length == 0 || !token.canonical || token.number >= state.StringsTable.size())
      continue;
    if (state.StringsTable[token.number].front() != '[') continue;
    out.append(entry, copied, bracket + 1 - copied);
    out.push_back(' ');
    copied = bracket + 1;
  }
  out.append(entry, copied);
  entry.swap(out);
}

}  // namespace

// Only the stored texts, the indices first: "( a, t [ 1 ] )" -> "(a, t[1])".
void TightenStoredBrackets(PassContext& context) {
  CodeState& state = context.state;
  std::string out;
  for (auto* table : {&state.IndicesTable, &state.ArgumentsTable}) {
    for (std::string& entry : *table) {
      // An entry without white space (most of them) has none to take.
      if (FindInSet(entry, 0, kSpaces) < entry.size()) {
        out.clear();
        RespaceOperators(entry, BracketAt, kBrackets, "", "", out);
        entry.swap(out);
      }
      KeepSpaceBeforeLongStrings(state, entry, out);
    }
  }
}

// "(\t*)([^\t]+)(\{)" -> "$1$2\n$1$3": in every stretch between TABs, the last
// "{" that is not the stretch's first character moves to a new line with the
// TABs before the stretch: "\tt = {\n" -> "\tt = \n\t{\n". The stretch runs over
// line ends, so of several braces only the last one moves.
void BreakBeforeLeftBraces(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size();) {
    const size_t tabs_start = i;
    while (i < text.size() && text[i] == '\t') ++i;
    const std::string_view tabs = text.substr(tabs_start, i - tabs_start);
    size_t stretch_end = text.find('\t', i);
    if (stretch_end == kNone) stretch_end = text.size();
    const std::string_view stretch = text.substr(i, stretch_end - i);
    const size_t brace = stretch.size() > 1 ? stretch.rfind('{') : kNone;
    out.append(tabs);
    if (brace != kNone && brace > 0) {
      out.append(stretch.substr(0, brace));
      out.push_back('\n');
      out.append(tabs);
      out.append(stretch.substr(brace));
    } else {
      out.append(stretch);
    }
    i = stretch_end;
  }
  context.state.CommitScratch();
}

// "(\t*)(\})( )" -> "$1$2\n$1": the space after a "}" becomes a line end, and
// the rest of the line gets the TABs before the "}": "\t} + 2" -> "\t}\n\t+ 2".
void BreakAfterRightBraces(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size() + text.size() / 16);
  // The "}" decides the match; the TABs right before it are $1 and are
  // already copied (a match ends on a space, so none of them is consumed).
  size_t i = 0;
  for (size_t brace; (brace = text.find('}', i)) != std::string_view::npos;) {
    out.append(text, i, brace + 1 - i);
    i = brace + 1;
    if (i < text.size() && text[i] == ' ') {
      size_t tabs = brace;
      while (tabs > 0 && text[tabs - 1] == '\t') --tabs;
      out.push_back('\n');
      out.append(text, tabs, brace - tabs);
      ++i;
    }
  }
  out.append(text, i);
  context.state.CommitScratch();
}

size_t SpacedOperatorLength(std::string_view text, size_t pos) {
  return SpacedOperatorAt(text, pos);
}

bool IsSpacedOperatorEnd(std::string_view text, size_t pos) {
  switch (text[pos]) {
    case '+':
    case '-':
    case '*':
    case '/':
    case '<':
    case '>':
      return true;
    case '.':
      return pos > 0 && text[pos - 1] == '.' && (pos < 2 || text[pos - 2] != '.');
    default:
      return false;
  }
}

}  // namespace kelvane
