// Reading and replacing files on POSIX systems: identities from fstat(),
// symbolic links walked one by one, owner-only temporary files (O_TMPFILE,
// which has no name until it is complete, where the file system has it), and
// the signal handlers that remove the names of unfinished replacements.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
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

// Links followed at most on the way to a target, as the kernel allows.
constexpr int kMaxLinks = 40;

std::atomic<bool> g_named_temporary_files{false};

// errno after a failed call, never 0, so that a failure is never taken for success.
int LastError() { return errno != 0 ? errno : EIO; }

FileIdentity IdentityOf(const struct stat& info) {
  FileIdentity identity;
  identity.device = static_cast<uint64_t>(info.st_dev);
  identity.inode = static_cast<uint64_t>(info.st_ino);
  identity.size = static_cast<uint64_t>(info.st_size);
  identity.modified_ns =
      static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  identity.regular = S_ISREG(info.st_mode);
  return identity;
}

// The folder part of `path`, with its trailing "/", or "" for a bare name.
std::string FolderPrefixOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The process's file-creation mask, read once (reading it means setting it).
mode_t CreationMask() {
  static const mode_t mask = [] {
    const mode_t current = umask(0);
    umask(current);
    return current;
  }();
  return mask;
}

// Removes the names of unfinished replacements, then ends the program as the
// signal would have.
void RemoveTemporaryFilesAndEnd(int signal_number) {
  RemoveClaimedNames([](const char* path) { unlink(path); });
  // Default action, raised again: it arrives as soon as this handler returns.
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
  raise(signal_number);
}

// The target.

struct Target {
  std::string path;  // the file to replace, after every link on the way
  bool exists = false;
  struct stat info {};
};

// Follows symbolic links from `path` one by one. A link that leads nowhere is
// refused; at a derived name every link must be the user's or root's.
int ResolveTarget(const std::string& path, bool derived_name, Target& target) {
  std::string current = path;
  for (int links = 0;; ++links) {
    struct stat info {};
    errno = 0;
    if (lstat(current.c_str(), &info) != 0) {
      const int error = LastError();
      if (error != ENOENT) return error;
      if (links > 0) return kErrorDanglingLink;
      target.path = current;
      target.exists = false;
      return 0;
    }
    if (!S_ISLNK(info.st_mode)) {
      target.path = current;
      target.exists = true;
      target.info = info;
      return 0;
    }
    if (derived_name && info.st_uid != geteuid() && info.st_uid != 0) return kErrorForeignLink;
    if (links == kMaxLinks) return ELOOP;
    std::string destination(PATH_MAX, '\0');
    errno = 0;
    const ssize_t length = readlink(current.c_str(), destination.data(), destination.size());
    if (length < 0) return LastError();
    destination.resize(static_cast<size_t>(length));
    current = destination.starts_with('/') ? destination : FolderPrefixOf(current) + destination;
  }
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    errno = 0;
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return LastError();
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

}  // namespace

struct FileReplacement::State {
  std::string target;     // the resolved target
  std::string folder;     // its folder, where the temporary file lies
  std::string temp_path;  // the temporary file's name, while it has one
  int slot = -1;          // the name's signal slot
  int fd = -1;
  bool anonymous = false;   // an O_TMPFILE file, nameless until Commit
  bool in_place = false;    // a device or pipe, written through
  bool had_target = false;  // an existing file is replaced
  struct stat old {};       // the replaced file
  bool check_unchanged = false;
  FileIdentity expected;  // the input as read, when it is the target
  int error = 0;          // the first failure; later calls repeat it

  ~State() {
    if (fd >= 0) close(fd);
    if (!temp_path.empty()) unlink(temp_path.c_str());
    ReleaseNameSlot(slot);
  }

  // Creates the owner-only temporary file beside the target.
  int CreateTemporary() {
#ifdef O_TMPFILE
    errno = EOPNOTSUPP;
    if (!g_named_temporary_files.load()) {
      fd = open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    }
    if (fd >= 0) {
      anonymous = true;
      return 0;
    }
    // Older kernels and some file systems lack O_TMPFILE: use a named file.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return LastError();
#endif
    return ClaimTemporaryName([&](const std::string& name) {
      fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
      return fd >= 0;
    });
  }

  // Tries fresh temporary names beside the target until `take(name)` gets
  // one, or fails for another reason than the name being in use.
  template <typename Take>
  int ClaimTemporaryName(Take take) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      const std::string name = TemporaryName(folder);
      slot = ClaimNameSlot(name);
      errno = 0;
      if (take(name)) {
        temp_path = name;
        return 0;
      }
      const int failure = LastError();
      ReleaseNameSlot(slot);
      if (failure != EEXIST) return failure;
    }
    return EEXIST;
  }

  // The replaced file's owner, group and mode; where the owner cannot be
  // kept, without set-user-ID and set-group-ID. A new file gets the mode a
  // plain creation would give it.
  int KeepOwnerAndMode() {
    mode_t mode = 0666 & ~CreationMask();
    if (had_target) {
      mode = old.st_mode & 07777;
      if (fchown(fd, old.st_uid, old.st_gid) != 0) {
        if (old.st_uid == geteuid()) {
          mode &= ~static_cast<mode_t>(S_ISGID);  // only the group is lost
        } else {
          mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
          [[maybe_unused]] const int kept_group = fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        }
      }
    }
    errno = 0;
    return fchmod(fd, mode) == 0 ? 0 : LastError();
  }

  // Gives the anonymous file a temporary name beside the target.
  int NameAnonymousFile() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ClaimTemporaryName([&](const std::string& name) {
      int done = linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
#ifdef AT_EMPTY_PATH
      // Without /proc, linking the descriptor itself needs privileges.
      if (done != 0 && errno == ENOENT)
        done = linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
#endif
      return done == 0;
    });
  }

  int CheckUnchanged() const {
    if (!check_unchanged) return 0;
    struct stat now {};
    if (stat(target.c_str(), &now) != 0) return kErrorChanged;
    return SameFileUnchanged(IdentityOf(now), expected) ? 0 : kErrorChanged;
  }

  int Commit() {
    if (in_place) {
      errno = 0;
      const int closed = close(fd);
      fd = -1;
      return closed == 0 ? 0 : LastError();
    }
    errno = 0;
    if (fsync(fd) != 0) return LastError();
    if (const int failure = KeepOwnerAndMode(); failure != 0) return failure;
    if (anonymous) {
      if (const int failure = NameAnonymousFile(); failure != 0) return failure;
    }
    if (const int failure = CheckUnchanged(); failure != 0) return failure;
    errno = 0;
    if (std::rename(temp_path.c_str(), target.c_str()) != 0) return LastError();
    temp_path.clear();
    ReleaseNameSlot(slot);
    errno = 0;
    const int closed = close(fd);
    fd = -1;
    return closed == 0 ? 0 : LastError();
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
  Target target;
  if (const int error = ResolveTarget(path, options.derived_name, target); error != 0) {
    return fail(error);
  }
  state.target = target.path;
  state.folder = FolderPrefixOf(target.path);
  if (target.exists) {
    if (S_ISDIR(target.info.st_mode)) return fail(EISDIR);
    const FileIdentity found = IdentityOf(target.info);
    const FileIdentity* expected = nullptr;
    if (const int error = CheckExistingTarget(found, options, expected); error != 0) {
      return fail(error);
    }
    state.check_unchanged = expected != nullptr;
    if (expected != nullptr) state.expected = *expected;
    errno = 0;
    if (access(target.path.c_str(), W_OK) != 0) return fail(LastError());
    if (!S_ISREG(target.info.st_mode)) {
      // A device or pipe holds no content a failed write could damage, and a
      // rename would replace the node itself by a regular file.
      errno = 0;
      state.fd = open(target.path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
      if (state.fd < 0) return fail(LastError());
      state.in_place = true;
      return {};
    }
    state.had_target = true;
    state.old = target.info;
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
  state_.reset();  // an uncommitted temporary file goes with it
  return status;
}

FileStatus ReadWholeFile(const std::string& path, std::string& bytes, FileIdentity* identity,
                         const ReadOptions& options) {
  bytes.clear();
  errno = 0;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {LastError()};
  struct stat info {};
  int error = fstat(fd, &info) == 0 ? 0 : LastError();
  if (error == 0) {
    if (S_ISDIR(info.st_mode)) {
      error = EISDIR;
    } else if (options.regular_only && !S_ISREG(info.st_mode)) {
      error = kErrorNotRegular;
    } else if (S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) > options.size_limit) {
      error = kErrorTooLarge;
    }
  }
  try {
    // A regular file's size is known, so the text is allocated once; a
    // stream grows until it ends or passes the limit.
    if (error == 0 && S_ISREG(info.st_mode)) bytes.reserve(static_cast<size_t>(info.st_size));
    char buffer[1 << 16];
    while (error == 0) {
      errno = 0;
      const ssize_t got = read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) error = LastError();
      if (got <= 0) break;
      if (bytes.size() + static_cast<size_t>(got) > options.size_limit) {
        error = kErrorTooLarge;
      } else {
        bytes.append(buffer, static_cast<size_t>(got));
      }
    }
  } catch (const std::bad_alloc&) {
    error = ENOMEM;  // a file larger than the memory at hand
  } catch (const std::length_error&) {
    error = ENOMEM;
  }
  close(fd);
  if (error != 0) {
    std::string().swap(bytes);
    return {error};
  }
  if (identity != nullptr) *identity = IdentityOf(info);
  return {};
}

void InstallFileSignalHandling() {
  CreationMask();  // read now, before any thread could create files
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    struct sigaction current {};
    sigaction(signal_number, nullptr, &current);
    if (current.sa_handler == SIG_IGN) continue;  // ignored by choice, e.g. under nohup
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryFilesAndEnd;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGXFSZ, &ignore, nullptr);
}

void UseBinaryStandardStreams() {}

namespace file_io_internal {

void UseNamedTemporaryFiles(bool named) { g_named_temporary_files.store(named); }

}  // namespace file_io_internal
}  // namespace kelvane
