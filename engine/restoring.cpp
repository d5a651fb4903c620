#include "engine/restoring.h"

namespace kelvane {

void RestoreIndices(PassContext&) {}  // TODO: stub until implemented
void RestoreArguments(PassContext&) {}  // TODO: stub until implemented
void RestoreEmptyTables(PassContext&) {}  // TODO: stub until implemented
void RestoreStrings(PassContext&) {}  // TODO: stub until implemented
void RestoreEscapedQuotes(PassContext&) {}  // TODO: stub until implemented
void RestoreComments(PassContext&) {}  // TODO: stub until implemented

}  // namespace kelvane
