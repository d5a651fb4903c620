// Stage 1 of ProcessCode: line ends and the first and last line.

#include "engine/passes/pre_processing.h"

#include <algorithm>
#include <cstring>
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
  // In place: the text only shrinks. Only the CRs outside string literals
  // change anything, so the text between them moves in blocks: a CR right
  // after an LF that is a line end of its own ("\n\r") goes, any other CR
  // becomes an LF and takes an LF right after it along ("\r\n").
  char* const data = text.data();
  const size_t size = text.size();
  size_t kept = 0;
  size_t copied = 0;                    // the input before this is in place
  size_t taken_lf = std::string::npos;  // an LF that a CR before it took along
  size_t next_string = 0;
  for (size_t cr = text.find('\r'); cr != std::string::npos; cr = text.find('\r', cr + 1)) {
    while (next_string < strings.size() && strings[next_string].end <= cr) ++next_string;
    if (next_string < strings.size() && strings[next_string].begin <= cr) continue;
    // That LF is no line end of its own where a string ends with it (an
    // unfinished one ends at its line end).
    const bool lf_ends_string = next_string > 0 && strings[next_string - 1].end == cr;
    const bool after_own_lf =
        cr > 0 && cr - 1 >= copied && data[cr - 1] == '\n' && cr - 1 != taken_lf && !lf_ends_string;
    std::memmove(data + kept, data + copied, cr - copied);
    kept += cr - copied;
    copied = cr + 1;
    if (after_own_lf) continue;
    data[kept++] = '\n';
    if (cr + 1 < size && data[cr + 1] == '\n') {
      taken_lf = cr + 1;
      copied = cr + 2;
    }
  }
  std::memmove(data + kept, data + copied, size - copied);
  text.resize(kept + size - copied);
}

// The same rules as the clean-up's last two: one body each, two rows.
void AddFinalLineFeed(PassContext& context) { AddFinalLineEnd(context); }

void RemoveLeadingLineFeeds(PassContext& context) { RemoveLeadingBlankLines(context); }

}  // namespace kelvane
