// The joining passes, each one forward scan that gives what its replacement
// rule gives when run over the whole text; the comment above each states the
// rule and an example.

#include "engine/passes/joining.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/char_class.h"
#include "engine/lua_lexer.h"
#include "engine/passes/masked_nesting.h"
#include "engine/passes/operator_spacing.h"
#include "engine/passes/stored_groups.h"
#include "engine/scan.h"
#include "engine/tokens.h"

namespace kelvane {

// Keys and values: "(\@|\w)(\s+)(=)" -> "$1$3", then "(=)(\s+)(@|\w|\-|\+|\.)"
// -> "$1$3": "\tb\n\t=\n\t1," -> "\tb=1,".
namespace {

// Whether the text before `end` ends in a function's head: "function", its
// name, then its parameter list, a token. What follows starts the body.
bool EndsFunctionHead(std::string_view text, size_t end) {
  uint64_t number = 0;
  size_t start = TokenStartBefore(text, end, kArgumentKind, number);
  if (start == kNone) return false;
  auto skip_spaces_back = [&] {
    while (start > 0 && IsSpace(text[start - 1])) --start;
  };
  auto function_ends_here = [&] {
    return start >= 8 && text.compare(start - 8, 8, "function") == 0 &&
           (start == 8 || !IsWord(text[start - 9]));
  };
  skip_spaces_back();
  if (function_ends_here()) return true;
  // The name: "a", "a.b", "o:m".
  const size_t name_end = start;
  while (start > 0 &&
         (IsWord(text[start - 1]) || text[start - 1] == '.' || text[start - 1] == ':')) {
    --start;
  }
  if (start == name_end) return false;
  skip_spaces_back();
  return function_ends_here();
}

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
// word character, as "(\w|\_)(\s*)(@a\d*a@)" has it, but (Mend M10) not the
// operators "and" and "or" across white space ("a and (b)" stays, as the next
// run splits "a and(b)"), nor "then" ("then (f)()" stays two lines, as the
// next run takes "then(f)()" from the condition's line); and (Mend M09) the
// end of an argument list, index, string or empty table, or a "}" or ")". An
// argument list on a line of its own after those is a call that Lua 5.1
// reads as ambiguous: "f\"x\" (y)" stays "f\"x\"(y)", and "f{} (y)" "f{}(y)".
bool CallMayJoin(std::string_view text, size_t end, bool across_space) {
  const char c = text[end - 1];
  if (IsWord(c)) {
    // Mend M42: nor "end", "else", "do" or "repeat", after which "(" starts
    // a statement of its own ("end\n(f or g)(x)").
    return !(across_space && (WordEndsAt(text, end, "and") || WordEndsAt(text, end, "or") ||
                              WordEndsAt(text, end, "then") || WordEndsAt(text, end, "end") ||
                              WordEndsAt(text, end, "else") || WordEndsAt(text, end, "do") ||
                              WordEndsAt(text, end, "repeat")));
  }
  if (c == '}' || c == ')') return true;
  if (c != '@' || end < 4) return false;
  // Mend M42: a function's parameter list is no callee: "function f(x)
  // (g)()" starts the body with "(g)()".
  if (EndsFunctionHead(text, end)) return false;
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

bool StartsWithCommentToken(std::string_view line) {
  return ReadTokenShape(line, 0, kCommentKind, /*allow_no_digits=*/true).length != 0;
}

bool EndsWithCommentToken(std::string_view line) {
  uint64_t number = 0;
  return TokenStartBefore(line, line.size(), kCommentKind, number) != kNone;
}

// Whether a "for" head starts the line ("for" alone, before JoinKeywords
// joins it to its first part): its parts are JoinLoopHeads' to join.
bool StartsLoopHead(std::string_view line) {
  return line.starts_with("for") && (line.size() == 3 || IsSpace(line[3]));
}

// Whether `line` (without TABs) ends in what may end a callee: a name that is
// no keyword, ")", "]", "}", or an argument list, index or string token.
bool EndsCallee(std::string_view line) {
  if (line.empty()) return false;
  const char c = line.back();
  if (c == ')' || c == ']' || c == '}') return true;
  if (c == '@') {
    uint64_t number = 0;
    for (const char kind : {kArgumentKind, kIndexKind, kStringKind}) {
      if (TokenStartBefore(line, line.size(), kind, number) != kNone) return true;
    }
    return false;
  }
  size_t word = line.size();
  while (word > 0 && IsWord(line[word - 1])) --word;
  if (word == line.size() || IsDigit(line[word])) return false;
  return !IsLuaKeyword(line.substr(word));
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

// Whether `line` (without TABs) is one of the binary operators that the
// operator spacing does not space: Lua 5.1's "%", Lua 5.3's "&", "|" and "~".
bool IsLoneUnspacedOperator(std::string_view line) {
  return line == "%" || line == "&" || line == "|" || line == "~";
}

// Whether `line` starts with a field or method access: "." or ":" before a
// name ("\t:format(y)").
bool StartsAccess(std::string_view line) {
  return line.size() > 1 && (line[0] == '.' || line[0] == ':') && line[1] != line[0] &&
         (IsWord(line[1]) && !IsDigit(line[1]));
}

// Whether `line` starts with a keyword that begins no expression: one that
// opens, continues or closes a block, or starts a statement ("then", "end",
// "local"). After an unclosed "(" such a line is no argument of a call, and
// joined to it the word would no longer open or close its block.
bool StartsStatementKeyword(std::string_view line) {
  size_t end = 0;
  while (end < line.size() && IsWord(line[end])) ++end;
  const std::string_view word = line.substr(0, end);
  return IsLuaKeyword(word) && word != "function" && word != "not" && word != "nil" &&
         word != "true" && word != "false";
}

// Whether `line` starts with a name: what a field or method access takes.
bool StartsName(std::string_view line) {
  return !line.empty() && IsWord(line[0]) && !IsDigit(line[0]);
}

bool EndsAccess(std::string_view line) {
  if (line.size() < 2 || (line.back() != ':' && line.back() != '.')) return false;
  const std::string_view before = line.substr(0, line.size() - 1);
  return EndsCallee(before) && !IsDigit(before.back());
}

}  // namespace

// Mend M38: a statement is not broken where the rule breaks every line at
// every space and joins back only some pieces. A line joins the one before
// it (with the separator in brackets):
//   - after a line that ends in "," outside a table constructor [" "]
//     ("local a,\n\tb=1,\n\t2" -> "local a, b=1, 2");
//   - after a line that ends in an opening "(" of the main text (a call
//     whose arguments hold a function body, Mend M37) unless it starts with
//     a block or statement word ("then", "end"), and when it starts with
//     its ")" [""], or with its "(" after what may end a callee but is no
//     function's head [""];
//   - when it starts with a string after what may end a callee [" "]
//     ("require\n\t@s0s@" -> "require @s0s@");
//   - when it starts with a field or method access after a callee, or
//     starts with a name after a line that ends in "." or ":" [""]
//     ("@a0a@:\n\tformat@a1a@");
//   - around a binary operator that the operator spacing leaves alone
//     ("%", "&", "|", "~") [" "].
// A loop head's lines are left to JoinLoopHeads, a "{" keeps its line, and a
// comment token is never joined to code.
void JoinBrokenStatements(CodeState& state) {
  const std::string_view text = state.text;
  std::string& out = state.Scratch(text.size());
  MaskedNesting nesting(text);
  bool in_loop_head = false;
  bool join_next = false;       // the line before was a lone operator
  size_t previous_content = 0;  // where the code of the last line of `out` starts
  ForEachLineWithItsEnd(text, [&](size_t tabs, std::string_view rest) {
    const std::string_view line = rest.ends_with('\n') ? rest.substr(0, rest.size() - 1) : rest;
    const size_t line_start = static_cast<size_t>(rest.data() - text.data()) - tabs;
    const bool after_lone_operator = join_next;
    join_next = false;
    // Most lines join nothing: only these first and last characters can.
    static constexpr ByteSet kMayJoinFirst = ByteSet::Of([](char c) {
      return c == ')' || c == '(' || c == '.' || c == ':' || c == '@' || c == '%' || c == '&' ||
             c == '|' || c == '~';
    });
    const bool may_join =
        after_lone_operator || (!line.empty() && kMayJoinFirst(line[0])) ||
        (out.size() >= 2 && (out[out.size() - 2] == ',' || out[out.size() - 2] == '(' ||
                             out[out.size() - 2] == '.' || out[out.size() - 2] == ':'));
    if (may_join && !out.empty() && out.back() == '\n' && !line.starts_with('{') &&
        !StartsWithCommentToken(line)) {
      const std::string_view previous(out.data() + previous_content,
                                      out.size() - 1 - previous_content);
      std::optional<std::string_view> separator;
      if (EndsWithCommentToken(previous)) {
        // A line comment would take the code in.
      } else if (after_lone_operator || IsLoneUnspacedOperator(line)) {
        separator = " ";
        join_next = IsLoneUnspacedOperator(line);
      } else if (previous.ends_with(',')) {
        if (!in_loop_head && !nesting.InTableAt(line_start - 2)) separator = " ";
      } else if ((previous.ends_with('(') && !StartsStatementKeyword(line)) ||
                 (line.starts_with(')') && !EndsWithHeadKeyword(previous)) ||
                 (EndsAccess(previous) && StartsName(line)) ||
                 (StartsAccess(line) && EndsCallee(previous)) ||
                 (line.starts_with('(') && EndsCallee(previous) &&
                  !EndsFunctionHead(previous, previous.size()))) {
        separator = "";
      } else if (ReadTokenShape(line, 0, kStringKind).length != 0 && EndsCallee(previous)) {
        separator = " ";
      }
      if (separator) {
        out.pop_back();
        out.append(*separator);
        out.append(line);
        if (rest.ends_with('\n')) out.push_back('\n');
        return;
      }
    }
    if (!line.empty()) {
      in_loop_head = StartsLoopHead(line) || (in_loop_head && !line.starts_with("do"));
    }
    previous_content = out.size() + tabs;
    out.append(text, line_start, tabs + rest.size());
  });
  state.CommitScratch();
}

void JoinKeysWithValues(PassContext& context) {
  std::string& text = context.state.text;
  std::string& out = context.state.Scratch(text.size());
  // A match is decided by its "=": the white space before it and the name
  // character before that, which must not lie in the previous match.
  // Both scans copy the text between their matches in one go.
  size_t i = 0;
  size_t copied = 0;
  for (size_t eq; (eq = text.find('=', i)) != std::string::npos; i = eq + 1) {
    size_t start = eq;
    while (start > i && IsSpace(text[start - 1])) --start;
    if (start < eq && start > i && (text[start - 1] == '@' || IsWord(text[start - 1]))) {
      out.append(text, copied, start - copied);
      out.push_back('=');
      copied = eq + 1;
    }
  }
  out.append(text, copied);
  context.state.CommitScratch();
  out.clear();
  copied = 0;
  for (i = 0; i < text.size();) {
    const size_t eq = text.find('=', i);
    if (eq == std::string::npos) break;
    const size_t end = SkipSpaces(text, eq + 1);
    if (end > eq + 1 && end < text.size()) {
      const char v = text[end];
      if (v == '@' || IsWord(v) || v == '-' || v == '+' || v == '.') {
        out.append(text, copied, eq - copied);
        out.push_back('=');
        out.push_back(v);
        i = copied = end + 1;
        continue;
      }
    }
    i = eq + 1;
  }
  out.append(text, copied);
  context.state.CommitScratch();
  JoinBrokenStatements(context.state);
}

namespace {

// "(\s)(function|while|for|if|elseif|local|global|until)(\s+)([^\{\s])"
// -> "$1$2 $4": "\tlocal\n\tx" -> "\tlocal x".
// Whether a whole keyword of kHeadKeywords, followed by white space, starts
// at `pos`.
bool StartsHeadKeyword(std::string_view text, size_t pos) {
  for (std::string_view keyword : kHeadKeywords) {
    const size_t end = pos + keyword.size();
    if (StartsWithAt(text, pos, keyword) && end < text.size() && IsSpace(text[end])) return true;
  }
  return false;
}

void JoinHeadKeywords(std::string_view text, std::string& out) {
  static constexpr ByteSet kHeadLetters = ByteSet::Of([](char c) {
    return c == 'f' || c == 'w' || c == 'i' || c == 'e' || c == 'l' || c == 'g' || c == 'u';
  });
  // A match starts at the white space before a keyword's first letter; a
  // match ends on a character that is not white space, so that white space
  // never belongs to the previous match.
  //
  // Mend M35: a match that ends on the first letter of another keyword of the
  // list ("local function f") goes on with that keyword, which has lost the
  // white space before it to the match: left alone, "local function" and
  // "f()" stay two lines, and the head opens no block.
  size_t chained = kNone;  // where a keyword joined to the one before starts
  for (size_t i = 0; i < text.size();) {
    const size_t letter = chained == i ? i : FindInSet(text, i + 1, kHeadLetters);
    if (letter >= text.size()) {
      out.append(text, i);
      break;
    }
    bool joined = false;
    if (letter == chained || IsSpace(text[letter - 1])) {
      for (std::string_view keyword : kHeadKeywords) {
        if (!StartsWithAt(text, letter, keyword)) continue;
        const size_t after = letter + keyword.size();
        const size_t next = SkipSpaces(text, after);
        if (next > after && next < text.size() && text[next] != '{') {
          out.append(text, i, letter - i);
          out.append(keyword);
          out.push_back(' ');
          if (StartsHeadKeyword(text, next)) {
            chained = next;
            i = next;
          } else {
            out.push_back(text[next]);
            i = next + 1;
          }
          joined = true;
        }
        break;  // no keyword of the list begins another one
      }
    }
    if (!joined) {
      if (letter == i) {  // a chained word that is no keyword after all
        out.push_back(text[i]);
        i = letter + 1;
        continue;
      }
      out.append(text, i, letter - i);
      i = letter;
    }
  }
}

// "([^\}\s])(\s+)(then)(\s)" -> "$1 $3$4": "\tb\n\tthen\n" -> "\tb then\n".
// Mend M43: comment tokens glued to "then" go along ("then--x"): Lua reads
// them as the white space that ends the word.
void JoinThen(std::string_view text, std::string& out) {
  // "then" decides the match: the white space before it and the character
  // before that, which must not lie in the previous match.
  size_t i = 0;
  for (size_t then; (then = text.find("then", i)) != std::string_view::npos;) {
    size_t start = then;
    while (start > i && IsSpace(text[start - 1])) --start;
    const size_t tail = SkipCommentTokens(text, then + 4);
    if (start < then && start > i && text[start - 1] != '}' && tail < text.size() &&
        IsSpace(text[tail])) {
      out.append(text, i, start - i);
      out.push_back(' ');
      out.append(text, then, tail + 1 - then);
      i = tail + 1;
    } else {
      out.append(text, i, then + 1 - i);
      i = then + 1;
    }
  }
  out.append(text, i);
}

// Whether what stands at `next`, on the line after a "not" that ends its line,
// comes up to it as its operand (Mend M41): not a table, which goes to lines
// of its own, nor a comment.
bool NotTakesOperandAt(std::string_view text, size_t next) {
  return next < text.size() && text[next] != '{' &&
         ReadTokenShape(text, next, kCommentKind, /*allow_no_digits=*/true).length == 0;
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
  RewriteWhitespaceRuns(text, out, [&](size_t i, size_t run_end, Splicer& splicer) {
    for (std::string_view keyword : kOperatorKeywords) {
      if (!StartsWithAt(text, run_end, keyword)) continue;
      // Mend M11: "not" after "^" joins its operand but not the "^": the
      // exponent's spaces go later ("t^not n"), and the next run, which sees
      // no white space before "not", joins only the operand (Mend M41).
      if (keyword == "not" && i > 0 && text[i - 1] == '^') {
        const size_t after = run_end + keyword.size();
        const size_t next = SkipSpaces(text, after);
        if (next == after || !NotTakesOperandAt(text, next)) break;
        splicer.Replace(after, next, " ");
        return next;
      }
      // Nor does "not" before an argument list ("return not (x)") join the
      // line before it: the list is glued to "not" later, and the next run,
      // with no white space after "not", leaves "not(x)" on a line of its own.
      // After a keyword that the next run joins to "not(x)" anyway
      // ("if not (x)"), it joins as the rule has it.
      if (keyword == "not" && NotBeforeArguments(text, run_end + keyword.size()) &&
          !EndsWithHeadKeyword(text.substr(0, i))) {
        break;
      }
      const size_t after = run_end + keyword.size();
      const size_t next = SkipSpaces(text, after);
      if (next > after) {
        std::string joined = " ";
        joined += keyword;
        joined += ' ';
        splicer.Replace(i, next, joined);
        return next;
      }
      if (SpacedOperatorLength(text, after) != 0 && text[after] != '=') {
        // Mend M11: an operator glued to the keyword ("a and-b") gets its
        // spaces later, and the next run joins the line "and - b" up to "a":
        // the keyword joins now. ("and=" is kept whole by the next run's
        // key/value join.)
        std::string joined = " ";
        joined += keyword;
        splicer.Replace(i, after, joined);
        return after;
      }
      break;
    }
    return run_end;
  });
}

// Mend M11: "not" right after an operator that the operator spacing stands on
// a line of its own ("+ - * / < > ..") takes its operand (a name, number or
// token) up too. The rule above needs white space before "not", which "1+not"
// only gets from the operator spacing, so the next run joins what this one
// leaves: "x = 1+not\n\ty" -> "x = 1+not y". After "=" or "^" the next run
// leaves "not" apart as well, so it stays apart here.
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

// Mend M41: "not" that still ends its line takes its operand up from the
// next line, where the white space before "not" went to an earlier match
// ("x=not\n\ty", "a and not\n\tx"): a statement split after "not".
void JoinNotAtLineEnds(std::string_view text, std::string& out) {
  size_t i = 0;
  for (size_t lf = text.find("not\n"); lf != std::string_view::npos;
       lf = text.find("not\n", lf + 1)) {
    const size_t word = lf;
    const size_t next = SkipSpaces(text, word + 3);
    const bool whole_word = word == 0 || !IsWord(text[word - 1]);
    if (!whole_word || !NotTakesOperandAt(text, next) ||
        (word > 0 && text[word - 1] == '\t' && (word < 2 || text[word - 2] == '\n'))) {
      continue;  // "not" alone on its line stays where the rule put it
    }
    out.append(text, i, word + 3 - i);
    out.push_back(' ');
    i = next;
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
  RewriteText(context.state, JoinNotAtLineEnds);
}

namespace {

// Where the callee of an argument list that starts at `at` ends, looking
// back from the white space before it: Mend M09, past closed block
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
  size_t copied = 0;  // the text between joins is copied in one go
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
      out.append(text, copied, start - copied);
      // The comments in between, if any, without the white space around them.
      for (size_t k = start; k < at; ++k) {
        if (!IsSpace(text[k])) out.push_back(text[k]);
      }
      out.append(text, at, token.length);
      i = at + token.length;
      copied = i;
    } else {
      i = at + 1;
    }
    search = i;
  }
  out.append(text, copied);
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
  // character before that, which must not lie in the previous match. The text
  // between matches is copied in one go.
  size_t i = 0;
  size_t copied = 0;
  for (size_t at; (at = text.find('@', i)) != std::string::npos;) {
    const TokenShape token = ReadTokenShape(text, at, kArgumentKind, /*allow_no_digits=*/true);
    bool done = false;
    if (token.length != 0) {
      for (std::string_view keyword : keywords) {
        if (at < i + keyword.size() + 1) continue;
        const size_t space = at - keyword.size() - 1;
        if (!IsSpace(text[space]) || text.compare(space + 1, keyword.size(), keyword) != 0)
          continue;
        out.append(text, copied, at - copied);
        out.append(between);
        if (repeat_space) out.push_back(text[space]);
        out.append(text, at, token.length);
        i = at + token.length;
        copied = i;
        done = true;
        break;
      }
    }
    if (!done) i = at + 1;
  }
  out.append(text, copied);
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

}  // namespace kelvane
