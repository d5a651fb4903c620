// The file-size probe's queries on Windows.
#include <windows.h>

#include "frontend/win32/win32_platform.h"

namespace kelvane::frontend {

FoundEntry NativeFileQueries::Find(const std::string& path) {
  // The directory search takes wildcards, but a pattern names no single file.
  if (path.find_first_of("*?") != std::string::npos) return {};
  WIN32_FIND_DATAA data{};
  const HANDLE search = FindFirstFileA(path.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return {};
  FindClose(search);
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return {.found = true, .is_folder = true};
  }
  const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return {.found = true, .is_folder = false, .size = static_cast<int64_t>(size)};
}

int NativeFileQueries::DriveType(const std::string& root) {
  return static_cast<int>(GetDriveTypeA(root.c_str()));
}

size_t NativeFileQueries::PathLengthLimit() const { return 260; }

bool NativeFileQueries::HasFolderAttribute(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace kelvane::frontend
