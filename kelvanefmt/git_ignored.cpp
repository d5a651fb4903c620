// Two questions to git per folder, asked at once: "git ls-files --others --ignored
// --exclude-standard --directory" for what git itself ignores, and the same
// with "--cached --exclude-per-directory=.ignore" for what .ignore files
// name, tracked or not. Each answer is a list of paths relative to the
// folder, NUL-separated; a folder ends in "/".

#include "kelvanefmt/git_ignored.h"

#include <filesystem>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "kelvanefmt/program_output.h"
#include "kelvanefmt/quoted_name.h"

namespace kelvane::fmt {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// A ".git" in the folder or a folder above: a work tree that git would read.
bool InWorkTree(const std::string& folder) {
  std::error_code error;
  fs::path at = fs::absolute(fs::path(folder), error).lexically_normal();
  for (; !at.empty(); at = at.parent_path()) {
    if (fs::exists(at / ".git", error)) return true;
    if (at == at.parent_path()) break;
  }
  return false;
}

std::string FirstLine(std::string_view text) {
  return std::string(text.substr(0, text.find_first_of("\r\n")));
}

}  // namespace

void GitIgnored::AskAbout(const std::string& folder, std::string& note) {
  const std::vector<std::string> questions[2] = {
      {"git", "-C", folder, "ls-files", "-z", "--others", "--ignored", "--exclude-standard",
       "--directory"},
      {"git", "-C", folder, "ls-files", "-z", "--cached", "--others", "--ignored", "--directory",
       "--exclude-per-directory=.ignore"},
  };
  const bool ends_with_separator =
      !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
  const std::string prefix = ends_with_separator ? folder : folder + kSeparator;
  // The two questions are asked at once.
  ProgramOutput answers[2];
  std::thread second([&] { answers[1] = RunProgram(questions[1]); });
  answers[0] = RunProgram(questions[0]);
  second.join();
  for (const ProgramOutput& answer : answers) {
    if (!answer.started) {
      if (!said_git_missing_ && InWorkTree(folder)) {
        note = "kelvanefmt: git was not found, so .gitignore and .ignore files are not read";
        said_git_missing_ = true;
      }
      return;
    }
    if (answer.exit_status != 0) {
      // Outside a work tree git says so and ends; that is no news.
      if (InWorkTree(folder)) {
        note = "kelvanefmt: " + ShownName(folder) +
               ": .gitignore and .ignore files are not read: " + FirstLine(answer.err);
      }
      return;
    }
    std::string_view listed = answer.out;
    while (!listed.empty()) {
      const size_t end = std::min(listed.find('\0'), listed.size());
      std::string relative(listed.substr(0, end));
      listed.remove_prefix(std::min(end + 1, listed.size()));
      if (relative.ends_with('/')) relative.pop_back();
      if (relative.empty() || relative == ".") continue;  // the folder itself
      for (char& c : relative) {
        if (c == '/') c = kSeparator;
      }
      paths_.insert(prefix + relative);
    }
  }
}

}  // namespace kelvane::fmt
