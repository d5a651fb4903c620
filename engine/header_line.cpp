// Header-line removal and the elapsed-time figure.

#include "engine/header_line.h"

#include "engine/app_text.h"

namespace kelvane {
namespace {

constexpr std::string_view kHeaderWords = "-- Pretty-Printed using Zorv Kelvane";

// Where the text after the old header lines begins.
size_t OldHeadersEnd(std::string_view text) {
  // Mend M05: only whole lines at the top; the words further down, in a
  // string or after code, are the file's own text.
  size_t pos = 0;
  while (text.substr(pos).starts_with(kHeaderWords)) {
    const size_t line_end = text.find('\n', pos + kHeaderWords.size());
    if (line_end == std::string_view::npos) break;
    pos = line_end + 1;
  }
  // Mend M06: the empty line that the formatting puts before a global block
  // at the top is removed with the other blank lines at the start; in a
  // formatted file the old header stands before it and shields it. Taking it
  // away with the header gives a second run the first run's output.
  if (pos > 0) {
    if (text.substr(pos).starts_with('\n')) {
      pos += 1;
    } else if (text.substr(pos).starts_with("\r\n")) {
      pos += 2;
    }
  }
  return pos;
}

}  // namespace

std::string RemoveOldHeaders(std::string_view text) {
  return std::string(text.substr(OldHeadersEnd(text)));
}

std::string ReplaceHeaderLines(std::string_view text, bool strip_comments) {
  std::string_view rest = text.substr(OldHeadersEnd(text));
  if (strip_comments) return std::string(rest);
  if (rest == "\n" || rest == "\r\n") rest = {};
  // Built front to back: an insert at the front would move the whole text.
  std::string result;
  result.reserve(AppComment.size() + rest.size());
  result.append(AppComment).append(rest);
  return result;
}

}  // namespace kelvane
