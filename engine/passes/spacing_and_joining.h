// The first half of "Fixing whitespace and indentation": flatten the layout,
// break table constructors at their braces, put every piece of code on its
// own line, then join what belongs together.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/pass.h"

namespace kelvane {

void CollapseWhitespaceRuns(PassContext& context);       // runs of 2+ white space -> " "
void ReplaceWhitespaceWithSpaces(PassContext& context);  // every white space run -> " "
void RemoveSpacesBeforeCommas(PassContext& context);
void PlaceSpacesAfterCommas(PassContext& context);
void AddBaseTab(PassContext& context);
void BreakAtLeftBraces(PassContext& context);
void BreakAtRightBraces(PassContext& context);
// Both brace passes in one go, for runs that need no debug entry between them.
void BreakAtBraces(PassContext& context);
void BreakAtSpaces(PassContext& context);
void RemoveBlankLines(PassContext& context);
void JoinKeysWithValues(PassContext& context);
void JoinKeywords(PassContext& context);
void JoinNamesWithArguments(PassContext& context);
void SpaceConditionKeywords(PassContext& context);
void BreakAfterReturn(PassContext& context);
void JoinLoopHeads(PassContext& context);

// True when the byte at `pos` ends an operator that the operator spacing
// parts from a following word: "+", "-", "*", "/", "<", ">" or "..", not a
// lone "." or "...". ("=" and the operators ending in it are kept apart from
// what follows by other rules.)
bool IsSpacedOperatorEnd(std::string_view text, size_t pos);

// Where the next run first breaks `line` (the content of a line, without its
// TABs and LF) once the operator spacing has put spaces around its operators:
// the length of its first piece, or npos when the line comes back whole.
size_t NextRunFirstPieceLength(std::string_view line);

// Whether the next run gives `line` back as one line: no operator it parts
// and no white space it breaks at.
bool NextRunKeepsLineWhole(std::string_view line);

// Whether the next run puts a line of its own that ends in "=" where `line`
// holds one of its pieces ("x=#t" -> "x=", "#t"), looking at the first piece
// only or at all of them.
bool NextRunEndsALineAfterEquals(std::string_view line, bool first_piece_only);

}  // namespace kelvane
