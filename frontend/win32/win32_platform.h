// The runner's platform services on Windows: file queries for the probe, the
// engine file in a private temporary folder, and the child behind a pipe.
#ifndef KELVANE_FRONTEND_WIN32_WIN32_PLATFORM_H_
#define KELVANE_FRONTEND_WIN32_WIN32_PLATFORM_H_

#include <span>
#include <string>

#include "frontend/file_size_probe.h"
#include "frontend/runner.h"

namespace kelvane::frontend {

// The probe's queries: FindFirstFileA, GetDriveTypeA and GetFileAttributesA.
class Win32FileQueries : public FileQueries {
 public:
  FoundEntry Find(const std::string& path) override;
  int DriveType(const std::string& root) override;
  bool HasFolderAttribute(const std::string& path) override;
};

// The temporary folder in its long form, ending with a backslash.
std::string Win32TempFolder();

// Runs `engine_image` as the engine program.
class Win32RunnerPlatform : public RunnerPlatform {
 public:
  explicit Win32RunnerPlatform(std::span<const unsigned char> engine_image)
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

#endif  // KELVANE_FRONTEND_WIN32_WIN32_PLATFORM_H_
