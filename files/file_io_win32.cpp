// Reading and replacing files on Windows: identities from the file's volume
// serial number and file index, a temporary file beside the target put in
// its place by ReplaceFileA (which keeps the replaced file's security
// descriptor, attributes and streams) or, for a new file, MoveFileExA, and a
// console handler that removes the temporary files of unfinished
// replacements when the console is interrupted or closed.

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

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
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
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
    case ERROR_DIRECTORY:
      return ENOTDIR;
    default:
      return EIO;
  }
}

FileKind KindOf(DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return FileKind::kLink;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::kFolder;
  return FileKind::kRegular;
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
  identity.kind = KindOf(info.dwFileAttributes);
  return true;
}

// Opens `path` with `access`, shared with everyone so that it disturbs no
// other program; a link there is opened itself, not followed, when `follow`
// is false.
HANDLE OpenShared(const std::string& path, DWORD access, bool follow) {
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                     nullptr);
}

// The identity of the file at `path`, opened for no access; 0 or the cause.
int IdentityOfPath(const std::string& path, bool follow, FileIdentity& identity) {
  const HANDLE handle = OpenShared(path.empty() ? "." : path, 0, follow);
  if (handle == INVALID_HANDLE_VALUE) return ErrnoFromWindows(GetLastError());
  const bool known = IdentityOfHandle(handle, identity);
  const DWORD error = GetLastError();
  CloseHandle(handle);
  return known ? 0 : ErrnoFromWindows(error);
}

std::string FolderPrefixOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\:");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Runs on a thread of its own when the console is interrupted or closed.
BOOL WINAPI RemoveTemporaryFiles(DWORD /*event*/) {
  RemoveClaimedNames([](int /*folder*/, const char* path) { DeleteFileA(path); });
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

// Reads the open file `handle` whole (and closes it), as ReadWholeFile says.
FileStatus ReadOpenFile(HANDLE handle, std::string& bytes, FileIdentity* identity,
                        const ReadOptions& options) {
  FileIdentity found;
  int error = 0;
  if (!IdentityOfHandle(handle, found)) {
    error = ErrnoFromWindows(GetLastError());
  } else {
    const auto read_some = [](void* file, char* buffer, size_t size, int& failure) -> long long {
      DWORD got = 0;
      if (ReadFile(static_cast<HANDLE>(file), buffer, static_cast<DWORD>(size), &got, nullptr)) {
        return got;
      }
      const DWORD code = GetLastError();
      if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) return 0;  // the end
      failure = ErrnoFromWindows(code);
      return -1;
    };
    error = file_io_internal::ReadWhole(handle, read_some, found, options, bytes);
  }
  CloseHandle(handle);
  if (error != 0) return {error};
  if (identity != nullptr) *identity = found;
  return {};
}

// The replacement: a temporary file beside the target, put in its place.
class WindowsReplacement final : public FileReplacement::Platform {
 public:
  ~WindowsReplacement() override {
    if (fd_ >= 0) _close(fd_);
    if (!temp_path_.empty()) DeleteFileA(temp_path_.c_str());
    ReleaseNameSlot(slot_);
  }

  // Prepares the replacement of the file at `path`; with `follow` false a
  // link there is refused.
  int Open(const std::string& path, const WriteOptions& options, bool follow) {
    target_ = path;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if (!follow && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return kErrorIsLink;
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EISDIR;
      target_exists_ = true;
      FileIdentity found;
      if (options.replaces != nullptr || options.input != nullptr) {
        if (const int error = IdentityOfPath(path, true, found); error != 0) return error;
      }
      const FileIdentity* expected = nullptr;
      if (const int error = CheckExistingTarget(found, options, expected); error != 0) {
        return error;
      }
      check_unchanged_ = expected != nullptr;
      if (expected != nullptr) expected_ = *expected;
    } else if (options.replaces != nullptr) {
      return kErrorChanged;  // the input is gone
    }
    return CreateTemporary();
  }

  int Write(std::string_view bytes) override { return WriteAll(fd_, bytes); }

  int Commit() override {
    errno = 0;
    if (_commit(fd_) != 0) return LastError();
    errno = 0;
    const int closed = _close(fd_);
    fd_ = -1;
    if (closed != 0) return LastError();
    if (check_unchanged_) {
      FileIdentity now;
      if (IdentityOfPath(target_, true, now) != 0 || !SameFileUnchanged(now, expected_)) {
        return kErrorChanged;
      }
    }
    // ReplaceFileA gives the new file the replaced one's security
    // descriptor, attributes and streams; a rename would keep the
    // temporary file's, inherited from the folder.
    const bool moved =
        target_exists_
            ? ReplaceFileA(target_.c_str(), temp_path_.c_str(), nullptr, 0, nullptr, nullptr) != 0
            : MoveFileExA(temp_path_.c_str(), target_.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!moved) return ErrnoFromWindows(GetLastError());
    temp_path_.clear();
    ReleaseNameSlot(slot_);
    return 0;
  }

 private:
  int CreateTemporary() {
    const std::string folder = FolderPrefixOf(target_);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      const std::string name = folder + TemporaryName();
      slot_ = ClaimNameSlot(-1, name);
      errno = 0;
      fd_ = _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
      if (fd_ >= 0) {
        temp_path_ = name;
        return 0;
      }
      const int failure = LastError();
      ReleaseNameSlot(slot_);
      if (failure != EEXIST) return failure;
    }
    return EEXIST;
  }

  std::string target_;
  bool target_exists_ = false;
  std::string temp_path_;
  int slot_ = -1;
  int fd_ = -1;
  bool check_unchanged_ = false;
  FileIdentity expected_;
};

int OpenReplacement(const std::string& path, const WriteOptions& options, bool follow,
                    std::unique_ptr<FileReplacement::Platform>& file) {
  auto replacement = std::make_unique<WindowsReplacement>();
  if (const int error = replacement->Open(path, options, follow); error != 0) return error;
  file = std::move(replacement);
  return 0;
}

}  // namespace

namespace file_io_internal {

int OpenPlatformReplacement(const std::string& path, const WriteOptions& options,
                            std::unique_ptr<FileReplacement::Platform>& file) {
  return OpenReplacement(path, options, true, file);
}

int OpenPlatformReplacementIn(const Folder& folder, const std::string& name,
                              const WriteOptions& options,
                              std::unique_ptr<FileReplacement::Platform>& file) {
  if (name.find_first_of("/\\:") != std::string::npos) return EINVAL;
  return OpenReplacement(folder.path() + name, options, false, file);
}

void UseNamedTemporaryFiles(bool /*named*/) {}  // the only kind there is here

}  // namespace file_io_internal

FileStatus IdentifyPath(const std::string& path, FileIdentity& identity) {
  return {IdentityOfPath(path, true, identity)};
}

Folder::Folder() = default;
Folder::~Folder() = default;
Folder::Folder(Folder&& other) noexcept { *this = std::move(other); }
Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    descriptor_ = std::exchange(other.descriptor_, -1);
    path_ = std::move(other.path_);
    identity_ = other.identity_;
  }
  return *this;
}

FileStatus Folder::Open(const std::string& path, const FileIdentity* expected) {
  *this = Folder();
  FileIdentity found;
  if (const int error = IdentityOfPath(path, true, found); error != 0) return {error};
  if (found.kind != FileKind::kFolder) return {ENOTDIR};
  if (expected != nullptr && !SameFile(found, *expected)) return {kErrorFolderChanged};
  const bool ends_with_separator =
      path.empty() || path.back() == '/' || path.back() == '\\' || path.back() == ':';
  path_ = ends_with_separator ? path : path + '\\';
  identity_ = found;
  return {};
}

FileStatus ListFolder(const Folder& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  WIN32_FIND_DATAA found{};
  const HANDLE search = FindFirstFileA((folder.path() + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {ErrnoFromWindows(GetLastError())};
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back({name, KindOf(found.dwFileAttributes)});
  } while (FindNextFileA(search, &found));
  const DWORD error = GetLastError();
  FindClose(search);
  return {error == ERROR_NO_MORE_FILES ? 0 : ErrnoFromWindows(error)};
}

FileStatus IdentifyIn(const Folder& folder, const std::string& name, FileIdentity& identity) {
  return {IdentityOfPath(folder.path() + name, false, identity)};
}

FileStatus LocateFile(const std::string& path, std::string& folder, std::string& name) {
  folder = FolderPrefixOf(path);
  name = path.substr(folder.size());
  if (name.empty()) return {EISDIR};
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return {ErrnoFromWindows(GetLastError())};
  }
  return {};
}

FileStatus ReadWholeFile(const std::string& path, std::string& bytes, FileIdentity* identity,
                         const ReadOptions& options) {
  bytes.clear();
  const HANDLE handle = OpenShared(path, GENERIC_READ, true);
  if (handle == INVALID_HANDLE_VALUE) return {ErrnoFromWindows(GetLastError())};
  return ReadOpenFile(handle, bytes, identity, options);
}

FileStatus ReadFileIn(const Folder& folder, const std::string& name, std::string& bytes,
                      FileIdentity* identity, const ReadOptions& options) {
  bytes.clear();
  if (name.find_first_of("/\\:") != std::string::npos) return {EINVAL};
  const HANDLE handle = OpenShared(folder.path() + name, GENERIC_READ, false);
  if (handle == INVALID_HANDLE_VALUE) return {ErrnoFromWindows(GetLastError())};
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(handle, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    CloseHandle(handle);
    return {kErrorIsLink};
  }
  ReadOptions regular = options;
  regular.regular_only = true;
  return ReadOpenFile(handle, bytes, identity, regular);
}

void InstallFileSignalHandling() { SetConsoleCtrlHandler(RemoveTemporaryFiles, TRUE); }

void UseBinaryStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace kelvane
