// zorv_kelvane: the console formatting engine. Everything but the exit status
// is decided by RunCommandLine.

#include <iostream>
#include <string>
#include <vector>

#include "cli/console_messages.h"
#include "cli/driver.h"
#include "engine/allocator_tuning.h"
#include "files/file_io.h"

int main(int argc, char** argv) {
  kelvane::TuneAllocatorForLargeTexts();
  kelvane::UseBinaryStandardStreams();
  kelvane::InstallFileSignalHandling();
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return kelvane::ExitStatus(kelvane::RunCommandLine(args, std::cout, std::cerr));
}
