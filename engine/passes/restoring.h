// Stage 4: put the protected sequences back, in the reverse order of masking.
#pragma once

#include "engine/pass.h"

namespace kelvane {

void RestoreIndices(PassContext& context);
void RestoreArguments(PassContext& context);
void RestoreEmptyTables(PassContext& context);
void RestoreStrings(PassContext& context);
void RestoreEscapedQuotes(PassContext& context);
void RestoreComments(PassContext& context);

// The five rows from the indices to the escaped quotes in one go.
void RestoreGroupsStringsAndQuotes(PassContext& context);

}  // namespace kelvane
