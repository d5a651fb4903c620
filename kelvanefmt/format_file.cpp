// The work of one file, done on a worker thread. Messages are built here, but
// printed by the caller, in path order.

#include "kelvanefmt/format_file.h"

#include <cerrno>
#include <new>
#include <stdexcept>

#include "engine/messages.h"
#include "files/file_io.h"
#include "kelvanefmt/unified_diff.h"

namespace kelvane::fmt {
namespace {

FileResult Failed(const char* action, FileStatus status, uint64_t input_bytes = 0) {
  FileResult result;
  result.outcome = FileOutcome::kFailed;
  result.cause = std::string(action) + ": " + status.Describe();
  result.input_bytes = input_bytes;
  return result;
}

FileResult FormatFileChecked(const FoundFile& file, const FormatOptions& settings,
                             ChangeMode mode) {
  // The folder must be the one searched, and the file is reached by its name
  // there: a link planted since the search (for the file or for a folder on
  // its way) leads nowhere else, and a pipe is never waited for.
  Folder folder;
  if (FileStatus status = folder.Open(file.folder, &file.folder_identity); !status.ok()) {
    return Failed("cannot read", status);
  }
  std::string input;
  FileIdentity identity;
  if (FileStatus status = ReadFileIn(folder, file.name, input, &identity); !status.ok()) {
    return Failed("cannot read", status);
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
  if (formatted.text.size() > kInputSizeLimit) {
    result.outcome = FileOutcome::kRefused;
    result.cause = OutputTooLargeCause(formatted.text.size());
    return result;
  }
  result.outcome = FileOutcome::kChanged;
  switch (mode) {
    case ChangeMode::kWrite: {
      // Replaced only while it is still the file that was read, unchanged:
      // an editor's save or a copy under way meanwhile is kept.
      WriteOptions options;
      options.replaces = &identity;
      FileReplacement replacement;
      FileStatus status = replacement.OpenIn(folder, file.name, options);
      if (status.ok()) status = replacement.Append(formatted.text);
      if (status.ok()) status = replacement.Commit();
      if (!status.ok()) return Failed("cannot write", status, input.size());
      break;
    }
    case ChangeMode::kCheck:
      break;
    case ChangeMode::kDiff:
      result.diff = UnifiedDiff(input, formatted.text, file.path);
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

std::string OutputTooLargeCause(uint64_t size) {
  return "refused: the formatted text would be " + std::to_string(size >> 20) +
         " MiB, larger than the input limit of " + std::to_string(kInputSizeLimit >> 20) +
         " MiB; nothing was written";
}

FileResult FormatFile(const FoundFile& file, const FormatOptions& settings, ChangeMode mode) {
  try {
    return FormatFileChecked(file, settings, mode);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return Failed("cannot format", {ENOMEM});
}

}  // namespace kelvane::fmt
