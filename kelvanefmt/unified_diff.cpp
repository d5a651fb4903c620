// dtl finds the shortest edit script and groups it into hunks; this file
// splits the texts into lines and prints the hunks.

#include "kelvanefmt/unified_diff.h"

#include <dtl/dtl.hpp>
#include <vector>

#include "kelvanefmt/quoted_name.h"

namespace kelvane::fmt {
namespace {

// Lines with their LF, so that a last line without one differs from the same
// line with one.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t lf = text.find('\n');
    const size_t length = lf == std::string_view::npos ? text.size() : lf + 1;
    lines.push_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return lines;
}

// "-a,b" or "+c,d"; an empty side is named by the line before it, as diff does.
void AppendRange(std::string& out, char sign, long long start, long long count) {
  out += sign;
  out += std::to_string(count == 0 && start > 0 ? start - 1 : start);
  out += ',';
  out += std::to_string(count);
}

template <typename Element>
void AppendLines(std::string& out, const std::vector<Element>& lines) {
  for (const Element& line : lines) {
    switch (line.second.type) {
      case dtl::SES_ADD:
        out += '+';
        break;
      case dtl::SES_DELETE:
        out += '-';
        break;
      default:
        out += ' ';
        break;
    }
    out += line.first;
    if (!line.first.ends_with('\n')) out += "\n\\ No newline at end of file\n";
  }
}

}  // namespace

std::string UnifiedDiff(std::string_view before, std::string_view after, std::string_view name) {
  if (before == after) return {};
  dtl::Diff<std::string_view, std::vector<std::string_view>> diff(SplitLines(before),
                                                                  SplitLines(after));
  diff.compose();
  diff.composeUnifiedHunks();

  std::string out;
  const std::string header_name = DiffName(name);
  out.append("--- ").append(header_name).append("\n+++ ").append(header_name).append("\n");
  for (const auto& hunk : diff.getUniHunks()) {
    out += "@@ ";
    AppendRange(out, '-', hunk.a, hunk.b);
    out += ' ';
    AppendRange(out, '+', hunk.c, hunk.d);
    out += " @@\n";
    AppendLines(out, hunk.common[0]);
    AppendLines(out, hunk.change);
    AppendLines(out, hunk.common[1]);
  }
  return out;
}

}  // namespace kelvane::fmt
