// The last part of "Fixing whitespace and indentation": spaces around
// operators, tight exponents, and the bracket fix-ups that follow from them.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/pass.h"

namespace kelvane {

void SurroundOperatorsWithSpaces(PassContext& context);
void SpaceBeforeLineEndEquals(PassContext& context);
void BreakUnarySigns(PassContext& context);
void TightenExponents(PassContext& context);
void TightenStoredBrackets(PassContext& context);
void BreakBeforeLeftBraces(PassContext& context);
void BreakAfterRightBraces(PassContext& context);

// The length of the operator that SurroundOperatorsWithSpaces puts spaces
// around at `pos` of a text, or 0. The loop-head join asks it which heads the
// spacing will split.
size_t SpacedOperatorLength(std::string_view text, size_t pos);

// True when the byte at `pos` ends an operator that the operator spacing
// parts from a following word: "+", "-", "*", "/", "<", ">" or "..", not a
// lone "." or "...". ("=" and the operators ending in it are kept apart from
// what follows by other rules.)
bool IsSpacedOperatorEnd(std::string_view text, size_t pos);

}  // namespace kelvane
