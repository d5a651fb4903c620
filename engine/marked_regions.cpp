// Finding the marked regions with the lexical scan, and the placeholders
// that stand in for them while the passes run.

#include "engine/marked_regions.h"

#include <string_view>

#include "engine/code_nesting.h"
#include "engine/lua_lexer.h"
#include "engine/scan.h"
#include "engine/text_range.h"

namespace kelvane {
namespace {

enum class Marker { kNone, kOff, kOn, kIgnore };

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// "-- kelvanefmt: off" and its kin: "--", blanks, "kelvanefmt:", blanks,
// the word, blanks. The span of a line comment holds no line end.
Marker MarkerOf(std::string_view comment) {
  constexpr std::string_view kName = "kelvanefmt:";
  size_t pos = 2;
  while (pos < comment.size() && IsBlank(comment[pos])) ++pos;
  if (comment.substr(pos, kName.size()) != kName) return Marker::kNone;
  pos += kName.size();
  while (pos < comment.size() && IsBlank(comment[pos])) ++pos;
  size_t end = comment.size();
  while (end > pos && IsBlank(comment[end - 1])) --end;
  const std::string_view word = comment.substr(pos, end - pos);
  if (word == "off") return Marker::kOff;
  if (word == "on") return Marker::kOn;
  if (word == "ignore") return Marker::kIgnore;
  return Marker::kNone;
}

// The start of the line after the one `pos` lies in, or the text's size.
size_t NextLineStart(std::string_view text, size_t pos) {
  size_t end = LineContentEnd(text, pos);
  if (end < text.size() && text[end] == '\r') ++end;
  if (end < text.size() && text[end] == '\n') ++end;
  return end;
}

// The end of the text's last line that holds anything but blanks, at or
// after `from`.
size_t LastLineEnd(std::string_view text, size_t from) {
  size_t end = text.size();
  while (end > from && IsSpace(text[end - 1])) --end;
  return end == from ? from : LineContentEnd(text, end - 1);
}

// The regions of `text`, in text order: one lexical scan, which passes over
// what a region holds.
std::vector<TextRange> FindRegions(std::string_view text) {
  std::vector<TextRange> regions;
  size_t open_from = kNone;  // the start of an "off" region whose "on" is not yet found
  size_t skip_to = 0;        // the end of the last region closed
  // Before this position no statement starts (StatementEnd said so), so
  // that a run of "ignore" markers with no code after them is scanned once.
  size_t no_statement_until = 0;
  LongBracketMemo memo;  // for all the statements: the same text
  ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) {
    if (span.begin < skip_to || span.kind != LiteralKind::kLineComment) return;
    const Marker marker = MarkerOf(text.substr(span.begin, span.end - span.begin));
    if (open_from != kNone) {
      if (marker != Marker::kOn) return;
      regions.push_back({open_from, span.end});
      skip_to = span.end;
      open_from = kNone;
    } else if (marker == Marker::kOff) {
      open_from = span.begin;
    } else if (marker == Marker::kIgnore) {
      // With no statement after it, the marker is a region of its own.
      const size_t next_line = NextLineStart(text, span.begin);
      const size_t statement_end = next_line < no_statement_until
                                       ? kNone
                                       : StatementEnd(text, next_line, &no_statement_until, &memo);
      const size_t end = statement_end == kNone ? span.end : statement_end;
      regions.push_back({span.begin, end});
      skip_to = end;
    }
  });
  if (open_from != kNone) regions.push_back({open_from, LastLineEnd(text, open_from)});
  return regions;
}

// "a", "b", ... "z", "ba", ...: the placeholders' numbers, in letters, which
// the clean-up leaves alone where it would tidy digits.
void AppendLetters(std::string& out, size_t n) {
  std::string letters;
  do {
    letters.insert(letters.begin(), static_cast<char>('a' + n % 26));
    n /= 26;
  } while (n != 0);
  out += letters;
}

std::string Placeholder(const std::string& stem, size_t n) {
  std::string placeholder = stem;
  AppendLetters(placeholder, n);
  placeholder.push_back(',');
  return placeholder;
}

bool Inside(const std::vector<TextRange>& regions, size_t& next, size_t pos) {
  while (next < regions.size() && regions[next].end <= pos) ++next;
  return next < regions.size() && regions[next].begin <= pos;
}

// The text between the regions with its comments deleted as the masking
// deletes them under "-s": a block comment with code right after it leaves
// a space, so that the code on both sides stays apart.
std::string WithoutCommentsOutside(std::string_view text, const std::vector<TextRange>& regions) {
  std::string out;
  out.reserve(text.size());
  size_t copied = 0;
  size_t next_region = 0;
  ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) {
    const bool comment =
        span.kind == LiteralKind::kLineComment || span.kind == LiteralKind::kBlockComment;
    if (!comment || Inside(regions, next_region, span.begin)) return;
    out.append(text, copied, span.begin - copied);
    if (span.end < text.size() && !IsSpace(text[span.end])) out.push_back(' ');
    copied = span.end;
  });
  out.append(text, copied);
  return out;
}

}  // namespace

MarkedRegions SetMarkedRegionsAside(std::string& text, size_t first_line,
                                    FormatOptions& process_settings) {
  MarkedRegions result;
  // Most texts hold no marker at all: one search tells.
  if (text.find("kelvanefmt:") == std::string::npos) return result;
  std::vector<TextRange> regions = FindRegions(text);
  if (regions.empty()) return result;
  for (const TextRange& region : regions) {
    const std::string_view region_text(text.data() + region.begin, region.end - region.begin);
    if (!HoldsWholeStatements(region_text)) {
      const size_t line = first_line - 1 + LineNumberAt(text, region.begin);
      result.refusal = "the region marked at line " + std::to_string(line) +
                       " does not hold whole statements: it opens or closes a bracket or "
                       "block that it does not close or open";
      return result;
    }
  }

  result.placeholder_stem = "--kelvanefmtregion";
  while (text.find(std::string_view(result.placeholder_stem).substr(2)) != std::string::npos) {
    result.placeholder_stem.push_back('x');
  }
  std::string out;
  out.reserve(text.size());
  size_t copied = 0;
  for (const TextRange& region : regions) {
    out.append(text, copied, region.begin - copied);
    result.texts.emplace_back(text, region.begin, region.end - region.begin);
    out += Placeholder(result.placeholder_stem, result.texts.size() - 1);
    copied = region.end;
  }
  out.append(text, copied);
  text = std::move(out);

  if (process_settings.StripComments) {
    // The placeholders are comments too: the ones outside them go here, and
    // the masking keeps the placeholders.
    std::vector<TextRange> placeholders;
    size_t from = 0;
    for (size_t n = 0; n < result.texts.size(); ++n) {
      const std::string placeholder = Placeholder(result.placeholder_stem, n);
      from = text.find(placeholder, from);
      placeholders.push_back({from, from + placeholder.size()});
      from += placeholder.size();
    }
    text = WithoutCommentsOutside(text, placeholders);
    process_settings.StripComments = false;
  }
  return result;
}

bool PutMarkedRegionsBack(const MarkedRegions& regions, std::string& text) {
  if (regions.texts.empty()) return true;
  std::string out;
  out.reserve(text.size());
  size_t copied = 0;
  for (size_t n = 0; n < regions.texts.size(); ++n) {
    const std::string placeholder = Placeholder(regions.placeholder_stem, n);
    const size_t at = text.find(placeholder, copied);
    if (at == std::string::npos) return false;
    out.append(text, copied, at - copied);
    out += regions.texts[n];
    copied = at + placeholder.size();
    // The blanks the passes put after a comment (the TABs after the first
    // one) would be put after the region on every run anew.
    size_t blanks_end = copied;
    while (blanks_end < text.size() && IsBlank(text[blanks_end])) ++blanks_end;
    if (blanks_end == text.size() || text[blanks_end] == '\n' || text[blanks_end] == '\r') {
      copied = blanks_end;
    }
  }
  out.append(text, copied);
  text = std::move(out);
  return true;
}

}  // namespace kelvane
