// Block indentation and table punctuation, each pass one forward scan.

#include "engine/passes/block_indentation.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/char_class.h"
#include "engine/lua_lexer.h"
#include "engine/lua_nesting.h"
#include "engine/passes/masked_nesting.h"
#include "engine/passes/next_run.h"
#include "engine/passes/operator_spacing.h"
#include "engine/scan.h"
#include "engine/tokens.h"

namespace kelvane {
namespace {

// Mend M20: ";" right after an opener ("do;", Lua 5.2's empty
// statement) is passed over, as the clean-up takes it away and the next run
// sees the opener alone.
size_t SkipSemicolons(std::string_view text, size_t pos) {
  while (pos < text.size() && text[pos] == ';') ++pos;
  return pos;
}

// An argument token at `pos` followed by white space: the position of that
// white-space character, or kNone. Comment tokens glued before it are passed
// over: only a closed block comment is glued there ("f--[[c]](x)").
size_t AfterArgumentToken(std::string_view text, size_t pos) {
  pos = SkipCommentTokens(text, pos);
  const TokenShape token = ReadTokenShape(text, pos, kArgumentKind, /*allow_no_digits=*/true);
  if (token.length == 0) return kNone;
  const size_t end = SkipSemicolons(text, pos + token.length);
  return end < text.size() && IsSpace(text[end]) ? end : kNone;
}

// The end of a function's name that starts at `pos`: Lua's "Name {'.' Name}
// [':' Name]". Mend M34: the rule takes a plain name only, so "function a.b()"
// and "function o:m()" opened no block while their "end" closed one, and
// every later line stood one level too far left.
size_t FunctionNameEnd(std::string_view text, size_t pos) {
  auto word_end = [&](size_t from) {
    while (from < text.size() && IsWord(text[from])) ++from;
    return from;
  };
  size_t end = word_end(pos);
  if (end == pos) return pos;
  while (end + 1 < text.size() && (text[end] == '.' || text[end] == ':') && IsWord(text[end + 1])) {
    const bool method = text[end] == ':';
    end = word_end(end + 1);
    if (method) break;
  }
  return end;
}

// The rest of a "function" opener after the keyword, which ends at `after`:
// "\s(\w|_)+@a\d*a@\s" or "\s*@a\d*a@\s". The position of its last character,
// or kNone.
size_t FunctionOpenerEnd(std::string_view text, size_t after, bool name_may_follow_line_end) {
  if (after < text.size() && IsSpace(text[after]) &&
      (text[after] != '\n' || name_may_follow_line_end)) {
    const size_t name_end = FunctionNameEnd(text, after + 1);
    if (name_end > after + 1) {
      const size_t end = AfterArgumentToken(text, name_end);
      if (end != kNone) return end;
    }
  }
  return AfterArgumentToken(text, SkipSpaces(text, after));
}

// A block opener "(\s|\=)(do|then|repeat|function\s(\w|_)+@a\d*a@|function\s*@a\d*a@)(\s)"
// starting at `pos`: the position of its last character, or kNone. A name on
// the line after "function" only counts while the text is not yet indented:
// once a TAB stands at the start of that line, the name no longer follows the
// single white-space character.
//
// Mend M18: "function" right after an operator that the spacing will
// part from it ("a/function(s)") opens a block too, as it does on the next
// run, where a space stands between them. Mend M39: so does "function" right
// after the "(" of a call that the masking left in the text (Mend M37):
// "f(function() ... end)"; and after "^", whose spaces the exponent
// tightening took away on the run before ("x^function() ... end").
size_t OpenerEndAt(std::string_view text, size_t pos, bool name_may_follow_line_end) {
  const char c = text[pos];
  const size_t word = pos + 1;
  // Mend M43: "do" and "then" glued to the end of a string, call or index
  // ("x == \"*\"then") open their block too, and an opener or closer glued to
  // a comment ("then--[[ ]]") is one: Lua reads both as if white space stood
  // there, and the next run keeps them glued.
  const bool ends_expression = c == '@' || c == ')' || c == ']';
  if (!IsSpace(c) && c != '=' && !ends_expression) {
    return (IsSpacedOperatorEnd(text, pos) || c == '(' || c == '^') &&
                   StartsWithAt(text, word, "function")
               ? FunctionOpenerEnd(text, word + 8, name_may_follow_line_end)
               : kNone;
  }
  for (std::string_view keyword :
       {std::string_view("do"), std::string_view("then"), std::string_view("repeat")}) {
    if (StartsWithAt(text, word, keyword) && (!ends_expression || keyword != "repeat")) {
      const size_t end = SkipCommentTokens(text, SkipSemicolons(text, word + keyword.size()));
      if (end < text.size() && IsSpace(text[end])) return end;
    }
  }
  if (ends_expression) return kNone;
  if (!StartsWithAt(text, word, "function")) return kNone;
  return FunctionOpenerEnd(text, word + 8, name_may_follow_line_end);
}

size_t FindOpenerEnd(std::string_view text, size_t from, bool first_search) {
  static constexpr ByteSet kOpenerLetters =
      ByteSet::Of([](char c) { return c == 'd' || c == 't' || c == 'r' || c == 'f'; });
  for (size_t letter = FindInSet(text, from + 1, kOpenerLetters); letter < text.size();
       letter = FindInSet(text, letter + 1, kOpenerLetters)) {
    const size_t end = OpenerEndAt(text, letter - 1, first_search);
    if (end != kNone) return end;
  }
  return kNone;
}

// Whether the operator spacing parts an operator at `pos` from the word
// before it, as the next run finds it: every spaced operator but "=" and
// "==", which the key/value join glues back to a word ("until=x").
bool PartedFromWordBefore(std::string_view text, size_t pos) {
  const size_t length = SpacedOperatorLength(text, pos);
  return length != 0 && text[pos] != '=';
}

// `keyword` at `pos` followed by "\;*\s" or ",": the position of the last
// character of that tail, or kNone.
//
// Mend M19: an operator that the operator spacing parts from the keyword
// counts as the white space it gets ("until-c" is "until - c" on the
// next run, a closer there): the keyword's block ends on the first run.
size_t KeywordWithCloserTail(std::string_view text, size_t pos, std::string_view keyword) {
  if (!StartsWithAt(text, pos, keyword)) return kNone;
  const size_t after = pos + keyword.size();
  const size_t end = SkipCommentTokens(text, SkipSemicolons(text, after));
  if (end < text.size() && IsSpace(text[end])) return end;
  if (after < text.size() && text[after] == ',') return after;
  if (PartedFromWordBefore(text, after)) return after;
  // Mend M39: the ")" of a call whose arguments hold a function body (Mend
  // M37) ends the line of the function's "end": "end)", "end), x".
  if (after < text.size() && text[after] == ')') return after;
  return kNone;
}

// The first of `keywords` (tried in order) standing at `pos` with its tail.
size_t CloserEndAt(std::string_view text, size_t pos, std::span<const std::string_view> keywords) {
  for (std::string_view keyword : keywords) {
    const size_t end = KeywordWithCloserTail(text, pos, keyword);
    if (end != kNone) return end;
  }
  return kNone;
}

constexpr std::string_view kBlockClosers[] = {"end", "elseif", "until"};

enum class GlobalBlockStart { kNone, kSpaced, kGluedToOperator };

// Mend M19: whether a block keyword other than "function" stands right after an
// operator that the operator spacing parts from it ("x+end"): on the next
// run it starts a line and opens or closes a block there, so the next run's
// depths differ from this run's.
bool BlockKeywordAfterSpacedOperator(std::string_view text) {
  static constexpr ByteSet kFirstLetters =
      ByteSet::Of([](char c) { return c == 'e' || c == 'u' || c == 'd' || c == 't' || c == 'r'; });
  for (size_t pos = FindInSet(text, 1, kFirstLetters); pos < text.size();
       pos = FindInSet(text, pos + 1, kFirstLetters)) {
    if (!IsSpacedOperatorEnd(text, pos - 1)) continue;
    for (std::string_view keyword : {"end", "elseif", "else", "until", "do", "then", "repeat"}) {
      const size_t end = pos + keyword.size();
      if (StartsWithAt(text, pos, keyword) && (end == text.size() || !IsWord(text[end]))) {
        return true;
      }
    }
  }
  return false;
}

// How a line's content at `pos` (after its one TAB) begins a global block
// that gets an empty line before it: "function", "if", "while" or "for",
// then white space; or (Mend M19) then an operator that the operator
// spacing parts from it ("while-x" is "while - x" on the next run).
GlobalBlockStart GlobalBlockStartAt(std::string_view text, size_t pos) {
  for (std::string_view keyword : {std::string_view("function"), std::string_view("if"),
                                   std::string_view("while"), std::string_view("for")}) {
    if (!StartsWithAt(text, pos, keyword)) continue;
    const size_t end = pos + keyword.size();
    if (end < text.size() && IsSpace(text[end])) return GlobalBlockStart::kSpaced;
    if (PartedFromWordBefore(text, end)) return GlobalBlockStart::kGluedToOperator;
    return GlobalBlockStart::kNone;
  }
  return GlobalBlockStart::kNone;
}
constexpr std::string_view kCloserLineKeywords[] = {"else", "elseif", "end", "until"};

// Indenting after openers: cut the text after every block opener and indent
// the rest, searching again in the indented rest. Each cut puts one TAB in
// front of the opener's last character (normally the LF that ends its line,
// which leaves a trailing TAB) and one TAB at the start of every later line,
// the empty line after a final LF included:
//   "\tif x then\n\ty=1\n" -> "\tif x then\t\n\t\ty=1\n\t"
// So a line start gets one TAB per opener cut before it, and the scan finds
// the cuts as it goes. Hands each indented line to `sink` as its count of
// leading TABs and the rest of the line, LF included.
template <typename Sink>
void ForEachIndentedLine(std::string_view text, Sink&& sink) {
  size_t cuts = 0;
  size_t next_cut = FindOpenerEnd(text, 0, /*first_search=*/true);
  std::string rest;
  for (size_t line = 0; line < text.size();) {
    size_t content = line;
    while (content < text.size() && text[content] == '\t') ++content;
    const size_t lead = content - line + (line > 0 ? cuts : 0);
    size_t end = text.find('\n', content);
    end = end == kNone ? text.size() : end + 1;
    rest.clear();
    size_t pos = content;
    while (next_cut != kNone && next_cut >= pos && next_cut < end) {
      rest.append(text, pos, next_cut - pos);
      // Mend M43: an opener glued to a comment ("then--x") gets no TAB after
      // the comment: the next run reads that TAB as part of the comment and
      // puts another after it.
      uint64_t number = 0;
      if (TokenStartBefore(text, next_cut, kCommentKind, number) == kNone) rest.push_back('\t');
      ++cuts;
      pos = next_cut;
      next_cut = FindOpenerEnd(text, pos, /*first_search=*/false);
    }
    rest.append(text, pos, end - pos);
    sink(lead, std::string_view(rest));
    line = end;
  }
  if (!text.empty() && text.back() == '\n') sink(cuts, std::string_view());
}

// Outdenting after closers: cut the text after every block closer that
// stands right after a TAB, and outdent the rest, searching again in it. A
// line start loses one TAB per closer cut before it, as long as it has one;
// the closer's own line keeps its TABs. A closer whose line has no TAB left is
// no closer:
//   "\t\tx\n\tend\n\ty\n" -> "\t\tx\n\tend\ny\n"
// Takes the text line by line: leading TABs counted, the rest with its LF.
class CloserOutdenter {
 public:
  explicit CloserOutdenter(std::string& out) : out_(out) {}

  void Line(size_t tabs, std::string_view rest) {
    const size_t kept = tabs > cuts_ ? tabs - cuts_ : 0;
    out_.append(kept, '\t');
    bool tab_before = kept > 0;
    for (size_t pos = 0; pos < rest.size();) {
      if (tab_before) {
        tab_before = false;
        const size_t cut = CloserEndAt(rest, pos, kBlockClosers);
        if (cut != kNone) {
          out_.append(rest, pos, cut - pos);
          ++cuts_;
          pos = cut;
          // The cut character starts the outdented rest: a TAB there is the
          // first TAB of its line and goes.
          if (rest[cut] == '\t') {
            ++pos;
            continue;
          }
        }
      }
      // Up to and including the next TAB, after which a closer may stand.
      const size_t tab = rest.find('\t', pos);
      const size_t stop = tab == std::string_view::npos ? rest.size() : tab + 1;
      out_.append(rest, pos, stop - pos);
      pos = stop;
      tab_before = tab != std::string_view::npos;
    }
  }

 private:
  std::string& out_;
  size_t cuts_ = 0;
};

}  // namespace

// Whether the text holds no block opener and no word that could be a block
// closer: the block passes then leave it as it is (a settings table, say).
bool HoldsNoBlock(std::string_view text) {
  for (std::string_view closer : kBlockClosers) {
    if (text.find(closer) != std::string_view::npos) return false;
  }
  return FindOpenerEnd(text, 0, /*first_search=*/true) == kNone;
}

void IndentAfterOpeners(PassContext& context) {
  const std::string_view text = context.state.text;
  if (FindOpenerEnd(text, 0, /*first_search=*/true) == kNone) return;
  std::string& out = context.state.Scratch(text.size() + text.size() / 4);
  ForEachIndentedLine(text, [&](size_t tabs, std::string_view rest) {
    out.append(tabs, '\t');
    out.append(rest);
  });
  context.state.CommitScratch();
}

void OutdentAfterClosers(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size());
  CloserOutdenter outdenter(out);
  ForEachLineWithItsEnd(text,
                        [&](size_t tabs, std::string_view rest) { outdenter.Line(tabs, rest); });
  context.state.CommitScratch();
}

// Both block passes at once. Indenting after openers alone gives every line
// one TAB per opener before it, which the closers then take back: the text
// in between grows with the square of the number of blocks. Here each
// indented line goes straight to the outdenting.
void IndentAndOutdentBlocks(PassContext& context) {
  const std::string_view text = context.state.text;
  if (HoldsNoBlock(text)) return;
  std::string& out = context.state.Scratch(text.size() + text.size() / 4);
  CloserOutdenter outdenter(out);
  ForEachIndentedLine(text,
                      [&](size_t tabs, std::string_view rest) { outdenter.Line(tabs, rest); });
  context.state.CommitScratch();
}

// "(\t*)(\})(\s*)(\;)(\s*)(\{)" -> "$1$2;\n$1$6": a "}" followed by ";" and a
// "{" takes the ";" onto its line, and the "{" goes to the next line with the
// TABs before the "}": "\t\t}\n\t\t;\n\t\t{" -> "\t\t};\n\t\t{".
// Mend M21 (the rule writes "}," there): in Lua 4.0 a ";" in a table
// constructor is no field separator like ",", but the one mark between the
// list part and the record part ("{ a = {1}; {2} }"), and "," there is a
// syntax error.
void KeepSemicolonsBetweenTables(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size());
  // The "}" decides the match; the TABs right before it are $1 (a match ends
  // on "{", so none of them belongs to the previous match).
  size_t copied = 0;
  for (size_t brace = text.find('}'); brace != std::string_view::npos;
       brace = text.find('}', std::max(brace + 1, copied))) {
    const size_t semicolon = SkipSpaces(text, brace + 1);
    if (semicolon >= text.size() || text[semicolon] != ';') continue;
    const size_t open = SkipSpaces(text, semicolon + 1);
    if (open >= text.size() || text[open] != '{') continue;
    size_t tabs = brace;
    while (tabs > copied && text[tabs - 1] == '\t') --tabs;
    out.append(text, copied, brace - copied);
    out.append("};\n");
    out.append(text, tabs, brace - tabs);
    out.push_back('{');
    copied = open + 1;
  }
  if (copied == 0) return;  // nothing matched: the text stays as it is
  out.append(text, copied);
  context.state.CommitScratch();
}

namespace {

// The comment whose token ends just before `end`, or nullptr; its token
// starts at `start`.
const std::string* CommentTokenBefore(std::string_view text, size_t end,
                                      const std::vector<std::string>& comments, size_t& start) {
  uint64_t number = 0;
  start = TokenStartBefore(text, end, kCommentKind, number);
  if (start == kNone || number >= comments.size()) return nullptr;
  return &comments[number];
}

// Whether the comment already ends in a comma, then perhaps TABs.
bool EndsInComma(std::string_view comment) {
  while (!comment.empty() && comment.back() == '\t') comment.remove_suffix(1);
  return comment.ends_with(',');
}

// Mend M22: before a "}", a comment token whose comment carries no comma of its own
// stands for the last entry: the comma goes after it (and, restored, ends up
// inside a line comment, where it does no harm). Behind a closed block
// comment, though, the comma is code: where no entry stands before the
// comments ("{ --[[ x ]] }", "{ a = 1, --[[ x ]] }", "{ 0, --\n--[[]] }")
// there is nothing for a comma to end, and "{ , }" is no Lua. Returns whether
// a comma goes in.
bool CommaAfterComment(std::string_view text, size_t end,
                       const std::vector<std::string>& comments) {
  size_t start = 0;
  const std::string* comment = CommentTokenBefore(text, end, comments, start);
  if (comment == nullptr) return true;
  if (EndsInComma(*comment)) return false;
  if (!IsClosedBlockComment(*comment)) return true;
  while (comment != nullptr) {
    end = start;
    while (end > 0 && IsSpace(text[end - 1])) --end;
    if (end == 0) return false;
    comment = CommentTokenBefore(text, end, comments, start);
  }
  const char before = text[end - 1];
  return before != ',' && before != ';' && before != '{';
}

}  // namespace

// "([^,\s\;])(\s*)(\})" -> "$1,$2$3", repeated while a match remains: every
// "}" whose nearest character before it other than white space is not a comma
// or semicolon gets a comma right after that character. A comma put in never
// changes what another "}" sees, so one scan that holds back each run of white
// space until the next character shows whether a comma goes before it does
// all the repetitions: "\t\t2\n\t\t}\n\t}" -> "\t\t2,\n\t\t},\n\t}".
// Mend M22: a comment token counts as carrying the comma when its comment
// already ends in one (then perhaps TABs): a comma put after the token lands
// inside the comment once it is restored ("-- note,"), and the next run would
// add another, and another, without end.
void PutCommaAfterLastEntry(PassContext& context) {
  const std::string_view text = context.state.text;
  const std::vector<std::string>& comments = context.state.CommentsTable;
  std::string& out = context.state.Scratch(text.size() + text.size() / 16);
  size_t copied = 0;
  for (size_t brace = text.find('}'); brace != std::string_view::npos;
       brace = text.find('}', brace + 1)) {
    size_t entry_end = brace;  // just after the nearest character that is not white space
    while (entry_end > 0 && IsSpace(text[entry_end - 1])) --entry_end;
    if (entry_end == 0 || text[entry_end - 1] == ',' || text[entry_end - 1] == ';') continue;
    if (!CommaAfterComment(text, entry_end, comments)) continue;
    out.append(text, copied, entry_end - copied);
    out.push_back(',');
    copied = entry_end;
  }
  if (copied == 0) return;  // nothing matched: the text stays as it is
  out.append(text, copied);
  context.state.CommitScratch();
}

// "^(\t)(\t*)(else|elseif|end|until)(\;*\s|\,)" -> "$2$3$4": a line that
// starts with TABs and one of these keywords loses one TAB.
void OutdentCloserLines(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size());
  Splicer splicer(text, out);
  for (size_t line = 0; line < text.size();) {
    size_t keyword = line;
    while (keyword < text.size() && text[keyword] == '\t') ++keyword;
    if (keyword > line && CloserEndAt(text, keyword, kCloserLineKeywords) != kNone) {
      splicer.Replace(line, line + 1, {});
    }
    const size_t end = text.find('\n', keyword);
    line = end == kNone ? text.size() : end + 1;
  }
  splicer.Finish();
  context.state.CommitScratch();
}

namespace {

// Whether the depth-1 line at `line`, whose match of "^(\t)([^\t]*=\n)" ends
// at `assign`, still has the empty line before it when the output is
// formatted again.
bool KeepsBlankLineOnNextRun(std::string_view text, size_t line, size_t assign) {
  const size_t lf = text.find('\n', line);
  if (lf + 1 == assign) return true;  // the match is the line itself
  const std::string_view content = text.substr(line + 1, lf - line - 1);
  const size_t piece = NextRunFirstPieceLength(content);
  return piece == kNone || piece == 0 || content[piece - 1] == '=';
}

// Whether the next run finds "=\n" in the match of "^(\t)([^\t]*=\n)" from
// the depth-1 line at `line`, where this run finds none: an "=" that the
// operator spacing parts from a value the next run does not join back to it
// ("x=#t" comes back as "x=", "#t"). The next run's pieces of the depth-1
// line stand on lines with TABs, so only its first piece counts; lines
// without TABs after it (after a surplus "end") count with every piece, up
// to `next_tab`, but only where the next run keeps the depth-1 line whole:
// where it breaks it, the match starts at its last piece, and so would the
// empty line.
bool EqualsEndsALineOnNextRun(std::string_view text, size_t line, size_t next_tab) {
  size_t lf = text.find('\n', line);
  if (lf == kNone || lf > next_tab) lf = next_tab;
  const std::string_view depth_one_line = text.substr(line + 1, lf - line - 1);
  if (NextRunEndsALineAfterEquals(depth_one_line, /*first_piece_only=*/true)) return true;
  if (!NextRunKeepsLineWhole(depth_one_line)) return false;
  for (size_t start = lf + 1; start < next_tab;) {
    size_t end = text.find('\n', start);
    if (end == kNone || end > next_tab) end = next_tab;
    if (NextRunEndsALineAfterEquals(text.substr(start, end - start), /*first_piece_only=*/false))
      return true;
    start = end + 1;
  }
  return false;
}

// Whether an empty line before the line at `line` stays: not at the start of
// the text, where the clean-up takes it away; not after an operator or
// before one, whose spacing takes it.
bool BlankLineStaysBefore(std::string_view text, size_t line) {
  size_t before = line;
  while (before > 0 && IsSpace(text[before - 1])) --before;
  return before != 0 && text[before - 1] != '=' && !IsSpacedOperatorEnd(text, before - 1) &&
         SpacedOperatorLength(text, SkipSpaces(text, line)) == 0;
}

// Whether an empty line before the depth-1 line at `line` is the only one
// there and stays: BlankLineStaysBefore, and not before a line that gets one
// as a global block.
bool GetsNoOtherBlankLine(std::string_view text, size_t line) {
  return BlankLineStaysBefore(text, line) &&
         GlobalBlockStartAt(text, line + 1) == GlobalBlockStart::kNone;
}

// Whether the depth-1 line at `line` is a ";" alone that the clean-up takes
// away with its line: not after a ",", not in a table constructor, and not
// before an argument list (past comments), where it keeps a call apart.
bool IsSemicolonLineThatGoes(std::string_view text, size_t line, MaskedNesting& nesting) {
  const size_t semicolon = line + 1;
  if (semicolon + 1 >= text.size() || text[semicolon] != ';' || text[semicolon + 1] != '\n')
    return false;
  size_t before = line;
  while (before > 0 && IsSpace(text[before - 1])) --before;
  if (before == 0 || text[before - 1] == ',') return false;
  if (nesting.InTableAt(semicolon)) return false;
  size_t next = semicolon + 1;
  while (true) {
    while (next < text.size() && IsSpace(text[next])) ++next;
    if (next == text.size()) return true;
    const size_t comment = ReadTokenShape(text, next, kCommentKind).length;
    if (comment == 0) break;
    next += comment;
  }
  return text[next] != '(' && ReadTokenShape(text, next, kArgumentKind, true).length == 0;
}

}  // namespace

// An empty line goes before every line at depth 1 that ends with "=", and
// before every line at depth 1 that begins with "function", "if", "while" or
// "for" and white space:
//   "^(\t)([^\t]*=\n)" -> "\n$1$2", then "^(\t)(function|if|while|for)(\s)" -> "\n$1$2$3".
// "[^\t]*" crosses line ends: from a depth-1 line it reaches the last "=\n"
// before the next TAB.
//
// Mend M24: where it reaches past the line's own end (lines without
// TABs follow, after a surplus "end"), the next run puts the empty line
// before the last piece of the line, since the operator spacing leaves the
// line in pieces: "\tx=a..b\nend\ne=\n" comes back as "\tx=a\n\t..\n\tb\n...",
// and the empty line lands before "\tb", where the spacing of ".." takes it
// out again. Such a line gets none here either, unless its first piece ends
// in "=" and takes the empty line on the next run ("\tx=#t").
// A ";" alone on such a line goes in the clean-up, and the next run finds
// the line before it instead: the empty line goes before that line, when it
// is at depth 1 and keeps one as above ("\t}\n\t;\nend\ne=\n").
void PlaceBlankLinesBeforeGlobalBlocks(PassContext& context) {
  CodeState& state = context.state;
  std::string& text = state.text;
  std::string& out = state.Scratch(text.size() + text.size() / 16);
  size_t copied = 0;
  MaskedNesting nesting(text);
  for (size_t line = 0; line < text.size();) {
    if (text[line] == '\t') {
      // "[^\t]*" runs to the next TAB, over line ends; the match ends at the
      // last "=\n" before it.
      size_t next_tab = text.find('\t', line + 1);
      if (next_tab == kNone) next_tab = text.size();
      size_t assign = kNone;
      bool holds_equals = false;
      for (size_t r = next_tab; r >= line + 3; --r) {
        if (text[r - 2] == '=') {
          holds_equals = true;
          if (text[r - 1] == '\n') {
            assign = r;
            break;
          }
        }
      }
      if (assign == kNone && holds_equals && GetsNoOtherBlankLine(text, line) &&
          EqualsEndsALineOnNextRun(text, line, next_tab) &&
          !IsSemicolonLineThatGoes(text, line, nesting)) {
        out.append(text, copied, line - copied);
        out.push_back('\n');
        copied = line;
      }
      if (assign != kNone) {
        size_t blank = line;  // the line the empty line goes before, or kNone
        if (IsSemicolonLineThatGoes(text, line, nesting)) {
          const size_t before = line >= 2 ? text.rfind('\n', line - 2) : kNone;
          blank = before == kNone ? 0 : before + 1;
          if (blank < copied || blank + 1 >= line || text[blank] != '\t' ||
              text[blank + 1] == '\t' || !KeepsBlankLineOnNextRun(text, blank, assign)) {
            blank = kNone;
          }
        } else if (!KeepsBlankLineOnNextRun(text, line, assign)) {
          blank = kNone;
        }
        if (blank != kNone) {
          out.append(text, copied, blank - copied);
          out.push_back('\n');
          copied = blank;
        }
        line = assign;  // a line start: the match ends with its LF
        continue;
      }
    }
    const size_t lf = text.find('\n', line);
    if (lf == kNone) break;
    line = lf + 1;
  }
  out.append(text, copied);
  state.CommitScratch();
  out.clear();
  copied = 0;
  // Mend M19: a keyword glued to an operator gets the empty line the next run gives it,
  // where that one stays, and where the next run's lines keep this run's
  // depths.
  const bool depths_stay = !BlockKeywordAfterSpacedOperator(text);
  for (size_t line = 0; line < text.size();) {
    if (text[line] == '\t') {
      const GlobalBlockStart start = GlobalBlockStartAt(text, line + 1);
      if (start == GlobalBlockStart::kSpaced || (start == GlobalBlockStart::kGluedToOperator &&
                                                 depths_stay && BlankLineStaysBefore(text, line))) {
        out.append(text, copied, line - copied);
        out.push_back('\n');
        copied = line;
      }
    }
    const size_t lf = text.find('\n', line);
    if (lf == kNone) break;
    line = lf + 1;
  }
  out.append(text, copied);
  state.CommitScratch();
}

// "^(\t)(\}|end)(\s)" -> "$1$2$3\n": an empty line after every line at depth 1
// that is "}" or "end" (a space after it breaks the line there instead).
// Mend M23: a line "end;" (semicolons, then the line end) counts as "end"
// too, unless an empty line follows it already: where the clean-up takes its
// last semicolon away, the next run puts the empty line after the bare
// "end". Kept or not, the semicolon does not decide the layout:
// "\tend;\n\tx=1\n" -> "\tend;\n\n\tx=1\n".
void PlaceBlankLinesAfterGlobalBlocks(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size() + text.size() / 16);
  size_t copied = 0;
  for (size_t line = 0; line < text.size();) {
    size_t resume = line;
    if (text[line] == '\t') {
      size_t end = kNone;
      if (line + 1 < text.size() && text[line + 1] == '}') {
        end = line + 2;
      } else if (StartsWithAt(text, line + 1, "end")) {
        end = line + 4;
        size_t semicolons = end;
        while (semicolons < text.size() && text[semicolons] == ';') ++semicolons;
        // Where an empty line follows already (one goes before the next
        // global block), the clean-up has nothing to change; before an
        // operator, its spacing takes the empty line.
        if (semicolons > end && semicolons < text.size() && text[semicolons] == '\n' &&
            (semicolons + 1 == text.size() ||
             (text[semicolons + 1] != '\n' && BlankLineStaysBefore(text, semicolons + 1)))) {
          end = semicolons;
        }
      }
      if (end != kNone && end < text.size() && IsSpace(text[end])) {
        out.append(text, copied, end + 1 - copied);
        out.push_back('\n');
        copied = end + 1;
        resume = end;
      }
    }
    const size_t lf = text.find('\n', resume);
    if (lf == kNone) break;
    line = lf + 1;
  }
  if (copied == 0) return;  // nothing matched: the text stays as it is
  out.append(text, copied);
  context.state.CommitScratch();
}

}  // namespace kelvane
