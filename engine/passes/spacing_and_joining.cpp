#include "engine/passes/spacing_and_joining.h"

namespace kelvane {

std::string Indent(std::string_view text) { return std::string(text); }
std::string Outdent(std::string_view text) { return std::string(text); }
void CollapseWhitespaceRuns(PassContext&) {}  // TODO: stub until implemented
void ReplaceWhitespaceWithSpaces(PassContext&) {}  // TODO: stub until implemented
void RemoveSpacesBeforeCommas(PassContext&) {}  // TODO: stub until implemented
void PlaceSpacesAfterCommas(PassContext&) {}  // TODO: stub until implemented
void AddBaseTab(PassContext&) {}  // TODO: stub until implemented
void BreakAtLeftBraces(PassContext&) {}  // TODO: stub until implemented
void BreakAtRightBraces(PassContext&) {}  // TODO: stub until implemented
void BreakAtSpaces(PassContext&) {}  // TODO: stub until implemented
void RemoveBlankLines(PassContext&) {}  // TODO: stub until implemented
void JoinKeysWithValues(PassContext&) {}  // TODO: stub until implemented
void JoinKeywords(PassContext&) {}  // TODO: stub until implemented
void JoinNamesWithArguments(PassContext&) {}  // TODO: stub until implemented
void SpaceConditionKeywords(PassContext&) {}  // TODO: stub until implemented
void BreakAfterReturn(PassContext&) {}  // TODO: stub until implemented
void JoinLoopHeads(PassContext&) {}  // TODO: stub until implemented

}  // namespace kelvane
