// Reference passes of operator spacing and bracket fix-ups, written literally
// as their rules.

#include <string>

#include "tests/reference/reference_loops.h"
#include "tests/reference/reference_passes.h"

namespace kelvane::reference {
namespace {

// The working text, then every stored argument list, then every stored index.
void RewriteThreeTexts(CodeState& state, std::string_view pattern, std::string_view replacement) {
  state.text = ReplaceAll(state.text, pattern, kMulti, replacement);
  for (std::string& entry : state.ArgumentsTable) {
    entry = ReplaceAll(entry, pattern, kMulti, replacement);
  }
  for (std::string& entry : state.IndicesTable) {
    entry = ReplaceAll(entry, pattern, kMulti, replacement);
  }
}

}  // namespace

// The engine differs here: M07, M08 (docs/mends.md).
void SurroundOperatorsWithSpaces(PassContext& context) {
  RewriteThreeTexts(context.state,
                    "(\\s*)(\\~\\=|\\<\\=|\\>\\=|\\=\\=|\\<|\\>|\\=|\\+|\\-|\\*|\\/|\\.\\.)(\\s*)",
                    " $2 ");
}

void SpaceBeforeLineEndEquals(PassContext& context) {
  RewriteThreeTexts(context.state, "([^\\=]\\=\\n)", " $1");
}

void BreakUnarySigns(PassContext& context) {
  std::string& text = context.state.text;
  text = RepeatWhileMatch(text, "(\\t*)(.*\\{)([ \\t]*)(\\s[\\+\\-])", kMulti, "$1$2\n\t$1$4");
  text = RepeatWhileMatch(text, "(\\t*)(.*\\,)([ \\t]*)(\\s[\\+\\-])", kMulti, "$1$2\n$1$4");
}

void TightenExponents(PassContext& context) {
  RewriteThreeTexts(context.state, "\\s*(\\^)\\s*", "$1");
}

// The engine differs here: M17 (docs/mends.md).
void TightenStoredBrackets(PassContext& context) {
  constexpr std::string_view kPattern = "(\\s*)([\\(\\)\\[\\]])(\\s*)";
  for (std::string& entry : context.state.IndicesTable) {
    entry = ReplaceAll(entry, kPattern, kMulti, "$2");
  }
  for (std::string& entry : context.state.ArgumentsTable) {
    entry = ReplaceAll(entry, kPattern, kMulti, "$2");
  }
}

void BreakBeforeLeftBraces(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "(\\t*)([^\\t]+)(\\{)", kMulti, "$1$2\n$1$3");
}

void BreakAfterRightBraces(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "(\\t*)(\\})( )", kMulti, "$1$2\n$1");
}

}  // namespace kelvane::reference
