// Runs a real program of ours (zorv_kelvane, kelvanefmt) in a fresh temporary
// folder and captures its standard output, standard error and exit status.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kelvane::test_support {

struct CliResult {
  int exit_status = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// About `size` bytes of game data: a few hundred milliseconds of formatting
// per 5 MB, long enough for a test to act while a program runs.
std::string GameData(size_t size);

// The programs under test, in the build folder.
std::string EnginePath();
std::string KelvanefmtPath();

// A temporary folder that holds a working folder for the program; both are
// removed again by the destructor.
class CliSandbox {
 public:
  // Both programs turn a write past a file-size limit into a failed write
  // themselves, so the limit comes with its default signal.
  explicit CliSandbox(std::string program = EnginePath());
  ~CliSandbox();
  CliSandbox(const CliSandbox&) = delete;
  CliSandbox& operator=(const CliSandbox&) = delete;

  // Runs the program with `args` in the working folder, standard input from
  // /dev/null. With a non-zero `file_size_limit` every file the program
  // writes is limited to that many bytes, as on a full disk.
  CliResult Run(const std::vector<std::string>& args, long file_size_limit = 0) const;
  // The same with `stdin_bytes` on standard input.
  CliResult Run(const std::vector<std::string>& args, const std::string& stdin_bytes,
                long file_size_limit = 0) const;

  // Files in the working folder, by relative path; folders are made as needed.
  void WriteFile(const std::string& name, const std::string& bytes) const;
  std::string ReadFile(const std::string& name) const;
  bool Exists(const std::string& name) const;
  void MakeFolder(const std::string& name) const;
  // The names in the working folder, sorted.
  std::vector<std::string> List() const;
  // Every regular file and link under the working folder, relative, sorted.
  std::vector<std::string> ListAll() const;
  std::filesystem::path Path(const std::string& name) const {
    return std::filesystem::path(work_) / name;
  }

  const std::string& work() const { return work_; }

 private:
  CliResult RunWithInput(const std::vector<std::string>& args, const std::string& stdin_path,
                         long file_size_limit) const;

  std::string program_;
  std::string root_;
  std::string work_;
};

// The user nobody, whom root runs programs as in tests of other users' files.
inline constexpr unsigned kNobody = 65534;
inline constexpr unsigned kNoGroup = 65534;

// A copy of `program` in a private temporary folder that only nobody (and
// root) can enter, for running it as nobody: the build folder may lie in a
// folder only its owner can enter (a clone under /root). Removed again by
// the destructor. Only root can make it.
class CopyForNobody {
 public:
  explicit CopyForNobody(const std::string& program);
  ~CopyForNobody();
  CopyForNobody(const CopyForNobody&) = delete;
  CopyForNobody& operator=(const CopyForNobody&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
};

// A program running in the background in `folder`, its standard output read
// line by line as it comes; standard input is /dev/null.
class RunningProgram {
 public:
  // With `as_nobody` the program runs as the user nobody (only root can do
  // that); it must then be a place nobody can reach (CopyForNobody).
  RunningProgram(const std::string& program, const std::string& folder,
                 const std::vector<std::string>& args, bool as_nobody = false);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // Reads standard output until a line that starts with `prefix` is
  // complete; false when the output ends first.
  bool WaitForLine(const std::string& prefix);
  // Whether the program still runs.
  bool Running() const;
  int pid() const { return pid_; }

  // Waits for the end: the exit status, or 128 and the signal's number.
  int Finish();
  // Standard error and the rest of standard output, once finished.
  const std::string& err() const { return err_; }
  const std::string& out() const { return out_; }

 private:
  int pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  std::string out_;
  std::string err_;
  bool finished_ = false;
};

}  // namespace kelvane::test_support
