// Reference passes of the clean-up and the line ends, written literally as
// their rules.

#include <string>

#include "tests/reference/reference_loops.h"
#include "tests/reference/reference_passes.h"

namespace kelvane::reference {

// The engine differs here: inside a block comment (after its first line) a
// line loses all its leading TABs. The comment comes back unchanged on every
// run, so this rule took one more TAB from it each time.
void OutdentEveryLine(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "^\\t", kMulti, "");
}

// The engine differs here: run once, this rule takes one ".0" of a chain per
// run ("127.0.0.1" -> "127.0.1" -> "127.1"), so every run of the program
// changed such a file again. The engine takes the whole chain at once, which
// is what this rule gives when repeated until nothing matches (below); where
// one run already leaves nothing to match, the two agree.
void RemoveZeroDecimals(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "(\\d)(\\.0+)([^\\w])", kMulti, "$1$3");
}

void RemoveZeroDecimalsUntilSettled(PassContext& context) {
  context.state.text = RepeatWhileMatch(context.state.text, "(\\d)(\\.0+)([^\\w])", kMulti, "$1$3");
}

// The engine differs here as with the zero decimals: one run takes a whole
// chain ("1.10.20" -> "1.1.2"), as this rule repeated does.
void RemoveTrailingDecimalZeros(PassContext& context) {
  context.state.text =
      ReplaceAll(context.state.text, "(\\d\\.\\d*[123456789]+)(0+)([^\\w])", kMulti, "$1$3");
}

void RemoveTrailingDecimalZerosUntilSettled(PassContext& context) {
  context.state.text =
      RepeatWhileMatch(context.state.text, "(\\d\\.\\d*[123456789]+)(0+)([^\\w])", kMulti, "$1$3");
}

// The engine differs here: the number this rule completes is tidied at once
// as the two rules before tidy numbers (".0 " -> "0 ", ".50," -> "0.5,").
// This rule leaves "0.0 " and "0.50,", which the next run's zero-decimal
// rules change again. And a run of points before the digit ("x ...5" in a
// comment) shrinks at once to what the later runs leave ("x 0.5", "a.0.5",
// "1.5"): this rule takes one point per run.
void AddMissingDecimalZeros(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "([^\\w])(\\.\\d)", kMulti, "$10$2");
}

// The engine differs here: a ";" alone on its line goes with the line when
// that leaves a line of TABs, or an empty line right after code ("}\n;").
// This rule leaves those lines, and the next run takes them away.
void RemoveLineEndSemicolons(PassContext& context) {
  context.state.text =
      ReplaceAll(context.state.text, "([^,\\s])(\\s*)(\\;)(\\n)", kMulti, "$1$2$4");
}

void CloseExponentSigns(PassContext& context) {
  context.state.text = ReplaceAll(
      context.state.text, "([^\\w]\\d+)(e|E)(\\s+)(\\-|\\+)(\\s+)(\\d+)", kMulti, "$1$2$4$6");
}

void CollapseBlankLines(PassContext& context) {
  context.state.text = RepeatWhileMatch(context.state.text, "\\n\\n\\n", kMulti, "\n\n");
}

void RemoveLeadingBlankLines(PassContext& context) {
  std::string& text = context.state.text;
  while (!text.empty() && text.front() == '\n') text.erase(0, 1);
}

void AddFinalLineEnd(PassContext& context) {
  std::string& text = context.state.text;
  if (text.empty() || text.back() != '\n') text += '\n';
}

void UseCrLfLineEnds(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "\\n", kMulti, "\r\n");
}

}  // namespace kelvane::reference
