// kelvane_bench: times FormatText (the whole engine: ProcessCode, the meaning
// check and the header step) on generated game-like and adversarial
// inputs, or on the files named, each in its own child process.
//   kelvane_bench [--runs N] [--only NAME] [--write-inputs DIR] [FILE...]

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_inputs.h"
#include "bench/bench_report.h"
#include "bench/child_measure.h"
#include "engine/allocator_tuning.h"

namespace {

using kelvane::bench::Measurement;

constexpr const char kUsage[] =
    "usage: kelvane_bench [--runs N] [--only NAME] [--write-inputs DIR] [FILE...]\n"
    "  without FILEs: the generated inputs (game-64K, game-1M, game-4M, game-16M,\n"
    "  table-1M, table-16M, one-line-4M, deep-table-4M, after-methods-4M,\n"
    "  long-chains-4M); --only picks one of them;\n"
    "  --write-inputs saves them as DIR/NAME.lua instead of measuring.\n";

struct Options {
  int runs = 5;
  std::string only;
  std::string write_dir;
  std::vector<std::string> files;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    const bool has_value = i + 1 < argc;
    if (argument == "--runs" && has_value) {
      options.runs = std::atoi(argv[++i]);
      if (options.runs < 1) return false;
    } else if (argument == "--only" && has_value) {
      options.only = argv[++i];
    } else if (argument == "--write-inputs" && has_value) {
      options.write_dir = argv[++i];
    } else if (argument.starts_with("-")) {
      return false;
    } else {
      options.files.emplace_back(argument);
    }
  }
  return true;
}

bool ReadFile(const std::string& path, std::string& text, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  if (in) buffer << in.rdbuf();
  if (!in) {
    error = "cannot read '" + path + "'";
    return false;
  }
  text = buffer.str();
  return true;
}

int WriteInputs(const Options& options) {
  for (const auto& input : kelvane::bench::StandardInputs()) {
    if (!options.only.empty() && input.name != options.only) continue;
    const std::string path = options.write_dir + "/" + input.name + ".lua";
    const std::string text = input.make();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "kelvane_bench: cannot write '%s'\n", path.c_str());
      return 1;
    }
    std::printf("%s %zu\n", path.c_str(), text.size());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // As the engine program does, so that the figures are the program's.
  kelvane::TuneAllocatorForLargeTexts();
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (!options.write_dir.empty()) return WriteInputs(options);

  std::puts(kelvane::bench::ReportHeader().c_str());
  bool all_ok = true;
  if (!options.files.empty()) {
    for (const std::string& path : options.files) {
      Measurement measurement = kelvane::bench::MeasureInChild(
          [&path](std::string& text, std::string& error) { return ReadFile(path, text, error); },
          options.runs);
      all_ok = all_ok && measurement.ok;
      std::puts(kelvane::bench::ReportRow(path, measurement).c_str());
      std::fflush(stdout);
    }
    return all_ok ? 0 : 1;
  }

  std::map<std::string, Measurement> measured;
  bool any = false;
  for (const auto& input : kelvane::bench::StandardInputs()) {
    if (!options.only.empty() && input.name != options.only) continue;
    any = true;
    Measurement measurement = kelvane::bench::MeasureInChild(
        [&input](std::string& text, std::string&) {
          text = input.make();
          return true;
        },
        options.runs);
    all_ok = all_ok && measurement.ok;
    std::puts(kelvane::bench::ReportRow(input.name, measurement).c_str());
    std::fflush(stdout);
    measured[input.name] = measurement;
  }
  if (!any) {
    std::fprintf(stderr, "kelvane_bench: no input named '%s'\n%s", options.only.c_str(), kUsage);
    return 2;
  }
  // How the time grows with the input, per kind: linear is 16.
  for (const char* kind : {"game", "table"}) {
    const std::string small = std::string(kind) + "-1M";
    const std::string large = std::string(kind) + "-16M";
    if (!measured.contains(small) || !measured.contains(large)) continue;
    if (auto ratio = kelvane::bench::TimeRatio(measured[large], measured[small])) {
      std::printf("time(%s)/time(%s) = %.2f\n", large.c_str(), small.c_str(), *ratio);
    } else {
      std::printf("time(%s)/time(%s) = n/a\n", large.c_str(), small.c_str());
    }
  }
  return all_ok ? 0 : 1;
}
