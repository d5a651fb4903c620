// Helpers shared by the Windows side of the platform seam (native_platform.h):
// the temporary folder and the system's error texts.
#pragma once

#include <string>

#include "frontend/native_platform.h"

namespace kelvane::frontend {

// The temporary folder in its long form, ending with a backslash.
std::string Win32TempFolder();

// The system's message for an error code, without its final full stop.
std::string Win32ErrorText(unsigned long code);

}  // namespace kelvane::frontend
