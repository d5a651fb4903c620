#include "engine/masking.h"

namespace kelvane {

void MaskComments(PassContext&) {}  // TODO: stub until implemented
void MaskEscapedQuotes(PassContext&) {}  // TODO: stub until implemented
void MaskStrings(PassContext&) {}  // TODO: stub until implemented
void MaskEmptyTables(PassContext&) {}  // TODO: stub until implemented
void MaskArguments(PassContext&) {}  // TODO: stub until implemented
void MaskIndices(PassContext&) {}  // TODO: stub until implemented

}  // namespace kelvane
