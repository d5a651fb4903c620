// The pipeline of ProcessCode, declared once and in order. The order matters:
// every pass relies on what the passes before it have left.

#include "engine/process_code.h"

#include <utility>

#include "engine/lua_dialect.h"
#include "engine/passes/block_indentation.h"
#include "engine/passes/brace_breaking.h"
#include "engine/passes/clean_up.h"
#include "engine/passes/joining.h"
#include "engine/passes/loop_heads.h"
#include "engine/passes/masking.h"
#include "engine/passes/operator_spacing.h"
#include "engine/passes/pre_processing.h"
#include "engine/passes/restoring.h"
#include "engine/passes/spacing.h"

namespace kelvane {
namespace {

using enum RowAnnounce;
using enum RowDebug;
using enum RowCondition;

constexpr PassRow kPreProcessing[] = {
    {"\t\tRemoving all carriage returns...", RemoveCarriageReturns},
    {"\t\tAdding a blank line to the end if not already...", AddFinalLineFeed},
    {"\t\tRemoving blank lines at the beginning of the file...", RemoveLeadingLineFeeds},
};

constexpr PassRow kStoring[] = {
    {"\t\tReplacing comments with gibberish...", MaskComments},
    {"\t\tReplacing escaped quotation marks with gibberish...", MaskEscapedQuotes},
    {"\t\tReplacing strings with gibberish.", MaskStrings},
    {"\t\tReplacing empty tables with gibberish...", MaskEmptyTables},
    {"\t\tReplacing function arguments with gibberish...", MaskArguments},
    {"\t\tReplacing table indices with gibberish...", MaskIndices},
};

constexpr const char kSingleSpaces[] = "\t\tReplacing whitespace with single spaces...";

constexpr PassRow kFixing[] = {
    // Spacing, breaking at braces and line joining.
    {kSingleSpaces, CollapseWhitespaceRuns, kAnnounce, kDebugEntry, kAlways, SpaceRunsAndCommas, 4},
    {kSingleSpaces, ReplaceWhitespaceWithSpaces, kContinuation},
    {"\t\tRemoving spaces before commas...", RemoveSpacesBeforeCommas},
    {"\t\tPlacing spaces after commas...", PlaceSpacesAfterCommas},
    {"\t\tAdding a tab to the beginning of the string...", AddBaseTab},
    {"\t\tBreaking and indenting at every occurance of a left bracket...", BreakAtLeftBraces,
     kAnnounce, kDebugEntry, kAlways, BreakAtBraces},
    {"\t\tBreaking and outdenting at every occurance of a right bracket...", BreakAtRightBraces},
    {"\t\tReplacing single spaces with new-lines...", BreakAtSpaces},
    {"\t\tRemoving blank lines...", RemoveBlankLines},
    {"\t\tPutting key/variable pairs on the same line...", JoinKeysWithValues},
    {"\t\tPutting keywords on the same line...", JoinKeywords},
    {"\t\tRemoving whitespace between names and arguments...", JoinNamesWithArguments},
    {"\t\tRe-adding whitespace between \"if\", \"elseif\", \"while\" and \"until\" and their "
     "arguments...",
     SpaceConditionKeywords},
    {"\t\tRe-adding whitespace between return and returned statements...", BreakAfterReturn},
    {"\t\tPutting \"for\" and \"while\" statements all on one line...", JoinLoopHeads},
    // Block indentation and table punctuation.
    {"\t\tIndenting after \"function\", \"then\", \"repeat\" and \"do\"...", IndentAfterOpeners,
     kAnnounce, kDebugEntry, kAlways, IndentAndOutdentBlocks},
    {"\t\tOutdenting after \"end\", \"elseif\" and \"until\"...", OutdentAfterClosers},
    {"\t\tPutting a comma between table-entries that are tables, if missing...",
     KeepSemicolonsBetweenTables},
    {"\t\tPutting a comma after the last table-entry, if missing...", PutCommaAfterLastEntry},
    {"\t\tOutdenting all \"else\", \"elseif\", \"until\" and \"end\" statements...",
     OutdentCloserLines},
    {"\t\tPlacing blank lines before code blocks with global scope...",
     PlaceBlankLinesBeforeGlobalBlocks},
    {"\t\tPlacing blank lines after code blocks with global scope...",
     PlaceBlankLinesAfterGlobalBlocks},
    // Operator spacing and bracket fix-ups.
    {"\t\tSurrounding most operators with single spaces...", SurroundOperatorsWithSpaces},
    {"\t\tAdding a space before equal signs at the end of a line...", SpaceBeforeLineEndEquals},
    {"\t\tBreaking unary operators onto new lines.", BreakUnarySigns},
    {"\t\tRemove spaces from around the exponation operator...", TightenExponents},
    {"\t\tRemove spaces from around table indices...", TightenStoredBrackets, kAnnounce,
     kNoDebugEntry},
    {"\t\tBreaking before left table brackets, if not already...", BreakBeforeLeftBraces},
    {"\t\tBreaking after right table brackets, if not already...", BreakAfterRightBraces},
};

constexpr PassRow kRetrieving[] = {
    {"\t\tReplacing gibberish with original table indices...", RestoreIndices, kAnnounce,
     kDebugEntry, kAlways, RestoreGroupsStringsAndQuotes, 5},
    {"\t\tReplacing gibberish with original function arguments...", RestoreArguments},
    {"\t\tReplacing gibberish with original empty tables...", RestoreEmptyTables},
    {"\t\tReplacing gibberish with original strings...", RestoreStrings},
    {"\t\tReplacing gibberish with original escaped quotation marks...", RestoreEscapedQuotes},
    {"\t\tReplacing gibberish with original comments...", RestoreComments},
};

constexpr PassRow kCleanUp[] = {
    {"\t\tOutdenting every line...", OutdentEveryLine},
    {"\t\tRemoving zero-value decimals...", RemoveZeroDecimals},
    {"\t\tRemoving trailing zero-value decimals...", RemoveTrailingDecimalZeros},
    {"\t\tAdding missing zeros before decimals...", AddMissingDecimalZeros},
    {"\t\tRemoving semi-colons at the end of lines...", RemoveLineEndSemicolons},
    {"\t\tFixing natural logarithms...", CloseExponentSigns},
    {"\t\tRemoving double-blank lines...", CollapseBlankLines},
    {"\t\tRemoving blank lines at the beginning of the file...", RemoveLeadingBlankLines},
    {"\t\tAdding a blank line to the end of the file if not already...", AddFinalLineEnd},
    {"\t\tReplacing all carriage returns...", UseCrLfLineEnds, kAnnounce, kDebugEntry, kUnlessUnix},
};

constexpr Stage kStages[] = {
    {"\tPre-processing...", kPreProcessing},
    {"\tStoring special sequences...", kStoring},
    {"\tFixing whitespace and indentation...", kFixing},
    {"\tRetrieving special sequences...", kRetrieving},
    {"\tClean-up...", kCleanUp},
};

}  // namespace

std::span<const Stage> ProcessStages() { return kStages; }

ProcessResult ProcessCode(std::string text, const FormatOptions& settings, Messages& messages) {
  CodeState state;
  state.integer_numerals = ShowsIntegerNumerals(text);
  state.text = std::move(text);
  PassContext context{state, settings};
  ProcessResult result;
  for (const Stage& stage : kStages) {
    messages.PrintMessage(stage.message);
    const std::span<const PassRow> rows = stage.passes;
    for (size_t i = 0; i < rows.size(); ++i) {
      const PassRow& row = rows[i];
      if (!RowRuns(row, settings)) continue;
      // A fused row does the work of the rows after it too; it writes no
      // debug entry, so it only runs when no entry is wanted.
      const bool fused = row.fused != nullptr && !messages.DebugEnabled();
      if (row.announce == kAnnounce) messages.PrintVerbose(row.message);
      if (fused) {
        for (unsigned k = 1; k < row.fused_rows; ++k) {
          const PassRow& next = rows[++i];
          if (next.announce == kAnnounce) messages.PrintVerbose(next.message);
        }
        row.fused(context);
      } else {
        row.run(context);
      }
      if (context.guard_message != nullptr) {
        result.status = FormatStatus::kGuardFired;
        result.guard_message = context.guard_message;
        return result;
      }
      if (!fused && row.debug == kDebugEntry && messages.DebugEnabled() &&
          !messages.WriteDebug(state.text, row.message)) {
        result.status = FormatStatus::kFileError;
        return result;
      }
    }
    // Once the sequences are back, their tables only hold memory.
    if (stage.passes.data() == std::data(kRetrieving)) state.ReleaseTables();
  }
  result.text = std::move(state.text);
  result.integer_numerals = state.integer_numerals;
  return result;
}

}  // namespace kelvane
