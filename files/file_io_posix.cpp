// Reading and replacing files on POSIX systems: identities from fstat(),
// symbolic links walked one by one, every file reached by name from a folder
// descriptor, owner-only temporary files (O_TMPFILE, which has no name until
// it is complete, where the file system has it), the replaced file's
// attributes carried over, and the signal handlers that remove the names of
// unfinished replacements.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

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

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kFolder;
  if (S_ISLNK(mode)) return FileKind::kLink;
  return FileKind::kOther;
}

FileIdentity IdentityOf(const struct stat& info) {
  FileIdentity identity;
  identity.device = static_cast<uint64_t>(info.st_dev);
  identity.inode = static_cast<uint64_t>(info.st_ino);
  identity.size = static_cast<uint64_t>(info.st_size);
  identity.modified_ns =
      static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  identity.kind = KindOf(info.st_mode);
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

int CloseChecked(int& fd) {
  errno = 0;
  const int closed = close(fd);
  fd = -1;
  return closed == 0 ? 0 : LastError();
}

// Removes the names of unfinished replacements, then ends the program as the
// signal would have.
void RemoveTemporaryFilesAndEnd(int signal_number) {
  RemoveClaimedNames([](int folder, const char* name) { unlinkat(folder, name, 0); });
  // Default action, raised again: it arrives as soon as this handler returns.
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
  raise(signal_number);
}

// The descriptor that `path` names as a whole ("/dev/stdout", "/dev/fd/3",
// "/proc/self/fd/3"), or -1. Opening such a name would open the file behind
// the descriptor anew, at its start, and renaming over it would replace that
// file: a log appended to with ">>" would lose its earlier lines.
int DescriptorNamedBy(const std::string& path) {
  if (path == "/dev/stdin") return 0;
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  const std::string folders[] = {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/",
                                 "/proc/" + std::to_string(getpid()) + "/fd/"};
  for (const std::string& folder : folders) {
    if (!path.starts_with(folder) || path.size() == folder.size()) continue;
    int fd = -1;
    const char* const end = path.data() + path.size();
    const auto [stop, error] = std::from_chars(path.data() + folder.size(), end, fd);
    if (error == std::errc() && stop == end && fd >= 0) return fd;
  }
  return -1;
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

// Reads the open file `fd` whole (and closes it), as ReadWholeFile says.
FileStatus ReadOpenFile(int fd, std::string& bytes, FileIdentity* identity,
                        const ReadOptions& options) {
  struct stat info {};
  int error = fstat(fd, &info) == 0 ? 0 : LastError();
  if (error == 0) {
    const auto read_some = [](void* file, char* buffer, size_t size, int& failure) -> long long {
      for (;;) {
        errno = 0;
        const ssize_t got = read(*static_cast<int*>(file), buffer, size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failure = LastError();
        return got;
      }
    };
    error = file_io_internal::ReadWhole(&fd, read_some, IdentityOf(info), options, bytes);
  }
  close(fd);
  if (error != 0) return {error};
  if (identity != nullptr) *identity = IdentityOf(info);
  return {};
}

// The names of the extended attributes that `list(buffer, size)` gives
// (llistxattr or flistxattr); a file system without them has none.
template <typename List>
int AttributeNames(List list, std::vector<std::string>& names) {
  names.clear();
  for (;;) {
    errno = 0;
    const ssize_t size = list(nullptr, 0);
    if (size < 0) return errno == ENOTSUP ? 0 : LastError();
    std::string buffer(static_cast<size_t>(size), '\0');
    errno = 0;
    const ssize_t got = list(buffer.data(), buffer.size());
    if (got < 0 && errno == ERANGE) continue;  // the list grew meanwhile
    if (got < 0) return LastError();
    buffer.resize(static_cast<size_t>(got));
    for (size_t start = 0; start < buffer.size();) {
      const size_t end = std::min(buffer.find('\0', start), buffer.size());
      if (end > start) names.push_back(buffer.substr(start, end - start));
      start = end + 1;
    }
    return 0;
  }
}

// The replacement: a temporary file in the target's folder, renamed over the
// target, or a device, pipe or descriptor written through.
class PosixReplacement final : public FileReplacement::Platform {
 public:
  ~PosixReplacement() override {
    if (fd_ >= 0) close(fd_);
    if (!temp_name_.empty()) unlinkat(folder_fd_, temp_name_.c_str(), 0);
    ReleaseNameSlot(slot_);
    if (folder_fd_ >= 0) close(folder_fd_);
  }

  // Writes through an open descriptor of the program's own, from where it stands.
  int OpenDescriptor(int fd) {
    errno = 0;
    fd_ = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0) return LastError();
    in_place_ = true;
    return 0;
  }

  // Prepares the replacement of `name` in the folder `folder_fd` (not taken
  // over), whose path is `folder_path`.
  int Open(int folder_fd, const std::string& folder_path, const std::string& name,
           const WriteOptions& options) {
    errno = 0;
    folder_fd_ = fcntl(folder_fd, F_DUPFD_CLOEXEC, 0);
    if (folder_fd_ < 0) return LastError();
    folder_path_ = folder_path;
    name_ = name;
    struct stat info {};
    errno = 0;
    if (fstatat(folder_fd_, name_.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) return LastError();
      if (options.replaces != nullptr) return kErrorChanged;  // the input is gone
      return CreateTemporary();
    }
    if (S_ISLNK(info.st_mode)) return kErrorIsLink;
    if (S_ISDIR(info.st_mode)) return EISDIR;
    const FileIdentity* expected = nullptr;
    if (const int error = CheckExistingTarget(IdentityOf(info), options, expected); error != 0) {
      return error;
    }
    check_unchanged_ = expected != nullptr;
    if (expected != nullptr) expected_ = *expected;
    if (options.derived_name) {
      // A name next to another user's file: a file they planted there for
      // root's text, or a pipe that would stop the run.
      if (!S_ISREG(info.st_mode)) return kErrorNotRegular;
      if (info.st_uid != geteuid()) return kErrorForeignFile;
    }
    errno = 0;
    if (faccessat(folder_fd_, name_.c_str(), W_OK, 0) != 0) return LastError();
    if (!S_ISREG(info.st_mode)) {
      // A device or pipe holds no content a failed write could damage, and a
      // rename would replace the node itself by a regular file.
      errno = 0;
      fd_ =
          openat(folder_fd_, name_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
      if (fd_ < 0) return LastError();
      in_place_ = true;
      return 0;
    }
    had_target_ = true;
    old_ = info;
    return CreateTemporary();
  }

  int Write(std::string_view bytes) override { return WriteAll(fd_, bytes); }

  int Commit() override {
    if (in_place_) return CloseChecked(fd_);
    errno = 0;
    if (fsync(fd_) != 0) return LastError();
    if (const int failure = KeepOwnerModeAndAttributes(); failure != 0) return failure;
    if (anonymous_) {
      if (const int failure = NameAnonymousFile(); failure != 0) return failure;
    }
    if (const int failure = CheckUnchanged(); failure != 0) return failure;
    errno = 0;
    if (renameat(folder_fd_, temp_name_.c_str(), folder_fd_, name_.c_str()) != 0) {
      return LastError();
    }
    temp_name_.clear();
    ReleaseNameSlot(slot_);
    return CloseChecked(fd_);
  }

 private:
  // Creates the owner-only temporary file beside the target.
  int CreateTemporary() {
#ifdef O_TMPFILE
    errno = EOPNOTSUPP;
    if (!g_named_temporary_files.load()) {
      fd_ = openat(folder_fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    }
    if (fd_ >= 0) {
      anonymous_ = true;
      return 0;
    }
    // Older kernels and some file systems lack O_TMPFILE: use a named file.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return LastError();
#endif
    return ClaimTemporaryName([&](const std::string& name) {
      fd_ = openat(folder_fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                   0600);
      return fd_ >= 0;
    });
  }

  // Tries fresh temporary names beside the target until `take(name)` gets
  // one, or fails for another reason than the name being in use.
  template <typename Take>
  int ClaimTemporaryName(Take take) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      const std::string name = TemporaryName();
      slot_ = ClaimNameSlot(folder_fd_, name);
      errno = 0;
      if (take(name)) {
        temp_name_ = name;
        return 0;
      }
      const int failure = LastError();
      ReleaseNameSlot(slot_);
      if (failure != EEXIST) return failure;
    }
    return EEXIST;
  }

  // The replaced file's owner, group, attributes and mode; where the owner
  // cannot be kept, without set-user-ID and set-group-ID. A new file gets
  // the mode a plain creation would give it. The mode comes last: on a file
  // with an access control list its group bits are the list's mask, which
  // the list itself sets.
  int KeepOwnerModeAndAttributes() {
    mode_t mode = 0666 & ~CreationMask();
    if (had_target_) {
      mode = old_.st_mode & 07777;
      if (fchown(fd_, old_.st_uid, old_.st_gid) != 0) {
        if (old_.st_uid == geteuid()) {
          mode &= ~static_cast<mode_t>(S_ISGID);  // only the group is lost
        } else {
          mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
          [[maybe_unused]] const int kept_group = fchown(fd_, static_cast<uid_t>(-1), old_.st_gid);
        }
      }
      if (const int failure = CarryAttributes(); failure != 0) return failure;
    }
    errno = 0;
    return fchmod(fd_, mode) == 0 ? 0 : LastError();
  }

  // Gives the new file exactly the replaced file's extended attributes, its
  // access control list (system.posix_acl_access) among them: those it
  // lacks are set, and those it has from elsewhere (a folder's default
  // list) removed. Where one cannot be carried, nothing is replaced.
  int CarryAttributes() {
    // The old file by a name that follows no link: through the folder's
    // descriptor, or by its path where /proc is missing.
    std::string old_path = "/proc/self/fd/" + std::to_string(folder_fd_) + "/" + name_;
    if (access("/proc/self/fd", F_OK) != 0) old_path = folder_path_ + name_;
    std::vector<std::string> old_names;
    std::vector<std::string> new_names;
    if (AttributeNames(
            [&](char* list, size_t size) { return llistxattr(old_path.c_str(), list, size); },
            old_names) != 0 ||
        AttributeNames([&](char* list, size_t size) { return flistxattr(fd_, list, size); },
                       new_names) != 0) {
      return kErrorAttributesNotKept;
    }
    for (const std::string& name : new_names) {
      if (std::find(old_names.begin(), old_names.end(), name) != old_names.end()) continue;
      if (fremovexattr(fd_, name.c_str()) != 0) return kErrorAttributesNotKept;
    }
    for (const std::string& name : old_names) {
      std::string value;
      for (;;) {
        const ssize_t size = lgetxattr(old_path.c_str(), name.c_str(), nullptr, 0);
        if (size < 0) return kErrorAttributesNotKept;
        value.resize(static_cast<size_t>(size));
        const ssize_t got = lgetxattr(old_path.c_str(), name.c_str(), value.data(), value.size());
        if (got < 0 && errno == ERANGE) continue;  // it grew meanwhile
        if (got < 0) return kErrorAttributesNotKept;
        value.resize(static_cast<size_t>(got));
        break;
      }
      if (fsetxattr(fd_, name.c_str(), value.data(), value.size(), 0) != 0) {
        return kErrorAttributesNotKept;
      }
    }
    return 0;
  }

  // Gives the anonymous file a temporary name beside the target.
  int NameAnonymousFile() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    return ClaimTemporaryName([&](const std::string& name) {
      int done = linkat(AT_FDCWD, self.c_str(), folder_fd_, name.c_str(), AT_SYMLINK_FOLLOW);
#ifdef AT_EMPTY_PATH
      // Without /proc, linking the descriptor itself needs privileges.
      if (done != 0 && errno == ENOENT)
        done = linkat(fd_, "", folder_fd_, name.c_str(), AT_EMPTY_PATH);
#endif
      return done == 0;
    });
  }

  int CheckUnchanged() const {
    if (!check_unchanged_) return 0;
    struct stat now {};
    if (fstatat(folder_fd_, name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) return kErrorChanged;
    return SameFileUnchanged(IdentityOf(now), expected_) ? 0 : kErrorChanged;
  }

  int folder_fd_ = -1;       // the target's folder, where the temporary file lies
  std::string folder_path_;  // its path, ending with "/" (or "")
  std::string name_;         // the target's name in it
  std::string temp_name_;    // the temporary file's name, while it has one
  int slot_ = -1;            // the name's signal slot
  int fd_ = -1;
  bool anonymous_ = false;   // an O_TMPFILE file, nameless until Commit
  bool in_place_ = false;    // a device, pipe or descriptor, written through
  bool had_target_ = false;  // an existing file is replaced
  struct stat old_ {};       // the replaced file
  bool check_unchanged_ = false;
  FileIdentity expected_;  // the input as read, when it is the target
};

int OpenFolderDescriptor(const std::string& path, int& fd) {
  errno = 0;
  fd = open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return fd >= 0 ? 0 : LastError();
}

}  // namespace

namespace file_io_internal {

int OpenPlatformReplacement(const std::string& path, const WriteOptions& options,
                            std::unique_ptr<FileReplacement::Platform>& file) {
  auto replacement = std::make_unique<PosixReplacement>();
  if (const int fd = DescriptorNamedBy(path); fd >= 0) {
    if (const int error = replacement->OpenDescriptor(fd); error != 0) return error;
    file = std::move(replacement);
    return 0;
  }
  Target target;
  if (const int error = ResolveTarget(path, options.derived_name, target); error != 0) {
    return error;
  }
  if (target.exists && S_ISDIR(target.info.st_mode)) return EISDIR;
  const std::string folder = FolderPrefixOf(target.path);
  const std::string name = target.path.substr(folder.size());
  int folder_fd = -1;
  if (const int error = OpenFolderDescriptor(folder, folder_fd); error != 0) return error;
  // "dir/" names a folder, existing or not.
  const int error = name.empty() ? EISDIR : replacement->Open(folder_fd, folder, name, options);
  close(folder_fd);
  if (error != 0) return error;
  file = std::move(replacement);
  return 0;
}

int OpenPlatformReplacementIn(const Folder& folder, const std::string& name,
                              const WriteOptions& options,
                              std::unique_ptr<FileReplacement::Platform>& file) {
  if (name.find('/') != std::string::npos) return EINVAL;
  auto replacement = std::make_unique<PosixReplacement>();
  const int error =
      replacement->Open(static_cast<int>(folder.descriptor()), folder.path(), name, options);
  if (error != 0) return error;
  file = std::move(replacement);
  return 0;
}

void UseNamedTemporaryFiles(bool named) { g_named_temporary_files.store(named); }

}  // namespace file_io_internal

FileStatus IdentifyPath(const std::string& path, FileIdentity& identity) {
  struct stat info {};
  errno = 0;
  if (stat(path.c_str(), &info) != 0) return {LastError()};
  identity = IdentityOf(info);
  return {};
}

Folder::Folder() = default;
Folder::~Folder() {
  if (descriptor_ >= 0) close(static_cast<int>(descriptor_));
}
Folder::Folder(Folder&& other) noexcept { *this = std::move(other); }
Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    if (descriptor_ >= 0) close(static_cast<int>(descriptor_));
    descriptor_ = std::exchange(other.descriptor_, -1);
    path_ = std::move(other.path_);
    identity_ = other.identity_;
  }
  return *this;
}

FileStatus Folder::Open(const std::string& path, const FileIdentity* expected) {
  *this = Folder();
  int fd = -1;
  if (const int error = OpenFolderDescriptor(path, fd); error != 0) return {error};
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    const int error = LastError();
    close(fd);
    return {error};
  }
  if (expected != nullptr && !SameFile(IdentityOf(info), *expected)) {
    close(fd);
    return {kErrorFolderChanged};
  }
  descriptor_ = fd;
  path_ = path.empty() || path.ends_with('/') ? path : path + '/';
  identity_ = IdentityOf(info);
  return {};
}

FileStatus ListFolder(const Folder& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  errno = 0;
  // A description of its own, so that reading it moves no other's position.
  const int fd = openat(static_cast<int>(folder.descriptor()), ".",
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return {LastError()};
  DIR* const listing = fdopendir(fd);
  if (listing == nullptr) {
    const int error = LastError();
    close(fd);
    return {error};
  }
  int error = 0;
  for (;;) {
    errno = 0;
    const dirent* const entry = readdir(listing);
    if (entry == nullptr) {
      error = errno;
      break;
    }
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    // The type comes with the listing where the file system gives it, so
    // most entries cost no call of their own.
    FileKind kind = FileKind::kOther;
    switch (entry->d_type) {
      case DT_REG:
        kind = FileKind::kRegular;
        break;
      case DT_DIR:
        kind = FileKind::kFolder;
        break;
      case DT_LNK:
        kind = FileKind::kLink;
        break;
      case DT_UNKNOWN: {
        struct stat info {};
        if (fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
          kind = KindOf(info.st_mode);
        }
        break;
      }
      default:
        break;
    }
    entries.push_back({name, kind});
  }
  closedir(listing);
  return {error};
}

FileStatus IdentifyIn(const Folder& folder, const std::string& name, FileIdentity& identity) {
  struct stat info {};
  errno = 0;
  if (fstatat(static_cast<int>(folder.descriptor()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) !=
      0) {
    return {LastError()};
  }
  identity = IdentityOf(info);
  return {};
}

FileStatus LocateFile(const std::string& path, std::string& folder, std::string& name) {
  Target target;
  if (const int error = ResolveTarget(path, false, target); error != 0) return {error};
  if (!target.exists) return {ENOENT};
  folder = FolderPrefixOf(target.path);
  name = target.path.substr(folder.size());
  if (name.empty()) return {EISDIR};
  return {};
}

FileStatus ReadWholeFile(const std::string& path, std::string& bytes, FileIdentity* identity,
                         const ReadOptions& options) {
  bytes.clear();
  errno = 0;
  const int fd =
      open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | (options.regular_only ? O_NONBLOCK : 0));
  if (fd < 0) return {LastError()};
  return ReadOpenFile(fd, bytes, identity, options);
}

FileStatus ReadFileIn(const Folder& folder, const std::string& name, std::string& bytes,
                      FileIdentity* identity, const ReadOptions& options) {
  bytes.clear();
  if (name.find('/') != std::string::npos) return {EINVAL};
  errno = 0;
  const int fd = openat(static_cast<int>(folder.descriptor()), name.c_str(),
                        O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    const int error = LastError();
    struct stat info {};
    if (error == ELOOP &&
        fstatat(static_cast<int>(folder.descriptor()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) ==
            0 &&
        S_ISLNK(info.st_mode)) {
      return {kErrorIsLink};
    }
    return {error};
  }
  ReadOptions regular = options;
  regular.regular_only = true;
  return ReadOpenFile(fd, bytes, identity, regular);
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

}  // namespace kelvane
