// The file-size probe's queries on POSIX, answered by stat().
#include <sys/stat.h>

#include "frontend/posix/posix_platform.h"

namespace kelvane::frontend {

FoundEntry NativeFileQueries::Find(const std::string& path) {
  struct stat info {};
  if (path.empty() || stat(path.c_str(), &info) != 0) return {};
  // A pipe or device is no file the engine could read whole.
  if (S_ISDIR(info.st_mode)) return {.found = true, .is_folder = true};
  if (!S_ISREG(info.st_mode)) return {};
  return {.found = true, .is_folder = false, .size = static_cast<int64_t>(info.st_size)};
}

int NativeFileQueries::DriveType(const std::string& /*root*/) {
  constexpr int kNoRootFolder = 1;
  return kNoRootFolder;
}

size_t NativeFileQueries::PathLengthLimit() const { return std::string::npos; }

bool NativeFileQueries::HasFolderAttribute(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace kelvane::frontend
