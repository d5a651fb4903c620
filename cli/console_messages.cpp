// The console implementation of Messages: standard output and the debug file.

#include "cli/console_messages.h"

#include <cerrno>
#include <cstdio>
#include <string>

namespace kelvane {
namespace {

const std::string kRule(59, '-');

}  // namespace

ConsoleMessages::ConsoleMessages(std::ostream& out, const RunSettings& settings,
                                 FileReplacement* debug_file)
    : out_(out),
      verbose_(settings.MssgVerbose),
      debug_(settings.MssgDebug),
      debug_file_(debug_file) {}

void ConsoleMessages::PrintMessage(std::string_view text) {
  out_ << text << '\n';
  out_.flush();
}

void ConsoleMessages::PrintVerbose(std::string_view text) {
  if (verbose_) PrintMessage(text);
}

bool ConsoleMessages::WriteDebug(std::string_view text, std::string_view label) {
  if (!debug_) return true;
  if (debug_file_ == nullptr) {
    debug_error_ = EBADF;
    return false;
  }
  // An entry: form feed, rule, "--" and the label, rule, empty line, the text
  // unchanged, empty line.
  std::string entry;
  entry.reserve(text.size() + label.size() + 2 * kRule.size() + 16);
  entry += '\f';
  entry += kRule;
  entry += "\n--";
  entry += label;
  entry += '\n';
  entry += kRule;
  entry += "\n\n";
  entry += text;
  entry += "\n\n";
  const FileStatus status = debug_file_->Append(entry);
  if (!status.ok()) debug_error_ = status.error;
  return status.ok();
}

std::string FormatSeconds(int64_t milliseconds) {
  if (milliseconds < 0) milliseconds = 0;
  std::string result = std::to_string(milliseconds / 1000);
  int fraction = static_cast<int>(milliseconds % 1000);
  if (fraction == 0) return result;
  int digits = 3;
  while (fraction % 10 == 0) {
    fraction /= 10;
    --digits;
  }
  std::string tail = std::to_string(fraction);
  result += '.';
  result.append(static_cast<size_t>(digits) - tail.size(), '0');
  result += tail;
  return result;
}

}  // namespace kelvane
