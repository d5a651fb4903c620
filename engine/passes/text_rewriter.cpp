#include "engine/passes/text_rewriter.h"

#include <utility>

namespace kelvane {
namespace {

StringLiterals KnownOrLazy(CodeState& state) {
  if (!state.string_literals) return StringLiterals(state.text);
  std::vector<TextRange> known = std::move(*state.string_literals);
  state.string_literals.reset();
  return StringLiterals(state.text, std::move(known));
}

}  // namespace

TextRewriter::TextRewriter(CodeState& state, size_t capacity)
    : state_(state),
      text_(state.text),
      strings_(KnownOrLazy(state)),
      out_(state.Scratch(capacity)) {}

void TextRewriter::Replace(size_t pos, size_t end, std::string_view with) {
  out_.append(text_, copied_, pos - copied_);
  out_.append(with);
  copied_ = end;
  edits_.push_back({pos, end, static_cast<ptrdiff_t>(out_.size()) - static_cast<ptrdiff_t>(end)});
}

bool TextRewriter::Commit() {
  if (edits_.empty()) {
    // The text stays; so do its strings, if they were looked up.
    if (strings_.scanned()) state_.string_literals = strings_.TakeRanges();
    return false;
  }
  out_.append(text_, copied_);
  std::optional<std::vector<TextRange>> shifted = ShiftedStrings();
  state_.CommitScratch();
  state_.string_literals = std::move(shifted);
  return true;
}

std::optional<std::vector<TextRange>> TextRewriter::ShiftedStrings() {
  if (!strings_.scanned()) return std::nullopt;
  std::vector<TextRange> ranges = strings_.TakeRanges();
  size_t next_edit = 0;
  ptrdiff_t shift = 0;
  for (TextRange& range : ranges) {
    while (next_edit < edits_.size() && edits_[next_edit].end <= range.begin) {
      shift = edits_[next_edit].shift;
      ++next_edit;
    }
    // The next edit ends after the string begins: it must begin at or after
    // the string's end, or it changed the string.
    if (next_edit < edits_.size() && edits_[next_edit].begin < range.end) return std::nullopt;
    range.begin = static_cast<size_t>(static_cast<ptrdiff_t>(range.begin) + shift);
    range.end = static_cast<size_t>(static_cast<ptrdiff_t>(range.end) + shift);
  }
  return ranges;
}

}  // namespace kelvane
