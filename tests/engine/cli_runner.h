// Runs the real zorv_kelvane program in a fresh temporary folder and
// captures its standard output, standard error and exit status.
#pragma once

#include <string>
#include <vector>

namespace kelvane::testing {

struct CliResult {
  int exit_status = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// A temporary folder that holds a working folder for the program; both are
// removed again by the destructor.
class CliSandbox {
 public:
  CliSandbox();
  ~CliSandbox();
  CliSandbox(const CliSandbox&) = delete;
  CliSandbox& operator=(const CliSandbox&) = delete;

  // Runs the program with `args` in the working folder. With a non-zero
  // `file_size_limit` every file the program writes is limited to that many
  // bytes, as on a full disk.
  CliResult Run(const std::vector<std::string>& args, long file_size_limit = 0) const;

  // Files in the working folder, by relative path.
  void WriteFile(const std::string& name, const std::string& bytes) const;
  std::string ReadFile(const std::string& name) const;
  bool Exists(const std::string& name) const;
  void MakeFolder(const std::string& name) const;
  // The names in the working folder, sorted.
  std::vector<std::string> List() const;

  const std::string& work() const { return work_; }

 private:
  std::string root_;
  std::string work_;
};

// The path of the program under test.
std::string EnginePath();

}  // namespace kelvane::testing
