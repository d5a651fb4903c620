// Lines are compared whole, with their line ends, from both ends of the two
// texts; only the middle goes into the edit, so that an editor keeps its
// marks and folds on the lines that did not change.

#include "kelvanefmt/lsp_text_edits.h"

#include <vector>

namespace kelvane::fmt {
namespace {

// The lines of `text`, each with its line end; the last may have none.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      end = text.size();
    } else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      end += 2;
    } else {
      end += 1;
    }
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

bool EndsLine(std::string_view line) {
  return !line.empty() && (line.back() == '\n' || line.back() == '\r');
}

}  // namespace

size_t Characters(std::string_view line_content, bool utf8) {
  if (utf8) return line_content.size();
  // UTF-16 units: one per character, two for one beyond U+FFFF (a lead
  // byte of four); continuation bytes add none.
  size_t units = 0;
  for (const char c : line_content) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
  }
  return units;
}

std::optional<LspEdit> EditBetween(std::string_view before, std::string_view after, bool utf8) {
  if (before == after) return std::nullopt;
  const std::vector<std::string_view> old_lines = Lines(before);
  const std::vector<std::string_view> new_lines = Lines(after);
  size_t head = 0;
  while (head < old_lines.size() && head < new_lines.size() && old_lines[head] == new_lines[head] &&
         EndsLine(old_lines[head])) {
    ++head;
  }
  size_t tail = 0;
  while (tail < old_lines.size() - head && tail < new_lines.size() - head &&
         old_lines[old_lines.size() - 1 - tail] == new_lines[new_lines.size() - 1 - tail]) {
    ++tail;
  }
  LspEdit edit;
  edit.start = {head, 0};
  const size_t old_end = old_lines.size() - tail;
  if (tail > 0 || old_lines.empty() || EndsLine(old_lines.back())) {
    edit.end = {old_end, 0};
  } else {
    // The edit reaches the end of a text whose last line has no line end.
    edit.end = {old_lines.size() - 1, Characters(old_lines.back(), utf8)};
  }
  for (size_t i = head; i < new_lines.size() - tail; ++i) edit.new_text += new_lines[i];
  return edit;
}

size_t LineStart(std::string_view text, size_t line) {
  size_t start = 0;
  for (size_t n = 0; n < line; ++n) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) return std::string_view::npos;
    end += text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
    start = end;
  }
  return start;
}

}  // namespace kelvane::fmt
