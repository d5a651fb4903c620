// First-difference reports for texts that hold TABs, line feeds and CRs.

#include "tests/support/text_diff.h"

#include <algorithm>
#include <cstdio>

namespace kelvane::test_support {
namespace {

// How much of each side is shown before and after the first difference.
constexpr size_t kContextBefore = 60;
constexpr size_t kContextAfter = 100;

std::string Window(std::string_view text, size_t at) {
  size_t begin = at > kContextBefore ? at - kContextBefore : 0;
  size_t end = std::min(text.size(), at + kContextAfter);
  std::string shown = begin > 0 ? "..." : "";
  shown += Escape(text.substr(begin, at - std::min(at, begin)));
  shown += "<<HERE>>";
  if (at < end) shown += Escape(text.substr(at, end - at));
  if (end < text.size()) shown += "...";
  return shown;
}

}  // namespace

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (byte < 0x20 || byte >= 0x7f) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02x", byte);
          out += hex;
        } else {
          out += c;
        }
    }
  }
  return out;
}

size_t FirstDifference(std::string_view a, std::string_view b) {
  auto [a_at, b_at] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  if (a_at == a.end() && b_at == b.end()) return std::string_view::npos;
  return static_cast<size_t>(a_at - a.begin());
}

std::string DescribeDifference(std::string_view a, std::string_view b, std::string_view a_name,
                               std::string_view b_name) {
  size_t at = FirstDifference(a, b);
  if (at == std::string_view::npos) return "";
  std::string out = "first difference at offset " + std::to_string(at) + " (sizes " +
                    std::to_string(a.size()) + " and " + std::to_string(b.size()) + ")\n";
  out += std::string(a_name) + ":\n  |" + Window(a, at) + "|\n";
  out += std::string(b_name) + ":\n  |" + Window(b, at) + "|\n";
  return out;
}

}  // namespace kelvane::test_support
