// The run order of the console engine: help or command line, read the input,
// start the debug file, format (FormatText), report the time, write.

#include "cli/driver.h"

#include <cerrno>
#include <new>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "cli/command_line.h"
#include "cli/console_messages.h"
#include "engine/app_text.h"
#include "engine/format_text.h"
#include "files/file_io.h"

namespace kelvane {
namespace {

constexpr std::string_view kQuitPrematurely = "Zorv_Kelvane quit prematurely.";

void PrintHelp(Messages& messages) {
  messages.PrintMessage(AppInfo);
  messages.PrintMessage(AppError);
}

FormatStatus ReportFileError(std::ostream& err, std::string_view action, const std::string& path,
                             FileStatus status) {
  err << "zorv_kelvane: cannot " << action << " '" << path << "': " << status.Describe() << '\n';
  err.flush();
  return FormatStatus::kFileError;
}

// How the output is written. A name made from the input's (INPUT.pretty) is
// never the input and follows only trusted links; "-o" (and an output path
// that names the input) replaces the input only while it is still the file
// that was read.
WriteOptions OutputOptions(const RunSettings& settings, bool overwrite, const FileIdentity& input) {
  WriteOptions options;
  options.derived_name = !overwrite && settings.OutPath == settings.SrcPath + ".pretty";
  options.input = &input;
  if (overwrite) options.replaces = &input;
  return options;
}

FormatStatus RunEngineChecked(std::span<const std::string> args, std::ostream& out,
                              std::ostream& err) {
  ConsoleMessages help_messages(out, RunSettings{});
  if (args.empty()) {
    PrintHelp(help_messages);
    return FormatStatus::kOk;
  }
  const RunSettings settings =
      ParseCommandLine(args, [&help_messages] { PrintHelp(help_messages); });
  const bool overwrite = settings.OutPath == settings.SrcPath;

  // "-o" needs a regular file: a pipe or device read whole cannot be replaced.
  std::string text;
  FileIdentity input;
  ReadOptions read_options;
  read_options.regular_only = overwrite;
  if (FileStatus status = ReadWholeFile(settings.SrcPath, text, &input, read_options);
      !status.ok()) {
    const bool refused = status.error == kErrorNotRegular;
    return ReportFileError(err, refused ? "overwrite" : "read", settings.SrcPath, status);
  }

  // The debug file is written beside its target and put in place when the
  // run ends, complete as far as the run got (also when the guard fires); a
  // failed write leaves the old one as it was.
  FileReplacement debug_file;
  if (settings.MssgDebug) {
    WriteOptions debug_options;
    debug_options.derived_name = true;
    debug_options.input = &input;
    if (FileStatus status = debug_file.Open(settings.DbgPath, debug_options); !status.ok()) {
      return ReportFileError(err, "write", settings.DbgPath, status);
    }
  }
  const auto commit_debug_file = [&]() -> FileStatus {
    return settings.MssgDebug ? debug_file.Commit() : FileStatus{};
  };
  ConsoleMessages messages(out, settings, &debug_file);
  if (!messages.WriteDebug(text, "\t\tSource.")) {
    return ReportFileError(err, "write", settings.DbgPath, {messages.debug_error()});
  }

  messages.PrintMessage("Parsing file...\t[" + settings.SrcPath + "]");

  FormatResult result = FormatText(std::move(text), settings.format, messages);
  switch (result.status) {
    case FormatStatus::kOk:
      break;
    case FormatStatus::kGuardFired:
    case FormatStatus::kRefused:
      messages.PrintMessage(result.reason);
      messages.PrintMessage(kQuitPrematurely);
      if (FileStatus status = commit_debug_file(); !status.ok()) {
        return ReportFileError(err, "write", settings.DbgPath, status);
      }
      return result.status;
    case FormatStatus::kFileError:
      return ReportFileError(err, "write", settings.DbgPath, {messages.debug_error()});
  }
  messages.PrintMessage("Time elapsed: " + FormatSeconds(result.elapsed_ms) + " seconds");

  if (FileStatus status = commit_debug_file(); !status.ok()) {
    return ReportFileError(err, "write", settings.DbgPath, status);
  }
  // A result the next run could not read is not written (deep nesting grows
  // a 50 KB table to hundreds of megabytes of TABs).
  if (result.text.size() > kInputSizeLimit) {
    err << "zorv_kelvane: cannot write '" << settings.OutPath << "': the formatted text would be "
        << (result.text.size() >> 20) << " MiB, larger than the input limit of "
        << (kInputSizeLimit >> 20) << " MiB; nothing was written\n";
    err.flush();
    return FormatStatus::kFileError;
  }
  if (FileStatus status =
          WriteWholeFile(settings.OutPath, result.text, OutputOptions(settings, overwrite, input));
      !status.ok()) {
    return ReportFileError(err, "write", settings.OutPath, status);
  }
  return FormatStatus::kOk;
}

}  // namespace

FormatStatus RunCommandLine(std::span<const std::string> args, std::ostream& out,
                            std::ostream& err) {
  // A text too large for the memory at hand (the result of deep nesting
  // grows with the square of the depth) ends the run like a file error: one
  // line, exit status 1, and nothing written, since the output is written last.
  try {
    return RunEngineChecked(args, out, err);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  out.flush();
  return ReportFileError(err, "format", args.empty() ? std::string() : args.front(), {ENOMEM});
}

int ExitStatus(FormatStatus status) {
  switch (status) {
    case FormatStatus::kOk:
      return 0;
    case FormatStatus::kFileError:
      return 1;
    case FormatStatus::kGuardFired:
    case FormatStatus::kRefused:
      return 2;
  }
  return 1;
}

}  // namespace kelvane
