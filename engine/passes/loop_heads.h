// The last joining pass of "Fixing whitespace and indentation": loop heads
// whose parts stand on consecutive lines go back on one line.
#pragma once

#include "engine/pass.h"

namespace kelvane {

// "\tfor i=1,\n\tn\n\tdo\n" -> "\tfor i=1, n do\n"
void JoinLoopHeads(PassContext& context);

}  // namespace kelvane
