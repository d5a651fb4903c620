// Backtracking over a fixed sequence of greedy pieces.

#include "engine/passes/sequence_matcher.h"

#include "engine/char_class.h"

namespace kelvane {

SequenceMatcher::SequenceMatcher(std::span<const SequenceElement> elements)
    : elements_(elements), bounds_(elements.size() + 1, 0) {}

bool SequenceMatcher::MatchAt(std::string_view text, size_t pos) {
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

// The recursion depth is the number of elements, never the text's length.
bool SequenceMatcher::MatchFrom(size_t element, size_t pos) {
  bounds_[element] = pos;
  if (element == elements_.size()) return true;
  const SequenceElement& e = elements_[element];
  const std::string_view text = text_;
  switch (e.piece) {
    case Piece::kLiteral:
      return text.substr(pos).starts_with(e.literal) && MatchFrom(element + 1, pos + e.literal.size());
    case Piece::kSpace:
      return pos < text.size() && IsSpace(text[pos]) && MatchFrom(element + 1, pos + 1);
    case Piece::kSpaces:
    case Piece::kLineChars:
    case Piece::kNonSpaces: {
      size_t end = pos;
      if (e.piece == Piece::kSpaces) {
        while (end < text.size() && IsSpace(text[end])) ++end;
      } else if (e.piece == Piece::kLineChars) {
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
      } else {
        while (end < text.size() && !IsSpace(text[end])) ++end;
      }
      const size_t shortest = e.piece == Piece::kSpaces ? pos + 1 : pos;
      // Longest first. A following literal can only start where its first
      // character stands, which skips most of the hopeless lengths.
      const SequenceElement* next = element + 1 < elements_.size() ? &elements_[element + 1] : nullptr;
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
