// The engine runner over a platform seam: the steps of one run, with the
// platform's files and processes behind small interfaces.
#ifndef KELVANE_FRONTEND_RUNNER_H_
#define KELVANE_FRONTEND_RUNNER_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "frontend/line_reader.h"
#include "frontend/platform_runner.h"

namespace kelvane::frontend {

inline constexpr std::string_view kFileNotFoundMessage = "Selected file could not be found!";
inline constexpr std::string_view kStartFailedMessage = "Could not start the formatting engine.";

// A started engine. Destroying it closes its handles; it neither waits for
// the process nor ends it.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Asks without waiting whether the process has ended.
  virtual bool HasEnded() = 0;
  // Waits until the process has ended.
  virtual void WaitForEnd() = 0;
  // Bytes waiting in the output pipe; 0 when the query fails.
  virtual int64_t BytesWaiting() = 0;
  // The read end of the child's standard output.
  virtual ByteSource& Output() = 0;
};

// What the runner needs from the platform.
class RunnerPlatform {
 public:
  virtual ~RunnerPlatform() = default;
  virtual int64_t ProbeFileSize(std::string_view path) = 0;
  // Writes the engine program into a fresh private folder and returns its path,
  // or nothing when it cannot be written whole (then nothing is left behind).
  virtual std::optional<std::string> WriteEngineFile() = 0;
  // Removes the engine file and its private folder.
  virtual void RemoveEngineFile(const std::string& engine_path) = 0;
  // Starts the engine file with `command_line` in `working_folder` (empty: the
  // current folder), its standard output going into a pipe. Null on failure.
  virtual std::unique_ptr<ChildProcess> StartChild(const std::string& engine_path,
                                                   const std::string& command_line,
                                                   const std::string& working_folder) = 0;
};

// One formatting run on `platform` (see RunEngine in platform_runner.h).
int RunEngineWith(RunnerPlatform& platform, std::string_view input_path,
                  std::string_view output_path, signed char overwrite, signed char strip,
                  const LogCallback& log, const ErrorBox& error_box);

}  // namespace kelvane::frontend

#endif  // KELVANE_FRONTEND_RUNNER_H_
