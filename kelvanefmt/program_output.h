// Runs another program (git) and collects what it prints, with no shell
// between: each argument reaches it as it is.
#pragma once

#include <string>
#include <vector>

namespace kelvane::fmt {

struct ProgramOutput {
  bool started = false;  // false: the program is not on PATH (or could not start)
  int exit_status = -1;  // -1 when it did not exit normally
  std::string out;       // its standard output
  std::string err;       // its standard error
};

// Runs `args[0]`, looked up on PATH, with the rest as its arguments;
// standard input is empty. Waits for it to end.
ProgramOutput RunProgram(const std::vector<std::string>& args);

}  // namespace kelvane::fmt
