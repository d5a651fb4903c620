// Header-line removal and the elapsed-time figure.

#include "engine/header_line.h"

#include "engine/app_text.h"

namespace kelvane {
namespace {

constexpr std::string_view kHeaderWords = "-- Pretty-Printed using Zorv Kelvane";

}  // namespace

std::string RemoveOldHeaders(std::string_view text) {
  // One forward scan: find the words, find the next LF, keep what lies
  // before the words and go on after the LF. Each search starts where the
  // previous one ended, so the whole text is looked at once. Without an LF
  // after the words nothing further can match, so the rest is kept.
  std::string result;
  result.reserve(text.size());
  size_t pos = 0;
  bool at_text_start = true;  // every match so far began where the text (still) begins
  for (;;) {
    const size_t start = text.find(kHeaderWords, pos);
    if (start == std::string_view::npos) break;
    const size_t line_end = text.find('\n', start + kHeaderWords.size());
    if (line_end == std::string_view::npos) break;
    at_text_start = at_text_start && start == pos;
    result.append(text.substr(pos, start - pos));
    pos = line_end + 1;
  }
  // The empty line that the formatting puts before a global block at the top
  // is removed with the other blank lines at the start; in a formatted file
  // the old header stands before it and shields it. Taking it away with the
  // header gives a second run the first run's output.
  if (at_text_start && pos > 0) {
    if (text.substr(pos).starts_with('\n')) {
      pos += 1;
    } else if (text.substr(pos).starts_with("\r\n")) {
      pos += 2;
    }
  }
  result.append(text.substr(pos));
  return result;
}

std::string ReplaceHeaderLines(std::string_view text, bool strip_comments) {
  std::string result = RemoveOldHeaders(text);
  if (strip_comments) return result;
  if (result == "\n" || result == "\r\n") result.clear();
  result.insert(0, AppComment);
  return result;
}

}  // namespace kelvane
