// The joining passes of "Fixing whitespace and indentation": after every
// piece of code got a line of its own, what belongs together goes back on
// one line: keys and values, keywords and what they govern, names and their
// argument lists.
#pragma once

#include <array>
#include <string_view>

#include "engine/pass.h"

namespace kelvane {

void JoinKeysWithValues(PassContext& context);      // "\tb\n\t=\n\t1," -> "\tb=1,"
void JoinKeywords(PassContext& context);            // "\tlocal\n\tx" -> "\tlocal x"
void JoinNamesWithArguments(PassContext& context);  // "\tprint\n\t@a2a@" -> "\tprint@a2a@"
void SpaceConditionKeywords(PassContext& context);  // "\tif@a0a@" -> "\tif @a0a@"
void BreakAfterReturn(PassContext& context);        // "\treturn@a1a@" -> "\treturn\n\t@a1a@"

// The last step of JoinKeysWithValues, Mend M38: the lines of a statement
// that the rule leaves broken (at a comma outside a table, a call's
// parentheses, a string argument, a field access, "%") join again.
void JoinBrokenStatements(CodeState& state);

// The keywords that JoinKeywords joins to what follows them, with one space.
inline constexpr std::array<std::string_view, 8> kHeadKeywords = {
    "function", "while", "for", "if", "elseif", "local", "global", "until"};

}  // namespace kelvane
