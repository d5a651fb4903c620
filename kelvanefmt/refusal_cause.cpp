// The brace guard's "}" is found again with the lexer; the meaning check's
// reason, "Error: Was unable to keep the meaning of line N: WHY.", is read
// back into its line and its two excerpts.

#include "kelvanefmt/refusal_cause.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "engine/code_nesting.h"
#include "engine/lua_lexer.h"
#include "engine/shown_bytes.h"
#include "files/file_io.h"

namespace kelvane::fmt {
namespace {

// The first "}" that closes no "{", outside comments and strings.
std::optional<size_t> SurplusBraceLine(std::string_view input) {
  long depth = 0;
  size_t surplus = kNone;
  ScanNesting(input, 0, [&](NestingEvent event, size_t pos) {
    if (event == NestingEvent::kOpen && input[pos] == '{') ++depth;
    if (event == NestingEvent::kClose && input[pos] == '}' && --depth < 0) {
      surplus = pos;
      return false;
    }
    return true;
  });
  if (surplus == kNone) return std::nullopt;
  return LineNumberAt(input, surplus);
}

// A stretch of a text as a message shows it (AppendShownBytes), "..." where
// it is cut.
std::string Shown(std::string_view text, size_t begin, size_t end) {
  std::string shown = begin > 0 ? "..." : "";
  if (begin < end && begin < text.size()) AppendShownBytes(shown, text.substr(begin, end - begin));
  if (end < text.size()) shown += "...";
  return shown;
}

// Whether `literal` starts with what an excerpt of the engine shows of it.
bool StartsAsShown(std::string_view literal, std::string_view shown) {
  size_t i = 0;
  for (size_t s = 0; s < shown.size(); ++s, ++i) {
    if (i >= literal.size()) return false;
    const unsigned char c = static_cast<unsigned char>(literal[i]);
    if (shown[s] == '\\' && s + 1 < shown.size() && shown[s + 1] == 'n' && c == '\n') {
      ++s;
    } else if (shown[s] == '?' && (c < 32 || c == 127)) {
    } else if (shown[s] != literal[i]) {
      return false;
    }
  }
  return true;
}

// The string literals of `text` that start as `shown` does, in text order.
std::vector<LiteralSpan> LiteralsShownAs(std::string_view text, std::string_view shown) {
  std::vector<LiteralSpan> found;
  ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) {
    const bool string =
        span.kind == LiteralKind::kQuotedString || span.kind == LiteralKind::kLongString;
    if (string && StartsAsShown(text.substr(span.begin, span.end - span.begin), shown)) {
      found.push_back(span);
    }
  });
  return found;
}

// When both excerpts are cut to the same text, the two strings are found
// whole (the n-th string that starts so in the input, on the line named,
// and the n-th that starts so in the output, as everything before them
// matched; the first such pair that differs) and shown around the first
// byte where they part.
bool WidenExcerpts(std::string_view input, std::string_view output, size_t line,
                   std::string& before, std::string& after) {
  const std::string_view prefix = std::string_view(before).substr(0, before.size() - 3);
  const std::vector<LiteralSpan> in = LiteralsShownAs(input, prefix);
  const std::vector<LiteralSpan> out = LiteralsShownAs(output, prefix);
  size_t line_start = 0;
  for (size_t at = 1; at < line && line_start < input.size(); ++at) {
    const size_t end = LineContentEnd(input, line_start);
    line_start = end + (input.substr(end, 2) == "\r\n" ? 2 : 1);
  }
  const size_t line_end = LineContentEnd(input, std::min(line_start, input.size()));
  for (size_t n = 0; n < in.size() && n < out.size(); ++n) {
    if (in[n].begin < line_start || in[n].begin > line_end) continue;
    const std::string_view a = input.substr(in[n].begin, in[n].end - in[n].begin);
    const std::string_view b = output.substr(out[n].begin, out[n].end - out[n].begin);
    if (a == b) continue;
    size_t part = 0;
    while (part < a.size() && part < b.size() && a[part] == b[part]) ++part;
    const size_t from = part > 12 ? part - 12 : 0;
    before = Shown(a, from, part + 20);
    after = Shown(b, from, part + 20);
    return true;
  }
  return false;
}

std::string MeaningCause(std::string_view input, const FormatResult& result) {
  constexpr std::string_view kStart = "Error: Was unable to keep the meaning of line ";
  const std::string_view reason = result.reason;
  if (!reason.starts_with(kStart) || !reason.ends_with('.')) {
    return "refused by the meaning check: " + result.reason;
  }
  size_t line = 0;
  const auto [number_end, error] =
      std::from_chars(reason.data() + kStart.size(), reason.data() + reason.size(), line);
  const size_t why_start = static_cast<size_t>(number_end - reason.data()) + 2;
  if (error != std::errc() || why_start >= reason.size()) {
    return "refused by the meaning check: " + result.reason;
  }
  const std::string_view why = reason.substr(why_start, reason.size() - 1 - why_start);
  const std::string where = "would change the meaning at line " + std::to_string(line) + ": ";
  constexpr std::string_view kBecomes = "\" would become \"";
  const size_t becomes = why.find(kBecomes);
  if (!why.starts_with('"') || !why.ends_with('"') || becomes == std::string_view::npos) {
    return where + std::string(why);
  }
  std::string before(why.substr(1, becomes - 1));
  std::string after(
      why.substr(becomes + kBecomes.size(), why.size() - 1 - becomes - kBecomes.size()));
  if (before == after && before.ends_with("...")) {
    WidenExcerpts(input, result.refused_text, line, before, after);
  }
  return where + "`" + before + "` / `" + after + "`";
}

}  // namespace

std::optional<std::string> NotTextCause(std::string_view input) {
  const size_t nul = input.find('\0');
  if (nul == std::string_view::npos) return std::nullopt;
  return "not a text file (NUL byte at offset " + std::to_string(nul) + ")";
}

std::string RefusalCause(std::string_view input, const FormatResult& result) {
  if (result.status == FormatStatus::kOk) return {};
  // A surplus "}" is the cause, whichever check met its effects first (the
  // guard, or the meaning check where the layout made it a ",").
  if (result.status == FormatStatus::kGuardFired || result.status == FormatStatus::kRefused) {
    if (const std::optional<size_t> line = SurplusBraceLine(input)) {
      return "unbalanced braces: a \"}\" at line " + std::to_string(*line) + " closes nothing";
    }
  }
  switch (result.status) {
    case FormatStatus::kOk:
      return {};
    case FormatStatus::kGuardFired:
      return "refused by the brace guard: " + result.reason;
    case FormatStatus::kRefused:
      if (!result.reason.starts_with("Error: ")) return result.reason;  // the regions' own words
      return MeaningCause(input, result);
    case FormatStatus::kFileError:
      break;  // no debug file is ever asked for
  }
  return "refused by the engine";
}

std::string OutputTooLargeCause(uint64_t size) {
  return "refused: the formatted text would be " + std::to_string(size >> 20) +
         " MiB, larger than the input limit of " + std::to_string(kInputSizeLimit >> 20) +
         " MiB; nothing was written";
}

}  // namespace kelvane::fmt
