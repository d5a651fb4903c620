// The file-size probe's rules: drives, trailing backslashes, network folders.
#include "frontend/file_size_probe.h"

namespace kelvane::frontend {
namespace {

constexpr int kDriveTypeUnknown = 0;
constexpr int kDriveTypeNoRoot = 1;

}  // namespace

int64_t ProbeFileSizeWith(FileQueries& queries, std::string_view path) {
  if (path.empty()) return kProbeNothingThere;
  std::string name(path.substr(0, queries.PathLengthLimit()));

  // "C:" or "C:\" names a drive, which exists when the platform knows its type.
  if ((name.size() == 2 || name.size() == 3) && name[1] == ':') {
    if (name.size() == 2) name += '\\';
    const int type = queries.DriveType(name);
    return type != kDriveTypeUnknown && type != kDriveTypeNoRoot ? kProbeFolderOrDrive
                                                                 : kProbeNothingThere;
  }

  const bool is_network_path = name.starts_with("\\\\");
  while (!name.empty() && name.back() == '\\') name.pop_back();
  const FoundEntry entry = queries.Find(name);
  if (entry.found) return entry.is_folder ? kProbeFolderOrDrive : entry.size;
  // A network share's root folder is not found by a directory search.
  if (is_network_path && queries.HasFolderAttribute(name)) return kProbeFolderOrDrive;
  return kProbeNothingThere;
}

}  // namespace kelvane::frontend
