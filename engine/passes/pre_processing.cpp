// Stage 1 of ProcessCode: line ends and the first and last line.

#include "engine/passes/pre_processing.h"

#include <algorithm>
#include <vector>

#include "engine/lua_lexer.h"
#include "engine/passes/clean_up.h"
#include "engine/text_range.h"

namespace kelvane {

// Mend M01: every line end outside string literals becomes one LF: CR LF, LF CR (one
// line end to Lua) and a lone CR, the line end of old Mac files. String
// literals keep their bytes: Lua 4.0 keeps a CR inside a long string, and a
// backslash before CR LF or LF CR is one escaped line end, which two LFs
// would end unfinished.
void RemoveCarriageReturns(PassContext& context) {
  std::string& text = context.state.text;
  if (text.find('\r') == std::string::npos) return;
  std::vector<TextRange> strings;
  ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) {
    if (span.kind == LiteralKind::kQuotedString || span.kind == LiteralKind::kLongString) {
      strings.push_back({span.begin, span.end});
    }
  });
  // In place: the text only shrinks.
  size_t kept = 0;
  size_t next_string = 0;
  for (size_t i = 0; i < text.size();) {
    if (next_string < strings.size() && strings[next_string].begin == i) {
      for (; i < strings[next_string].end; ++i) text[kept++] = text[i];
      ++next_string;
      continue;
    }
    const char c = text[i++];
    if (c != '\n' && c != '\r') {
      text[kept++] = c;
      continue;
    }
    text[kept++] = '\n';
    const bool pair = i < text.size() && (text[i] == '\n' || text[i] == '\r') && text[i] != c &&
                      (next_string >= strings.size() || strings[next_string].begin != i);
    if (pair) ++i;
  }
  text.resize(kept);
}

// The same rules as the clean-up's last two: one body each, two rows.
void AddFinalLineFeed(PassContext& context) { AddFinalLineEnd(context); }

void RemoveLeadingLineFeeds(PassContext& context) { RemoveLeadingBlankLines(context); }

}  // namespace kelvane
