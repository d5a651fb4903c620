// The work of one file, done on a worker thread. Messages are built here, but
// printed by the caller, in path order.

#include "kelvanefmt/format_file.h"

#include <cerrno>
#include <new>
#include <stdexcept>
#include <string_view>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "files/file_io.h"
#include "kelvanefmt/format_lua_text.h"
#include "kelvanefmt/quoted_name.h"
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

// A file is replaced by a new file written beside it, so a writable file in
// a folder that is not writable cannot be replaced; the system's "Permission
// denied" does not say that the folder is the cause.
FileResult WriteFailed([[maybe_unused]] const FoundFile& file,
                       [[maybe_unused]] const Folder& folder, FileStatus status,
                       uint64_t input_bytes) {
  FileResult failed = Failed("cannot write", status, input_bytes);
#ifndef _WIN32
  if (status.error == EACCES || status.error == EPERM || status.error == EROFS) {
    if (faccessat(static_cast<int>(folder.descriptor()), ".", W_OK, 0) != 0) {
      std::string_view spelt = file.folder;
      if (spelt.size() > 1 && (spelt.back() == '/' || spelt.back() == '\\')) spelt.remove_suffix(1);
      const std::string shown = spelt.empty() ? std::string(".") : ShownName(spelt);
      failed.cause = "cannot write: the folder '" + shown +
                     "' is not writable (the file is replaced by a new file beside it)";
    }
  }
#endif
  return failed;
}

FileResult FormatFileChecked(const FoundFile& file, const FileSettings& settings, ChangeMode mode) {
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
    case ChangeMode::kWrite: {
      // Replaced only while it is still the file that was read, unchanged:
      // an editor's save or a copy under way meanwhile is kept.
      WriteOptions options;
      options.replaces = &identity;
      FileReplacement replacement;
      FileStatus status = replacement.OpenIn(folder, file.name, options);
      if (status.ok()) status = replacement.Append(formatted.text);
      if (status.ok()) status = replacement.Commit();
      if (!status.ok()) return WriteFailed(file, folder, status, input.size());
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

FileResult FormatFile(const FoundFile& file, const FileSettings& settings, ChangeMode mode) {
  try {
    return FormatFileChecked(file, settings, mode);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return Failed("cannot format", {ENOMEM});
}

}  // namespace kelvane::fmt
