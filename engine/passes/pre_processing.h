// Stage 1: normalise the raw input text (line ends, first and last line).
#pragma once

#include "engine/pass.h"

namespace kelvane {

// Every line end outside string literals becomes LF (CR LF, LF CR, a lone
// CR): "a\r\nb\rc" -> "a\nb\nc"; string literals keep their bytes.
void RemoveCarriageReturns(PassContext& context);
// One LF is appended unless the text already ends with one (also when empty).
void AddFinalLineFeed(PassContext& context);
// LFs at the very start are removed; a first line of spaces stays.
void RemoveLeadingLineFeeds(PassContext& context);

}  // namespace kelvane
