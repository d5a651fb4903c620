// The engine file on POSIX: written owner-only and executable into a fresh
// private folder inside a safe temporary folder, reopened read-only through
// the written descriptor (the engine starts from that descriptor), and
// removed with its folder as soon as the engine runs, or by SIGINT, SIGTERM
// and SIGHUP while it is being written.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "frontend/platform_runner.h"
#include "frontend/posix/posix_platform.h"

namespace kelvane::frontend {
namespace {

constexpr char kFolderTemplate[] = "kelvane-XXXXXX";
constexpr char kEngineFileName[] = "Zorv_Kelvane";

bool WriteAll(int fd, std::span<const unsigned char> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
  return true;
}

std::string ParentFolderOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

std::string CannotWrite(const std::string& folder, std::string_view why) {
  return "Cannot write the formatting engine into '" + folder + "': " + std::string(why);
}

// --- Engine files being written, for the signal handlers ----------------------
// Fixed slots with a lock-free state, since a handler may only use
// async-signal-safe calls: claimed, filled, then marked ready.

enum SlotState : int { kFree, kFilling, kReady };

struct EngineSlot {
  std::atomic<int> state{kFree};
  char file[PATH_MAX];
  char folder[PATH_MAX];
};

constexpr int kSlotCount = 8;
EngineSlot g_engine_slots[kSlotCount];

int ClaimSlot(const std::string& file) {
  const std::string folder = ParentFolderOf(file);
  if (file.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kSlotCount; ++i) {
    int expected = kFree;
    if (g_engine_slots[i].state.compare_exchange_strong(expected, kFilling)) {
      std::memcpy(g_engine_slots[i].file, file.c_str(), file.size() + 1);
      std::memcpy(g_engine_slots[i].folder, folder.c_str(), folder.size() + 1);
      g_engine_slots[i].state.store(kReady);
      return i;
    }
  }
  return -1;
}

void ReleaseSlot(const std::string& file) {
  for (EngineSlot& slot : g_engine_slots) {
    if (slot.state.load() == kReady && file == slot.file) slot.state.store(kFree);
  }
}

void RemoveEngineFilesAndEnd(int signal_number) {
  for (EngineSlot& slot : g_engine_slots) {
    if (slot.state.load() != kReady) continue;
    unlink(slot.file);
    rmdir(slot.folder);
  }
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
  raise(signal_number);
}

// A read-only descriptor of the file written through `write_fd`, reached
// through the descriptor itself rather than the path; where /proc is missing,
// through the path, checked to be the same file.
int ReopenReadOnly(int write_fd, const std::string& path) {
  const std::string self = "/proc/self/fd/" + std::to_string(write_fd);
  int fd = open(self.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) return fd;
  fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  struct stat written {};
  struct stat opened {};
  if (fd >= 0 && fstat(write_fd, &written) == 0 && fstat(fd, &opened) == 0 &&
      written.st_dev == opened.st_dev && written.st_ino == opened.st_ino) {
    return fd;
  }
  if (fd >= 0) close(fd);
  errno = EPERM;
  return -1;
}

}  // namespace

std::string PosixTempFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  // The engine starts in the input's folder, so its path must not be relative.
  if (folder.front() != '/') {
    char current[PATH_MAX];
    if (getcwd(current, sizeof current) == nullptr) return "/tmp/";
    folder = std::string(current) + '/' + folder;
  }
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string UnsafeTempFolderReason(const std::string& folder) {
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0) return std::strerror(errno);
  if (!S_ISDIR(info.st_mode)) return std::strerror(ENOTDIR);
  if (info.st_uid != geteuid() && info.st_uid != 0) {
    return "the folder belongs to another user, who could replace the engine before it runs";
  }
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (info.st_mode & S_ISVTX) == 0) {
    return "others may write to the folder and it has no sticky bit, so they could replace "
           "the engine before it runs";
  }
  return {};
}

void RemovePrivateEngineFolder(const std::string& path) {
  unlink(path.c_str());
  rmdir(ParentFolderOf(path).c_str());
  ReleaseSlot(path);
}

std::optional<EngineFile> NativeRunnerPlatform::WriteEngineFile(std::string& error) {
  const std::string temp = PosixTempFolder();
  if (std::string unsafe = UnsafeTempFolderReason(temp); !unsafe.empty()) {
    error = CannotWrite(temp, unsafe);
    return std::nullopt;
  }
  // mkdtemp creates the folder exclusively and owner-only.
  std::string folder = temp + kFolderTemplate;
  if (mkdtemp(folder.data()) == nullptr) {
    error = CannotWrite(temp, std::strerror(errno));
    return std::nullopt;
  }
  const std::string path = folder + '/' + kEngineFileName;
  ClaimSlot(path);
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_TRUNC | O_CLOEXEC, 0700);
  if (fd < 0) {
    error = CannotWrite(temp, std::strerror(errno));
    RemovePrivateEngineFolder(path);
    return std::nullopt;
  }
  // A program cut short would start and fail in unforeseeable ways, so a
  // failed write removes it and the run ends.
  errno = 0;
  const bool written = WriteAll(fd, engine_image_);
  const int write_error = errno != 0 ? errno : ENOSPC;
  const int read_fd = written ? ReopenReadOnly(fd, path) : -1;
  const int reopen_error = errno;
  const bool closed = close(fd) == 0;
  if (!written || read_fd < 0 || !closed) {
    error = CannotWrite(temp, std::strerror(!written      ? write_error
                                            : read_fd < 0 ? reopen_error
                                                          : EIO));
    if (read_fd >= 0) close(read_fd);
    RemovePrivateEngineFolder(path);
    return std::nullopt;
  }
  return EngineFile{path, read_fd};
}

void NativeRunnerPlatform::RemoveEngineFile(const EngineFile& engine) {
  if (engine.handle >= 0) close(static_cast<int>(engine.handle));
  RemovePrivateEngineFolder(engine.path);
}

bool NativeRunnerPlatform::PassesOneCommandLine() const { return false; }

std::string NativeRunnerPlatform::AbsolutePath(std::string_view path) {
  if (path.empty() || path.front() == '/') return std::string(path);
  char current[PATH_MAX];
  if (getcwd(current, sizeof current) == nullptr) return std::string(path);
  std::string absolute = current;
  if (absolute.back() != '/') absolute += '/';
  return absolute + std::string(path);
}

void InstallRunnerSignalCleanup() {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    sigaction(signal_number, nullptr, &current);
    if (current.sa_handler == SIG_IGN) continue;  // ignored by choice, e.g. under nohup
    struct sigaction action {};
    action.sa_handler = RemoveEngineFilesAndEnd;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace kelvane::frontend
