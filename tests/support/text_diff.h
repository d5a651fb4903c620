// Showing where two texts differ: escapes made visible, the first differing
// offset, and both sides fenced around it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvane::test_support {

// TAB, LF, CR and other control or high bytes as escapes ("\t", "\n", "\x0b");
// a backslash doubled.
std::string Escape(std::string_view text);

// The first offset where the texts differ; the shorter length when one is a
// prefix of the other; npos when they are equal.
size_t FirstDifference(std::string_view a, std::string_view b);

// "first difference at offset N" and a fenced, escaped window of both sides
// around it; an empty string when the texts are equal.
std::string DescribeDifference(std::string_view a, std::string_view b,
                               std::string_view a_name = "expected",
                               std::string_view b_name = "actual");

}  // namespace kelvane::test_support
