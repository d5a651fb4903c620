// A backtracking matcher for short fixed sequences of greedy pieces, the
// shape of the loop-head patterns ("\sfor\s.*,\s+.*\s+do\s"). The pieces are
// tried exactly as a backtracking regular-expression engine tries them:
// each greedy piece longest first, then shorter, so the groups it reports are
// the ones that engine reports. It is only ever started at the few places
// where a pattern's fixed opening ("\sfor\s", "\swhile") stands.
//
// Whether the pieces after a ".*" match from a given position does not depend
// on where the ".*" started, so for each ".*" and line the matcher remembers
// the last position (counting down from the line's end) from which the rest
// matches, and how far down it has tried. Each position is then tried at most
// once per piece over all the starts in one text, and a line with thousands
// of commas after "for" stays linear.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kelvane {

enum class Piece {
  kLiteral,      // the exact text
  kSpace,        // \s
  kSpaceRun,     // \s+
  kLineChars,    // .*   (never a line end)
  kNonSpaces,    // [^\s]*
  kKeywordTail,  // \;* then glued comment tokens (always followed by \s)
};

struct SequenceElement {
  Piece piece;
  std::string_view literal = {};
  int group = 0;  // elements of one group are consecutive; 0: no group
};

class SequenceMatcher {
 public:
  explicit SequenceMatcher(std::span<const SequenceElement> elements);

  // Matches the whole sequence starting at `pos`; on success, Group(n) gives
  // the text of group n and End() the end of the match.
  bool MatchAt(std::string_view text, size_t pos);
  std::string_view Group(int n) const;
  size_t End() const { return bounds_.back(); }

 private:
  bool MatchFrom(size_t element, size_t pos);
  size_t LineEnd(size_t element, size_t pos);

  // For a ".*" element and the end of a line: the largest stop from which the
  // rest matched (or none yet), and the lowest stop tried so far.
  struct LineMemo {
    size_t best;
    size_t tried_down_to;
  };

  std::span<const SequenceElement> elements_;
  std::string_view text_;
  std::vector<size_t> bounds_;  // bounds_[k]: where element k starts; last: the end
  std::vector<std::unordered_map<size_t, LineMemo>> line_memos_;  // per element, by line end
  // Per element, [line_begin, line_end]: part of the line it looked up last.
  // Kept per element: the ".*" pieces of one pattern sit on different lines,
  // and a cache they shared would lose each line to the next piece.
  struct LineSpan {
    size_t begin = 1;
    size_t end = 0;
  };
  std::vector<LineSpan> lines_;
};

}  // namespace kelvane
