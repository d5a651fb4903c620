// Running two pipelines of pass rows side by side, row by row, from the same
// input, and finding the first row after which their states differ.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "engine/pass.h"
#include "engine/run_settings.h"

namespace kelvane::testing {

struct RowDifference {
  bool differs = false;
  size_t stage = 0;  // index of the stage, and of the row within it
  size_t row = 0;
  bool whole_run = false;  // found by CompareWholeRuns, not at a row
  std::string message;     // the row's verbose message
  std::string what;        // which part of the state differs
  std::string detail;      // offset and both sides, escaped
  // When both sides stopped alike at a guard (so later rows were not run).
  const char* guard_message = nullptr;
  // The literal rules are no judge for this input (see LiteralReferenceJudges).
  bool not_judged = false;
};

// The literal rules judge the engine where they are sound: where their
// masking finds exactly the input's comments and strings (the engine's and
// the reference's states agree after the storing stage, and the input holds
// no token-like text, lone CR or "#" first line), and where their output
// keeps the input's meaning (the engine's meaning check passes on it) and is
// kept by a second run. Elsewhere the engine mends them, and the tables of
// mended cases judge it.
bool LiteralReferenceJudges(std::string_view input, const RunSettings& settings);

// Runs `left` and `right` row by row; they must have the same shape. After
// every row compares the working text, the four tables, the comments count
// and whether (and with which message) a guard fired.
RowDifference ComparePipelines(std::string_view input, const RunSettings& settings,
                               std::span<const Stage> left, std::span<const Stage> right);

// The engine's own pipeline against the literal reference, where that judges.
RowDifference CompareWithReference(std::string_view input, const RunSettings& settings);

// Empty when the two stage lists have the same stages and rows with the same
// messages and flags; otherwise says where they part.
std::string ShapeMismatch(std::span<const Stage> left, std::span<const Stage> right);

// ProcessCode against ReferenceProcessCode as whole runs: the finished text,
// or the guard that stopped the run. The message names "whole run". Only
// where the literal reference judges.
RowDifference CompareWholeRuns(std::string_view input, const RunSettings& settings,
                               bool judged_already = false);

// A report of one difference: the settings, the row, the input (escaped) and
// the detail.
std::string DescribeRowDifference(const RowDifference& difference, std::string_view input,
                                  const RunSettings& settings);

}  // namespace kelvane::testing
