#include "engine/passes/block_indentation.h"

namespace kelvane {

void IndentAfterOpeners(PassContext&) {}  // TODO: stub until implemented
void OutdentAfterClosers(PassContext&) {}  // TODO: stub until implemented
void PutCommaBetweenTables(PassContext&) {}  // TODO: stub until implemented
void PutCommaAfterLastEntry(PassContext&) {}  // TODO: stub until implemented
void OutdentCloserLines(PassContext&) {}  // TODO: stub until implemented
void PlaceBlankLinesBeforeGlobalBlocks(PassContext&) {}  // TODO: stub until implemented
void PlaceBlankLinesAfterGlobalBlocks(PassContext&) {}  // TODO: stub until implemented

}  // namespace kelvane
