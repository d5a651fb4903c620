// The clean-up stage: runs on the restored text, comments and strings
// included, and makes the final line ends.
#pragma once

#include "engine/pass.h"

namespace kelvane {

void OutdentEveryLine(PassContext& context);
void RemoveZeroDecimals(PassContext& context);
void RemoveTrailingDecimalZeros(PassContext& context);
void AddMissingDecimalZeros(PassContext& context);
void RemoveLineEndSemicolons(PassContext& context);
void CloseExponentSigns(PassContext& context);
void CollapseBlankLines(PassContext& context);
void RemoveLeadingBlankLines(PassContext& context);
void AddFinalLineEnd(PassContext& context);
void UseCrLfLineEnds(PassContext& context);

}  // namespace kelvane
