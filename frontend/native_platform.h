// This platform's services for the runner and the file-size probe: one class
// each, declared once and implemented by one set of files per platform,
// frontend/posix/ or frontend/win32/, chosen by CMake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "frontend/file_size_probe.h"
#include "frontend/runner.h"

namespace kelvane::frontend {

// The probe's queries, answered by the system: stat() on POSIX (no drive
// letters; only regular files and folders count as found), FindFirstFileA,
// GetDriveTypeA and GetFileAttributesA on Windows.
class NativeFileQueries : public FileQueries {
 public:
  FoundEntry Find(const std::string& path) override;
  int DriveType(const std::string& root) override;
  bool HasFolderAttribute(const std::string& path) override;
  size_t PathLengthLimit() const override;
};

// Runs `engine_image` as the engine program, written into a private folder
// in the temporary folder. On POSIX it is written owner-only, started from a
// read-only descriptor of the written file and removed from the folder as
// soon as it runs; on Windows it is tied to this program's lifetime (if the
// program ends during a run, the system ends the engine too, and a later run
// clears the folder it left).
class NativeRunnerPlatform : public RunnerPlatform {
 public:
  explicit NativeRunnerPlatform(std::span<const unsigned char> engine_image)
      : engine_image_(engine_image) {}

  int64_t ProbeFileSize(std::string_view path) override;
  std::string AbsolutePath(std::string_view path) override;
  bool PassesOneCommandLine() const override;
  std::optional<EngineFile> WriteEngineFile(std::string& error) override;
  void RemoveEngineFile(const EngineFile& engine) override;
  std::unique_ptr<ChildProcess> StartChild(const EngineFile& engine, const EngineCommand& command,
                                           const std::string& working_folder) override;

 private:
  std::span<const unsigned char> engine_image_;
};

}  // namespace kelvane::frontend
