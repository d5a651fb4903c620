// The CLI test runner: fork, redirect, exec, wait. Standard input and the
// captures are files beside (not in) the working folder, so they never show
// up in it.

#include "tests/support/cli_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace kelvane::test_support {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spill(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace

std::string GameData(size_t size) {
  const std::string block =
      "Units = { { name=\"scout\", speed=1.50, tags={\"fast\",\"cheap\"} } } -- units\n"
      "function Pick(list, n) if n>0 then return list[n] else return nil end end\n";
  std::string text;
  text.reserve(size + block.size());
  while (text.size() < size) text += block;
  return text;
}

std::string EnginePath() { return std::string(KELVANE_BINARY_DIR) + "/zorv_kelvane"; }
std::string KelvanefmtPath() { return std::string(KELVANE_BINARY_DIR) + "/kelvanefmt"; }

CliSandbox::CliSandbox(std::string program) : program_(std::move(program)) {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/kelvane-cli-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  work_ = root_ + "/work";
  std::filesystem::create_directory(work_);
}

CliSandbox::~CliSandbox() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

CliResult CliSandbox::Run(const std::vector<std::string>& args, long file_size_limit) const {
  return RunWithInput(args, "/dev/null", file_size_limit);
}

CliResult CliSandbox::Run(const std::vector<std::string>& args, const std::string& stdin_bytes,
                          long file_size_limit) const {
  const std::string in_path = root_ + "/stdin";
  Spill(in_path, stdin_bytes);
  return RunWithInput(args, in_path, file_size_limit);
}

CliResult CliSandbox::RunWithInput(const std::vector<std::string>& args,
                                   const std::string& stdin_path, long file_size_limit) const {
  const std::string out_path = root_ + "/stdout";
  const std::string err_path = root_ + "/stderr";
  const std::string& program = program_;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const int out_fd = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err_fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in_fd = open(stdin_path.c_str(), O_RDONLY);
    if (out_fd < 0 || err_fd < 0 || in_fd < 0 || chdir(work_.c_str()) != 0) _exit(126);
    dup2(in_fd, 0);
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    if (file_size_limit > 0) {
      signal(SIGXFSZ, SIG_DFL);
      const rlimit limit{static_cast<rlim_t>(file_size_limit),
                         static_cast<rlim_t>(file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  CliResult result;
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    result.exit_status = WEXITSTATUS(status);
  }
  result.out = Slurp(out_path);
  result.err = Slurp(err_path);
  return result;
}

void CliSandbox::WriteFile(const std::string& name, const std::string& bytes) const {
  Spill(Path(name), bytes);
}

std::string CliSandbox::ReadFile(const std::string& name) const {
  return Slurp(work_ + "/" + name);
}

bool CliSandbox::Exists(const std::string& name) const {
  return std::filesystem::exists(work_ + "/" + name);
}

void CliSandbox::MakeFolder(const std::string& name) const {
  std::filesystem::create_directories(work_ + "/" + name);
}

std::vector<std::string> CliSandbox::List() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(work_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> CliSandbox::ListAll() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(work_)) {
    if (!entry.is_directory()) names.push_back(entry.path().lexically_relative(work_).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

CopyForNobody::CopyForNobody(const std::string& program) {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/kelvane-nobody-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder_ = pattern;
  path_ = folder_ + "/" + std::filesystem::path(program).filename().string();
  std::filesystem::copy_file(program, path_);
  if (chmod(path_.c_str(), 0755) != 0 || chown(folder_.c_str(), kNobody, kNoGroup) != 0) {
    throw std::runtime_error("cannot hand " + folder_ + " to nobody");
  }
}

CopyForNobody::~CopyForNobody() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

RunningProgram::RunningProgram(const std::string& program, const std::string& folder,
                               const std::vector<std::string>& args, bool as_nobody) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int out[2];
  int err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    const int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd < 0 || chdir(folder.c_str()) != 0) _exit(126);
    if (as_nobody && (setgid(kNoGroup) != 0 || setuid(kNobody) != 0)) _exit(125);
    // A background shell may have ignored some of these; the program gets
    // them as a terminal would send them.
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ}) {
      signal(signal_number, SIG_DFL);
    }
    dup2(null_fd, 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  out_fd_ = out[0];
  err_fd_ = err[0];
}

RunningProgram::~RunningProgram() {
  if (pid_ > 0 && !finished_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (out_fd_ >= 0) close(out_fd_);
  if (err_fd_ >= 0) close(err_fd_);
}

bool RunningProgram::WaitForLine(const std::string& prefix) {
  for (;;) {
    for (size_t start = 0, end; (end = out_.find('\n', start)) != std::string::npos;
         start = end + 1) {
      if (out_.compare(start, prefix.size(), prefix) == 0) {
        out_.erase(0, end + 1);
        return true;
      }
    }
    char buffer[4096];
    const ssize_t got = read(out_fd_, buffer, sizeof buffer);
    if (got <= 0) return false;
    out_.append(buffer, static_cast<size_t>(got));
  }
}

bool RunningProgram::Running() const {
  siginfo_t info{};
  return !finished_ && pid_ > 0 &&
         waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == 0;
}

int RunningProgram::Finish() {
  char buffer[4096];
  for (ssize_t got; (got = read(out_fd_, buffer, sizeof buffer)) > 0;) {
    out_.append(buffer, static_cast<size_t>(got));
  }
  for (ssize_t got; (got = read(err_fd_, buffer, sizeof buffer)) > 0;) {
    err_.append(buffer, static_cast<size_t>(got));
  }
  int status = 0;
  waitpid(pid_, &status, 0);
  finished_ = true;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace kelvane::test_support
