// The literal reference of ProcessCode: stages of rows that mirror the
// production stage tables row for row, and a runner over them.
#pragma once

#include <span>
#include <string>

#include "engine/pass.h"
#include "engine/run_settings.h"

namespace kelvane::reference {

// The stages in the order they run; row for row the same messages and flags
// as kelvane::ProcessStages(), each row's function the literal rule.
std::span<const Stage> ReferenceStages();

struct ReferenceResult {
  std::string text;                     // the formatted text, when no guard fired
  const char* guard_message = nullptr;  // the guard's message, when one fired
};

// Runs every row in order; the CR LF row is skipped with "-unix". Stops when
// a guard fires.
ReferenceResult ReferenceProcessCode(std::string text, const RunSettings& settings);

// Whether a row runs under these settings.
bool RowRuns(const PassRow& row, const RunSettings& settings);

}  // namespace kelvane::reference
