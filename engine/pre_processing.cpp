#include "engine/pre_processing.h"

namespace kelvane {

void RemoveCarriageReturns(PassContext&) {}  // TODO: stub until implemented
void AddFinalLineFeed(PassContext&) {}  // TODO: stub until implemented
void RemoveLeadingLineFeeds(PassContext&) {}  // TODO: stub until implemented

}  // namespace kelvane
