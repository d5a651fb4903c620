// The first passes of "Fixing whitespace and indentation": flatten the
// layout to single spaces, one space after each comma, the base TAB; then one
// piece of code per line, and no blank line.
#pragma once

#include "engine/pass.h"

namespace kelvane {

void CollapseWhitespaceRuns(PassContext& context);       // runs of 2+ white space -> " "
void ReplaceWhitespaceWithSpaces(PassContext& context);  // every white space run -> " "
void RemoveSpacesBeforeCommas(PassContext& context);     // "\s+," -> ","
void PlaceSpacesAfterCommas(PassContext& context);       // ",\s*" -> ", "
// The four rows above in one scan of the text and of each stored group.
void SpaceRunsAndCommas(PassContext& context);
void AddBaseTab(PassContext& context);        // one TAB in front of the text
void BreakAtSpaces(PassContext& context);     // every piece between spaces on a line
void RemoveBlankLines(PassContext& context);  // no empty or white-space-only line

}  // namespace kelvane
