// Header lines end in CR LF; LF alone is taken too. Header fields other
// than Content-Length (Content-Type) are read past.

#include "kelvanefmt/lsp_transport.h"

#include <cctype>
#include <charconv>
#include <string_view>

#include "files/file_io.h"

namespace kelvane::fmt {

ReadStatus ReadLspMessage(std::istream& in, std::string& body) {
  std::string line;
  size_t length = 0;
  bool has_length = false;
  bool any_header = false;
  while (std::getline(in, line)) {
    if (line.ends_with('\r')) line.pop_back();
    if (line.empty()) {
      if (!any_header) continue;  // stray line ends between messages
      break;
    }
    any_header = true;
    constexpr std::string_view kLength = "content-length:";
    if (line.size() > kLength.size()) {
      std::string name = line.substr(0, kLength.size());
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (name == kLength) {
        size_t start = kLength.size();
        while (start < line.size() && line[start] == ' ') ++start;
        const auto [end, error] =
            std::from_chars(line.data() + start, line.data() + line.size(), length);
        has_length = error == std::errc() && end == line.data() + line.size();
      }
    }
  }
  if (!any_header) return ReadStatus::kEnd;
  // A document is at most as large as a file the engine reads, with room
  // for the JSON around it and its escapes.
  if (!in || !has_length || length > 2 * kInputSizeLimit) return ReadStatus::kBroken;
  body.resize(length);
  if (length > 0 && !in.read(body.data(), static_cast<std::streamsize>(length))) {
    return ReadStatus::kBroken;
  }
  return ReadStatus::kMessage;
}

void WriteLspMessage(std::ostream& out, const std::string& body) {
  out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
  out.flush();
}

}  // namespace kelvane::fmt
