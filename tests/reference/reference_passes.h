// The reference passes: every pass of ProcessCode written literally as its
// rule states it (pattern, flags, replacement and loop), one function per row
// of the production stage tables.
#pragma once

#include "engine/pass.h"

namespace kelvane::reference {

// Pre-processing.
void RemoveCarriageReturns(PassContext& context);
void AddFinalLineFeed(PassContext& context);
void RemoveLeadingLineFeeds(PassContext& context);

// Storing special sequences.
void MaskComments(PassContext& context);
void MaskEscapedQuotes(PassContext& context);
void MaskStrings(PassContext& context);
void MaskEmptyTables(PassContext& context);
void MaskArguments(PassContext& context);
void MaskIndices(PassContext& context);

// Spacing, breaking and line joining.
void CollapseWhitespaceRuns(PassContext& context);
void ReplaceWhitespaceWithSpaces(PassContext& context);
void RemoveSpacesBeforeCommas(PassContext& context);
void PlaceSpacesAfterCommas(PassContext& context);
void AddBaseTab(PassContext& context);
void BreakAtLeftBraces(PassContext& context);
void BreakAtRightBraces(PassContext& context);
void BreakAtSpaces(PassContext& context);
void RemoveBlankLines(PassContext& context);
void JoinKeysWithValues(PassContext& context);
void JoinKeywords(PassContext& context);
void JoinNamesWithArguments(PassContext& context);
void SpaceConditionKeywords(PassContext& context);
void BreakAfterReturn(PassContext& context);
void JoinLoopHeads(PassContext& context);

// Block indentation and table punctuation.
void IndentAfterOpeners(PassContext& context);
void OutdentAfterClosers(PassContext& context);
void PutCommaBetweenTables(PassContext& context);
void PutCommaAfterLastEntry(PassContext& context);
void OutdentCloserLines(PassContext& context);
void PlaceBlankLinesBeforeGlobalBlocks(PassContext& context);
void PlaceBlankLinesAfterGlobalBlocks(PassContext& context);

// Operator spacing and bracket fix-ups.
void SurroundOperatorsWithSpaces(PassContext& context);
void SpaceBeforeLineEndEquals(PassContext& context);
void BreakUnarySigns(PassContext& context);
void TightenExponents(PassContext& context);
void TightenStoredBrackets(PassContext& context);
void BreakBeforeLeftBraces(PassContext& context);
void BreakAfterRightBraces(PassContext& context);

// Retrieving special sequences.
void RestoreIndices(PassContext& context);
void RestoreArguments(PassContext& context);
void RestoreEmptyTables(PassContext& context);
void RestoreStrings(PassContext& context);
void RestoreEscapedQuotes(PassContext& context);
void RestoreComments(PassContext& context);

// Clean-up and line endings.
void OutdentEveryLine(PassContext& context);
void RemoveZeroDecimals(PassContext& context);
void RemoveTrailingDecimalZeros(PassContext& context);
void AddMissingDecimalZeros(PassContext& context);
void RemoveLineEndSemicolons(PassContext& context);
void CloseExponentSigns(PassContext& context);
void CollapseBlankLines(PassContext& context);
void RemoveLeadingBlankLines(PassContext& context);
void AddFinalLineEnd(PassContext& context);
void UseCrLfLineEnds(PassContext& context);

// Rules the engine changed so that a second run changes nothing, each as the
// literal rule repeated: what the engine's pass gives in one run.
void RemoveZeroDecimalsUntilSettled(PassContext& context);
void RemoveTrailingDecimalZerosUntilSettled(PassContext& context);

}  // namespace kelvane::reference
