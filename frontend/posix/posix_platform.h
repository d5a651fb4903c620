// Helpers shared by the POSIX side of the platform seam (native_platform.h):
// the temporary folder and the engine's private folder in it.
#pragma once

#include <string>

#include "frontend/native_platform.h"

namespace kelvane::frontend {

// The temporary folder: TMPDIR when set, else /tmp, as an absolute path
// ending with "/".
std::string PosixTempFolder();

// Why `folder` is no safe place for the engine file, or "" when it is. Only
// the user and root may own it, and if others may write to it, it must have
// the sticky bit; otherwise another user could rename the engine's private
// folder and plant a program in its place.
std::string UnsafeTempFolderReason(const std::string& folder);

// Removes the engine file `path` and its private folder.
void RemovePrivateEngineFolder(const std::string& path);

}  // namespace kelvane::frontend
