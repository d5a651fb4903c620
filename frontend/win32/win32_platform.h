// The runner's platform services on Windows: file queries for the probe, the
// engine file in a private temporary folder, and the child behind a pipe.
#pragma once

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
  size_t PathLengthLimit() const override { return 260; }
};

// The temporary folder in its long form, ending with a backslash.
std::string Win32TempFolder();

// The system's message for an error code, without its final full stop.
std::string Win32ErrorText(unsigned long code);

// Runs `engine_image` as the engine program, written into a private folder
// and tied to this program's lifetime: if the program ends during a run, the
// system ends the engine too, and a later run clears the folder it left.
class Win32RunnerPlatform : public RunnerPlatform {
 public:
  explicit Win32RunnerPlatform(std::span<const unsigned char> engine_image)
      : engine_image_(engine_image) {}

  int64_t ProbeFileSize(std::string_view path) override;
  std::string AbsolutePath(std::string_view path) override;
  bool PassesOneCommandLine() const override { return true; }
  std::optional<EngineFile> WriteEngineFile(std::string& error) override;
  void RemoveEngineFile(const EngineFile& engine) override;
  std::unique_ptr<ChildProcess> StartChild(const EngineFile& engine, const EngineCommand& command,
                                           const std::string& working_folder) override;

 private:
  std::span<const unsigned char> engine_image_;
};

}  // namespace kelvane::frontend
