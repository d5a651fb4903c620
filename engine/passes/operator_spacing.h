// The last part of "Fixing whitespace and indentation": spaces around
// operators, tight exponents, and the bracket fix-ups that follow from them.
#pragma once

#include "engine/pass.h"

namespace kelvane {

void SurroundOperatorsWithSpaces(PassContext& context);
void SpaceBeforeLineEndEquals(PassContext& context);
void BreakUnarySigns(PassContext& context);
void TightenExponents(PassContext& context);
void TightenStoredBrackets(PassContext& context);
void BreakBeforeLeftBraces(PassContext& context);
void BreakAfterRightBraces(PassContext& context);

}  // namespace kelvane
