// kelvanefmt: formats Lua files in place, whole folders on all cores, or
// standard input for editors; --check and --diff for hooks; --lsp for editors
// that speak the Language Server Protocol. main() only wires the standard
// streams to the run.

#include <cstdio>
#include <iostream>

#include "engine/allocator_tuning.h"
#include "files/file_io.h"
#include "kelvanefmt/fmt_command_line.h"
#include "kelvanefmt/fmt_run.h"
#include "kelvanefmt/progress_bar.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  kelvane::UseBinaryStandardStreams();
  kelvane::InstallFileSignalHandling();
  int exit_status = 0;
  const auto options =
      kelvane::fmt::ParseFmtCommandLine(argc, argv, std::cout, std::cerr, exit_status);
  if (!options) return exit_status;
  kelvane::TuneAllocatorForLargeTexts();
  kelvane::fmt::FmtStreams streams{std::cin, std::cout, std::cerr, kelvane::fmt::IsTerminal(2)};
  return kelvane::fmt::RunFmt(*options, streams);
}
