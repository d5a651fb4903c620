// A backtracking matcher for short fixed sequences of greedy pieces, the
// shape of the loop-head patterns ("\sfor\s.*,\s+.*\s+do\s"). The pieces are
// tried exactly as a backtracking regular-expression engine tries them:
// each greedy piece longest first, then shorter, so the groups it reports are
// the ones that engine reports. It is only ever started at the few places
// where a pattern's fixed opening ("\sfor\s", "\swhile") stands.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace kelvane {

enum class Piece {
  kLiteral,    // the exact text
  kSpace,      // \s
  kSpaces,     // \s+
  kLineChars,  // .*   (never a line end)
  kNonSpaces,  // [^\s]*
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

  std::span<const SequenceElement> elements_;
  std::string_view text_;
  std::vector<size_t> bounds_;  // bounds_[k]: where element k starts; last: the end
};

}  // namespace kelvane
