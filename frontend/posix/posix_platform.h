// The runner's platform services on POSIX systems: file queries for the probe,
// the engine file in a private temporary folder, and the child behind a pipe.
#ifndef KELVANE_FRONTEND_POSIX_POSIX_PLATFORM_H_
#define KELVANE_FRONTEND_POSIX_POSIX_PLATFORM_H_

#include <span>
#include <string>

#include "frontend/file_size_probe.h"
#include "frontend/runner.h"

namespace kelvane::frontend {

// The probe's queries answered by stat(). POSIX has no drive letters, and only
// regular files and folders count as found.
class PosixFileQueries : public FileQueries {
 public:
  FoundEntry Find(const std::string& path) override;
  int DriveType(const std::string& root) override;
  bool HasFolderAttribute(const std::string& path) override;
};

// The temporary folder: TMPDIR when set, else /tmp, as an absolute path
// ending with "/".
std::string PosixTempFolder();

// Runs `engine_image` as the engine program.
class PosixRunnerPlatform : public RunnerPlatform {
 public:
  explicit PosixRunnerPlatform(std::span<const unsigned char> engine_image)
      : engine_image_(engine_image) {}

  int64_t ProbeFileSize(std::string_view path) override;
  std::optional<std::string> WriteEngineFile() override;
  void RemoveEngineFile(const std::string& engine_path) override;
  std::unique_ptr<ChildProcess> StartChild(const std::string& engine_path,
                                           const std::string& command_line,
                                           const std::string& working_folder) override;

 private:
  std::span<const unsigned char> engine_image_;
};

}  // namespace kelvane::frontend

#endif  // KELVANE_FRONTEND_POSIX_POSIX_PLATFORM_H_
