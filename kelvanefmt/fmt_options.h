// What one kelvanefmt run is asked to do, as read from its command line.
#pragma once

#include <string>
#include <vector>

namespace kelvane::fmt {

// What happens to a file whose formatted text differs from its content.
enum class ChangeMode {
  kWrite,  // replace the file (standard input: write the result to standard output)
  kCheck,  // name it, write nothing
  kDiff,   // print a unified diff, write nothing
};

struct FmtOptions {
  std::vector<std::string> paths;     // files and folders; "-" is standard input
  std::vector<std::string> excludes;  // globs of paths to leave out
  std::string stdin_name = "<stdin>";
  ChangeMode mode = ChangeMode::kWrite;
  bool quiet = false;           // no line per changed file
  bool strip_comments = false;  // the engine's "-s"
  bool lf = false;              // the engine's "-unix"
  unsigned jobs = 1;
};

}  // namespace kelvane::fmt
