// The one model of what the next run makes of a line of this run's output.
// Formatting a formatted file must change nothing, so where a rule decides
// something that the next run would decide otherwise (a loop head joined, an
// empty line before a global block), it asks this model how the next run will
// cut that line, and decides as the next run will.
//
// The next run sees the line as the operator spacing leaves it: " op " around
// every spaced operator (SpacedOperatorLength), "^" and an exponent's sign
// tight. It breaks the line at every space, and joins back only:
//   - a "," to what stands before it (the space before a comma goes);
//   - a key (name, numeral or token) with a following "=" or "==", and an
//     operator ending in "=" with a following value (name, numeral, token,
//     sign, point, or "^", whose tightening glues it): JoinKeysWithValues;
//   - the keywords that JoinKeywords joins to what follows them.
// So "x=a..b" comes back as "x=a", "..", "b"; "x=-y" as "x=-", "y"; "x=#t"
// as "x=", "#t"; "x==y", "i=," and "x=^y" whole.
#pragma once

#include <cstddef>
#include <string_view>

namespace kelvane {

// The end of the next run's piece of `line` (a line's content, without its
// TABs and LF) that starts at `start`, or npos when it runs to the end.
// `before` is the last character of the next run's line before `start`, NUL
// at a line start: a key there takes a leading "=" along ("in" "=f" comes
// back as "in=f"). With `at_operator`, an operator at `start` begins the
// piece; otherwise the line breaks before it (a piece of length 0).
size_t NextRunPieceEnd(std::string_view line, size_t start, char before, bool at_operator);

// Whether the next run gives `part`, which stands after a space on its line,
// back as exactly one piece: not broken inside, and a leading "=" not joined
// to a key that ends the piece before (`before`, NUL for none): "=f2" after
// "1," stays a piece of its own, after "in" it joins "in". Only operators
// count, not white space: a loop head's parts.
bool NextRunKeepsPartAlone(std::string_view part, char before);

// Whether the next run gives `line` back as one line: no operator it parts
// and no white space it breaks at (but after the keywords JoinKeywords joins).
// `before` as above.
bool NextRunKeepsLineWhole(std::string_view line, char before = '\0');

// Where the next run first breaks `line`: the length of its first piece, or
// npos when it comes back whole as far as operators go.
size_t NextRunFirstPieceLength(std::string_view line);

// Whether the next run ends a line of its own in "=" where `line` holds one
// of its pieces ("x=#t" -> "x=", "#t"), looking at the first piece only or at
// all of them.
bool NextRunEndsALineAfterEquals(std::string_view line, bool first_piece_only);

// Whether an exponent's sign stands at `pos`: "1e-5", "2.5E+10", "0x1p-4".
// The operator spacing puts spaces around it, and the clean-up takes them out
// again.
bool IsExponentSignAt(std::string_view text, size_t pos);

}  // namespace kelvane
