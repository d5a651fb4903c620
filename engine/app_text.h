// The program's fixed texts: version, banner, header line and the usage text.
#pragma once

#include <string_view>

namespace kelvane {

extern const std::string_view AppVersion;  // "1.27"
extern const std::string_view AppInfo;     // the banner line, ending in LF
extern const std::string_view AppComment;  // the header line put on top of every result, ending in LF
extern const std::string_view AppError;    // the usage text, 37 lines each ending in LF

}  // namespace kelvane
