// The clean-up stage, each pass one forward scan over the restored text.

#include "engine/passes/clean_up.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/char_class.h"
#include "engine/lua_lexer.h"
#include "engine/lua_nesting.h"
#include "engine/passes/text_rewriter.h"
#include "engine/scan.h"

namespace kelvane {
namespace {

size_t SkipDigits(std::string_view text, size_t pos) {
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos;
}

bool IsNonWordAt(std::string_view text, size_t pos) {
  return pos < text.size() && !IsWord(text[pos]);
}

// The constructs open in the code (outside comments and strings) at a place
// of the text, for one scan of increasing places.
class CodeNesting {
 public:
  explicit CodeNesting(std::string_view text) : text_(text) {}

  // Mend M29: a ";" before a line end goes unless it separates fields of a table
  // constructor ("{e;\nd}": Lua 4 needs it between the list and the record
  // part, so it is not turned into ",") or keeps a line that starts with "("
  // from continuing a call. One after the last field stays too: dropped, it
  // would leave the field without a separator, and the next run would add a
  // comma. One that ends a statement in a function inside a table goes, as
  // the rule has it. Inside a comment it goes, as the rule has it too.
  bool MayDropSemicolon(size_t semicolon) {
    if (!AdvanceTo(semicolon)) {
      return literal_.kind == LiteralKind::kLineComment ||
             literal_.kind == LiteralKind::kBlockComment;
    }
    if (NextCodeByte(semicolon + 1) == '(') return false;
    return !nesting_.InTable();
  }

  // Whether `pos`, before the last place asked about, lies in the last
  // comment or string met on the way there.
  bool InLiteral(size_t pos) const { return literal_.begin <= pos && pos < literal_.end; }

 private:
  // The first byte of code from `pos` on, past white space and comments
  // ("f(); -- note\n(g)()" starts its next line with "("), or '\0'.
  char NextCodeByte(size_t pos) {
    while (true) {
      pos = text_.find_first_not_of(" \t\n", pos);
      if (pos == std::string_view::npos) return '\0';
      if (text_[pos] != '-' || pos + 1 >= text_.size() || text_[pos + 1] != '-') return text_[pos];
      pos = LiteralAt(text_, pos, /*comments=*/true, &memo_).end;
    }
  }

  // Takes in the code up to `pos`; false when `pos` lies inside a comment or
  // string, which is then `literal_`.
  bool AdvanceTo(size_t pos) {
    // Brackets, what may start a comment or string, and the first letters of
    // the block keywords.
    static constexpr ByteSet kMarks = ByteSet::Of([](char c) {
      return c == '{' || c == '(' || c == '[' || c == '}' || c == ')' || c == ']' || c == '-' ||
             c == '"' || c == '\'' || c == 'f' || c == 'i' || c == 'd' || c == 'r' || c == 'e' ||
             c == 'u';
    });
    if (literal_.end > pos && literal_.begin <= pos) return false;
    while (scanned_ < pos) {
      // Bounded by `pos`: a text without marks is not searched to its end again
      // for every question.
      const size_t i = FindInSet(text_.substr(0, pos), scanned_, kMarks);
      if (i >= pos) {
        scanned_ = pos;
        break;
      }
      const char c = text_[i];
      if (IsWord(c)) {
        size_t end = i + 1;
        while (end < pos && IsWord(text_[end])) ++end;
        if (i == 0 || !IsWord(text_[i - 1])) nesting_.Word(text_.substr(i, end - i));
        scanned_ = end;
        continue;
      }
      if (c == '-' || c == '"' || c == '\'' || c == '[') {
        const LiteralSpan span = LiteralAt(text_, i, /*comments=*/true, &memo_);
        if (span.end != 0) {
          literal_ = span;
          if (span.end > pos) return false;
          scanned_ = span.end;
          continue;
        }
      }
      if (c == '{' || c == '(' || c == '[') {
        nesting_.Open(c);
      } else if (c != '-') {
        nesting_.Close();
      }
      scanned_ = i + 1;
    }
    return true;
  }

  std::string_view text_;
  size_t scanned_ = 0;
  LiteralSpan literal_;  // the last comment or string met
  LongBracketMemo memo_;
  Nesting nesting_;
};

}  // namespace

// Each pass below visits only the places where its pattern can match (a
// point, a semicolon before a line end, an exponent letter, a line end) and
// copies the text between them in one go. A candidate whose match would begin
// inside the previous match is skipped, as a global replacement skips it.
//
// Mend M25: the clean-up reaches into comments but never into string literals: a
// version "3.0.1", a format "%.2f" or the lines of a long string mean what
// they say. Each pass finds the strings of its text (StringLiterals) and
// leaves the places inside them alone.

// "^\t" -> "": one TAB less at the start of every line. Mend M26: the lines
// inside a block comment (after its first) lose all their leading TABs: the
// comment comes back as it was on every run, so one TAB a run would take the
// next TAB on the next run, until none is left. Lines inside strings keep
// theirs.
void OutdentEveryLine(PassContext& context) {
  CodeState& state = context.state;
  std::string& text = state.text;
  // The strings, as the pass before handed them on or from one scan, and the
  // block comments over several lines: only they hold line starts. The text
  // is scanned for comments only when it has a "--[".
  std::vector<TextRange> strings;
  const bool strings_known = state.string_literals.has_value();
  if (strings_known) strings = std::move(*state.string_literals);
  state.string_literals.reset();
  std::vector<TextRange> comments;
  if (!strings_known || text.find("--[") != std::string::npos) {
    ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) {
      if (span.kind == LiteralKind::kQuotedString || span.kind == LiteralKind::kLongString) {
        if (!strings_known) strings.push_back({span.begin, span.end});
      } else if (span.kind == LiteralKind::kBlockComment &&
                 std::memchr(text.data() + span.begin, '\n', span.end - span.begin) != nullptr) {
        comments.push_back({span.begin, span.end});
      }
    });
  }
  // In place: the text only shrinks. The strings move by the TABs taken
  // before them, which the pass after is handed.
  char* const data = text.data();
  const size_t size = text.size();
  std::vector<TextRange> moved;
  moved.reserve(strings.size());
  size_t kept = 0;
  size_t copied = 0;  // the text before this is in place
  size_t next_string = 0;
  size_t next_comment = 0;
  const auto move_strings_before = [&](size_t pos) {
    const size_t taken = copied - kept;
    for (; next_string < strings.size() && strings[next_string].end <= pos; ++next_string) {
      moved.push_back({strings[next_string].begin - taken, strings[next_string].end - taken});
    }
  };
  for (size_t line = 0; line < size;) {
    move_strings_before(line);
    while (next_comment < comments.size() && comments[next_comment].end <= line) ++next_comment;
    size_t tabs_end = line;
    if (next_comment < comments.size() && comments[next_comment].begin <= line) {
      while (tabs_end < size && data[tabs_end] == '\t') ++tabs_end;
    } else if (data[line] == '\t' &&
               (next_string == strings.size() || strings[next_string].begin > line)) {
      tabs_end = line + 1;
    }
    if (tabs_end > line) {
      std::memmove(data + kept, data + copied, line - copied);
      kept += line - copied;
      copied = tabs_end;
    }
    const void* lf = std::memchr(data + tabs_end, '\n', size - tabs_end);
    line = lf == nullptr ? size : static_cast<size_t>(static_cast<const char*>(lf) - data) + 1;
  }
  move_strings_before(size);
  std::memmove(data + kept, data + copied, size - copied);
  text.resize(kept + size - copied);
  state.string_literals = std::move(moved);
}

namespace {

// "(\d)(\.0+)([^\w])" -> "$1$3", run until nothing changes (Mend M27). Run once as
// written, each match takes the character after the zeros along, so that
// "1.0.0\n" only loses its first ".0" and every later run one more
// ("127.0.0.1" -> "127.0.1" -> "127.1"). Here that character stays to be
// looked at again: what stands before each point is then still a digit (the
// one before the zeros taken), so one scan takes the whole chain, and where
// the rule's single run is already final the result is the same.
//
// Mend M28: in a file that shows Lua 5.3 or later, where "2" is an
// integer and "2.0" a float, only comments lose their zero fractions
// (`comments_only` lists them); in the code the point keeps a float a float.
void RemoveZeroDecimalsIn(TextRewriter& rewriter, const std::vector<TextRange>* comments_only) {
  const std::string_view text = rewriter.text();
  size_t comment = 0;  // the first comment that does not end before the point
  for (size_t point = text.find('.'); point != std::string_view::npos;
       point = text.find('.', point + 1)) {
    if (point == 0 || !IsDigit(text[point - 1])) continue;
    size_t end = point + 1;
    while (end < text.size() && text[end] == '0') ++end;
    if (end == point + 1 || !IsNonWordAt(text, end)) continue;
    if (comments_only != nullptr) {
      while (comment < comments_only->size() && (*comments_only)[comment].end <= point) ++comment;
      if (comment == comments_only->size() || (*comments_only)[comment].begin > point) continue;
    }
    if (rewriter.InString(point)) continue;
    rewriter.Replace(point, end);
  }
}

// The comments of a text, in text order.
std::vector<TextRange> CommentsOf(std::string_view text) {
  std::vector<TextRange> comments;
  ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) {
    if (span.kind == LiteralKind::kLineComment || span.kind == LiteralKind::kBlockComment) {
      comments.push_back({span.begin, span.end});
    }
  });
  return comments;
}

// "(\d\.\d*[123456789]+)(0+)([^\w])" -> "$1$3", run until nothing changes,
// in one scan as above: a chain ("1.10.20\n") loses all its trailing zeros.
void RemoveTrailingDecimalZerosIn(TextRewriter& rewriter) {
  const std::string_view text = rewriter.text();
  for (size_t point = text.find('.'); point != std::string_view::npos;
       point = text.find('.', point + 1)) {
    if (point == 0 || !IsDigit(text[point - 1])) continue;
    const size_t fraction = point + 1;
    const size_t end = SkipDigits(text, fraction);
    if (!IsNonWordAt(text, end)) continue;
    size_t kept = end;
    while (kept > fraction && text[kept - 1] == '0') --kept;
    if (kept == end || kept == fraction) continue;
    if (rewriter.InString(point)) continue;
    rewriter.Replace(kept, end);
  }
}

// "([^\w])(\.\d)" -> "$10$2", once, as written; then the two passes above
// tidy what it completed.
//
// Mend M27: a run of points before the digit ("...5" in a comment)
// loses one point per run of the whole pipeline, as the zero each run puts
// in comes out again with one point ("..0.5" -> ".0.0.5" -> ".0.5"), until
// the run is one point after a character that is no letter, digit or
// underscore ("x 0.5"), or two after one that is ("a.0.5"; after a digit the
// zero goes too, "1.5"). Such a run shrinks to that length here at once.
//
// Returns whether a number it completed may give the two passes before
// something to tidy: a run of points shrunk, a fraction that ends in "0", or
// one followed by another point. Any other completed number ("x 0.5") holds
// nothing they would take, and the rest of the text has been through them.
bool AddMissingDecimalZerosIn(TextRewriter& rewriter) {
  const std::string_view text = rewriter.text();
  bool may_tidy = false;
  for (size_t point = text.find('.'); point != std::string_view::npos;
       point = text.find('.', point + 1)) {
    if (point == 0 || point - 1 < rewriter.copied() || IsWord(text[point - 1])) continue;
    if (point + 1 >= text.size() || !IsDigit(text[point + 1])) continue;
    if (rewriter.InString(point)) continue;
    size_t run = point;
    while (run > rewriter.copied() && text[run - 1] == '.') --run;
    if (run < point && run > 0 && IsWord(text[run - 1])) {
      rewriter.Replace(run, point - 1);  // "a...5" -> "a..5", which gives "a.0.5"
    } else {
      rewriter.Replace(run, point);  // "x ...5" -> "x .5", which gives "x 0.5"
    }
    const size_t fraction_end = SkipDigits(text, point + 1);
    may_tidy = may_tidy || run < point || text[fraction_end - 1] == '0' ||
               (fraction_end < text.size() && text[fraction_end] == '.');
    rewriter.Replace(point, point, '0');
    rewriter.CopyTo(point + 2);
  }
  return may_tidy;
}

template <typename Scan>
bool Rewrite(CodeState& state, Scan scan) {
  TextRewriter rewriter(state, state.text.size() + state.text.size() / 32);
  scan(rewriter);
  return rewriter.Commit();
}

}  // namespace

// "(\d)(\.0+)([^\w])" -> "$1$3", until nothing changes: a point and the zeros
// after it go when a digit stands before them and a character that is not a
// letter, digit or underscore after them: "x = 1.0\n" -> "x = 1\n",
// "1.0.0\n" -> "1\n".
void RemoveZeroDecimals(PassContext& context) {
  CodeState& state = context.state;
  if (!state.integer_numerals) {
    Rewrite(state, [](TextRewriter& rewriter) { RemoveZeroDecimalsIn(rewriter, nullptr); });
    return;
  }
  const std::vector<TextRange> comments = CommentsOf(state.text);
  Rewrite(state, [&](TextRewriter& rewriter) { RemoveZeroDecimalsIn(rewriter, &comments); });
}

// "(\d\.\d*[123456789]+)(0+)([^\w])" -> "$1$3", until nothing changes:
// "0.50," -> "0.5,".
void RemoveTrailingDecimalZeros(PassContext& context) {
  Rewrite(context.state, RemoveTrailingDecimalZerosIn);
}

// "([^\w])(\.\d)" -> "$10$2", which is group 1, a "0", then group 2 (there
// is no group 10): "x = .5\n" -> "x = 0.5\n". Mend M27: where that makes a number the
// two passes before would tidy, they run again, since the next run would
// tidy it: ".0 " gives "0 " rather than "0.0 ", ".50," gives "0.5," rather
// than "0.50,", and "1..9" (in a comment) "1.9" rather than "1.0.9". Both
// only find numbers that a "0" just completed: the text had been through
// them already.
void AddMissingDecimalZeros(PassContext& context) {
  bool may_tidy = false;
  Rewrite(context.state,
          [&](TextRewriter& rewriter) { may_tidy = AddMissingDecimalZerosIn(rewriter); });
  if (!may_tidy) return;
  RemoveZeroDecimals(context);
  RemoveTrailingDecimalZeros(context);
}

// "([^,\s])(\s*)(\;)(\n)" -> "$1$2$4": "print(x);\n" -> "print(x)\n". Of two
// semicolons at a line end only the last goes: the first is the character
// before it.
void RemoveLineEndSemicolons(PassContext& context) {
  TextRewriter rewriter(context.state, context.state.text.size());
  const std::string_view text = rewriter.text();
  CodeNesting nesting(text);
  for (size_t semicolon = text.find(";\n"); semicolon != std::string_view::npos;
       semicolon = text.find(";\n", semicolon + 1)) {
    size_t start = semicolon;
    while (start > rewriter.copied() && IsSpace(text[start - 1])) --start;
    if (start == rewriter.copied() || text[start - 1] == ',') continue;
    if (!nesting.MayDropSemicolon(semicolon)) {
      // Mend M29: a ";" that stays and stands alone on its line joins
      // the line before ("\t}\n\t;\n" -> "\t};\n"), where it ends the field,
      // unless that line ends in a comment, which would take it in, or opens
      // the table. Empty lines between them follow it: the layout put them
      // after the line.
      const size_t line = text.rfind('\n', semicolon);
      if (line != std::string_view::npos && line >= start && text[start - 1] != '{' &&
          !nesting.InLiteral(start - 1)) {
        // At least one: the LF at `line`.
        const size_t line_ends =
            static_cast<size_t>(std::count(text.begin() + static_cast<ptrdiff_t>(start),
                                           text.begin() + static_cast<ptrdiff_t>(semicolon), '\n'));
        std::string joined = ";";
        joined.append(line_ends - 1, '\n');
        rewriter.Replace(start, semicolon + 1, joined);
      }
      continue;
    }
    // Mend M30: a ";" alone on its line ("}\n\t;" after a table) would leave a line of
    // TABs, or an empty line after a line of code, which the next run takes
    // away: the line goes now. After an empty line it leaves another, which
    // the collapsing of blank lines takes anyway.
    const size_t line = text.rfind('\n', semicolon);
    if (line != std::string_view::npos && line >= start &&
        (line + 1 < semicolon || text.find('\n', start) == line)) {
      rewriter.Replace(line + 1, semicolon + 2);
      continue;
    }
    // The match takes the line end along: the next one cannot start on it.
    rewriter.Replace(semicolon, semicolon + 2, '\n');
  }
  rewriter.Commit();
}

// "([^\w]\d+)(e|E)(\s+)(\-|\+)(\s+)(\d+)" -> "$1$2$4$6": "x = 1e - 5" -> "x = 1e-5".
// Mend M31: a hexadecimal numeral's binary exponent gets its sign back
// too ("0x1p - 4" -> "0x1p-4"), which Lua 5.2 and later read as one numeral.
void CloseExponentSigns(PassContext& context) {
  // The scan goes from sign to sign, which are rarer than the letters: each
  // match has exactly one, the first byte after the spaces that follow its
  // letter.
  static constexpr ByteSet kSigns = ByteSet::Of([](char c) { return c == '+' || c == '-'; });
  TextRewriter rewriter(context.state, context.state.text.size());
  const std::string_view text = rewriter.text();
  for (size_t sign = FindInSet(text, 0, kSigns); sign < text.size();
       sign = FindInSet(text, sign + 1, kSigns)) {
    size_t spaces = sign;
    while (spaces > rewriter.copied() && IsSpace(text[spaces - 1])) --spaces;
    if (spaces == sign || spaces <= rewriter.copied()) continue;
    const size_t letter = spaces - 1;
    const char mark = text[letter];
    if (mark == 'p' || mark == 'P') {
      if (!IsHexExponentMarkAt(text, letter)) continue;
    } else if (mark == 'e' || mark == 'E') {
      size_t digits = letter;
      while (digits > rewriter.copied() && IsDigit(text[digits - 1])) --digits;
      if (digits == letter || digits == rewriter.copied() || IsWord(text[digits - 1])) continue;
    } else {
      continue;
    }
    const size_t exponent = SkipSpaces(text, sign + 1);
    if (exponent == sign + 1 || exponent >= text.size() || !IsDigit(text[exponent])) continue;
    if (rewriter.InString(letter)) continue;
    const size_t end = SkipDigits(text, exponent);
    rewriter.Replace(letter + 1, exponent, text[sign]);
    rewriter.CopyTo(end);
    sign = end - 1;
  }
  rewriter.Commit();
}

// "\n\n\n" -> "\n\n", repeated: every run of three or more LFs becomes two.
void CollapseBlankLines(PassContext& context) {
  TextRewriter rewriter(context.state, context.state.text.size());
  const std::string_view text = rewriter.text();
  size_t from = 0;
  for (size_t lf = text.find("\n\n\n"); lf != std::string_view::npos;
       lf = text.find("\n\n\n", from)) {
    from = lf + 1;
    if (rewriter.InString(lf)) continue;
    size_t end = lf + 2;
    while (end < text.size() && text[end] == '\n') ++end;
    rewriter.Replace(lf + 2, end);
    from = end;
  }
  rewriter.Commit();
}

// The two passes below change the text in place, so the places of its
// strings no longer hold.
void RemoveLeadingBlankLines(PassContext& context) {
  std::string& text = context.state.text;
  text.erase(0, text.find_first_not_of('\n'));
  context.state.string_literals.reset();
}

void AddFinalLineEnd(PassContext& context) {
  std::string& text = context.state.text;
  if (text.empty() || text.back() != '\n') text.push_back('\n');
  context.state.string_literals.reset();
}

// "\n" -> "\r\n". Mend M32: outside string literals; a long string keeps the line ends
// it had (Lua 4.0 would keep a CR put into it).
void UseCrLfLineEnds(PassContext& context) {
  TextRewriter rewriter(context.state, context.state.text.size() + context.state.text.size() / 16);
  const std::string_view text = rewriter.text();
  for (size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', lf + 1)) {
    if (rewriter.InString(lf)) continue;
    rewriter.Replace(lf, lf + 1, "\r\n");
  }
  rewriter.Commit();
}

}  // namespace kelvane
