// A stand-in engine for the runner's pipe tests: copies its input file to
// standard output, pausing at each byte 0x01 so the reader sees separate reads.
// An input that begins with "#args" makes it print its arguments and folder.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) return 3;
  const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (content.starts_with("#args")) {
    for (int i = 0; i < argc; ++i) std::printf("arg: %s\n", argv[i]);
    char folder[4096];
    if (getcwd(folder, sizeof folder) != nullptr) std::printf("cwd: %s\n", folder);
    return 0;
  }
  for (char c : content) {
    if (c == '\x01') {
      std::fflush(stdout);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } else {
      std::putchar(c);
    }
  }
  return 0;
}
