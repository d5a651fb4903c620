// Reading and replacing files on Windows: identities from the file's volume
// serial number and file index, a temporary file beside the target moved over
// it with MoveFileExA, and a console handler that removes the temporary files
// of unfinished replacements when the console is interrupted or closed.

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "files/file_io.h"
#include "files/file_io_internal.h"

namespace kelvane {
namespace {

using file_io_internal::CheckExistingTarget;
using file_io_internal::ClaimNameSlot;
using file_io_internal::kNameAttempts;
using file_io_internal::ReleaseNameSlot;
using file_io_internal::RemoveClaimedNames;
using file_io_internal::TemporaryName;

int LastError() { return errno != 0 ? errno : EIO; }

int ErrnoFromWindows(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    default:
      return EIO;
  }
}

// The identity of an open file; false when the platform cannot say.
bool IdentityOfHandle(HANDLE handle, FileIdentity& identity) {
  identity = FileIdentity{};
  if (GetFileType(handle) != FILE_TYPE_DISK) return true;  // a pipe or console: not regular
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return false;
  identity.device = info.dwVolumeSerialNumber;
  identity.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  identity.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  const uint64_t ticks = (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                         info.ftLastWriteTime.dwLowDateTime;
  identity.modified_ns = static_cast<int64_t>(ticks) * 100;
  identity.regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  return true;
}

// The identity of the file at `path`, opened for no access and shared with
// everyone so that it disturbs no other program; false when it cannot be opened.
bool IdentityOfPath(const std::string& path, FileIdentity& identity) {
  const HANDLE handle =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool known = IdentityOfHandle(handle, identity);
  CloseHandle(handle);
  return known;
}

std::string FolderPrefixOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\:");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Runs on a thread of its own when the console is interrupted or closed.
BOOL WINAPI RemoveTemporaryFiles(DWORD /*event*/) {
  RemoveClaimedNames([](const char* path) { DeleteFileA(path); });
  return FALSE;  // the default handler ends the program
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const unsigned chunk = static_cast<unsigned>(std::min<size_t>(bytes.size(), 1u << 30));
    errno = 0;
    const int written = _write(fd, bytes.data(), chunk);
    if (written <= 0) return LastError();
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

}  // namespace

struct FileReplacement::State {
  std::string target;
  std::string temp_path;
  int slot = -1;
  int fd = -1;
  bool check_unchanged = false;
  FileIdentity expected;
  int error = 0;

  ~State() {
    if (fd >= 0) _close(fd);
    if (!temp_path.empty()) DeleteFileA(temp_path.c_str());
    ReleaseNameSlot(slot);
  }

  int CreateTemporary() {
    const std::string folder = FolderPrefixOf(target);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      const std::string name = TemporaryName(folder);
      slot = ClaimNameSlot(name);
      errno = 0;
      fd = _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                 _S_IREAD | _S_IWRITE);
      if (fd >= 0) {
        temp_path = name;
        return 0;
      }
      const int failure = LastError();
      ReleaseNameSlot(slot);
      if (failure != EEXIST) return failure;
    }
    return EEXIST;
  }

  int Commit() {
    errno = 0;
    if (_commit(fd) != 0) return LastError();
    errno = 0;
    const int closed = _close(fd);
    fd = -1;
    if (closed != 0) return LastError();
    if (check_unchanged) {
      FileIdentity now;
      if (!IdentityOfPath(target, now) || !SameFileUnchanged(now, expected)) return kErrorChanged;
    }
    if (!MoveFileExA(temp_path.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return ErrnoFromWindows(GetLastError());
    }
    temp_path.clear();
    ReleaseNameSlot(slot);
    return 0;
  }
};

FileReplacement::FileReplacement() = default;
FileReplacement::~FileReplacement() = default;

FileStatus FileReplacement::Open(const std::string& path, const WriteOptions& options) {
  state_ = std::make_unique<State>();
  State& state = *state_;
  const auto fail = [&state](int error) {
    state.error = error;
    return FileStatus{error};
  };
  if (path.empty()) return fail(ENOENT);
  state.target = path;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return fail(EISDIR);
    FileIdentity found;
    if ((options.replaces != nullptr || options.input != nullptr) && !IdentityOfPath(path, found)) {
      return fail(ErrnoFromWindows(GetLastError()));
    }
    const FileIdentity* expected = nullptr;
    if (const int error = CheckExistingTarget(found, options, expected); error != 0) {
      return fail(error);
    }
    state.check_unchanged = expected != nullptr;
    if (expected != nullptr) state.expected = *expected;
  } else if (options.replaces != nullptr) {
    return fail(kErrorChanged);  // the input is gone
  }
  if (const int error = state.CreateTemporary(); error != 0) return fail(error);
  return {};
}

FileStatus FileReplacement::Append(std::string_view bytes) {
  if (!state_) return {EBADF};
  if (state_->error != 0) return {state_->error};
  state_->error = WriteAll(state_->fd, bytes);
  return {state_->error};
}

FileStatus FileReplacement::Commit() {
  if (!state_) return {EBADF};
  if (state_->error == 0) state_->error = state_->Commit();
  const FileStatus status{state_->error};
  state_.reset();
  return status;
}

FileStatus ReadWholeFile(const std::string& path, std::string& bytes, FileIdentity* identity,
                         const ReadOptions& options) {
  bytes.clear();
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {LastError()};
  FileIdentity found;
  int error = 0;
  if (!IdentityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))), found)) {
    error = ErrnoFromWindows(GetLastError());
  } else if (options.regular_only && !found.regular) {
    error = kErrorNotRegular;
  } else if (found.regular && found.size > options.size_limit) {
    error = kErrorTooLarge;
  }
  try {
    if (error == 0 && found.regular) bytes.reserve(static_cast<size_t>(found.size));
    char buffer[1 << 16];
    while (error == 0) {
      errno = 0;
      const size_t got = std::fread(buffer, 1, sizeof buffer, file);
      if (bytes.size() + got > options.size_limit) {
        error = kErrorTooLarge;
        break;
      }
      bytes.append(buffer, got);
      if (got < sizeof buffer) {
        if (std::ferror(file)) error = LastError();
        break;
      }
    }
  } catch (const std::bad_alloc&) {
    error = ENOMEM;
  } catch (const std::length_error&) {
    error = ENOMEM;
  }
  std::fclose(file);
  if (error != 0) {
    std::string().swap(bytes);
    return {error};
  }
  if (identity != nullptr) *identity = found;
  return {};
}

void InstallFileSignalHandling() { SetConsoleCtrlHandler(RemoveTemporaryFiles, TRUE); }

void UseBinaryStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

namespace file_io_internal {

void UseNamedTemporaryFiles(bool /*named*/) {}  // the only kind there is here

}  // namespace file_io_internal

}  // namespace kelvane
