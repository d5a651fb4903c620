// The loop shapes and auxiliary operations that the reference passes share:
// indent, outdent, iterate1, iterate2, the first-match masking loop, the
// repeat-while-a-match-remains loop and the brace loops' iteration guard.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tests/reference/ecma_regex.h"

namespace kelvane::reference {

constexpr RegexFlags kMulti = RegexFlags::kMultiline;
constexpr RegexFlags kSingle = RegexFlags::kNone;

// The iteration guard's limit: a guarded loop may run this many iterations.
constexpr int kIterationLimit = 10000;

// indent: `^(.*)$` (global, multiline) -> `\t$1`.
std::string Indent(std::string_view text);
// outdent: `^(\t)(.*)$` (global, multiline) -> `$2`.
std::string Outdent(std::string_view text);
// iterate1: appends to `out_string`, returns the rest of the text.
std::string Iterate1(std::string_view text, std::string& out_string);
// iterate2: appends to `out_string`, returns the rest of the text.
std::string Iterate2(std::string_view text, std::string& out_string);

// Test the text; while it matches, replace every match and test again.
std::string RepeatWhileMatch(std::string_view text, std::string_view pattern, RegexFlags flags,
                             std::string_view replacement);

// The masking loop: while the pattern matches, replace the leftmost match by
// `prefix` + number + `suffix` (the number being the table's size) and store
// the matched text in the table; search again from the start.
void MaskFirstMatches(std::string& text, std::string_view pattern, RegexFlags flags,
                      std::vector<std::string>& table, std::string_view prefix,
                      std::string_view suffix);

// Replace the first occurrence of `token` by `stored`, byte for byte; no
// change when the token is not found.
void ReplaceFirstOccurrence(std::string& text, std::string_view token, std::string_view stored);

}  // namespace kelvane::reference
