// kelvane_compare FILE [-s] [-unix] [-shrink]: runs the engine's passes and
// the literal reference side by side on one file and prints the first row
// after which they differ, or "identical". Files whose literal output is not
// sound, stable and laid out are not compared (the engine has its own rules
// there).

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "tests/differential/pipeline_compare.h"
#include "tests/support/shrink.h"

namespace {

constexpr const char kUsage[] = "usage: kelvane_compare FILE [-s] [-unix] [-shrink]\n";

bool ReadWhole(const char* path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return false;
  text = buffer.str();
  return true;
}

kelvane::test_support::RowDifference Compare(std::string_view input,
                                             const kelvane::FormatOptions& settings) {
  return kelvane::test_support::CompareWhereReferenceJudges(input, settings);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  kelvane::FormatOptions settings;
  bool shrink = false;
  for (int i = 2; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument == "-s") {
      settings.StripComments = true;
    } else if (argument == "-unix") {
      settings.UnixEndOfLine = true;
    } else if (argument == "-shrink") {
      shrink = true;
    } else {
      std::fprintf(stderr, "kelvane_compare: unknown option '%s'\n%s", argv[i], kUsage);
      return 2;
    }
  }
  std::string input;
  if (!ReadWhole(argv[1], input)) {
    std::fprintf(stderr, "kelvane_compare: cannot read '%s'\n", argv[1]);
    return 2;
  }
  kelvane::test_support::RowDifference difference = Compare(input, settings);
  if (!difference.judged) {
    // Still "identical" for the corpus script: nothing to compare.
    std::puts(
        "identical (not judged: the literal rules' output breaks the file, changes when formatted "
        "again, or is not laid out)");
    return 0;
  }
  if (!difference.differs) {
    std::puts("identical");
    if (difference.guard_message != nullptr) {
      std::printf("(both runs stopped at the iteration guard: %s)\n", difference.guard_message);
    }
    return 0;
  }
  std::fputs(kelvane::test_support::DescribeRowDifference(difference, input, settings).c_str(),
             stdout);
  if (shrink) {
    std::string smallest = kelvane::test_support::Shrink(input, [&](std::string_view candidate) {
      kelvane::test_support::RowDifference again = Compare(candidate, settings);
      return again.differs && again.message == difference.message;
    });
    kelvane::test_support::RowDifference again = Compare(smallest, settings);
    std::puts("\nshrunk:");
    std::fputs(kelvane::test_support::DescribeRowDifference(again, smallest, settings).c_str(),
               stdout);
  }
  return 1;
}
