// Reference passes of block indentation and table punctuation, written
// literally as their rules.

#include <string>

#include "tests/reference/reference_loops.h"
#include "tests/reference/reference_passes.h"

namespace kelvane::reference {
namespace {

// While the pattern matches: the text before the match's last character goes
// to `out_string`, and the rest, shifted by `shift`, is searched again.
template <typename Shift>
void CutAtMatches(std::string& text, std::string_view pattern, Shift shift) {
  std::string out_string;
  while (std::optional<RegexMatch> match = FindFirst(text, pattern, kSingle)) {
    size_t cut = match->end - 1;
    out_string += text.substr(0, cut);
    text = shift(std::string_view(text).substr(cut));
  }
  text = out_string + text;
}

}  // namespace

// The engine differs here: "function" right after "+", "-", "*", "/", "<",
// ">" or ".." opens a block too ("x = a/function(s) ... end"). This rule
// leaves it at the depth around it; the operator spacing then puts a space
// before "function", and the next run indents its body.
void IndentAfterOpeners(PassContext& context) {
  CutAtMatches(context.state.text,
               "(\\s|\\=)(do|then|repeat|function\\s(\\w|_)+@a\\d*a@|function\\s*@a\\d*a@)(\\s)",
               Indent);
}

void OutdentAfterClosers(PassContext& context) {
  CutAtMatches(context.state.text, "(\\t)(end|elseif|until)(\\;*\\s|\\,)", Outdent);
}

void PutCommaBetweenTables(PassContext& context) {
  context.state.text =
      ReplaceAll(context.state.text, "(\\t*)(\\})(\\s*)(\\;)(\\s*)(\\{)", kMulti, "$1$2,\n$1$6");
}

// The engine differs here: it puts no comma after a comment token whose
// comment already ends in a comma (then perhaps TABs). This rule puts the
// comma after the token, so the restored comment reads "-- note,"; formatted
// again, that comment gets another one ("-- note,,"), on every run without end.
void PutCommaAfterLastEntry(PassContext& context) {
  context.state.text =
      RepeatWhileMatch(context.state.text, "([^,\\s\\;])(\\s*)(\\})", kMulti, "$1,$2$3");
}

void OutdentCloserLines(PassContext& context) {
  context.state.text = ReplaceAll(
      context.state.text, "^(\\t)(\\t*)(else|elseif|end|until)(\\;*\\s|\\,)", kMulti, "$2$3$4");
}

// The engine differs here: a depth-1 line gets the empty line too where the
// "=" that the next run ends a line with is still glued to its value in this
// run ("x=#t": the spacing makes it "x = #t", and the next run leaves "x=" on
// a line of its own, as it does not join "#t" back), in that line's first
// piece or, where the next run keeps that line whole, in lines without TABs
// after it.
void PlaceBlankLinesBeforeGlobalBlocks(PassContext& context) {
  std::string& text = context.state.text;
  text = ReplaceAll(text, "^(\\t)([^\\t]*=\\n)", kMulti, "\n$1$2");
  text = ReplaceAll(text, "^(\\t)(function|if|while|for)(\\s)", kMulti, "\n$1$2$3");
}

// The engine differs here: a line "end;" (semicolons, then the line end)
// counts as "end" and gets the empty line after it (unless one follows
// already). This rule gives it none,
// the clean-up then removes the semicolon, and the next run puts the empty
// line after the bare "end": every such file changed on its second run.
void PlaceBlankLinesAfterGlobalBlocks(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "^(\\t)(\\}|end)(\\s)", kMulti, "$1$2$3\n");
}

}  // namespace kelvane::reference
