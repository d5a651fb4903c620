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

// The programs under test, in the build folder.
std::string EnginePath();
std::string KelvanefmtPath();

// What a write past the file-size limit does to the program: the engine must
// turn the default signal into a failed write itself; kelvanefmt runs with
// the signal ignored, so the write fails with EFBIG.
enum class FileSizeSignal { kDefault, kIgnored };

// A temporary folder that holds a working folder for the program; both are
// removed again by the destructor.
class CliSandbox {
 public:
  explicit CliSandbox(std::string program = EnginePath(),
                      FileSizeSignal file_size_signal = FileSizeSignal::kDefault);
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
  FileSizeSignal file_size_signal_;
  std::string root_;
  std::string work_;
};

}  // namespace kelvane::test_support
