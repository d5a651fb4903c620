// One formatting run: check the input, write out and start the engine, relay
// its output lines into the log, then close the child and remove the engine.
#include "frontend/runner.h"

#include "frontend/command_line.h"
#include "frontend/log_line.h"
#include "frontend/path_part.h"

namespace kelvane::frontend {
namespace {

// The child is active while it runs, while a line is still in the carry-over,
// and while its pipe holds bytes: output written just before it exited is
// still read.
bool IsActive(ChildProcess& child, const LineReader& reader) {
  if (!child.HasEnded()) return true;
  if (reader.HasCarryOver()) return true;
  return child.BytesWaiting() > 0;
}

void RelayOutput(ChildProcess& child, const LogCallback& log) {
  LineReader reader(child.Output());
  while (IsActive(child, reader)) {
    const std::string line = reader.NextLine();
    if (log && IsLineShown(line)) log(line);
    if (reader.AtEnd()) {
      // The pipe is closed, so nothing more can arrive: wait for the child
      // instead of asking again and again until it exits.
      child.WaitForEnd();
      break;
    }
  }
}

}  // namespace

int RunEngineWith(RunnerPlatform& platform, std::string_view input_path,
                  std::string_view output_path, signed char overwrite, signed char strip,
                  const LogCallback& log, const ErrorBox& error_box) {
  if (platform.ProbeFileSize(input_path) < 0) {
    if (error_box) error_box(kFileNotFoundMessage);
    return 0;
  }

  const std::optional<std::string> engine_path = platform.WriteEngineFile();
  if (!engine_path) return -1;

  const std::string command_line =
      BuildEngineCommandLine(*engine_path, input_path, output_path, overwrite, strip);
  std::unique_ptr<ChildProcess> child =
      platform.StartChild(*engine_path, command_line, PathPart(input_path));
  if (!child) {
    platform.RemoveEngineFile(*engine_path);
    if (error_box) error_box(kStartFailedMessage);
    return -1;
  }

  RelayOutput(*child, log);
  if (log) log(kReadyLine);
  child.reset();
  platform.RemoveEngineFile(*engine_path);
  return 1;
}

}  // namespace kelvane::frontend
