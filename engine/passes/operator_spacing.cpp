// Operator spacing and bracket fix-ups, each pass one forward scan.

#include "engine/passes/operator_spacing.h"

#include <string>
#include <string_view>

#include "engine/char_class.h"
#include "engine/passes/stored_groups.h"

namespace kelvane {
namespace {

constexpr size_t kNone = std::string_view::npos;

size_t SkipSpaces(std::string_view text, size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  return pos;
}

// The length of the operator at `pos` ("~=", "<=", ">=", "==", "<", ">", "=",
// "+", "-", "*", "/", ".."; two characters win), or 0.
size_t SpacedOperatorAt(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  const char c = text[pos];
  const char next = pos + 1 < text.size() ? text[pos + 1] : '\0';
  if ((c == '~' || c == '<' || c == '>' || c == '=') && next == '=') return 2;
  if (c == '.' && next == '.') return 2;
  if (c == '<' || c == '>' || c == '=' || c == '+' || c == '-' || c == '*' || c == '/') return 1;
  return 0;
}

size_t CaretAt(std::string_view text, size_t pos) {
  return pos < text.size() && text[pos] == '^' ? 1 : 0;
}

size_t BracketAt(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  const char c = text[pos];
  return c == '(' || c == ')' || c == '[' || c == ']' ? 1 : 0;
}

// "(\s*)(<op>)(\s*)" -> `before` + op + `after`: all white space on both
// sides of every operator is replaced.
template <typename OperatorAt>
std::string RespaceOperators(std::string_view text, OperatorAt operator_at, std::string_view before,
                             std::string_view after) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (size_t i = 0; i < text.size();) {
    const size_t op = SkipSpaces(text, i);
    const size_t length = operator_at(text, op);
    if (length != 0) {
      out.append(before);
      out.append(text, op, length);
      out.append(after);
      i = SkipSpaces(text, op + length);
      continue;
    }
    // Every start inside the white space fails the same way.
    const size_t stop = op < text.size() ? op + 1 : op;
    out.append(text, i, stop - i);
    i = stop;
  }
  return out;
}

// "([^\=]\=\n)" -> " $1".
std::string SpaceEqualsAtLineEnd(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] != '=' && i + 2 < text.size() && text[i + 1] == '=' && text[i + 2] == '\n') {
      out.push_back(' ');
      out.append(text, i, 3);
      i += 3;
      continue;
    }
    out.push_back(text[i++]);
  }
  return out;
}

// After the `mark` at `pos` (a "{" or ","): the start of "[ \t]*\s[\+\-]"'s
// "\s[\+\-]" part, or kNone. Greedy "[ \t]*" first hands the "\s" to the
// character after the spaces and TABs, then to the last of them. The signs
// of this text always follow a space, so the "\s" is never a line end.
size_t SignAfter(std::string_view text, size_t pos) {
  size_t x = pos + 1;
  while (x < text.size() && (text[x] == ' ' || text[x] == '\t')) ++x;
  auto is_sign = [&](size_t at) { return at < text.size() && (text[at] == '+' || text[at] == '-'); };
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
std::string BreakBeforeSigns(std::string_view text, char mark, std::string_view extra) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t line = 0; line <= text.size();) {
    size_t line_end = text.find('\n', line);
    if (line_end == kNone) line_end = text.size();
    size_t tabs = line;
    while (tabs < line_end && text[tabs] == '\t') ++tabs;
    const std::string_view indentation = text.substr(line, tabs - line);
    size_t copied = line;
    for (size_t pos = tabs; pos < line_end; ++pos) {
      if (text[pos] != mark) continue;
      const size_t space = SignAfter(text, pos);
      if (space == kNone) continue;
      out.append(text, copied, pos + 1 - copied);
      out.push_back('\n');
      out.append(extra);
      out.append(indentation);
      copied = space;
      pos = space + 1;
    }
    out.append(text, copied, line_end - copied);
    if (line_end == text.size()) break;
    out.push_back('\n');
    line = line_end + 1;
  }
  return out;
}

}  // namespace

void SurroundOperatorsWithSpaces(PassContext& context) {
  CodeState& state = context.state;
  auto respace = [](std::string_view s) { return RespaceOperators(s, SpacedOperatorAt, " ", " "); };
  state.text = respace(state.text);
  RewriteStoredGroups(state, respace);
}

void SpaceBeforeLineEndEquals(PassContext& context) {
  CodeState& state = context.state;
  state.text = SpaceEqualsAtLineEnd(state.text);
  RewriteStoredGroups(state, [](std::string_view s) { return SpaceEqualsAtLineEnd(s); });
}

void BreakUnarySigns(PassContext& context) {
  std::string& text = context.state.text;
  text = BreakBeforeSigns(text, '{', "\t");
  text = BreakBeforeSigns(text, ',', "");
}

void TightenExponents(PassContext& context) {
  CodeState& state = context.state;
  auto tighten = [](std::string_view s) { return RespaceOperators(s, CaretAt, "", ""); };
  state.text = tighten(state.text);
  RewriteStoredGroups(state, tighten);
}

// Only the stored texts, the indices first: "( a, t [ 1 ] )" -> "(a, t[1])".
void TightenStoredBrackets(PassContext& context) {
  CodeState& state = context.state;
  for (std::string& entry : state.indices_table) entry = RespaceOperators(entry, BracketAt, "", "");
  for (std::string& entry : state.arguments_table) entry = RespaceOperators(entry, BracketAt, "", "");
}

// "(\t*)([^\t]+)(\{)" -> "$1$2\n$1$3": in every stretch between TABs, the last
// "{" that is not the stretch's first character moves to a new line with the
// TABs before the stretch: "\tt = {\n" -> "\tt = \n\t{\n". The stretch runs over
// line ends, so of several braces only the last one moves.
void BreakBeforeLeftBraces(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size() + text.size() / 8);
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
  context.state.text = std::move(out);
}

// "(\t*)(\})( )" -> "$1$2\n$1": the space after a "}" becomes a line end, and
// the rest of the line gets the TABs before the "}": "\t} + 2" -> "\t}\n\t+ 2".
void BreakAfterRightBraces(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\t' || text[i] == '}') {
      size_t brace = i;
      while (brace < text.size() && text[brace] == '\t') ++brace;
      if (brace + 1 < text.size() && text[brace] == '}' && text[brace + 1] == ' ') {
        const std::string_view tabs = text.substr(i, brace - i);
        out.append(tabs);
        out.append("}\n");
        out.append(tabs);
        i = brace + 2;
        continue;
      }
      if (brace > i) {
        out.append(text, i, brace - i);
        i = brace;
        continue;
      }
    }
    out.push_back(text[i++]);
  }
  context.state.text = std::move(out);
}

}  // namespace kelvane
