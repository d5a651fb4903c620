// Breaking at table braces: every "{" and "}" on a line of its own, one TAB
// deeper inside each table constructor.
#pragma once

#include "engine/pass.h"

namespace kelvane {

void BreakAtLeftBraces(PassContext& context);
void BreakAtRightBraces(PassContext& context);
// Both brace passes in one go, for runs that need no debug entry between them.
void BreakAtBraces(PassContext& context);

}  // namespace kelvane
