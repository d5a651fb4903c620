// The next-run model, over one line's content.

#include "engine/passes/next_run.h"

#include "engine/char_class.h"
#include "engine/lua_lexer.h"
#include "engine/passes/joining.h"
#include "engine/passes/operator_spacing.h"
#include "engine/scan.h"

namespace kelvane {
namespace {

bool IsKey(char c) { return c == '@' || IsWord(c); }

// What JoinKeysWithValues joins after an "=": a name, numeral, token, sign
// or point; and "^", whose tightening takes the space before it out again.
bool IsValueStart(char c) { return IsKey(c) || c == '-' || c == '+' || c == '.' || c == '^'; }

// Whether a piece of the next run comes back as one line: the keywords that
// JoinKeywords joins to what follows them, each with one space, then no
// white space ("local x=", not "[ not x=").
bool PieceComesBackWhole(std::string_view piece) {
  for (bool again = true; again;) {
    again = false;
    for (std::string_view keyword : kHeadKeywords) {
      if (piece.size() > keyword.size() && piece.starts_with(keyword) &&
          piece[keyword.size()] == ' ') {
        piece.remove_prefix(keyword.size() + 1);
        again = true;
      }
    }
  }
  for (const char c : piece) {
    if (IsSpace(c)) return false;
  }
  return true;
}

}  // namespace

bool IsExponentSignAt(std::string_view text, size_t pos) {
  if (pos < 2 || pos + 1 >= text.size() || !IsDigit(text[pos + 1])) return false;
  if (IsHexExponentMarkAt(text, pos - 1)) return true;
  if (text[pos - 1] != 'e' && text[pos - 1] != 'E') return false;
  size_t digits = pos - 1;
  while (digits > 0 && IsDigit(text[digits - 1])) --digits;
  return digits < pos - 1 && (digits == 0 || !IsWord(text[digits - 1]));
}

size_t NextRunPieceEnd(std::string_view line, size_t start, char before, bool at_operator) {
  static constexpr ByteSet kOperatorStarts = ByteSet::Of([](char c) {
    return c == '~' || c == '<' || c == '>' || c == '=' || c == '+' || c == '-' || c == '*' ||
           c == '/' || c == '.';
  });
  for (size_t pos = FindInSet(line, start, kOperatorStarts); pos < line.size();
       pos = FindInSet(line, pos, kOperatorStarts)) {
    const size_t length = SpacedOperatorLength(line, pos);
    if (length == 0 || (length == 1 && IsExponentSignAt(line, pos))) {
      pos += length == 0 ? 1 : length;
      continue;
    }
    const char previous = pos > start ? line[pos - 1] : before;
    const bool joined_before = (at_operator && pos == start) ||
                               (line[pos] == '=' && IsKey(previous)) ||
                               (previous == '=' && IsValueStart(line[pos]));
    if (!joined_before) return pos;
    const size_t after = pos + length;
    if (after == line.size()) break;  // the line end is no space
    const bool joined_after =
        line[after] == ',' || (line[after - 1] == '=' && IsValueStart(line[after]));
    if (!joined_after) return after;
    pos = after;
  }
  return kNone;
}

bool NextRunKeepsPartAlone(std::string_view part, char before) {
  if (part.starts_with('=') && IsKey(before)) return false;
  return NextRunPieceEnd(part, 0, '\0', /*at_operator=*/true) == kNone;
}

bool NextRunKeepsLineWhole(std::string_view line, char before) {
  return NextRunPieceEnd(line, 0, before, /*at_operator=*/false) == kNone &&
         PieceComesBackWhole(line);
}

size_t NextRunFirstPieceLength(std::string_view line) {
  return NextRunPieceEnd(line, 0, '\0', /*at_operator=*/false);
}

bool NextRunEndsALineAfterEquals(std::string_view line, bool first_piece_only) {
  size_t start = 0;
  for (size_t end = NextRunFirstPieceLength(line); end != kNone;
       start = end, end = NextRunPieceEnd(line, start, start > 0 ? line[start - 1] : '\0',
                                          /*at_operator=*/true)) {
    if (end > start && line[end - 1] == '=' &&
        PieceComesBackWhole(line.substr(start, end - start))) {
      return true;
    }
    if (first_piece_only) break;
  }
  return false;
}

}  // namespace kelvane
