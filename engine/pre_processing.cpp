// Stage 1 of ProcessCode: line ends and the first and last line.

#include "engine/pre_processing.h"

#include <algorithm>

namespace kelvane {

void RemoveCarriageReturns(PassContext& context) {
  std::string& text = context.state.text;
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
}

void AddFinalLineFeed(PassContext& context) {
  std::string& text = context.state.text;
  if (text.empty() || text.back() != '\n') text.push_back('\n');
}

void RemoveLeadingLineFeeds(PassContext& context) {
  std::string& text = context.state.text;
  text.erase(0, text.find_first_not_of('\n'));
}

}  // namespace kelvane
