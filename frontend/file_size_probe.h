// The file-size probe: the size of the file a path names, or why it names none,
// over a small set of platform queries so the rules run without the platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane::frontend {

inline constexpr int64_t kProbeNothingThere = -1;
inline constexpr int64_t kProbeFolderOrDrive = -2;

// What a directory search found for one path.
struct FoundEntry {
  bool found = false;
  bool is_folder = false;
  int64_t size = 0;
};

// The platform queries the probe rests on.
class FileQueries {
 public:
  virtual ~FileQueries() = default;
  // The entry the directory search finds for `path`.
  virtual FoundEntry Find(const std::string& path) = 0;
  // The platform's drive type of a root such as "C:\"; 0 means the type cannot
  // be determined and 1 that there is no such root folder.
  virtual int DriveType(const std::string& root) = 0;
  // Whether the attributes of `path` can be read and mark a folder.
  virtual bool HasFolderAttribute(const std::string& path) = 0;
  // How many characters of a path the platform's search takes: 260 on
  // Windows; POSIX paths are longer (std::string::npos: all of them).
  virtual size_t PathLengthLimit() const = 0;
};

// The size of the file `path` names (zero is a valid size), -1 when it names
// nothing or is empty, -2 when it names a folder or a drive. Only the first
// PathLengthLimit() characters of the path count.
int64_t ProbeFileSizeWith(FileQueries& queries, std::string_view path);

}  // namespace kelvane::frontend
