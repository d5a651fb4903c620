// Stage 1 of ProcessCode: line ends and the first and last line.

#include "engine/passes/pre_processing.h"

#include <algorithm>

#include "engine/passes/clean_up.h"

namespace kelvane {

// CR LF becomes LF; a lone CR, the line end of old Mac files, becomes LF too
// instead of gluing its two lines together.
void RemoveCarriageReturns(PassContext& context) {
  std::string& text = context.state.text;
  if (text.find('\r') == std::string::npos) return;
  size_t kept = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      text[kept++] = text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      text[kept++] = '\n';
    }
  }
  text.resize(kept);
}

// The same rules as the clean-up's last two: one body each, two rows.
void AddFinalLineFeed(PassContext& context) { AddFinalLineEnd(context); }

void RemoveLeadingLineFeeds(PassContext& context) { RemoveLeadingBlankLines(context); }

}  // namespace kelvane
