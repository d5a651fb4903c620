// The log's line filter and TAB expansion.
#include "frontend/log_line.h"

namespace kelvane::frontend {
namespace {

constexpr std::string_view kFilterWord = "microsoft";
constexpr std::string_view kTabReplacement = "    ";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string FailedLine(std::string_view reason) { return "-ERR Failed: " + std::string(reason); }

bool IsLineShown(std::string_view line) {
  if (line.empty()) return false;
  std::string folded(line);
  for (char& c : folded) c = LowerAscii(c);
  return folded.find(kFilterWord) == std::string::npos;
}

std::string ExpandTabs(std::string_view line) {
  std::string expanded;
  expanded.reserve(line.size());
  for (char c : line) {
    if (c == '\t') {
      expanded += kTabReplacement;
    } else {
      expanded += c;
    }
  }
  return expanded;
}

}  // namespace kelvane::frontend
