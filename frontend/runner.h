// The engine runner over a platform seam: the steps of one run, with the
// platform's files and processes behind small interfaces.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/line_reader.h"
#include "frontend/platform_runner.h"

namespace kelvane::frontend {

inline constexpr std::string_view kFileNotFoundMessage = "Selected file could not be found!";
inline constexpr std::string_view kStartFailedMessage = "Could not start the formatting engine.";
inline constexpr std::string_view kQuoteInPathMessage =
    "A path that contains a double-quote character (\") cannot be passed to the formatting "
    "engine.";

// How a child process ended.
struct ChildExit {
  bool by_signal = false;  // ended by a signal (POSIX); `code` is its number
  int64_t code = 0;        // the exit status (on Windows the whole exit code)
  bool ok() const { return !by_signal && code == 0; }
};

// A started engine. Destroying it closes its handles; it neither waits for
// the process nor ends it.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Asks without waiting whether the process has ended.
  virtual bool HasEnded() = 0;
  // Waits until the process has ended.
  virtual void WaitForEnd() = 0;
  // How the process ended; asked only once it has.
  virtual ChildExit Exit() = 0;
  // Bytes waiting in the output pipe; 0 when the query fails.
  virtual int64_t BytesWaiting() = 0;
  // The read end of the child's standard output and standard error.
  virtual ByteSource& Output() = 0;
};

// The engine program as written out for one run: its path, and the
// platform's own reference to the written file (on POSIX a read-only
// descriptor that the engine is started from, so that the path is never
// looked up again), or -1.
struct EngineFile {
  std::string path;
  intptr_t handle = -1;
};

// What the engine is started with: the argument vector (the engine's path
// first), and the same as one command line for platforms that pass one.
struct EngineCommand {
  std::vector<std::string> arguments;
  std::string line;
};

// What the runner needs from the platform.
class RunnerPlatform {
 public:
  virtual ~RunnerPlatform() = default;
  virtual int64_t ProbeFileSize(std::string_view path) = 0;
  // `path` made absolute against the current folder; "" stays "".
  virtual std::string AbsolutePath(std::string_view path) = 0;
  // True where the engine's arguments travel as one command line (Windows):
  // a double-quote character in a path would split it into other arguments.
  virtual bool PassesOneCommandLine() const = 0;
  // Writes the engine program into a fresh private folder. When it cannot be
  // written whole, nothing is left behind and `error` says which folder and why.
  virtual std::optional<EngineFile> WriteEngineFile(std::string& error) = 0;
  // Removes what is left of the engine file and its private folder.
  virtual void RemoveEngineFile(const EngineFile& engine) = 0;
  // Starts the engine with `command` in `working_folder` (empty: the current
  // folder), its standard output and standard error going into one pipe.
  // Null on failure.
  virtual std::unique_ptr<ChildProcess> StartChild(const EngineFile& engine,
                                                   const EngineCommand& command,
                                                   const std::string& working_folder) = 0;
};

// One formatting run on `platform` (see RunEngine in platform_runner.h).
int RunEngineWith(RunnerPlatform& platform, std::string_view input_path,
                  std::string_view output_path, signed char overwrite, signed char strip,
                  const LogCallback& log, const ErrorBox& error_box);

}  // namespace kelvane::frontend
