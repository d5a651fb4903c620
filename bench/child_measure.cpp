// Fork per input: the child builds the input, times FormatText and reports
// its figures on one line through a pipe; the parent reads and reaps it.

#include "bench/child_measure.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "engine/format_options.h"
#include "engine/format_text.h"
#include "engine/messages.h"

namespace kelvane::bench {
namespace {

// VmHWM from /proc/self/status; ru_maxrss where /proc is missing.
long PeakResidentKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Linux lets a process reset its own VmHWM to the current resident size; where
// it cannot, the peak simply covers every run.
void ResetPeakResident() {
#if defined(__GLIBC__)
  malloc_trim(0);  // the engine keeps freed heap for its next pass; hand it back first
#endif
  std::ofstream clear_refs("/proc/self/clear_refs");
  clear_refs << "5";
}

Measurement RunInThisProcess(const InputMaker& make_input, int runs) {
  Measurement result;
  std::string input;
  if (!make_input(input, result.error)) return result;
  result.input_bytes = input.size();
  NullMessages messages;
  const FormatOptions settings;
  // The last run takes the input itself, as the program hands its one copy
  // of the file to FormatText, and the peak is counted afresh before it, so
  // that it holds no copy the benchmark made for the earlier runs.
  for (int run = 0; run < runs; ++run) {
    const bool last = run + 1 == runs;
    if (last && runs > 1) ResetPeakResident();
    std::string copy = last ? std::move(input) : input;
    const auto start = std::chrono::steady_clock::now();
    FormatResult processed = FormatText(std::move(copy), settings, messages);
    const auto end = std::chrono::steady_clock::now();
    if (processed.status != FormatStatus::kOk) {
      result.error = processed.reason.empty() ? "FormatText did not finish" : processed.reason;
      return result;
    }
    result.output_bytes = processed.text.size();
    result.seconds.push_back(std::chrono::duration<double>(end - start).count());
  }
  result.peak_kib = PeakResidentKib();
  result.ok = true;
  return result;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

// One line: "ok IN OUT PEAK T1 T2 ..." or "error MESSAGE".
std::string EncodeMeasurement(const Measurement& measurement) {
  std::ostringstream line;
  if (!measurement.ok) {
    std::string error = measurement.error;
    for (char& c : error) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    line << "error " << error << '\n';
    return line.str();
  }
  line.precision(9);
  line << "ok " << measurement.input_bytes << ' ' << measurement.output_bytes << ' '
       << measurement.peak_kib;
  for (double seconds : measurement.seconds) line << ' ' << seconds;
  line << '\n';
  return line.str();
}

bool DecodeMeasurement(const std::string& line, Measurement& measurement) {
  measurement = Measurement{};
  std::istringstream in(line);
  std::string word;
  if (!(in >> word)) return false;
  if (word == "error") {
    std::getline(in >> std::ws, measurement.error);
    if (measurement.error.empty()) measurement.error = "unknown error";
    return true;
  }
  if (word != "ok") return false;
  if (!(in >> measurement.input_bytes >> measurement.output_bytes >> measurement.peak_kib)) {
    return false;
  }
  double seconds = 0;
  while (in >> seconds) measurement.seconds.push_back(seconds);
  if (!in.eof() || measurement.seconds.empty()) return false;
  measurement.ok = true;
  return true;
}

Measurement MeasureInChild(const InputMaker& make_input, int runs) {
  Measurement failed;
  int fds[2];
  if (pipe(fds) != 0) {
    failed.error = std::string("pipe: ") + std::strerror(errno);
    return failed;
  }
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    failed.error = std::string("fork: ") + std::strerror(errno);
    close(fds[0]);
    close(fds[1]);
    return failed;
  }
  if (child == 0) {
    close(fds[0]);
    const bool sent = WriteAll(fds[1], EncodeMeasurement(RunInThisProcess(make_input, runs)));
    close(fds[1]);
    _exit(sent ? 0 : 1);
  }
  close(fds[1]);
  std::string line;
  char buffer[4096];
  for (;;) {
    ssize_t got = read(fds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    line.append(buffer, static_cast<size_t>(got));
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) {
    failed.error = std::string("crashed: ") + strsignal(WTERMSIG(status));
    return failed;
  }
  Measurement measurement;
  if (!DecodeMeasurement(line, measurement)) {
    failed.error = "no report from the measuring process";
    return failed;
  }
  return measurement;
}

}  // namespace kelvane::bench
