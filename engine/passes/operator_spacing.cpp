#include "engine/passes/operator_spacing.h"

namespace kelvane {

std::string Indent(std::string_view text) { return std::string(text); }
std::string Outdent(std::string_view text) { return std::string(text); }
void SurroundOperatorsWithSpaces(PassContext&) {}  // TODO: stub until implemented
void SpaceBeforeLineEndEquals(PassContext&) {}  // TODO: stub until implemented
void BreakUnarySigns(PassContext&) {}  // TODO: stub until implemented
void TightenExponents(PassContext&) {}  // TODO: stub until implemented
void TightenStoredBrackets(PassContext&) {}  // TODO: stub until implemented
void BreakBeforeLeftBraces(PassContext&) {}  // TODO: stub until implemented
void BreakAfterRightBraces(PassContext&) {}  // TODO: stub until implemented

}  // namespace kelvane
