// Runs the real kelvanefmt program in a fresh temporary folder, with given
// bytes on standard input, and captures standard output, standard error and
// the exit status.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kelvane::testing {

struct FmtResult {
  int exit_status = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

class FmtSandbox {
 public:
  FmtSandbox();
  ~FmtSandbox();
  FmtSandbox(const FmtSandbox&) = delete;
  FmtSandbox& operator=(const FmtSandbox&) = delete;

  // Runs kelvanefmt with `args` in the working folder, `stdin_bytes` on its
  // standard input. With a non-zero `file_size_limit` every file it writes is
  // limited to that many bytes, as on a full disk.
  FmtResult Run(const std::vector<std::string>& args, const std::string& stdin_bytes = "",
                long file_size_limit = 0) const;

  // Files in the working folder by relative path; folders are made as needed.
  void WriteFile(const std::string& name, const std::string& bytes) const;
  std::string ReadFile(const std::string& name) const;
  // Every regular file and link under the working folder, relative, sorted.
  std::vector<std::string> ListAll() const;
  std::filesystem::path Path(const std::string& name) const { return work_ / name; }

 private:
  std::filesystem::path root_;
  std::filesystem::path work_;
};

}  // namespace kelvane::testing
