// The program's fixed texts: version, banner, header line and the usage text.
#pragma once

#include <string_view>

namespace kelvane {

// "1.27".
extern const std::string_view AppVersion;
// The banner line, ending in LF.
extern const std::string_view AppInfo;
// The header line put on top of every result, ending in LF.
extern const std::string_view AppComment;
// The usage text: 37 lines, each ending in LF.
extern const std::string_view AppError;

}  // namespace kelvane
