// The reference pipeline: the engine's own stage table (messages, order,
// flags and conditions), each row run by its literal rule instead of the
// engine's pass.

#include "tests/reference/reference_stages.h"

#include <utility>
#include <vector>

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
#include "engine/process_code.h"
#include "tests/reference/reference_passes.h"

namespace kelvane::reference {
namespace {

struct LiteralRule {
  PassFunction pass;     // the engine's pass, as its row names it
  PassFunction literal;  // the same rule run as its pattern and loop
};

// The literal column of the engine's stage table.
constexpr LiteralRule kLiteralRules[] = {
    {kelvane::RemoveCarriageReturns, RemoveCarriageReturns},
    {kelvane::AddFinalLineFeed, AddFinalLineFeed},
    {kelvane::RemoveLeadingLineFeeds, RemoveLeadingLineFeeds},
    {kelvane::MaskComments, MaskComments},
    {kelvane::MaskEscapedQuotes, MaskEscapedQuotes},
    {kelvane::MaskStrings, MaskStrings},
    {kelvane::MaskEmptyTables, MaskEmptyTables},
    {kelvane::MaskArguments, MaskArguments},
    {kelvane::MaskIndices, MaskIndices},
    {kelvane::CollapseWhitespaceRuns, CollapseWhitespaceRuns},
    {kelvane::ReplaceWhitespaceWithSpaces, ReplaceWhitespaceWithSpaces},
    {kelvane::RemoveSpacesBeforeCommas, RemoveSpacesBeforeCommas},
    {kelvane::PlaceSpacesAfterCommas, PlaceSpacesAfterCommas},
    {kelvane::AddBaseTab, AddBaseTab},
    {kelvane::BreakAtLeftBraces, BreakAtLeftBraces},
    {kelvane::BreakAtRightBraces, BreakAtRightBraces},
    {kelvane::BreakAtSpaces, BreakAtSpaces},
    {kelvane::RemoveBlankLines, RemoveBlankLines},
    {kelvane::JoinKeysWithValues, JoinKeysWithValues},
    {kelvane::JoinKeywords, JoinKeywords},
    {kelvane::JoinNamesWithArguments, JoinNamesWithArguments},
    {kelvane::SpaceConditionKeywords, SpaceConditionKeywords},
    {kelvane::BreakAfterReturn, BreakAfterReturn},
    {kelvane::JoinLoopHeads, JoinLoopHeads},
    {kelvane::IndentAfterOpeners, IndentAfterOpeners},
    {kelvane::OutdentAfterClosers, OutdentAfterClosers},
    {kelvane::KeepSemicolonsBetweenTables, PutCommaBetweenTables},
    {kelvane::PutCommaAfterLastEntry, PutCommaAfterLastEntry},
    {kelvane::OutdentCloserLines, OutdentCloserLines},
    {kelvane::PlaceBlankLinesBeforeGlobalBlocks, PlaceBlankLinesBeforeGlobalBlocks},
    {kelvane::PlaceBlankLinesAfterGlobalBlocks, PlaceBlankLinesAfterGlobalBlocks},
    {kelvane::SurroundOperatorsWithSpaces, SurroundOperatorsWithSpaces},
    {kelvane::SpaceBeforeLineEndEquals, SpaceBeforeLineEndEquals},
    {kelvane::BreakUnarySigns, BreakUnarySigns},
    {kelvane::TightenExponents, TightenExponents},
    {kelvane::TightenStoredBrackets, TightenStoredBrackets},
    {kelvane::BreakBeforeLeftBraces, BreakBeforeLeftBraces},
    {kelvane::BreakAfterRightBraces, BreakAfterRightBraces},
    {kelvane::RestoreIndices, RestoreIndices},
    {kelvane::RestoreArguments, RestoreArguments},
    {kelvane::RestoreEmptyTables, RestoreEmptyTables},
    {kelvane::RestoreStrings, RestoreStrings},
    {kelvane::RestoreEscapedQuotes, RestoreEscapedQuotes},
    {kelvane::RestoreComments, RestoreComments},
    {kelvane::OutdentEveryLine, OutdentEveryLine},
    {kelvane::RemoveZeroDecimals, RemoveZeroDecimals},
    {kelvane::RemoveTrailingDecimalZeros, RemoveTrailingDecimalZeros},
    {kelvane::AddMissingDecimalZeros, AddMissingDecimalZeros},
    {kelvane::RemoveLineEndSemicolons, RemoveLineEndSemicolons},
    {kelvane::CloseExponentSigns, CloseExponentSigns},
    {kelvane::CollapseBlankLines, CollapseBlankLines},
    {kelvane::RemoveLeadingBlankLines, RemoveLeadingBlankLines},
    {kelvane::AddFinalLineEnd, AddFinalLineEnd},
    {kelvane::UseCrLfLineEnds, UseCrLfLineEnds},
};

// The engine's stages with every row's function replaced by its literal rule.
// A fused row's shortcut is dropped: the reference runs both rows.
struct ReferencePipeline {
  std::vector<std::vector<PassRow>> rows;
  std::vector<Stage> stages;
};

ReferencePipeline BuildReferencePipeline() {
  ReferencePipeline pipeline;
  const std::span<const Stage> engine = ProcessStages();
  pipeline.rows.reserve(engine.size());
  for (const Stage& stage : engine) {
    std::vector<PassRow>& rows = pipeline.rows.emplace_back();
    for (PassRow row : stage.passes) {
      row.run = LiteralRuleOf(row.run);
      row.fused = nullptr;
      rows.push_back(row);
    }
    pipeline.stages.push_back({stage.message, rows});
  }
  return pipeline;
}

}  // namespace

PassFunction LiteralRuleOf(PassFunction pass) {
  for (const LiteralRule& rule : kLiteralRules) {
    if (rule.pass == pass) return rule.literal;
  }
  return nullptr;
}

std::span<const Stage> ReferenceStages() {
  static const ReferencePipeline pipeline = BuildReferencePipeline();
  return pipeline.stages;
}

ReferenceResult ReferenceProcessCode(std::string text, const FormatOptions& settings) {
  CodeState state;
  state.text = std::move(text);
  PassContext context{state, settings};
  ReferenceResult result;
  for (const Stage& stage : ReferenceStages()) {
    for (const PassRow& row : stage.passes) {
      if (!RowRuns(row, settings)) continue;
      row.run(context);
      if (context.guard_message != nullptr) {
        result.guard_message = context.guard_message;
        return result;
      }
    }
  }
  result.text = std::move(state.text);
  return result;
}

}  // namespace kelvane::reference
