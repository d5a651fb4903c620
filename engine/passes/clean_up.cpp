#include "engine/passes/clean_up.h"

namespace kelvane {

void OutdentEveryLine(PassContext&) {}  // TODO: stub until implemented
void RemoveZeroDecimals(PassContext&) {}  // TODO: stub until implemented
void RemoveTrailingDecimalZeros(PassContext&) {}  // TODO: stub until implemented
void AddMissingDecimalZeros(PassContext&) {}  // TODO: stub until implemented
void RemoveLineEndSemicolons(PassContext&) {}  // TODO: stub until implemented
void CloseExponentSigns(PassContext&) {}  // TODO: stub until implemented
void CollapseBlankLines(PassContext&) {}  // TODO: stub until implemented
void RemoveLeadingBlankLines(PassContext&) {}  // TODO: stub until implemented
void AddFinalLineEnd(PassContext&) {}  // TODO: stub until implemented
void UseCrLfLineEnds(PassContext&) {}  // TODO: stub until implemented

}  // namespace kelvane
