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
  if (carrying_) {
    if (!strings_.scanned()) {
      carrying_ = false;  // they would be found in the old text, after this edit
    } else {
      CarryStringsBefore(pos);
      // The next string ends after `pos`; the edit must begin at or after its
      // end, or it would change the string (an insertion at its first byte
      // lands before it).
      const std::vector<TextRange>& strings = strings_.ranges();
      if (next_string_ < strings.size() && strings[next_string_].begin < end) carrying_ = false;
    }
  }
  out_.append(text_, copied_, pos - copied_);
  out_.append(with);
  copied_ = end;
  replaced_ = true;
  shift_ = static_cast<ptrdiff_t>(out_.size()) - static_cast<ptrdiff_t>(end);
}

void TextRewriter::CarryStringsBefore(size_t pos) {
  const std::vector<TextRange>& strings = strings_.ranges();
  while (next_string_ < strings.size() && strings[next_string_].end <= pos) {
    const TextRange& string = strings[next_string_++];
    carried_.push_back({static_cast<size_t>(static_cast<ptrdiff_t>(string.begin) + shift_),
                        static_cast<size_t>(static_cast<ptrdiff_t>(string.end) + shift_)});
  }
}

bool TextRewriter::Commit() {
  if (!replaced_) {
    // The text stays; so do its strings, if they were looked up.
    if (strings_.scanned()) state_.string_literals = strings_.TakeRanges();
    return false;
  }
  out_.append(text_, copied_);
  std::optional<std::vector<TextRange>> carried;
  if (carrying_ && strings_.scanned()) {
    CarryStringsBefore(text_.size());
    carried = std::move(carried_);
  }
  state_.CommitScratch();
  state_.string_literals = std::move(carried);
  return true;
}

}  // namespace kelvane
