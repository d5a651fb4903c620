// The block keywords, and a statement's extent measured by its lines.

#include "engine/code_nesting.h"

namespace kelvane {

NestingEvent KeywordNesting(std::string_view word) {
  if (word == "function" || word == "do" || word == "if" || word == "repeat") {
    return NestingEvent::kBlockOpen;
  }
  if (word == "end" || word == "until") return NestingEvent::kBlockClose;
  if (word == "else" || word == "elseif") return NestingEvent::kBlockMiddle;
  return NestingEvent::kOtherCode;
}

bool HoldsWholeStatements(std::string_view text) {
  long brackets = 0;
  long blocks = 0;
  const size_t stop = ScanNesting(text, 0, [&](NestingEvent event, size_t) {
    switch (event) {
      case NestingEvent::kOpen:
        ++brackets;
        return true;
      case NestingEvent::kClose:
        return --brackets >= 0;
      case NestingEvent::kBlockOpen:
        ++blocks;
        return true;
      case NestingEvent::kBlockMiddle:
        return blocks > 0;
      case NestingEvent::kBlockClose:
        return --blocks >= 0;
      case NestingEvent::kOtherCode:
      case NestingEvent::kLineEnd:
        return true;
    }
    return true;
  });
  return stop == text.size() && brackets == 0 && blocks == 0;
}

size_t LineNumberAt(std::string_view text, size_t pos) {
  size_t line = 1;
  for (size_t i = 0; i < pos && i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++line;
    }
  }
  return line;
}

size_t LineContentEnd(std::string_view text, size_t pos) {
  const size_t end = text.find_first_of("\r\n", pos);
  return end == std::string_view::npos ? text.size() : end;
}

size_t StatementEnd(std::string_view text, size_t from, size_t* no_statement_until,
                    LongBracketMemo* memo) {
  long depth = 0;
  bool code_on_line = false;
  bool code_seen = false;
  size_t found = kNone;
  const size_t stop = ScanNesting(
      text, from,
      [&](NestingEvent event, size_t pos) {
        switch (event) {
          case NestingEvent::kLineEnd:
            if (code_on_line && depth <= 0) {
              found = pos;
              return false;
            }
            code_on_line = false;
            return true;
          case NestingEvent::kOpen:
          case NestingEvent::kBlockOpen:
            ++depth;
            break;
          case NestingEvent::kClose:
          case NestingEvent::kBlockClose:
          case NestingEvent::kBlockMiddle:
            // Code that starts by closing what it did not open ("}", "end",
            // "else") is the rest of an enclosing statement: none starts here.
            if (!code_seen) return false;
            if (event != NestingEvent::kBlockMiddle) --depth;
            break;
          case NestingEvent::kOtherCode:
            break;
        }
        code_on_line = true;
        code_seen = true;
        return true;
      },
      memo);
  if (found != kNone) return found;
  if (!code_seen) {
    if (no_statement_until != nullptr) *no_statement_until = stop;
    return kNone;
  }
  // The text ends on the statement's last line, or inside the statement: to
  // the end of its last line that holds anything.
  size_t end = text.size();
  while (end > from && IsSpace(text[end - 1])) --end;
  return LineContentEnd(text, end - 1);
}

}  // namespace kelvane
