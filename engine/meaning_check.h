// The engine's check of its own result before anything is written: the Lua
// token sequences of input and output must be the same, up to the changes
// the formatting makes on purpose:
//   - white space and line breaks;
//   - comments (the clean-up tidies their text, "-s" deletes them);
//   - numerals, compared by value ("1.50" and "1.5"; in a file that shows
//     Lua 5.3 or later, by subtype too: "2.0" is no "2");
//   - a ";" that only ends a statement, dropped or kept;
//   - a "," after the last field of a table constructor.
// A ";" between table fields, string literals and everything else must stay
// as it is. Besides, a "(" that the output starts a line with, right after a
// name, call or index, must not be one that stood on the line of that token
// in the input: Lua 5.1 rejects such a line as an ambiguous call.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvane {

struct MeaningCheck {
  bool same = true;
  size_t input_line = 0;  // 1-based line of the input where they part
  std::string why;        // what would change, for a message
};

// What the check must hold apart beyond the tokens' text.
struct MeaningRules {
  // The file shows Lua 5.3 or later (ShowsIntegerNumerals): numerals with a
  // point or an exponent are floats, the others integers.
  bool integer_numerals = false;
};

MeaningCheck CompareMeaning(std::string_view input, std::string_view output,
                            const MeaningRules& rules = {});

// The same check, every token read as a token: the walk over alike bytes
// that CompareMeaning takes through most texts is left out. Slower; the
// tests hold CompareMeaning to it.
MeaningCheck CompareMeaningByTokens(std::string_view input, std::string_view output,
                                    const MeaningRules& rules = {});

}  // namespace kelvane
