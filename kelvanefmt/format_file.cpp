// The work of one file, done on a worker thread. Messages are built here, but
// printed by the caller, in path order.

#include "kelvanefmt/format_file.h"

#include <cerrno>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "engine/file_io.h"
#include "kelvanefmt/format_lua_text.h"
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

// A file is replaced by a new file written beside it, so a writable file in
// a folder that is not writable cannot be replaced; the system's "Permission
// denied" does not say that the folder is the cause.
FileResult WriteFailed([[maybe_unused]] const std::string& path, const FileStatus& status) {
  FileResult failed = Failed("cannot write", status.error);
#ifndef _WIN32
  if (status.error == EACCES || status.error == EPERM || status.error == EROFS) {
    const std::string parent = std::filesystem::path(path).parent_path().string();
    const std::string folder = parent.empty() ? std::string(".") : parent;
    if (access(folder.c_str(), W_OK) != 0) {
      failed.cause = "cannot write: the folder '" + folder +
                     "' is not writable (the file is replaced by a new file beside it)";
    }
  }
#endif
  return failed;
}

FileResult FormatFileChecked(const std::string& path, const FileSettings& settings,
                             ChangeMode mode) {
  std::string input;
  if (FileStatus status = ReadWholeFile(path, input); !status.ok()) {
    return Failed("cannot read", status.error);
  }
  const LuaTextResult formatted = FormatLuaText(input, settings);

  FileResult result;
  result.input_bytes = input.size();
  if (!formatted.ok) {
    result.outcome = FileOutcome::kRefused;
    result.cause = formatted.cause;
    return result;
  }
  if (formatted.text == input) return result;
  result.outcome = FileOutcome::kChanged;
  switch (mode) {
    case ChangeMode::kWrite:
      if (FileStatus status = WriteWholeFile(path, formatted.text); !status.ok()) {
        FileResult failed = WriteFailed(path, status);
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

FileResult FormatFile(const std::string& path, const FileSettings& settings, ChangeMode mode) {
  try {
    return FormatFileChecked(path, settings, mode);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return Failed("cannot format", ENOMEM);
}

}  // namespace kelvane::fmt
