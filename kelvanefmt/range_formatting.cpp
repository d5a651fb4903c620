// The lines are formatted as a text of their own and put back with the
// indentation of their first line before each formatted line (not before
// the lines inside a long string or block comment, whose bytes are the
// program's).

#include "kelvanefmt/range_formatting.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "engine/code_nesting.h"
#include "engine/lua_lexer.h"
#include "kelvanefmt/format_lua_text.h"
#include "kelvanefmt/line_ends.h"
#include "kelvanefmt/lsp_text_edits.h"

namespace kelvane::fmt {
namespace {

bool InsideLiteral(std::string_view text, size_t pos) {
  bool inside = false;
  ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) {
    inside = inside || (span.begin < pos && pos < span.end);
  });
  return inside;
}

// How deep `pos` lies in brackets, and in blocks, of the code before it.
struct Depth {
  long brackets = 0;
  long blocks = 0;
};

Depth DepthAt(std::string_view text, size_t pos) {
  Depth depth;
  ScanNesting(text, 0, [&](NestingEvent event, size_t at) {
    if (at >= pos) return false;
    if (event == NestingEvent::kOpen) ++depth.brackets;
    if (event == NestingEvent::kClose) --depth.brackets;
    if (event == NestingEvent::kBlockOpen) ++depth.blocks;
    if (event == NestingEvent::kBlockClose) --depth.blocks;
    return true;
  });
  return depth;
}

// Each line of `text` that holds anything gets `indentation` in front, in
// place of one TAB when `in_block` (the TAB of the block the lines were
// formatted in); lines inside a long string or block comment keep their bytes.
std::string Indented(std::string_view text, std::string_view indentation, bool in_block) {
  std::vector<LiteralSpan> literals;
  ForEachLiteral(text, /*comments=*/true,
                 [&](const LiteralSpan& span) { literals.push_back(span); });
  std::string out;
  size_t next_literal = 0;
  size_t line = 0;
  while (line < text.size()) {
    size_t end = text.find('\n', line);
    end = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view content = text.substr(line, end - line);
    while (next_literal < literals.size() && literals[next_literal].end <= line) ++next_literal;
    const bool in_literal = next_literal < literals.size() && literals[next_literal].begin < line;
    if (content != "\n" && content != "\r\n" && !in_literal) {
      if (in_block && content.starts_with('\t')) content.remove_prefix(1);
      out += indentation;
    }
    out += content;
    line = end;
  }
  return out;
}

// A cause that names lines of the formatted piece ("at line 3") names the
// document's lines instead: the piece starts at `first_line` (0-based),
// after `lines_before` lines of its own.
std::string WithDocumentLines(std::string_view cause, size_t first_line, size_t lines_before) {
  constexpr std::string_view kLine = "line ";
  std::string out;
  size_t pos = 0;
  for (size_t at = cause.find(kLine); at != std::string_view::npos;
       at = cause.find(kLine, at + 1)) {
    size_t digits_end = at + kLine.size();
    while (digits_end < cause.size() && IsDigit(cause[digits_end])) ++digits_end;
    if (digits_end == at + kLine.size()) continue;
    const size_t number =
        std::stoul(std::string(cause.substr(at + kLine.size(), digits_end - at - kLine.size())));
    out.append(cause, pos, at + kLine.size() - pos);
    out += std::to_string(std::max(number, lines_before + 1) - lines_before + first_line);
    pos = digits_end;
  }
  out.append(cause, pos);
  return out;
}

// The lines between the first and the last of `text`, with their line ends.
std::string_view InnerLines(std::string_view text) {
  const size_t first_end = text.find('\n');
  const size_t last_start = text.rfind('\n');
  if (first_end == std::string_view::npos || last_start <= first_end) return {};
  return text.substr(first_end + 1, last_start - first_end);
}

}  // namespace

RangeResult FormatLines(const std::string& document, size_t first_line, size_t last_line,
                        FileSettings settings) {
  RangeResult result;
  const size_t begin = LineStart(document, first_line);
  size_t last_start = LineStart(document, std::max(first_line, last_line));
  if (begin == std::string::npos) {
    result.cause = "the selection lies past the end of the document";
    return result;
  }
  if (last_start == std::string::npos) last_start = begin;
  const size_t end = LineContentEnd(document, last_start);
  if (InsideLiteral(document, begin) || InsideLiteral(document, end)) {
    result.cause = "the selection starts or ends inside a comment or string";
    return result;
  }
  const std::string snippet = document.substr(begin, end - begin);
  const Depth depth = DepthAt(document, begin);
  if (depth.brackets != 0 || !HoldsWholeStatements(snippet)) {
    result.cause =
        "the selection does not hold whole statements (select whole lines from a "
        "statement's first to its last)";
    return result;
  }
  settings.header = false;
  const bool lf = EndsLinesWithLf(settings.line_ends, document);
  settings.line_ends = lf ? LineEnds::kLf : LineEnds::kCrLf;
  // Lines inside a block are formatted inside one, as the file formats
  // them: no empty lines around blocks, which only global blocks get.
  const bool in_block = depth.blocks > 0;
  const LuaTextResult formatted =
      FormatLuaText(in_block ? "do\n" + snippet + "\nend\n" : snippet, settings);
  if (!formatted.ok) {
    result.cause = WithDocumentLines(formatted.cause, first_line, in_block ? 1 : 0);
    return result;
  }
  std::string_view text = formatted.text;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  if (in_block) {
    text = InnerLines(text);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  }
  size_t indentation_end = begin;
  while (indentation_end < end &&
         (document[indentation_end] == ' ' || document[indentation_end] == '\t')) {
    ++indentation_end;
  }
  result.ok = true;
  result.text = document.substr(0, begin);
  result.text +=
      Indented(text, std::string_view(document).substr(begin, indentation_end - begin), in_block);
  result.text.append(document, end);
  return result;
}

}  // namespace kelvane::fmt
