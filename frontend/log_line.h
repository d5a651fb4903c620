// How one line of the engine's output is shown in the log: which lines are
// dropped, and the TAB expansion the log list needs.
#pragma once

#include <string>
#include <string_view>

namespace kelvane::frontend {

// The line that closes the log of every successful run.
inline constexpr std::string_view kReadyLine = "+OK Ready...";

// The line that closes the log of a failed run, in place of kReadyLine:
// "-ERR Failed: " and the reason.
std::string FailedLine(std::string_view reason);

// False for an empty line and for a line that contains "microsoft" in any
// letter case (only A to Z are folded): the platform's own banners.
bool IsLineShown(std::string_view line);

// The line with every TAB replaced by four spaces.
std::string ExpandTabs(std::string_view line);

}  // namespace kelvane::frontend
