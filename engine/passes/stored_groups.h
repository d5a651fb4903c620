// Some passes rewrite the stored argument lists and indices too, entry by
// entry, in table order: the argument lists first, then the indices.
#pragma once

#include <string>

#include "engine/code_state.h"

namespace kelvane {

template <typename Rewrite>
void RewriteStoredGroups(CodeState& state, Rewrite rewrite) {
  for (std::string& entry : state.arguments_table) entry = rewrite(entry);
  for (std::string& entry : state.indices_table) entry = rewrite(entry);
}

}  // namespace kelvane
