// Helpers for passes that are one rewrite applied to the working text and,
// for some passes, to the stored argument lists and indices as well, entry by
// entry in table order (the argument lists first, then the indices). A
// rewrite appends its result for `in` to the empty string `out`.
#pragma once

#include <string>
#include <string_view>

#include "engine/code_state.h"

namespace kelvane {

template <typename Rewrite>
void RewriteText(CodeState& state, Rewrite rewrite) {
  const std::string_view in = state.text;
  std::string& out = state.Scratch(in.size() + in.size() / 4);
  rewrite(in, out);
  state.CommitScratch();
}

template <typename Rewrite>
void RewriteStoredGroups(CodeState& state, Rewrite rewrite) {
  std::string out;
  for (auto* table : {&state.ArgumentsTable, &state.IndicesTable}) {
    for (std::string& entry : *table) {
      out.clear();
      rewrite(std::string_view(entry), out);
      entry.swap(out);
    }
  }
}

template <typename Rewrite>
void RewriteTextAndStoredGroups(CodeState& state, Rewrite rewrite) {
  RewriteText(state, rewrite);
  RewriteStoredGroups(state, rewrite);
}

}  // namespace kelvane
