// One formatting run: check the paths, write out and start the engine, relay
// its output lines into the log, then close the child, remove the engine and
// end the log with the run's outcome.
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
    if (reader.AtEnd()) break;  // the pipe is closed: nothing more can arrive
  }
  child.WaitForEnd();
}

// "the engine ended with exit status 1", "... was ended by signal 9"; a
// Windows exit code that is no small number (a crash) is shown in hex.
std::string DescribeChildExit(const ChildExit& exit) {
  if (exit.by_signal) return "the engine was ended by signal " + std::to_string(exit.code);
  std::string code;
  if (exit.code >= 0 && exit.code <= 255) {
    code = std::to_string(exit.code);
  } else {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    auto value = static_cast<uint64_t>(exit.code) & 0xFFFFFFFFu;
    do {
      code.insert(code.begin(), kDigits[value % 16]);
      value /= 16;
    } while (value != 0);
    code = "0x" + code;
  }
  return "the engine ended with exit status " + code;
}

// Ends a failed run: the reason as the log's last line and in the error box.
int Fail(int result, std::string_view reason, const LogCallback& log, const ErrorBox& error_box) {
  if (log) log(FailedLine(reason));
  if (error_box) error_box(reason);
  return result;
}

}  // namespace

int RunEngineWith(RunnerPlatform& platform, std::string_view input_path,
                  std::string_view output_path, signed char overwrite, signed char strip,
                  const LogCallback& log, const ErrorBox& error_box) {
  if (platform.ProbeFileSize(input_path) < 0) {
    if (error_box) error_box(kFileNotFoundMessage);
    return kRunNoInput;
  }
  // On a single command line a '"' would end the quoted path and start new
  // arguments ("-o" among them); an argument vector carries any path as it is.
  const bool quote_in_path = input_path.find('"') != std::string_view::npos ||
                             (overwrite == 0 && output_path.find('"') != std::string_view::npos);
  if (quote_in_path && platform.PassesOneCommandLine()) {
    if (error_box) error_box(kQuoteInPathMessage);
    return kRunNoInput;
  }
  // The engine starts in the input's folder, so relative paths would be read
  // against the wrong folder: both go to it absolute.
  const std::string input = platform.AbsolutePath(input_path);
  const std::string output = overwrite != 0 ? std::string() : platform.AbsolutePath(output_path);

  std::string error;
  const std::optional<EngineFile> engine = platform.WriteEngineFile(error);
  if (!engine) return Fail(kRunNoEngine, error, log, error_box);

  EngineCommand command;
  command.arguments = BuildEngineArguments(engine->path, input, output, overwrite, strip);
  command.line = BuildEngineCommandLine(engine->path, input, output, overwrite, strip);
  std::unique_ptr<ChildProcess> child = platform.StartChild(*engine, command, PathPart(input));
  if (!child) {
    platform.RemoveEngineFile(*engine);
    return Fail(kRunNoEngine, kStartFailedMessage, log, error_box);
  }

  RelayOutput(*child, log);
  const ChildExit exit = child->Exit();
  child.reset();
  platform.RemoveEngineFile(*engine);
  if (!exit.ok()) {
    // The engine's own error line, if it wrote one, is already in the log.
    const std::string reason = DescribeChildExit(exit);
    if (log) log(FailedLine(reason));
    return kRunFailed;
  }
  if (log) log(kReadyLine);
  return kRunDone;
}

}  // namespace kelvane::frontend
