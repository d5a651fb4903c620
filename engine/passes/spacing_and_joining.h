// The first half of "Fixing whitespace and indentation": flatten the layout,
// break table constructors at their braces, put every piece of code on its
// own line, then join what belongs together.
#pragma once

#include <string>
#include <string_view>

#include "engine/pass.h"

namespace kelvane {

// indent: one TAB at the start of every line, empty lines and a last empty
// line after a final LF included: "\nx\n" -> "\t\n\tx\n\t".
std::string Indent(std::string_view text);
// outdent: every line that starts with a TAB loses one.
std::string Outdent(std::string_view text);

void CollapseWhitespaceRuns(PassContext& context);       // runs of 2+ white space -> " "
void ReplaceWhitespaceWithSpaces(PassContext& context);  // every white space run -> " "
void RemoveSpacesBeforeCommas(PassContext& context);
void PlaceSpacesAfterCommas(PassContext& context);
void AddBaseTab(PassContext& context);
void BreakAtLeftBraces(PassContext& context);
void BreakAtRightBraces(PassContext& context);
void BreakAtSpaces(PassContext& context);
void RemoveBlankLines(PassContext& context);
void JoinKeysWithValues(PassContext& context);
void JoinKeywords(PassContext& context);
void JoinNamesWithArguments(PassContext& context);
void SpaceConditionKeywords(PassContext& context);
void BreakAfterReturn(PassContext& context);
void JoinLoopHeads(PassContext& context);

}  // namespace kelvane
