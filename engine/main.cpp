// zorv_kelvane: the console formatting engine. Everything but the exit status
// is decided by RunEngine.

#include <iostream>
#include <string>
#include <vector>

#include "engine/allocator_tuning.h"
#include "engine/console_messages.h"
#include "engine/driver.h"
#include "engine/file_io.h"

int main(int argc, char** argv) {
  kelvane::TuneAllocatorForLargeTexts();
  kelvane::UseBinaryStandardOutput();
  kelvane::InstallFileSignalHandling();
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return kelvane::ExitStatus(kelvane::RunEngine(args, std::cout, std::cerr));
}
