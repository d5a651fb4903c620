// The runner's platform services on POSIX systems: file queries for the probe,
// the engine file in a private temporary folder, and the child behind a pipe.
#pragma once

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
  size_t PathLengthLimit() const override { return std::string::npos; }
};

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

// Runs `engine_image` as the engine program: written owner-only into a
// private folder, started from a read-only descriptor of the written file,
// and removed from the folder as soon as it runs.
class PosixRunnerPlatform : public RunnerPlatform {
 public:
  explicit PosixRunnerPlatform(std::span<const unsigned char> engine_image)
      : engine_image_(engine_image) {}

  int64_t ProbeFileSize(std::string_view path) override;
  std::string AbsolutePath(std::string_view path) override;
  bool PassesOneCommandLine() const override { return false; }
  std::optional<EngineFile> WriteEngineFile(std::string& error) override;
  void RemoveEngineFile(const EngineFile& engine) override;
  std::unique_ptr<ChildProcess> StartChild(const EngineFile& engine, const EngineCommand& command,
                                           const std::string& working_folder) override;

 private:
  std::span<const unsigned char> engine_image_;
};

}  // namespace kelvane::frontend
