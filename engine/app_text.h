// The program's fixed texts: banner, header line and the usage text.
#pragma once

#include <string_view>

namespace kelvane {

// The banner line, ending in LF.
extern const std::string_view AppInfo;
// The header line put on top of every result, ending in LF.
extern const std::string_view AppComment;
// The usage text: 37 lines, each ending in LF.
extern const std::string_view AppError;

}  // namespace kelvane
