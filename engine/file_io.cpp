// Whole-file reading and safe writing. The platform-specific pieces (creating
// the temporary file exclusively, keeping the target's permissions and links,
// and the rename over an existing target, which Windows' rename() refuses)
// stay in this file.

#include "engine/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <stdexcept>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kelvane {
namespace {

// errno after a failed call, never 0, so that a failure is never taken for success.
int LastError() { return errno != 0 ? errno : EIO; }

// Writes all of `bytes` and closes `file`; the first failure wins.
int WriteAndClose(std::FILE* file, std::string_view bytes) {
  errno = 0;
  int error = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    error = LastError();
  }
  if (error == 0 && std::fflush(file) != 0) error = LastError();
  if (std::fclose(file) != 0 && error == 0) error = LastError();
  return error;
}

// The folder part of `path`, with its trailing separator, or "" for a bare name.
std::string FolderOf(const std::string& path) {
#ifdef _WIN32
  const size_t slash = path.find_last_of("/\\:");
#else
  const size_t slash = path.rfind('/');
#endif
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Creates a new file that did not exist before; nullptr with errno set if not.
std::FILE* CreateNewFile(const std::string& path) {
#ifdef _WIN32
  const int fd =
      _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
#else
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
#endif
  return file;
}

// The file that writing to `path` would change: the file a symbolic link
// points to rather than the link itself, so that the link survives.
std::string ResolveTarget(const std::string& path) {
#ifndef _WIN32
  struct stat info;
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* resolved = realpath(path.c_str(), nullptr); resolved != nullptr) {
      std::string target = resolved;
      std::free(resolved);
      return target;
    }
  }
#endif
  return path;
}

// An existing target must be writable, as it would have to be for writing it
// in place; the rename alone would replace even a read-only file.
int CheckWritable([[maybe_unused]] const std::string& path) {
#ifndef _WIN32
  errno = 0;
  if (access(path.c_str(), F_OK) == 0 && access(path.c_str(), W_OK) != 0) return LastError();
#endif
  return 0;
}

// Keeps the permission bits of an existing target on the file replacing it
// (with "-o" the target is the input file).
void CopyPermissions([[maybe_unused]] const std::string& from,
                     [[maybe_unused]] const std::string& to) {
#ifndef _WIN32
  struct stat target;
  if (stat(from.c_str(), &target) == 0) chmod(to.c_str(), target.st_mode & 07777);
#endif
}

// Devices and pipes (/dev/null, /dev/stdout, a FIFO) hold no content that a
// failed write could damage, and a rename would replace the node itself by a
// regular file, so they are written in place, as a plain write would.
bool IsSpecialFile([[maybe_unused]] const std::string& path) {
#ifndef _WIN32
  struct stat info;
  return stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
#else
  return false;
#endif
}

int WriteInPlace([[maybe_unused]] const std::string& path,
                 [[maybe_unused]] std::string_view bytes) {
#ifndef _WIN32
  errno = 0;
  const int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return LastError();
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    const int error = LastError();
    close(fd);
    return error;
  }
  return WriteAndClose(file, bytes);
#else
  return EINVAL;
#endif
}

int RenameOver(const std::string& from, const std::string& to) {
#ifdef _WIN32
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
  switch (GetLastError()) {
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
      return ENOENT;
    case ERROR_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
#else
  errno = 0;
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : LastError();
#endif
}

}  // namespace

FileStatus ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {LastError()};
  char buffer[1 << 16];
  int error = 0;
  try {
    for (;;) {
      errno = 0;
      const size_t got = std::fread(buffer, 1, sizeof buffer, file);
      bytes.append(buffer, got);
      if (got < sizeof buffer) {
        // A folder opens on some systems and fails here (EISDIR).
        if (std::ferror(file)) error = LastError();
        break;
      }
    }
  } catch (const std::bad_alloc&) {
    error = ENOMEM;  // a file larger than the memory at hand
  } catch (const std::length_error&) {
    error = ENOMEM;
  }
  std::fclose(file);
  if (error != 0) std::string().swap(bytes);
  return {error};
}

FileStatus WriteWholeFile(const std::string& path, std::string_view bytes) {
  // The temporary file lies beside the target, so that the rename stays on
  // one file system and is atomic. Its name is random; on a clash try again.
  const std::string target = ResolveTarget(path);
  if (const int error = CheckWritable(target); error != 0) return {error};
  if (IsSpecialFile(target)) return {WriteInPlace(target, bytes)};
  const std::string folder = FolderOf(target);
  std::random_device seed;
  std::mt19937_64 random(seed());
  std::string temp_path;
  std::FILE* file = nullptr;
  for (int attempt = 0; attempt < 100 && file == nullptr; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    temp_path = folder + ".kelvane-" + suffix + ".tmp";
    errno = 0;
    file = CreateNewFile(temp_path);
    if (file == nullptr && errno != EEXIST) return {LastError()};
  }
  if (file == nullptr) return {EEXIST};

  int error = WriteAndClose(file, bytes);
  if (error == 0) {
    CopyPermissions(target, temp_path);
    error = RenameOver(temp_path, target);
  }
  if (error != 0) std::remove(temp_path.c_str());
  return {error};
}

FileStatus CreateEmptyFile(const std::string& path) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return {LastError()};
  return {WriteAndClose(file, {})};
}

FileStatus AppendToFile(const std::string& path, std::string_view bytes) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return {LastError()};
  return {WriteAndClose(file, bytes)};
}

}  // namespace kelvane
