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

// The engine differs here: M18, M20 (docs/mends.md).
void IndentAfterOpeners(PassContext& context) {
  CutAtMatches(context.state.text,
               "(\\s|\\=)(do|then|repeat|function\\s(\\w|_)+@a\\d*a@|function\\s*@a\\d*a@)(\\s)",
               Indent);
}

// The engine differs here: M19 (docs/mends.md).
void OutdentAfterClosers(PassContext& context) {
  CutAtMatches(context.state.text, "(\\t)(end|elseif|until)(\\;*\\s|\\,)", Outdent);
}

// The engine differs here: M21 (docs/mends.md).
void PutCommaBetweenTables(PassContext& context) {
  context.state.text =
      ReplaceAll(context.state.text, "(\\t*)(\\})(\\s*)(\\;)(\\s*)(\\{)", kMulti, "$1$2,\n$1$6");
}

// The engine differs here: M22 (docs/mends.md).
void PutCommaAfterLastEntry(PassContext& context) {
  context.state.text =
      RepeatWhileMatch(context.state.text, "([^,\\s\\;])(\\s*)(\\})", kMulti, "$1,$2$3");
}

// The engine differs here: M19 (docs/mends.md).
void OutdentCloserLines(PassContext& context) {
  context.state.text = ReplaceAll(
      context.state.text, "^(\\t)(\\t*)(else|elseif|end|until)(\\;*\\s|\\,)", kMulti, "$2$3$4");
}

// The engine differs here: M19, M24 (docs/mends.md).
void PlaceBlankLinesBeforeGlobalBlocks(PassContext& context) {
  std::string& text = context.state.text;
  text = ReplaceAll(text, "^(\\t)([^\\t]*=\\n)", kMulti, "\n$1$2");
  text = ReplaceAll(text, "^(\\t)(function|if|while|for)(\\s)", kMulti, "\n$1$2$3");
}

// The engine differs here: M23 (docs/mends.md).
void PlaceBlankLinesAfterGlobalBlocks(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "^(\\t)(\\}|end)(\\s)", kMulti, "$1$2$3\n");
}

}  // namespace kelvane::reference
