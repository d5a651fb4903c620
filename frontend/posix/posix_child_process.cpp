// The engine as a POSIX child process: fork, then exec from the engine file's
// descriptor with standard output and standard error in one pipe, and the
// non-blocking and blocking queries the runner asks of it.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "frontend/posix/posix_platform.h"

extern char** environ;

namespace kelvane::frontend {
namespace {

class PosixChildProcess : public ChildProcess, public ByteSource {
 public:
  PosixChildProcess(pid_t pid, int read_fd) : pid_(pid), read_fd_(read_fd) {}
  ~PosixChildProcess() override { close(read_fd_); }
  PosixChildProcess(const PosixChildProcess&) = delete;
  PosixChildProcess& operator=(const PosixChildProcess&) = delete;

  bool HasEnded() override {
    if (!ended_) Collect(waitpid(pid_, &status_, WNOHANG));
    return ended_;
  }

  void WaitForEnd() override {
    while (!ended_) {
      const pid_t result = waitpid(pid_, &status_, 0);
      if (result < 0 && errno == EINTR) continue;
      Collect(result);
    }
  }

  ChildExit Exit() override {
    if (!known_) return {};  // collected elsewhere (or SIGCHLD is ignored): nothing to tell
    if (WIFSIGNALED(status_)) return {.by_signal = true, .code = WTERMSIG(status_)};
    return {.by_signal = false, .code = WIFEXITED(status_) ? WEXITSTATUS(status_) : 0};
  }

  int64_t BytesWaiting() override {
    int count = 0;
    return ioctl(read_fd_, FIONREAD, &count) == 0 ? count : 0;
  }

  ByteSource& Output() override { return *this; }

  int64_t Read(char* buffer, size_t capacity) override {
    for (;;) {
      const ssize_t count = read(read_fd_, buffer, capacity);
      if (count >= 0 || errno != EINTR) return count;
    }
  }

 private:
  void Collect(pid_t result) {
    if (result == pid_) {
      ended_ = known_ = true;
    } else if (result < 0) {
      ended_ = true;  // ECHILD: already collected elsewhere
    }
  }

  pid_t pid_;
  int read_fd_;
  int status_ = 0;
  bool ended_ = false;
  bool known_ = false;  // status_ holds how it ended
};

constexpr int kExecAttempts = 200;  // 10 ms apart: two seconds at most

// Runs in the forked child, where only async-signal-safe calls are allowed.
// On failure the cause goes back through `status_fd`, which closes on a
// successful exec.
[[noreturn]] void ExecEngine(int program_fd, const char* engine_path, char* const* argv,
                             const char* folder, int output_fd, int status_fd) {
  int error = 0;
  // Standard output and standard error both go into the pipe; a pipe end
  // that is itself 0, 1 or 2 is first moved out of the way.
  const int pipe_fd = output_fd > STDERR_FILENO ? output_fd : fcntl(output_fd, F_DUPFD, 3);
  if (folder != nullptr && chdir(folder) != 0) {
    error = errno;
  } else if (pipe_fd < 0 || dup2(pipe_fd, STDOUT_FILENO) < 0 || dup2(pipe_fd, STDERR_FILENO) < 0) {
    error = errno;
  } else if (program_fd >= 0 && fcntl(program_fd, F_SETFD, 0) != 0) {
    // A script's interpreter opens the program as /dev/fd/N, so the
    // descriptor must outlive the exec.
    error = errno;
  } else {
    // ETXTBSY: another thread of this program forked while it still held the
    // engine file open for writing, and that child has not reached its own
    // exec yet; the descriptor closes at that exec, so try again shortly.
    for (int attempt = 0; attempt < kExecAttempts; ++attempt) {
      if (program_fd >= 0) {
        fexecve(program_fd, argv, environ);
      } else {
        execv(engine_path, argv);
      }
      error = errno;
      if (error != ETXTBSY) break;
      const timespec pause{0, 10'000'000};
      nanosleep(&pause, nullptr);
    }
  }
  [[maybe_unused]] const ssize_t ignored = write(status_fd, &error, sizeof error);
  _exit(127);
}

// Reads the child's start status: true when it reached exec.
bool ReachedExec(int status_fd) {
  int error = 0;
  for (;;) {
    const ssize_t count = read(status_fd, &error, sizeof error);
    if (count < 0 && errno == EINTR) continue;
    return count == 0;
  }
}

}  // namespace

std::unique_ptr<ChildProcess> NativeRunnerPlatform::StartChild(const EngineFile& engine,
                                                               const EngineCommand& command,
                                                               const std::string& working_folder) {
  // Everything the child needs is prepared before fork. The arguments go as
  // they are: no character of a path can turn into another argument.
  std::vector<std::string> arguments = command.arguments;
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const char* folder = working_folder.empty() ? nullptr : working_folder.c_str();

  int output[2];
  if (pipe2(output, O_CLOEXEC) != 0) return nullptr;
  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) {
    close(output[0]);
    close(output[1]);
    return nullptr;
  }

  const pid_t pid = fork();
  if (pid == 0) {
    ExecEngine(static_cast<int>(engine.handle), engine.path.c_str(), argv.data(), folder, output[1],
               status[1]);
  }
  close(output[1]);
  close(status[1]);
  const bool started = pid > 0 && ReachedExec(status[0]);
  close(status[0]);
  if (!started) {
    if (pid > 0) waitpid(pid, nullptr, 0);
    close(output[0]);
    return nullptr;
  }
  // The engine runs from its descriptor: its file and folder can go at once,
  // so that nothing is left in the temporary folder however this program ends.
  if (engine.handle >= 0) RemovePrivateEngineFolder(engine.path);
  return std::make_unique<PosixChildProcess>(pid, output[0]);
}

}  // namespace kelvane::frontend
