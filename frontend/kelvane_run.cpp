// kelvane_run: runs the front end's engine runner from a console and prints
// the log lines as the window would show them, for tests without the window.
// What the window would show in an error box goes to standard error.
// Usage: kelvane_run INPUT OUTPUT [OVERWRITE [STRIP]]
//        kelvane_run --probe PATH...   (prints the file-size probe of each path)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "frontend/log_line.h"
#include "frontend/platform_runner.h"

namespace {

void PrintLine(std::FILE* stream, std::string_view prefix, std::string_view line) {
  std::fprintf(stream, "%.*s%.*s\n", static_cast<int>(prefix.size()), prefix.data(),
               static_cast<int>(line.size()), line.data());
  std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kelvane::frontend;
  if (argc >= 2 && std::string_view(argv[1]) == "--probe") {
    for (int i = 2; i < argc; ++i) {
      PrintLine(stdout, std::string(argv[i]) + " -> ", std::to_string(ProbeFileSize(argv[i])));
    }
    return 0;
  }
  if (argc < 3 || argc > 5) {
    std::fprintf(stderr, "usage: kelvane_run INPUT OUTPUT [OVERWRITE [STRIP]] | --probe PATH...\n");
    return 64;
  }
  const auto flag = [&](int index) {
    return static_cast<signed char>(index < argc ? std::atoi(argv[index]) : 0);
  };
  InstallRunnerSignalCleanup();
  const int result = RunEngine(
      argv[1], argv[2], flag(3), flag(4),
      [](std::string_view line) {
        PrintLine(stdout, "", ExpandTabs(line));
        return 0;
      },
      [](std::string_view message) { PrintLine(stderr, "Error: ", message); });
  PrintLine(stdout, "Result: ", std::to_string(result));
  return result == kRunDone ? 0 : 1;
}
