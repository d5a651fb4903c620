// How the code of a Lua text nests: where it opens and closes brackets and
// blocks, read outside comments and strings, and where its lines end. The
// callers measure statements by it (how far one reaches, whether a stretch
// of lines holds whole ones) and find a "}" that closes nothing.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/char_class.h"
#include "engine/lua_lexer.h"

namespace kelvane {

enum class NestingEvent {
  kOpen,         // "(", "[" or "{"
  kClose,        // ")", "]" or "}"
  kBlockOpen,    // "function", "do", "if", "repeat": each takes an "end" or "until"
  kBlockMiddle,  // "else", "elseif": only inside a block
  kBlockClose,   // "end", "until"
  kOtherCode,    // any other token: a name, a numeral, a string, an operator
  kLineEnd,      // LF, CR LF or a lone CR outside comments and strings; `pos` is where it starts
};

// The keyword that `word` is, as a nesting event; kOtherCode for any other word.
NestingEvent KeywordNesting(std::string_view word);

// Calls on_event(NestingEvent, size_t pos) for each event of the code from
// `from` on, in text order, until it returns false; returns the position it
// stopped at (the event's position) or the text's size. Comments are
// skipped (a block comment's line ends are no line ends of the code); a
// string is one kOtherCode event. Scans of one text may share a memo.
template <typename OnEvent>
size_t ScanNesting(std::string_view text, size_t from, OnEvent&& on_event,
                   LongBracketMemo* shared_memo = nullptr) {
  LongBracketMemo own_memo;
  LongBracketMemo& memo = shared_memo != nullptr ? *shared_memo : own_memo;
  size_t pos = from;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '\n' || c == '\r') {
      if (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') {
        if (!on_event(NestingEvent::kLineEnd, pos)) return pos;
        pos += 2;
        continue;
      }
      if (!on_event(NestingEvent::kLineEnd, pos)) return pos;
      ++pos;
      continue;
    }
    if (IsSpace(c)) {
      ++pos;
      continue;
    }
    if (c == '-' || c == '"' || c == '\'' || c == '[') {
      const LiteralSpan span = LiteralAt(text, pos, /*comments=*/true, &memo);
      if (span.end != 0) {
        const bool comment =
            span.kind == LiteralKind::kLineComment || span.kind == LiteralKind::kBlockComment;
        if (!comment && !on_event(NestingEvent::kOtherCode, pos)) return pos;
        pos = span.end;
        continue;
      }
    }
    NestingEvent event = NestingEvent::kOtherCode;
    size_t next = pos + 1;
    if (c == '(' || c == '[' || c == '{') {
      event = NestingEvent::kOpen;
    } else if (c == ')' || c == ']' || c == '}') {
      event = NestingEvent::kClose;
    } else if (IsWord(c)) {
      // A numeral ("1e5", "0x1F", "3.5") is read whole, so that no keyword
      // is found inside it.
      while (next < text.size() && (IsWord(text[next]) || (IsDigit(c) && text[next] == '.'))) {
        ++next;
      }
      if (!IsDigit(c)) event = KeywordNesting(text.substr(pos, next - pos));
    }
    if (!on_event(event, pos)) return pos;
    pos = next;
  }
  return pos;
}

// The end of the statement (or table entry) whose lines start at `from`:
// the end, before its line end, of the first line that holds code and at
// whose end the brackets and block keywords opened from `from` on are all
// closed again (or more are closed than opened). Lines with no code (blank,
// or comments only) before it belong to it. When the text ends first, the
// end of its last line that holds anything. kNone when no statement starts
// there: no code follows, or the code starts with "}", ")", "]", "end",
// "until", "else" or "elseif"; `no_statement_until` then says where the
// scan stopped (that code, or the end): from any line before it, no
// statement starts either.
//   "x = {1,\n2}\ny = 3" from 0 -> 10 (after "2}");  "\n-- a\nf()\n" -> 9;  "}\n" -> kNone
size_t StatementEnd(std::string_view text, size_t from, size_t* no_statement_until = nullptr,
                    LongBracketMemo* memo = nullptr);

// True when `text` holds whole statements (or table entries): every
// bracket and block it opens it closes, and it closes none that it did not
// open; "else" and "elseif" stand only inside a block it opened.
bool HoldsWholeStatements(std::string_view text);

// The 1-based number of the line that `pos` lies on; lines end at LF, CR LF
// or a lone CR, as Lua counts them.
size_t LineNumberAt(std::string_view text, size_t pos);

// The end of the line content that `pos` lies in: the position of its LF,
// CR LF or lone CR, or the text's size.
size_t LineContentEnd(std::string_view text, size_t pos);

}  // namespace kelvane
