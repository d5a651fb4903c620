// The work of one file, done on a worker thread. Messages are built here, but
// printed by the caller, in path order.

#include "kelvanefmt/format_file.h"

#include <cerrno>
#include <new>
#include <stdexcept>
#include <system_error>

#include "files/file_io.h"
#include "engine/messages.h"
#include "kelvanefmt/unified_diff.h"

namespace kelvane::fmt {
namespace {

FileResult Failed(const char* action, int error) {
  FileResult result;
  result.outcome = FileOutcome::kFailed;
  // strerror's text for our own errno values; std::error_code's message is
  // the thread-safe way to get it.
  result.cause = std::string(action) + ": " + std::generic_category().message(error);
  return result;
}

FileResult FormatFileChecked(const std::string& path, const FormatOptions& settings,
                             ChangeMode mode) {
  std::string input;
  if (FileStatus status = ReadWholeFile(path, input); !status.ok()) {
    return Failed("cannot read", status.error);
  }
  NullMessages quiet;
  const FormatResult formatted = FormatText(input, settings, quiet);

  FileResult result;
  result.input_bytes = input.size();
  if (formatted.status != FormatStatus::kOk) {
    result.outcome = FileOutcome::kRefused;
    result.cause = RefusalCause(formatted);
    return result;
  }
  if (formatted.text == input) return result;
  result.outcome = FileOutcome::kChanged;
  switch (mode) {
    case ChangeMode::kWrite:
      if (FileStatus status = WriteWholeFile(path, formatted.text); !status.ok()) {
        FileResult failed = Failed("cannot write", status.error);
        failed.input_bytes = input.size();
        return failed;
      }
      break;
    case ChangeMode::kCheck:
      break;
    case ChangeMode::kDiff:
      result.diff = UnifiedDiff(input, formatted.text, path);
      break;
  }
  return result;
}

}  // namespace

FormatOptions EngineSettings(const FmtOptions& options) {
  FormatOptions settings;
  settings.StripComments = options.strip_comments;
  settings.UnixEndOfLine = options.lf;
  return settings;
}

std::string RefusalCause(const FormatResult& result) {
  switch (result.status) {
    case FormatStatus::kOk:
      return {};
    case FormatStatus::kGuardFired:
      return "refused by the brace guard: " + result.reason;
    case FormatStatus::kRefused:
      return "refused by the meaning check: " + result.reason;
    case FormatStatus::kFileError:
      break;  // no debug file is ever asked for
  }
  return "refused by the engine";
}

FileResult FormatFile(const std::string& path, const FormatOptions& settings, ChangeMode mode) {
  try {
    return FormatFileChecked(path, settings, mode);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return Failed("cannot format", ENOMEM);
}

}  // namespace kelvane::fmt
