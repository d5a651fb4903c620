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
#include "engine/lua_lexer.h"
#include "engine/passes/operator_spacing.h"
#include "engine/passes/sequence_matcher.h"
#include "engine/passes/stored_groups.h"
#include "engine/scan.h"
#include "engine/tokens.h"

namespace kelvane {
namespace {

// Runs of white space: with `min_run` 2, "\s\s+" -> " " (runs of one stay);
// with 1, "\s+" -> " ".
void SqueezeWhitespace(std::string_view text, size_t min_run, std::string& out) {
  for (size_t i = 0; i < text.size();) {
    if (!IsSpace(text[i])) {
      const size_t next = FindInSet(text, i, kSpaces);
      out.append(text, i, next - i);
      i = next;
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
}

// "\s+," -> ",".
void DropSpacesBeforeCommas(std::string_view text, std::string& out) {
  for (size_t i = 0; i < text.size();) {
    if (!IsSpace(text[i])) {
      const size_t next = FindInSet(text, i, kSpaces);
      out.append(text, i, next - i);
      i = next;
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
}

// ",\s*" -> ", ".
void OneSpaceAfterCommas(std::string_view text, std::string& out) {
  for (size_t i = 0; i < text.size();) {
    if (text[i] != ',') {
      size_t next = text.find(',', i);
      if (next == std::string_view::npos) next = text.size();
      out.append(text, i, next - i);
      i = next;
      continue;
    }
    out.append(", ");
    i = SkipSpaces(text, i + 1);
  }
}

void AppendTabs(std::string& out, size_t count) { out.append(count, '\t'); }

}  // namespace

void CollapseWhitespaceRuns(PassContext& context) {
  RewriteTextAndStoredGroups(
      context.state, [](std::string_view in, std::string& out) { SqueezeWhitespace(in, 2, out); });
}

void ReplaceWhitespaceWithSpaces(PassContext& context) {
  RewriteTextAndStoredGroups(
      context.state, [](std::string_view in, std::string& out) { SqueezeWhitespace(in, 1, out); });
}

void RemoveSpacesBeforeCommas(PassContext& context) {
  RewriteTextAndStoredGroups(context.state, DropSpacesBeforeCommas);
}

void PlaceSpacesAfterCommas(PassContext& context) {
  RewriteTextAndStoredGroups(context.state, OneSpaceAfterCommas);
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
  std::string& out = context.state.Scratch(text.size() + text.size() / 4);
  size_t segment = depth;
  for (size_t brace; (brace = text.find('{', segment)) != std::string_view::npos;
       segment = brace + 1) {
    AppendTabs(out, depth);
    out.append(text, segment, brace - segment);
    out.push_back('\n');
    AppendTabs(out, depth);
    out.append("{\n");
    ++depth;
  }
  AppendTabs(out, depth);
  out.append(text, segment);
  context.state.CommitScratch();
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
  std::string& out = context.state.Scratch(text.size() + text.size() / 4);
  RightBraceBreaker breaker(out);
  const bool broken = ForEachLineBreakingOut(text, out, [&](size_t tabs, std::string_view content) {
    return breaker.Line(tabs, content);
  });
  if (!broken) {
    context.guard_message = kRightBraceGuard;
    return;
  }
  context.state.CommitScratch();
}

// Both brace passes at once. Breaking at "{" gives every line as many TABs
// as there are "{" before it, which the "}" pass then takes back: the text in
// between grows with the square of the number of braces. Here each line that
// "{" pass would make goes straight through the "}" pass instead.
void BreakAtBraces(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size() + text.size() / 2);
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
  context.state.CommitScratch();
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
  std::string& out = context.state.Scratch(text.size() + text.size() / 2);
  bool have_tab_line = false;
  size_t context_depth = 0;  // depth of the last line whose last piece has TABs
  size_t most_spaces = 0;    // most spaces of that line and the TAB-less lines since
  ForEachLineBreakingOut(text, out, [&](size_t tabs, std::string_view content) {
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
    return true;
  });
  context.state.CommitScratch();
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
    // At a line start.
    const size_t run_end = SkipSpaces(text, i);
    if (run_end == text.size() && run_end > i) break;
    size_t last_lf = run_end;
    while (last_lf > i + 1 && text[last_lf - 1] != '\n') --last_lf;
    if (last_lf > i + 1) i = last_lf - 1;  // an LF at last_lf - 1 > i: drop [i, last_lf - 1)
    size_t next = text.find('\n', i);
    next = next == std::string_view::npos ? text.size() : next + 1;
    emptied.append(text, i, next - i);
    i = next;
  }
  std::string& out = context.state.Scratch(emptied.size());
  for (size_t i = 0; i < emptied.size();) {
    const size_t lf = emptied.find('\n', i);
    if (lf == std::string::npos) {
      out.append(emptied, i);
      break;
    }
    out.append(emptied, i, lf + 1 - i);
    i = lf + (lf + 1 < emptied.size() && emptied[lf + 1] == '\n' ? 2 : 1);
  }
  context.state.CommitScratch();
}

// Keys and values: "(\@|\w)(\s+)(=)" -> "$1$3", then "(=)(\s+)(@|\w|\-|\+|\.)"
// -> "$1$3": "\tb\n\t=\n\t1," -> "\tb=1,".
void JoinKeysWithValues(PassContext& context) {
  std::string& text = context.state.text;
  std::string& out = context.state.Scratch(text.size());
  // A match is decided by its "=": the white space before it and the name
  // character before that, which must not lie in the previous match.
  size_t i = 0;
  for (size_t eq; (eq = text.find('=', i)) != std::string::npos; i = eq + 1) {
    size_t start = eq;
    while (start > i && IsSpace(text[start - 1])) --start;
    if (start < eq && start > i && (text[start - 1] == '@' || IsWord(text[start - 1]))) {
      out.append(text, i, start - i);
      out.push_back('=');
    } else {
      out.append(text, i, eq + 1 - i);
    }
  }
  out.append(text, i);
  context.state.CommitScratch();
  out.clear();
  for (i = 0; i < text.size();) {
    const size_t eq = text.find('=', i);
    if (eq == std::string::npos) {
      out.append(text, i);
      break;
    }
    out.append(text, i, eq - i);
    i = eq;
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
    out.push_back(text[i++]);
  }
  context.state.CommitScratch();
}

namespace {

constexpr std::array<std::string_view, 8> kHeadKeywords = {"function", "while", "for",    "if",
                                                           "elseif",   "local", "global", "until"};

// "(\s)(function|while|for|if|elseif|local|global|until)(\s+)([^\{\s])"
// -> "$1$2 $4": "\tlocal\n\tx" -> "\tlocal x".
void JoinHeadKeywords(std::string_view text, std::string& out) {
  static constexpr ByteSet kHeadLetters = ByteSet::Of([](char c) {
    return c == 'f' || c == 'w' || c == 'i' || c == 'e' || c == 'l' || c == 'g' || c == 'u';
  });
  // A match starts at the white space before a keyword's first letter; a
  // match ends on a character that is not white space, so that white space
  // never belongs to the previous match.
  for (size_t i = 0; i < text.size();) {
    const size_t letter = FindInSet(text, i + 1, kHeadLetters);
    if (letter >= text.size()) {
      out.append(text, i);
      break;
    }
    const size_t space = letter - 1;
    bool joined = false;
    if (IsSpace(text[space])) {
      for (std::string_view keyword : kHeadKeywords) {
        if (!StartsWithAt(text, letter, keyword)) continue;
        const size_t after = letter + keyword.size();
        const size_t next = SkipSpaces(text, after);
        if (next > after && next < text.size() && text[next] != '{') {
          out.append(text, i, letter - i);
          out.append(keyword);
          out.push_back(' ');
          out.push_back(text[next]);
          i = next + 1;
          joined = true;
        }
        break;  // no keyword of the list begins another one
      }
    }
    if (!joined) {
      out.append(text, i, letter - i);
      i = letter;
    }
  }
}

// "([^\}\s])(\s+)(then)(\s)" -> "$1 $3$4": "\tb\n\tthen\n" -> "\tb then\n".
void JoinThen(std::string_view text, std::string& out) {
  // "then" decides the match: the white space before it and the character
  // before that, which must not lie in the previous match.
  size_t i = 0;
  for (size_t then; (then = text.find("then", i)) != std::string_view::npos;) {
    size_t start = then;
    while (start > i && IsSpace(text[start - 1])) --start;
    if (start < then && start > i && text[start - 1] != '}' && then + 4 < text.size() &&
        IsSpace(text[then + 4])) {
      out.append(text, i, start - i);
      out.append(" then");
      out.push_back(text[then + 4]);
      i = then + 5;
    } else {
      out.append(text, i, then + 1 - i);
      i = then + 1;
    }
  }
  out.append(text, i);
}

// Whether `text` ends in a whole keyword that JoinHeadKeywords joins to what
// follows it.
bool EndsWithHeadKeyword(std::string_view text) {
  size_t start = text.size();
  while (start > 0 && IsWord(text[start - 1])) --start;
  if (start > 0 && !IsSpace(text[start - 1])) return false;
  const std::string_view word = text.substr(start);
  return std::find(kHeadKeywords.begin(), kHeadKeywords.end(), word) != kHeadKeywords.end();
}

// Whether white space and then an argument-list token follow `after`.
bool NotBeforeArguments(std::string_view text, size_t after) {
  const size_t next = SkipSpaces(text, after);
  return next > after && next < text.size() && text[next] == '@' &&
         ReadTokenShape(text, next, kArgumentKind, /*allow_no_digits=*/true).length != 0;
}

// "(\s+)(or|and|not)(\s+)" -> " $2 ": "\ta\n\tor\n\tb" -> "\ta or b".
// And one more: "(\s+)(or|and|not)" before an operator -> " $2".
void JoinOperatorKeywords(std::string_view text, std::string& out) {
  static constexpr std::array<std::string_view, 3> kOperatorKeywords = {"or", "and", "not"};
  for (size_t i = 0; i < text.size();) {
    if (!IsSpace(text[i])) {
      const size_t next = FindInSet(text, i, kSpaces);
      out.append(text, i, next - i);
      i = next;
      continue;
    }
    const size_t run_end = SkipSpaces(text, i);
    bool joined = false;
    for (std::string_view keyword : kOperatorKeywords) {
      if (!StartsWithAt(text, run_end, keyword)) continue;
      // Beyond the rule: "not" after "^" stays apart from its operand. The
      // exponent's spaces go later ("t^not n"), and the next run, which sees
      // no white space before "not", broke the line there again.
      if (keyword == "not" && i > 0 && text[i - 1] == '^') break;
      // Nor does "not" before an argument list ("return not (x)") join the
      // line before it: the list is glued to "not" later, and the next run,
      // with no white space after "not", left "not(x)" on a line of its own.
      // After a keyword that the next run joins to "not(x)" anyway
      // ("if not (x)"), it joins as the rule has it.
      if (keyword == "not" && NotBeforeArguments(text, run_end + keyword.size()) &&
          !EndsWithHeadKeyword(text.substr(0, i))) {
        break;
      }
      const size_t after = run_end + keyword.size();
      const size_t next = SkipSpaces(text, after);
      if (next > after) {
        out.push_back(' ');
        out.append(keyword);
        out.push_back(' ');
        i = next;
        joined = true;
      } else if (SpacedOperatorLength(text, after) != 0 && text[after] != '=') {
        // Beyond the rule: an operator glued to the keyword ("a and-b") gets
        // its spaces later, and the next run then joined the line "and - b"
        // up to "a". Joined now, the first run gives that shape. ("and=" is
        // kept whole by the next run's key/value join.)
        out.push_back(' ');
        out.append(keyword);
        i = after;
        joined = true;
      }
      break;
    }
    if (!joined) {
      out.append(text, i, run_end - i);
      i = run_end;
    }
  }
}

}  // namespace

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

namespace {

// Beyond the rule: "not" right after an operator that the operator spacing
// will stand on a line of its own ("+ - * / < > ..") takes its operand (a
// name, number or token) up too. The rule above needs white space before "not", which "1+not" only
// gets from the operator spacing, so the next run joined what this one left: "x = 1+not\n\ty" -> "x
// = 1+not y". After "=" or "^" the next run leaves "not" apart as well, so it stays apart here.
void JoinNotAfterOperators(std::string_view text, std::string& out) {
  size_t i = 0;
  for (size_t word; (word = text.find("not", i)) != std::string_view::npos;) {
    const size_t after = word + 3;
    const size_t next = SkipSpaces(text, after);
    if (word > 0 && IsSpacedOperatorEnd(text, word - 1) && next > after && next < text.size() &&
        (IsWord(text[next]) || text[next] == '@')) {
      out.append(text, i, after - i);
      out.push_back(' ');
      i = next;
    } else {
      out.append(text, i, after - i);
      i = after;
    }
  }
  out.append(text, i);
}

}  // namespace

// Keywords, the replacements above in a row. Each match consumes the
// white space around its keyword, so a keyword whose white space the
// previous match took is left alone in that scan.
void JoinKeywords(PassContext& context) {
  RewriteText(context.state, JoinHeadKeywords);
  RewriteText(context.state, JoinThen);
  RewriteText(context.state, JoinOperatorKeywords);
  RewriteText(context.state, JoinNotAfterOperators);
}

namespace {

// The word that ends just before `end` is exactly `word`, after white space
// that follows anything but a "}" (after a table, "} and(" keeps its shape on
// the next run already).
bool WordEndsAt(std::string_view text, size_t end, std::string_view word) {
  if (end <= word.size() || text.compare(end - word.size(), word.size(), word) != 0) return false;
  size_t before = end - word.size();
  if (!IsSpace(text[before - 1])) return false;
  while (before > 0 && IsSpace(text[before - 1])) --before;
  return before == 0 || text[before - 1] != '}';
}

// What may stand before an argument list that the join pulls up to it: a
// word character, as "(\w|\_)(\s*)(@a\d*a@)" has it, but not the operators
// "and" and "or" across white space ("a and (b)" stays, while "a and(b)" would
// be split on the next run), nor "then" ("then (f)()" stays two lines, while
// "then(f)()" lost its place after the condition on the next run); and,
// beyond that rule, the end of an argument list, index, string or empty
// table, or a "}". An argument list on a line of its own after those is a
// call that Lua 5.1 reads as ambiguous: "f\"x\" (y)" must stay "f\"x\"(y)",
// and "f{} (y)" "f{}(y)", not become two lines.
bool CallMayJoin(std::string_view text, size_t end, bool across_space) {
  const char c = text[end - 1];
  if (IsWord(c)) {
    return !(across_space && (WordEndsAt(text, end, "and") || WordEndsAt(text, end, "or") ||
                              WordEndsAt(text, end, "then")));
  }
  if (c == '}') return true;
  if (c != '@' || end < 4) return false;
  if (end >= kEmptyTableToken.size() &&
      text.substr(end - kEmptyTableToken.size(), kEmptyTableToken.size()) == kEmptyTableToken) {
    return true;
  }
  const char kind = text[end - 2];
  if (kind != kArgumentKind && kind != kIndexKind && kind != kStringKind) return false;
  size_t at = end - 2;
  while (at > 0 && IsDigit(text[at - 1])) --at;
  return at >= 2 && at < end - 2 && text[at - 1] == kind && text[at - 2] == '@';
}

}  // namespace

namespace {

// Where the callee of an argument list that starts at `at` ends, looking
// back from the white space before it: beyond the rule, past closed block
// comments on one line ("f --[[c]] (x)"), which then join the call too; a
// line between "f" and "(x)" is an ambiguous call to Lua 5.1.
size_t CalleeEnd(std::string_view text, size_t at, size_t from,
                 const std::vector<std::string>& comments) {
  size_t end = at;
  while (end > from && IsSpace(text[end - 1])) --end;
  for (uint64_t number = 0;;) {
    const size_t comment = TokenStartBefore(text, end, kCommentKind, number);
    if (comment == kNone || comment < from || number >= comments.size() ||
        !IsClosedBlockComment(comments[number]) ||
        comments[number].find('\n') != std::string::npos) {
      return end;
    }
    size_t before = comment;
    while (before > from && IsSpace(text[before - 1])) --before;
    end = before;
  }
}

}  // namespace

// Names and arguments: "(\w|\_)(\s*)(@a\d*a@)" -> "$1$3":
// "\tprint\n\t@a2a@" -> "\tprint@a2a@".
void JoinNamesWithArguments(PassContext& context) {
  std::string& text = context.state.text;
  const std::vector<std::string>& comments = context.state.CommentsTable;
  std::string& out = context.state.Scratch(text.size());
  // The token decides the match: the white space before it and the word
  // character before that, which must not lie in the previous match.
  size_t i = 0;
  size_t search = 0;
  for (size_t at; (at = text.find('@', search)) != std::string::npos;) {
    // A comment token is left whole for the argument list after it to look
    // back across.
    if (const TokenShape comment = ReadTokenShape(text, at, kCommentKind); comment.length != 0) {
      search = at + comment.length;
      continue;
    }
    const TokenShape token = ReadTokenShape(text, at, kArgumentKind, /*allow_no_digits=*/true);
    const size_t start = token.length != 0 ? CalleeEnd(text, at, i, comments) : at;
    // A word character must lie outside the previous match, as in the rule;
    // the end of a token joined just before may start a chain of calls.
    const bool joins = token.length != 0 && start > 0 && (start > i || !IsWord(text[start - 1])) &&
                       CallMayJoin(text, start, start < at);
    if (joins) {
      out.append(text, i, start - i);
      // The comments in between, if any, without the white space around them.
      for (size_t k = start; k < at; ++k) {
        if (!IsSpace(text[k])) out.push_back(text[k]);
      }
      out.append(text, at, token.length);
      i = at + token.length;
    } else {
      out.append(text, i, at + 1 - i);
      i = at + 1;
    }
    search = i;
  }
  out.append(text, i);
  context.state.CommitScratch();
}

namespace {

// "(\s)(<keyword>)(@a\d*a@)" -> the white space, the keyword, `between`, the
// white space again when `repeat_space`, and the token.
template <size_t N>
void SeparateKeywordFromArguments(CodeState& state, const std::array<std::string_view, N>& keywords,
                                  std::string_view between, bool repeat_space) {
  std::string& text = state.text;
  std::string& out = state.Scratch(text.size());
  // The token decides the match: a keyword right before it and one white-space
  // character before that, which must not lie in the previous match.
  size_t i = 0;
  for (size_t at; (at = text.find('@', i)) != std::string::npos;) {
    const TokenShape token = ReadTokenShape(text, at, kArgumentKind, /*allow_no_digits=*/true);
    bool done = false;
    if (token.length != 0) {
      for (std::string_view keyword : keywords) {
        if (at < i + keyword.size() + 1) continue;
        const size_t space = at - keyword.size() - 1;
        if (!IsSpace(text[space]) || text.compare(space + 1, keyword.size(), keyword) != 0)
          continue;
        out.append(text, i, at - i);
        out.append(between);
        if (repeat_space) out.push_back(text[space]);
        out.append(text, at, token.length);
        i = at + token.length;
        done = true;
        break;
      }
    }
    if (!done) {
      out.append(text, i, at + 1 - i);
      i = at + 1;
    }
  }
  out.append(text, i);
  state.CommitScratch();
}

}  // namespace

// "(\s)(if|elseif|while|until)(@a\d*a@)" -> "$1$2 $3": "\tif@a0a@" -> "\tif @a0a@".
void SpaceConditionKeywords(PassContext& context) {
  static constexpr std::array<std::string_view, 4> kKeywords = {"if", "elseif", "while", "until"};
  SeparateKeywordFromArguments(context.state, kKeywords, " ", false);
}

// "(\s)(return)(@a\d*a@)" -> "$1$2\n$1$3": "\t\treturn@a1a@" -> "\t\treturn\n\t@a1a@".
void BreakAfterReturn(PassContext& context) {
  static constexpr std::array<std::string_view, 1> kKeywords = {"return"};
  SeparateKeywordFromArguments(context.state, kKeywords, "\n", true);
}

namespace {

using enum Piece;

// Each "do\s" also takes ";" after "do" ("do;", Lua 5.2's empty statement,
// which the clean-up takes away), beyond the rule, so that the next run's
// head is joined on the first run.
// (\sfor\s.*,)(\s+)(.*)(\s+)(do\s) -> "$1 $3 $5"
constexpr SequenceElement kForTwoParts[] = {
    {kSpace, {}, 1},     {kLiteral, "for", 1}, {kSpace, {}, 1},     {kLineChars, {}, 1},
    {kLiteral, ",", 1},  {kSpaceRun, {}, 2},   {kLineChars, {}, 3}, {kSpaceRun, {}, 4},
    {kLiteral, "do", 5}, {kSemicolons, {}, 5}, {kSpace, {}, 5}};
// (\sfor\s.*,)(\s+)(.*,)(\s+)(.*)(\s+)(do\s) -> "$1 $3 $5 $7"
constexpr SequenceElement kForThreeParts[] = {
    {kSpace, {}, 1},      {kLiteral, "for", 1}, {kSpace, {}, 1},     {kLineChars, {}, 1},
    {kLiteral, ",", 1},   {kSpaceRun, {}, 2},   {kLineChars, {}, 3}, {kLiteral, ",", 3},
    {kSpaceRun, {}, 4},   {kLineChars, {}, 5},  {kSpaceRun, {}, 6},  {kLiteral, "do", 7},
    {kSemicolons, {}, 7}, {kSpace, {}, 7}};
// (\sfor\s.*,)(\s+)(.*)(\s+)(in)(\s+)(.*)(\s+)(do\s) -> "$1 $3 $5 $7 $9"
constexpr SequenceElement kForIn[] = {
    {kSpace, {}, 1},     {kLiteral, "for", 1}, {kSpace, {}, 1},     {kLineChars, {}, 1},
    {kLiteral, ",", 1},  {kSpaceRun, {}, 2},   {kLineChars, {}, 3}, {kSpaceRun, {}, 4},
    {kLiteral, "in", 5}, {kSpaceRun, {}, 6},   {kLineChars, {}, 7}, {kSpaceRun, {}, 8},
    {kLiteral, "do", 9}, {kSemicolons, {}, 9}, {kSpace, {}, 9}};
// (\swhile)(\s+)([^\s]*)(\s+)(do\s) -> "$1 $3 $5"
constexpr SequenceElement kWhile[] = {
    {kSpace, {}, 1},    {kLiteral, "while", 1}, {kSpaceRun, {}, 2},   {kNonSpaces, {}, 3},
    {kSpaceRun, {}, 4}, {kLiteral, "do", 5},    {kSemicolons, {}, 5}, {kSpace, {}, 5}};

// Whether an exponent's sign stands at `pos`: "1e-5", "2.5E+10", "0x1p-4". The
// operator spacing puts spaces around it, and the clean-up takes them out
// again (digits after something that is not a word character, "e" or "E",
// the sign, digits).
bool IsExponentSignAt(std::string_view text, size_t pos) {
  if (pos < 2 || pos + 1 >= text.size() || !IsDigit(text[pos + 1])) return false;
  if (IsHexExponentMarkAt(text, pos - 1)) return true;
  if (text[pos - 1] != 'e' && text[pos - 1] != 'E') return false;
  size_t digits = pos - 1;
  while (digits > 0 && IsDigit(text[digits - 1])) --digits;
  return digits < pos - 1 && (digits == 0 || !IsWord(text[digits - 1]));
}

// The operators that keep a loop-head part from coming back as one line when
// the output is formatted again. The
// operator spacing will put spaces around every operator; the next run breaks
// the line at every space and joins back only "=" and "==" between a name,
// number or token on both sides (keys and values), and an exponent's sign.
// Any other operator leaves its part on several lines, so that the next run
// cannot join the head again:
//   "n/2" -> "n / 2" -> "n", "/", "2";  "x==y" -> "x == y" -> "x==y".
// A head's parts begin after white space and end before white space or with
// a comma, so an operator's neighbours in the text are its neighbours in the
// part, and each part is looked at alone, but for an "=" that starts it: that
// one stays with its value, unless `before` (the last character of the part
// before, or NUL) is a key that the next run joins it to ("in", but not ",").
bool HoldsSplittingOperator(std::string_view text, char before) {
  auto joins_to_key = [&](size_t pos) {
    return pos < text.size() && (text[pos] == '@' || IsWord(text[pos]));
  };
  static constexpr ByteSet kOperatorStarts = ByteSet::Of([](char c) {
    return c == '~' || c == '<' || c == '>' || c == '=' || c == '+' || c == '-' || c == '*' ||
           c == '/' || c == '.';
  });
  for (size_t pos = FindInSet(text, 0, kOperatorStarts); pos < text.size();
       pos = FindInSet(text, pos, kOperatorStarts)) {
    const size_t length = SpacedOperatorLength(text, pos);
    if (length == 0) {
      ++pos;
      continue;
    }
    const std::string_view op = text.substr(pos, length);
    const size_t after = pos + length;
    bool joined_back = length == 1 && IsExponentSignAt(text, pos);
    if (op == "=" || op == "==") {
      // Before a "," the next run takes the space out again ("i = ," comes
      // back as "i=,").
      const bool value_follows =
          joins_to_key(after) ||
          (after < text.size() && text[after] == '.' && SpacedOperatorLength(text, after) == 0) ||
          (after < text.size() && text[after] == ',');
      joined_back =
          value_follows && (pos > 0 ? joins_to_key(pos - 1) : before != '@' && !IsWord(before));
    }
    if (!joined_back) return true;
    pos = after;
  }
  return false;
}

// Whether a whole word `word` stands at `pos`, with white space on both sides.
bool SpacedWordAt(std::string_view text, size_t pos, std::string_view word) {
  return pos > 0 && IsSpace(text[pos - 1]) && StartsWithAt(text, pos, word) &&
         pos + word.size() < text.size() && IsSpace(text[pos + word.size()]);
}

// The text without the white space on either side of each "^", as the
// operator spacing leaves it: "2\n\t^\n\tn" -> "2^n".
void TightenCarets(std::string_view text, std::string& out) {
  for (size_t i = 0; i < text.size();) {
    const size_t caret = text.find('^', i);
    if (caret == std::string_view::npos) {
      out.append(text, i);
      return;
    }
    size_t before = caret;
    while (before > i && IsSpace(text[before - 1])) --before;
    out.append(text, i, before - i);
    out.push_back('^');
    i = SkipSpaces(text, caret + 1);
  }
}

// Whether every part of the matched head (its odd groups) comes back as one
// line on the next run.
bool PartsComeBackWhole(const SequenceMatcher& matcher, int last_group) {
  char before = '\0';
  for (int group = 1; group <= last_group; group += 2) {
    const std::string_view part = matcher.Group(group);
    if (HoldsSplittingOperator(part, before)) return false;
    before = part.empty() ? '\0' : part.back();
  }
  return true;
}

// Whether `head`, a head from its opening white space to the white space
// after "do", matches `pattern` whole and every part comes back as one line.
bool HeadJoins(SequenceMatcher& matcher, std::string_view head, int last_group) {
  if (!matcher.MatchAt(head, 0) || matcher.End() != head.size()) return false;
  return PartsComeBackWhole(matcher, last_group);
}

// One global replacement of a loop-head pattern by its odd groups joined with
// single spaces. A head is only joined when the output keeps it joined: when
// each part comes back as one line on the next run (HoldsSplittingOperator).
// A head such as "for i = 1, n/2 do" used to be joined while "n/2" was one piece;
// formatted again, "n / 2" was three, the head stayed broken, and the second
// run undid the first. Left broken now, it gets the second run's shape at once.
//
// The other way round, "2 ^ n" in a head stands on three lines here, and the
// operator spacing later writes "2^n", which the next run joins as one part.
// A head that does not match as it stands is therefore tried once more with
// the white space around its "^" taken out, and joined so if it matches then.
void JoinHeads(CodeState& state, std::span<const SequenceElement> pattern, std::string_view opening,
               int last_group) {
  std::string& text = state.text;
  SequenceMatcher matcher(pattern);
  std::string& out = state.Scratch(text.size());
  size_t i = 0;
  auto parts_keep_their_lines = [&] { return PartsComeBackWhole(matcher, last_group); };
  // For the second try: the next "^" and the next "do" as cursors that only
  // move forward, and the end of the last head tried, so that no stretch of
  // the text is tried twice.
  SequenceMatcher tight_matcher(pattern);
  std::string tight;
  size_t caret = text.find('^');
  size_t next_do = 0;
  size_t tried_until = 0;
  auto tightened_head_end = [&](size_t start, size_t word) -> size_t {
    if (word < tried_until || caret == std::string::npos) return 0;
    if (caret < word) caret = text.find('^', word);
    if (caret == std::string::npos) return 0;
    if (next_do != std::string::npos && next_do < word) {
      next_do = word;
      while ((next_do = text.find("do", next_do + 1)) != std::string::npos &&
             !SpacedWordAt(text, next_do, "do")) {
      }
    }
    tried_until = next_do == std::string::npos ? text.size() : next_do;
    if (next_do == std::string::npos || caret > next_do) return 0;
    const size_t end = next_do + 3;  // "do" and the white space after it
    tight.clear();
    TightenCarets(std::string_view(text).substr(start, end - start), tight);
    return HeadJoins(tight_matcher, tight, last_group) ? end : 0;
  };
  for (size_t word; (word = text.find(opening, i + 1)) != std::string::npos;) {
    const size_t start = word - 1;
    if (!IsSpace(text[start])) {
      out.append(text, i, word - i);
      i = word;
      continue;
    }
    if (matcher.MatchAt(text, start) && parts_keep_their_lines()) {
      out.append(text, i, start - i);
      for (int group = 1; group <= last_group; group += 2) {
        if (group > 1) out.push_back(' ');
        out.append(matcher.Group(group));
      }
      i = matcher.End();
      if (i >= text.size()) break;
      continue;
    }
    if (const size_t end = tightened_head_end(start, word); end != 0) {
      out.append(text, i, start - i);
      for (int group = 1; group <= last_group; group += 2) {
        if (group > 1) out.push_back(' ');
        out.append(tight_matcher.Group(group));
      }
      i = end;
      if (i >= text.size()) break;
      continue;
    }
    out.append(text, i, word - i);
    i = word;
  }
  if (i < text.size()) out.append(text, i);
  state.CommitScratch();
}

}  // namespace

// Loop heads whose parts stand on consecutive lines go back on one line:
// "\tfor i=1,\n\tn\n\tdo\n" -> "\tfor i=1, n do\n".
void JoinLoopHeads(PassContext& context) {
  CodeState& state = context.state;
  JoinHeads(state, kForTwoParts, "for", 5);
  JoinHeads(state, kForThreeParts, "for", 7);
  JoinHeads(state, kForIn, "for", 9);
  JoinHeads(state, kWhile, "while", 5);
}

namespace {

// The next run breaks a line at every space the operator spacing put around
// an operator, and joins back only what JoinKeysWithValues joins: a name,
// number or token before "=" or "==", and after "=", "==", "~=", "<=" or
// ">=" a name, number, token, sign or point. An exponent's sign gets no
// spaces ("1e-5"). So "x=a..b" comes back as "x=a", "..", "b"; "x=-y" as
// "x=-", "y"; "x=#t" as "x=", "#t"; "x==y" whole.
//
// The end of the piece that starts at `start`, or kNone when it runs to the
// line end. With `at_operator`, an operator at `start` begins the piece;
// otherwise the line breaks before it (a piece of length 0).
size_t NextRunPieceEnd(std::string_view line, size_t start, bool at_operator) {
  static constexpr ByteSet kOperatorStarts = ByteSet::Of([](char c) {
    return c == '~' || c == '<' || c == '>' || c == '=' || c == '+' || c == '-' || c == '*' ||
           c == '/' || c == '.';
  });
  auto joins_to_key = [&](size_t pos) { return line[pos] == '@' || IsWord(line[pos]); };
  // The tightening of "^" takes the space before it out again: "x=^y" comes
  // back as "x =^y".
  auto joins_to_value = [&](size_t pos) {
    return joins_to_key(pos) || line[pos] == '-' || line[pos] == '+' || line[pos] == '.' ||
           line[pos] == '^';
  };
  for (size_t pos = FindInSet(line, start, kOperatorStarts); pos < line.size();
       pos = FindInSet(line, pos, kOperatorStarts)) {
    const size_t length = SpacedOperatorLength(line, pos);
    if (length == 0 || (length == 1 && IsExponentSignAt(line, pos))) {
      pos += length == 0 ? 1 : length;
      continue;
    }
    const bool joined_before = (at_operator && pos == start) ||
                               (pos > 0 && ((line[pos] == '=' && joins_to_key(pos - 1)) ||
                                            (line[pos - 1] == '=' && joins_to_value(pos))));
    if (!joined_before) return pos;
    const size_t after = pos + length;
    if (after == line.size()) break;  // the line end is no space
    const bool joined_after = line[after - 1] == '=' && joins_to_value(after);
    if (!joined_after) return after;
    pos = after;
  }
  return kNone;
}

// Whether a piece of the next run comes back as one line: the keywords that
// JoinKeywords joins to what follows them, each with one space, then no
// white space ("local x=", not "[ not x=").
bool PieceComesBackWhole(std::string_view piece) {
  for (bool again = true; again;) {
    again = false;
    for (std::string_view keyword : kHeadKeywords) {
      if (piece.size() > keyword.size() && piece.starts_with(keyword) &&
          piece[keyword.size()] == ' ') {
        piece.remove_prefix(keyword.size() + 1);
        again = true;
      }
    }
  }
  for (const char c : piece) {
    if (IsSpace(c)) return false;
  }
  return true;
}

}  // namespace

size_t NextRunFirstPieceLength(std::string_view line) {
  return NextRunPieceEnd(line, 0, /*at_operator=*/false);
}

bool NextRunKeepsLineWhole(std::string_view line) {
  return NextRunFirstPieceLength(line) == kNone && PieceComesBackWhole(line);
}

bool NextRunEndsALineAfterEquals(std::string_view line, bool first_piece_only) {
  size_t start = 0;
  for (size_t end = NextRunFirstPieceLength(line); end != kNone;
       start = end, end = NextRunPieceEnd(line, start, /*at_operator=*/true)) {
    // Before a "," the next run takes the space out again ("x = ,"), and the
    // "=" stays glued to it.
    if (end > start && line[end - 1] == '=' && line[end] != ',' &&
        PieceComesBackWhole(line.substr(start, end - start))) {
      return true;
    }
    if (first_piece_only) break;
  }
  return false;
}

}  // namespace kelvane
