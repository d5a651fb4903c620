// Running two pipelines of pass rows side by side, row by row, from the same
// input, and finding the first row after which their states differ.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/format_options.h"
#include "engine/pass.h"

namespace kelvane::test_support {

struct RowDifference {
  bool differs = false;
  bool judged = true;  // false: the reference does not judge this input (LiteralReferenceJudges)
  size_t stage = 0;    // index of the stage, and of the row within it
  size_t row = 0;
  bool whole_run = false;  // found by CompareWholeRuns, not at a row
  std::string message;     // the row's verbose message
  std::string what;        // which part of the state differs
  std::string detail;      // offset and both sides, escaped
  // When both sides stopped alike at a guard (so later rows were not run).
  const char* guard_message = nullptr;
};

// Runs `left` and `right` row by row; they must have the same shape. After
// every row compares the working text, the four tables, the comments count
// and whether (and with which message) a guard fired.
RowDifference ComparePipelines(std::string_view input, const FormatOptions& settings,
                               std::span<const Stage> left, std::span<const Stage> right);

// The engine's own pipeline against the literal reference.
RowDifference CompareWithReference(std::string_view input, const FormatOptions& settings);

// Empty when the two stage lists have the same stages and rows with the same
// messages and flags; otherwise says where they part.
std::string ShapeMismatch(std::span<const Stage> left, std::span<const Stage> right);

// ProcessCode against ReferenceProcessCode as whole runs: the finished text,
// or the guard that stopped the run. The message names "whole run".
RowDifference CompareWholeRuns(std::string_view input, const FormatOptions& settings);

// The file the literal rules write: ReferenceProcessCode, then the engine's
// header step. Nothing when the guard fires.
std::optional<std::string> LiteralOutputFile(std::string input, const FormatOptions& settings);

// Whether the literal reference is the judge of the engine's output for this
// input. The literal rules judge where they are sound and stable, that is
// where no mend of docs/mends.md applies:
//   - their masking finds exactly the input's comments and strings (M02,
//     M03): the engine's and the reference's states agree after the storing
//     stage, and the input holds no token-like text, lone CR (M01), "#"
//     first line or byte-order mark (M04);
//   - their output keeps the input's meaning (the engine's meaning check
//     passes on it) and starts no line with "(" right after what could end
//     a call, which Lua 5.1 rejects (M09);
//   - their output shows none of the layout faults that M34 to M43 repair;
//   - their output is stable: formatting it again, header step included,
//     gives the same bytes.
// Elsewhere the engine has rules of its own, judged by the tables of mended
// cases, the meaning check and the stability test. A run that the guard stops
// is judged: the guard must fire alike.
bool LiteralReferenceJudges(std::string_view input, const FormatOptions& settings);

// For an input the reference judges: CompareWholeRuns, and where the runs
// differ, the first row after which their states part (CompareWithReference),
// or the whole-run difference when every row agrees. Any other input gives no difference, with
// `judged` false.
RowDifference CompareWhereReferenceJudges(std::string_view input, const FormatOptions& settings);

// A report of one difference: the settings, the row, the input (escaped) and
// the detail.
std::string DescribeRowDifference(const RowDifference& difference, std::string_view input,
                                  const FormatOptions& settings);

}  // namespace kelvane::test_support
