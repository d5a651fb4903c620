// The second part of "Fixing whitespace and indentation": indent Lua blocks,
// punctuate table constructors, set off blocks at global scope.
#pragma once

#include "engine/pass.h"

namespace kelvane {

void IndentAfterOpeners(PassContext& context);
void OutdentAfterClosers(PassContext& context);
// Both block passes in one go, for runs that need no debug entry between them.
void IndentAndOutdentBlocks(PassContext& context);
void KeepSemicolonsBetweenTables(PassContext& context);
void PutCommaAfterLastEntry(PassContext& context);
void OutdentCloserLines(PassContext& context);
void PlaceBlankLinesBeforeGlobalBlocks(PassContext& context);
void PlaceBlankLinesAfterGlobalBlocks(PassContext& context);

}  // namespace kelvane
