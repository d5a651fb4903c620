// The run order of the engine: help or command line, read the input, start
// the debug file, run ProcessCode and time it, replace the header line, write.

#include "engine/driver.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "engine/app_text.h"
#include "engine/command_line.h"
#include "engine/console_messages.h"
#include "engine/file_io.h"
#include "engine/header_line.h"
#include "engine/format_text.h"

namespace kelvane {
namespace {

constexpr std::string_view kQuitPrematurely = "Zorv_Kelvane quit prematurely.";

void PrintHelp(Messages& messages) {
  messages.PrintMessage(AppInfo);
  messages.PrintMessage(AppError);
}

RunOutcome ReportFileError(std::ostream& err, std::string_view action, const std::string& path,
                           int error) {
  err << "zorv_kelvane: cannot " << action << " '" << path << "': " << std::strerror(error) << '\n';
  err.flush();
  return RunOutcome::kFileError;
}

RunOutcome RunEngineChecked(std::span<const std::string> args, std::ostream& out,
                            std::ostream& err) {
  ConsoleMessages help_messages(out, RunSettings{});
  if (args.empty()) {
    PrintHelp(help_messages);
    return RunOutcome::kOk;
  }
  const RunSettings settings =
      ParseCommandLine(args, [&help_messages] { PrintHelp(help_messages); });
  ConsoleMessages messages(out, settings);

  std::string text;
  if (FileStatus status = ReadWholeFile(settings.SrcPath, text); !status.ok()) {
    return ReportFileError(err, "read", settings.SrcPath, status.error);
  }

  if (settings.MssgDebug) {
    if (FileStatus status = CreateEmptyFile(settings.DbgPath); !status.ok()) {
      return ReportFileError(err, "write", settings.DbgPath, status.error);
    }
    if (!messages.WriteDebug(text, "\t\tSource.")) {
      return ReportFileError(err, "write", settings.DbgPath, messages.debug_error());
    }
  }

  messages.PrintMessage("Parsing file...\t[" + settings.SrcPath + "]");

  FormatResult result = FormatText(std::move(text), settings, messages);
  switch (result.status) {
    case FormatStatus::kOk:
      break;
    case FormatStatus::kGuardFired:
    case FormatStatus::kRefused:
      messages.PrintMessage(result.reason);
      messages.PrintMessage(kQuitPrematurely);
      return RunOutcome::kGuardFired;
    case FormatStatus::kDebugWriteFailed:
      return ReportFileError(err, "write", settings.DbgPath, messages.debug_error());
  }
  messages.PrintMessage("Time elapsed: " + FormatSeconds(result.elapsed_ms) + " seconds");

  const std::string& output = result.text;
  if (FileStatus status = WriteWholeFile(settings.OutPath, output); !status.ok()) {
    return ReportFileError(err, "write", settings.OutPath, status.error);
  }
  return RunOutcome::kOk;
}

}  // namespace

RunOutcome RunEngine(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
  // A text too large for the memory at hand (the result of deep nesting
  // grows with the square of the depth) ends the run like a file error: one
  // line, exit status 1, and nothing written, since the output is written last.
  try {
    return RunEngineChecked(args, out, err);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  out.flush();
  return ReportFileError(err, "format", args.empty() ? std::string() : args.front(), ENOMEM);
}

int ExitStatus(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::kOk:
      return 0;
    case RunOutcome::kFileError:
      return 1;
    case RunOutcome::kGuardFired:
      return 2;
  }
  return 1;
}

}  // namespace kelvane
