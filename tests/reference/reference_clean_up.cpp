// Reference passes of the clean-up and the line ends, written literally as
// their rules. The engine's clean-up leaves string literals alone: M25
// (docs/mends.md).

#include <string>

#include "tests/reference/reference_loops.h"
#include "tests/reference/reference_passes.h"

namespace kelvane::reference {

// The engine differs here: M26 (docs/mends.md).
void OutdentEveryLine(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "^\\t", kMulti, "");
}

// The engine differs here: M27, M28 (docs/mends.md).
void RemoveZeroDecimals(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "(\\d)(\\.0+)([^\\w])", kMulti, "$1$3");
}

void RemoveZeroDecimalsUntilSettled(PassContext& context) {
  context.state.text = RepeatWhileMatch(context.state.text, "(\\d)(\\.0+)([^\\w])", kMulti, "$1$3");
}

// The engine differs here: M27 (docs/mends.md).
void RemoveTrailingDecimalZeros(PassContext& context) {
  context.state.text =
      ReplaceAll(context.state.text, "(\\d\\.\\d*[123456789]+)(0+)([^\\w])", kMulti, "$1$3");
}

void RemoveTrailingDecimalZerosUntilSettled(PassContext& context) {
  context.state.text =
      RepeatWhileMatch(context.state.text, "(\\d\\.\\d*[123456789]+)(0+)([^\\w])", kMulti, "$1$3");
}

// The engine differs here: M27 (docs/mends.md).
void AddMissingDecimalZeros(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "([^\\w])(\\.\\d)", kMulti, "$10$2");
}

// The engine differs here: M29, M30 (docs/mends.md).
void RemoveLineEndSemicolons(PassContext& context) {
  context.state.text =
      ReplaceAll(context.state.text, "([^,\\s])(\\s*)(\\;)(\\n)", kMulti, "$1$2$4");
}

// The engine differs here: M31 (docs/mends.md).
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

// The engine differs here: M32 (docs/mends.md).
void UseCrLfLineEnds(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "\\n", kMulti, "\r\n");
}

}  // namespace kelvane::reference
