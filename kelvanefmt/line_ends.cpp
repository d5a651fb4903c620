// Counting the kinds of line end, and the two lines the engine ends with LF.

#include "kelvanefmt/line_ends.h"

#include "engine/app_text.h"

namespace kelvane::fmt {
namespace {

// The engine keeps a UTF-8 byte-order mark as the first bytes of the text.
size_t ByteOrderMarkSize(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  return text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

}  // namespace

bool EndsLinesWithLf(LineEnds policy, std::string_view input) {
  if (policy != LineEnds::kKeep) return policy == LineEnds::kLf;
  size_t lf = 0;
  size_t crlf = 0;
  for (size_t pos = input.find('\n'); pos != std::string_view::npos;
       pos = input.find('\n', pos + 1)) {
    if (pos > 0 && input[pos - 1] == '\r') {
      ++crlf;
    } else {
      ++lf;
    }
  }
  return crlf <= lf;
}

bool StartsWithLoaderLine(std::string_view text) {
  return text.substr(ByteOrderMarkSize(text)).starts_with('#');
}

void GiveLeadingLinesCrLf(std::string& text, bool loader_line, bool header_line) {
  size_t line_start = ByteOrderMarkSize(text);
  auto give_crlf = [&](size_t lf) {
    if (lf == std::string::npos) return;
    if (lf == 0 || text[lf - 1] != '\r') text.insert(lf++, 1, '\r');
    line_start = lf + 1;
  };
  if (loader_line && StartsWithLoaderLine(text)) give_crlf(text.find('\n', line_start));
  if (header_line && std::string_view(text).substr(line_start).starts_with(AppComment)) {
    give_crlf(line_start + AppComment.size() - 1);
  }
}

}  // namespace kelvane::fmt
