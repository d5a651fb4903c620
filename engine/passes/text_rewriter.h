// One forward rewrite of the working text that leaves its string literals
// alone and carries their places over to the text it writes.
//
// The clean-up passes must not change what a string says, so each asks
// whether a match lies inside a string. Scanning the text for its strings
// costs about as much as the pass itself; the strings are never edited, so
// their places in the pass's output follow from the edits made around them.
// The first pass that asks scans; the rewriter shifts the places by the edits
// as it makes them and hands them to the next pass. Should an edit ever fall inside a string,
// the places are dropped and the next pass scans again.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/code_state.h"
#include "engine/lua_lexer.h"

namespace kelvane {

class TextRewriter {
 public:
  // Rewrites `state.text` into the state's scratch buffer, of at least
  // `capacity` bytes.
  TextRewriter(CodeState& state, size_t capacity);

  std::string_view text() const { return text_; }
  // True when the byte at `pos` lies inside a string literal.
  bool InString(size_t pos) { return strings_.Covers(pos); }
  // The first byte not yet copied or replaced.
  size_t copied() const { return copied_; }

  // Copies the text up to `pos`, unchanged: a match that keeps the bytes
  // after its edit, so that the next match cannot start inside them.
  void CopyTo(size_t pos) {
    out_.append(text_, copied_, pos - copied_);
    copied_ = pos;
  }

  // Copies the text up to `pos`, then drops it up to `end` and writes `with`
  // in its place. `pos` >= copied().
  void Replace(size_t pos, size_t end, std::string_view with = {});
  void Replace(size_t pos, size_t end, char with) { Replace(pos, end, std::string_view(&with, 1)); }

  // Copies the rest and makes the result the working text, with the places
  // of its strings; a rewrite that replaced nothing leaves the text as it
  // was. True when something was replaced.
  bool Commit();

 private:
  // Moves the strings that end at or before `pos` to their places in the
  // new text, as far as the edits so far have shifted them.
  void CarryStringsBefore(size_t pos);

  CodeState& state_;
  std::string_view text_;
  StringLiterals strings_;
  std::string& out_;
  size_t copied_ = 0;
  bool replaced_ = false;
  // The strings carried over so far, the next one to carry and the shift of
  // the text after the last edit; `carrying_` turns false should an edit
  // fall inside a string, or one be made before the strings were known.
  std::vector<TextRange> carried_;
  size_t next_string_ = 0;
  ptrdiff_t shift_ = 0;
  bool carrying_ = true;
};

}  // namespace kelvane
