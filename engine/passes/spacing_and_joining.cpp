// Spacing, breaking at braces and line joining. Each pass is one forward scan
// that gives what its replacement rule gives when run over the whole text;
// the comment above each states the rule and an example.

#include "engine/passes/spacing_and_joining.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "engine/char_class.h"
#include "engine/passes/sequence_matcher.h"
#include "engine/passes/stored_groups.h"
#include "engine/tokens.h"

namespace kelvane {
namespace {

size_t SkipSpaces(std::string_view text, size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  return pos;
}

// Runs of white space: with `min_run` 2, "\s\s+" -> " " (runs of one stay);
// with 1, "\s+" -> " ".
std::string SqueezeWhitespace(std::string_view text, size_t min_run) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (!IsSpace(text[i])) {
      out.push_back(text[i++]);
      continue;
    }
    const size_t end = SkipSpaces(text, i);
    if (end - i >= min_run) {
      out.push_back(' ');
    } else {
      out.append(text, i, end - i);
    }
    i = end;
  }
  return out;
}

// "\s+," -> ",".
std::string DropSpacesBeforeCommas(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (!IsSpace(text[i])) {
      out.push_back(text[i++]);
      continue;
    }
    const size_t end = SkipSpaces(text, i);
    if (end < text.size() && text[end] == ',') {
      out.push_back(',');
      i = end + 1;
    } else {
      out.append(text, i, end - i);
      i = end;
    }
  }
  return out;
}

// ",\s*" -> ", ".
std::string OneSpaceAfterCommas(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size();) {
    if (text[i] != ',') {
      out.push_back(text[i++]);
      continue;
    }
    out.append(", ");
    i = SkipSpaces(text, i + 1);
  }
  return out;
}

void AppendTabs(std::string& out, size_t count) { out.append(count, '\t'); }

size_t LeadingTabs(std::string_view line) {
  size_t n = 0;
  while (n < line.size() && line[n] == '\t') ++n;
  return n;
}

bool StartsWithAt(std::string_view text, size_t pos, std::string_view word) {
  return text.substr(std::min(pos, text.size())).starts_with(word);
}

}  // namespace

void CollapseWhitespaceRuns(PassContext& context) {
  CodeState& state = context.state;
  state.text = SqueezeWhitespace(state.text, 2);
  RewriteStoredGroups(state, [](const std::string& s) { return SqueezeWhitespace(s, 2); });
}

void ReplaceWhitespaceWithSpaces(PassContext& context) {
  CodeState& state = context.state;
  state.text = SqueezeWhitespace(state.text, 1);
  RewriteStoredGroups(state, [](const std::string& s) { return SqueezeWhitespace(s, 1); });
}

void RemoveSpacesBeforeCommas(PassContext& context) {
  CodeState& state = context.state;
  state.text = DropSpacesBeforeCommas(state.text);
  RewriteStoredGroups(state, [](const std::string& s) { return DropSpacesBeforeCommas(s); });
}

void PlaceSpacesAfterCommas(PassContext& context) {
  CodeState& state = context.state;
  state.text = OneSpaceAfterCommas(state.text);
  RewriteStoredGroups(state, [](const std::string& s) { return OneSpaceAfterCommas(s); });
}

void AddBaseTab(PassContext& context) { context.state.text.insert(0, 1, '\t'); }

// Breaking at "{": the text is one line of TABs and content (the passes
// before leave no other TAB and no LF). Each "{" ends the content before it
// on a line of its own, stands alone on the next line at the same depth, and
// everything after it goes one TAB deeper:
//   "\ta = { b = { 1 } }" -> "\ta = \n\t{\n\t\t b = \n\t\t{\n\t\t\t 1 } }"
void BreakAtLeftBraces(PassContext& context) {
  const std::string_view text = context.state.text;
  size_t depth = LeadingTabs(text);
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  size_t segment = depth;
  for (size_t brace; (brace = text.find('{', segment)) != std::string_view::npos; segment = brace + 1) {
    AppendTabs(out, depth);
    out.append(text, segment, brace - segment);
    out.push_back('\n');
    AppendTabs(out, depth);
    out.append("{\n");
    ++depth;
  }
  AppendTabs(out, depth);
  out.append(text, segment);
  context.state.text = std::move(out);
}

namespace {

// Breaking at "}": every "}" (with a comma directly after it) moves to a line
// of its own one level shallower than the content before it, and everything
// after it moves one level left; a line never loses TABs it does not have:
//   "\t\t b = 1 } " -> "\t\t b = 1 \n\t}\n\t "
// A "}" reached on a line that has no TAB left cannot be broken: the loop
// that breaks them one by one would repeat without end, so the guard fires.
class RightBraceBreaker {
 public:
  explicit RightBraceBreaker(std::string& out) : out_(out) {}

  // One line: `tabs` leading TABs before the braces so far took theirs, and
  // the content after them. False when the guard fires.
  bool Line(size_t tabs, std::string_view content) {
    size_t depth = tabs > outdents_ ? tabs - outdents_ : 0;
    size_t segment = 0;
    for (size_t brace; (brace = content.find('}', segment)) != std::string_view::npos;) {
      if (depth == 0) return false;
      AppendTabs(out_, depth);
      out_.append(content, segment, brace - segment);
      out_.push_back('\n');
      AppendTabs(out_, depth - 1);
      out_.push_back('}');
      segment = brace + 1;
      if (segment < content.size() && content[segment] == ',') {
        out_.push_back(',');
        ++segment;
      }
      out_.push_back('\n');
      --depth;
      ++outdents_;
    }
    AppendTabs(out_, depth);
    out_.append(content, segment);
    return true;
  }

 private:
  std::string& out_;
  size_t outdents_ = 0;  // braces broken so far: every later line lost that many TABs
};

constexpr const char kRightBraceGuard[] =
    "Error: Was unable to break and outdent at every occurance of a right bracket.";

}  // namespace

void BreakAtRightBraces(PassContext& context) {
  const std::string_view text = context.state.text;
  if (text.find('}') == std::string_view::npos) return;
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  RightBraceBreaker breaker(out);
  for (size_t line_start = 0;;) {
    size_t line_end = text.find('\n', line_start);
    const bool has_lf = line_end != std::string_view::npos;
    if (!has_lf) line_end = text.size();
    const std::string_view line = text.substr(line_start, line_end - line_start);
    const size_t tabs = LeadingTabs(line);
    if (!breaker.Line(tabs, line.substr(tabs))) {
      context.guard_message = kRightBraceGuard;
      return;
    }
    if (!has_lf) break;
    out.push_back('\n');
    line_start = line_end + 1;
  }
  context.state.text = std::move(out);
}

// Both brace passes at once. Breaking at "{" gives every line as many TABs
// as there are "{" before it, which the "}" pass then takes back: the text in
// between grows with the square of the number of braces. Here each line that
// "{" pass would make goes straight through the "}" pass instead.
void BreakAtBraces(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  RightBraceBreaker breaker(out);
  size_t depth = LeadingTabs(text);
  size_t segment = depth;
  while (true) {
    const size_t brace = text.find('{', segment);
    const size_t end = brace == std::string_view::npos ? text.size() : brace;
    if (!breaker.Line(depth, text.substr(segment, end - segment))) {
      context.guard_message = kRightBraceGuard;
      return;
    }
    if (brace == std::string_view::npos) break;
    out.push_back('\n');
    breaker.Line(depth, "{");
    out.push_back('\n');
    ++depth;
    segment = brace + 1;
  }
  context.state.text = std::move(out);
}

// One token per line: "^(\t*)([^\t ]*)( )(.*)$" -> "$1$2\n$1$4", repeated
// while a space remains. Every line is split at each space and every piece
// keeps the line's TABs: "\tb = 1," -> "\tb\n\t=\n\t1,".
//
// The pattern's "[^\t ]*" also crosses line ends, so on a line without TABs
// (only a surplus "}" leaves one) a split can take its TABs from a line
// above. Working through the repetitions: in round k every line with a space
// is split once at its first space; a TAB-less line B takes, for the rest of
// its pieces, the TABs of the nearest line above that has TABs once that line
// and every TAB-less line between them has no space left, which happens in
// round 1 + the most spaces any of them had. Until then B's pieces stay at
// depth 0. So one scan that remembers the last line with TABs and the most
// spaces since it gives the final text.
void BreakAtSpaces(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  bool have_tab_line = false;
  size_t context_depth = 0;  // depth of the last line whose last piece has TABs
  size_t most_spaces = 0;    // most spaces of that line and the TAB-less lines since
  for (size_t line_start = 0; line_start <= text.size();) {
    size_t line_end = text.find('\n', line_start);
    const bool has_lf = line_end != std::string_view::npos;
    if (!has_lf) line_end = text.size();
    const std::string_view line = text.substr(line_start, line_end - line_start);
    const size_t tabs = LeadingTabs(line);
    const std::string_view content = line.substr(tabs);
    const size_t spaces = static_cast<size_t>(std::count(content.begin(), content.end(), ' '));
    // The pieces before index `switch_at` get `tabs`, the rest `later_depth`.
    size_t switch_at = spaces + 1;
    size_t later_depth = tabs;
    if (tabs > 0) {
      have_tab_line = true;
      context_depth = tabs;
      most_spaces = spaces;
    } else if (have_tab_line && most_spaces + 1 <= spaces) {
      switch_at = most_spaces + 1;
      later_depth = context_depth;
      most_spaces = spaces;
    } else {
      most_spaces = std::max(most_spaces, spaces);
    }
    size_t piece = 0;
    size_t start = 0;
    while (true) {
      const size_t space = content.find(' ', start);
      AppendTabs(out, piece < switch_at ? tabs : later_depth);
      out.append(content, start, space == std::string_view::npos ? content.npos : space - start);
      if (space == std::string_view::npos) break;
      out.push_back('\n');
      start = space + 1;
      ++piece;
    }
    if (!has_lf) break;
    out.push_back('\n');
    line_start = line_end + 1;
  }
  context.state.text = std::move(out);
}

// Blank lines: "^\s+$" (multiline) -> "" then "\n\n" -> "\n". The first
// empties a run of white-space-only lines together with the LFs between them
// (from its line start to its last LF, or to the end of the text); the second
// then removes the single empty line that is left.
void RemoveBlankLines(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string emptied;
  emptied.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (i == 0 || text[i - 1] == '\n') {
      const size_t run_end = SkipSpaces(text, i);
      if (run_end == text.size() && run_end > i) break;
      size_t last_lf = run_end;
      while (last_lf > i + 1 && text[last_lf - 1] != '\n') --last_lf;
      if (last_lf > i + 1) {  // an LF at last_lf - 1 > i
        i = last_lf - 1;
        emptied.push_back(text[i++]);
        continue;
      }
    }
    emptied.push_back(text[i++]);
  }
  std::string out;
  out.reserve(emptied.size());
  for (size_t i = 0; i < emptied.size(); ++i) {
    out.push_back(emptied[i]);
    if (emptied[i] == '\n' && i + 1 < emptied.size() && emptied[i + 1] == '\n') ++i;
  }
  context.state.text = std::move(out);
}

// Keys and values: "(\@|\w)(\s+)(=)" -> "$1$3", then "(=)(\s+)(@|\w|\-|\+|\.)"
// -> "$1$3": "\tb\n\t=\n\t1," -> "\tb=1,".
void JoinKeysWithValues(PassContext& context) {
  std::string& text = context.state.text;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '@' || IsWord(c)) {
      const size_t end = SkipSpaces(text, i + 1);
      if (end > i + 1 && end < text.size() && text[end] == '=') {
        out.push_back(c);
        out.push_back('=');
        i = end + 1;
        continue;
      }
    }
    out.push_back(c);
    ++i;
  }
  text.swap(out);
  out.clear();
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '=') {
      const size_t end = SkipSpaces(text, i + 1);
      if (end > i + 1 && end < text.size()) {
        const char v = text[end];
        if (v == '@' || IsWord(v) || v == '-' || v == '+' || v == '.') {
          out.push_back('=');
          out.push_back(v);
          i = end + 1;
          continue;
        }
      }
    }
    out.push_back(text[i++]);
  }
  text.swap(out);
}

// Keywords, three replacements in a row:
//   "(\s)(function|while|for|if|elseif|local|global|until)(\s+)([^\{\s])"
//       -> "$1$2 $4"      "\tlocal\n\tx" -> "\tlocal x"
//   "([^\}\s])(\s+)(then)(\s)" -> "$1 $3$4"      "\tb\n\tthen\n" -> "\tb then\n"
//   "(\s+)(or|and|not)(\s+)" -> " $2 "       "\ta\n\tor\n\tb" -> "\ta or b"
// Each match consumes the white space around its keyword, so a keyword whose
// white space the previous match took is left alone in that scan.
void JoinKeywords(PassContext& context) {
  static constexpr std::array<std::string_view, 8> kHeadKeywords = {
      "function", "while", "for", "if", "elseif", "local", "global", "until"};
  std::string& text = context.state.text;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (IsSpace(text[i])) {
      bool joined = false;
      for (std::string_view keyword : kHeadKeywords) {
        if (!StartsWithAt(text, i + 1, keyword)) continue;
        const size_t after = i + 1 + keyword.size();
        const size_t next = SkipSpaces(text, after);
        if (next > after && next < text.size() && text[next] != '{') {
          out.push_back(text[i]);
          out.append(keyword);
          out.push_back(' ');
          out.push_back(text[next]);
          i = next + 1;
          joined = true;
        }
        break;  // no keyword of the list begins another one
      }
      if (joined) continue;
    }
    out.push_back(text[i++]);
  }
  text.swap(out);

  out.clear();
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c != '}' && !IsSpace(c)) {
      const size_t next = SkipSpaces(text, i + 1);
      if (next > i + 1 && StartsWithAt(text, next, "then") && next + 4 < text.size() &&
          IsSpace(text[next + 4])) {
        out.push_back(c);
        out.append(" then");
        out.push_back(text[next + 4]);
        i = next + 5;
        continue;
      }
    }
    out.push_back(text[i++]);
  }
  text.swap(out);

  out.clear();
  static constexpr std::array<std::string_view, 3> kOperatorKeywords = {"or", "and", "not"};
  for (size_t i = 0; i < text.size();) {
    if (!IsSpace(text[i])) {
      out.push_back(text[i++]);
      continue;
    }
    const size_t run_end = SkipSpaces(text, i);
    bool joined = false;
    for (std::string_view keyword : kOperatorKeywords) {
      if (!StartsWithAt(text, run_end, keyword)) continue;
      const size_t after = run_end + keyword.size();
      const size_t next = SkipSpaces(text, after);
      if (next > after) {
        out.push_back(' ');
        out.append(keyword);
        out.push_back(' ');
        i = next;
        joined = true;
      }
      break;
    }
    if (!joined) {
      out.append(text, i, run_end - i);
      i = run_end;
    }
  }
  text.swap(out);
}

// Names and arguments: "(\w|\_)(\s*)(@a\d*a@)" -> "$1$3":
// "\tprint\n\t@a2a@" -> "\tprint@a2a@".
void JoinNamesWithArguments(PassContext& context) {
  std::string& text = context.state.text;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (IsWord(c)) {
      const size_t next = SkipSpaces(text, i + 1);
      const TokenShape token = ReadTokenShape(text, next, kArgumentKind, /*allow_no_digits=*/true);
      if (token.length != 0) {
        out.push_back(c);
        out.append(text, next, token.length);
        i = next + token.length;
        continue;
      }
    }
    out.push_back(text[i++]);
  }
  text.swap(out);
}

namespace {

// "(\s)(<keyword>)(@a\d*a@)" -> the white space, the keyword, `between`, the
// white space again when `repeat_space`, and the token.
template <size_t N>
void SeparateKeywordFromArguments(std::string& text, const std::array<std::string_view, N>& keywords,
                                  std::string_view between, bool repeat_space) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (IsSpace(text[i])) {
      bool done = false;
      for (std::string_view keyword : keywords) {
        if (!StartsWithAt(text, i + 1, keyword)) continue;
        const size_t at = i + 1 + keyword.size();
        const TokenShape token = ReadTokenShape(text, at, kArgumentKind, /*allow_no_digits=*/true);
        if (token.length != 0) {
          out.push_back(text[i]);
          out.append(keyword);
          out.append(between);
          if (repeat_space) out.push_back(text[i]);
          out.append(text, at, token.length);
          i = at + token.length;
          done = true;
        }
        break;
      }
      if (done) continue;
    }
    out.push_back(text[i++]);
  }
  text.swap(out);
}

}  // namespace

// "(\s)(if|elseif|while|until)(@a\d*a@)" -> "$1$2 $3": "\tif@a0a@" -> "\tif @a0a@".
void SpaceConditionKeywords(PassContext& context) {
  static constexpr std::array<std::string_view, 4> kKeywords = {"if", "elseif", "while", "until"};
  SeparateKeywordFromArguments(context.state.text, kKeywords, " ", false);
}

// "(\s)(return)(@a\d*a@)" -> "$1$2\n$1$3": "\t\treturn@a1a@" -> "\t\treturn\n\t@a1a@".
void BreakAfterReturn(PassContext& context) {
  static constexpr std::array<std::string_view, 1> kKeywords = {"return"};
  SeparateKeywordFromArguments(context.state.text, kKeywords, "\n", true);
}

namespace {

using enum Piece;

// (\sfor\s.*,)(\s+)(.*)(\s+)(do\s) -> "$1 $3 $5"
constexpr SequenceElement kForTwoParts[] = {
    {kSpace, {}, 1}, {kLiteral, "for", 1}, {kSpace, {}, 1}, {kLineChars, {}, 1}, {kLiteral, ",", 1},
    {kSpaces, {}, 2}, {kLineChars, {}, 3}, {kSpaces, {}, 4}, {kLiteral, "do", 5}, {kSpace, {}, 5}};
// (\sfor\s.*,)(\s+)(.*,)(\s+)(.*)(\s+)(do\s) -> "$1 $3 $5 $7"
constexpr SequenceElement kForThreeParts[] = {
    {kSpace, {}, 1},     {kLiteral, "for", 1}, {kSpace, {}, 1},    {kLineChars, {}, 1},
    {kLiteral, ",", 1},  {kSpaces, {}, 2},     {kLineChars, {}, 3}, {kLiteral, ",", 3},
    {kSpaces, {}, 4},    {kLineChars, {}, 5},  {kSpaces, {}, 6},   {kLiteral, "do", 7},
    {kSpace, {}, 7}};
// (\sfor\s.*,)(\s+)(.*)(\s+)(in)(\s+)(.*)(\s+)(do\s) -> "$1 $3 $5 $7 $9"
constexpr SequenceElement kForIn[] = {
    {kSpace, {}, 1},    {kLiteral, "for", 1}, {kSpace, {}, 1},     {kLineChars, {}, 1},
    {kLiteral, ",", 1}, {kSpaces, {}, 2},     {kLineChars, {}, 3}, {kSpaces, {}, 4},
    {kLiteral, "in", 5}, {kSpaces, {}, 6},    {kLineChars, {}, 7}, {kSpaces, {}, 8},
    {kLiteral, "do", 9}, {kSpace, {}, 9}};
// (\swhile)(\s+)([^\s]*)(\s+)(do\s) -> "$1 $3 $5"
constexpr SequenceElement kWhile[] = {
    {kSpace, {}, 1},      {kLiteral, "while", 1}, {kSpaces, {}, 2}, {kNonSpaces, {}, 3},
    {kSpaces, {}, 4},     {kLiteral, "do", 5},    {kSpace, {}, 5}};

// One global replacement of a loop-head pattern by its odd groups joined with
// single spaces.
void JoinHeads(std::string& text, std::span<const SequenceElement> pattern, std::string_view opening,
               int last_group) {
  SequenceMatcher matcher(pattern);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (IsSpace(text[i]) && StartsWithAt(text, i + 1, opening) && matcher.MatchAt(text, i)) {
      for (int group = 1; group <= last_group; group += 2) {
        if (group > 1) out.push_back(' ');
        out.append(matcher.Group(group));
      }
      i = matcher.End();
      continue;
    }
    out.push_back(text[i++]);
  }
  text.swap(out);
}

}  // namespace

// Loop heads whose parts stand on consecutive lines go back on one line:
// "\tfor i=1,\n\tn\n\tdo\n" -> "\tfor i=1, n do\n".
void JoinLoopHeads(PassContext& context) {
  std::string& text = context.state.text;
  JoinHeads(text, kForTwoParts, "for", 5);
  JoinHeads(text, kForThreeParts, "for", 7);
  JoinHeads(text, kForIn, "for", 9);
  JoinHeads(text, kWhile, "while", 5);
}

}  // namespace kelvane
