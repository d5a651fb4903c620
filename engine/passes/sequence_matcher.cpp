// Backtracking over a fixed sequence of greedy pieces.

#include "engine/passes/sequence_matcher.h"

#include "engine/char_class.h"
#include "engine/scan.h"
#include "engine/tokens.h"

namespace kelvane {

SequenceMatcher::SequenceMatcher(std::span<const SequenceElement> elements)
    : elements_(elements),
      bounds_(elements.size() + 1, 0),
      line_memos_(elements.size()),
      lines_(elements.size()) {}

bool SequenceMatcher::MatchAt(std::string_view text, size_t pos) {
  if (text.data() != text_.data() || text.size() != text_.size()) {
    for (auto& memo : line_memos_) memo.clear();  // remembered results hold for one text only
    for (LineSpan& line : lines_) line = LineSpan{};
  }
  text_ = text;
  return MatchFrom(0, pos);
}

std::string_view SequenceMatcher::Group(int n) const {
  size_t first = elements_.size();
  size_t last = 0;
  for (size_t k = 0; k < elements_.size(); ++k) {
    if (elements_[k].group != n) continue;
    if (first == elements_.size()) first = k;
    last = k;
  }
  if (first == elements_.size()) return {};
  return text_.substr(bounds_[first], bounds_[last + 1] - bounds_[first]);
}

// The end of the line holding `pos` ("." stops at LF and CR). Each element's
// queries come in runs on one line, so the last line it found is kept.
size_t SequenceMatcher::LineEnd(size_t element, size_t pos) {
  LineSpan& line = lines_[element];
  if (pos < line.begin || pos > line.end) {
    line.end = text_.find_first_of("\n\r", pos);
    if (line.end == std::string_view::npos) line.end = text_.size();
    line.begin = pos;
  }
  return line.end;
}

// The recursion depth is the number of elements, never the text's length.
bool SequenceMatcher::MatchFrom(size_t element, size_t pos) {
  bounds_[element] = pos;
  if (element == elements_.size()) return true;
  const SequenceElement& e = elements_[element];
  const std::string_view text = text_;
  switch (e.piece) {
    case Piece::kLiteral:
      return text.substr(pos).starts_with(e.literal) &&
             MatchFrom(element + 1, pos + e.literal.size());
    case Piece::kSpace:
      return pos < text.size() && IsSpace(text[pos]) && MatchFrom(element + 1, pos + 1);
    case Piece::kKeywordTail: {
      size_t end = pos;
      while (end < text.size() && text[end] == ';') ++end;
      return MatchFrom(element + 1, SkipCommentTokens(text, end));
    }
    case Piece::kLineChars: {
      const size_t end = LineEnd(element, pos);
      LineMemo& memo =
          line_memos_[element].try_emplace(end, LineMemo{kNone, end + 1}).first->second;
      if (memo.best != kNone) return memo.best >= pos && MatchFrom(element + 1, memo.best);
      // Longest first; a following literal can only start where its first
      // character stands.
      const SequenceElement* next =
          element + 1 < elements_.size() ? &elements_[element + 1] : nullptr;
      while (memo.tried_down_to > pos) {
        const size_t stop = --memo.tried_down_to;
        if (next != nullptr && next->piece == Piece::kLiteral &&
            (stop >= text.size() || text[stop] != next->literal.front())) {
          continue;
        }
        if (MatchFrom(element + 1, stop)) {
          memo.best = stop;
          bounds_[element] = pos;
          return true;
        }
      }
      return false;
    }
    case Piece::kSpaceRun:
    case Piece::kNonSpaces: {
      size_t end = pos;
      if (e.piece == Piece::kSpaceRun) {
        while (end < text.size() && IsSpace(text[end])) ++end;
      } else {
        while (end < text.size() && !IsSpace(text[end])) ++end;
      }
      const size_t shortest = e.piece == Piece::kSpaceRun ? pos + 1 : pos;
      const SequenceElement* next =
          element + 1 < elements_.size() ? &elements_[element + 1] : nullptr;
      for (size_t stop = end + 1; stop-- > shortest;) {
        if (next != nullptr && next->piece == Piece::kLiteral &&
            (stop >= text.size() || text[stop] != next->literal.front())) {
          continue;
        }
        if (MatchFrom(element + 1, stop)) return true;
      }
      return false;
    }
  }
  return false;
}

}  // namespace kelvane
