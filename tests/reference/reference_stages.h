// The literal reference of ProcessCode: the engine's stage table with each
// row's literal rule, and a runner over it.
#pragma once

#include <span>
#include <string>

#include "engine/format_options.h"
#include "engine/pass.h"

namespace kelvane::reference {

// kelvane::ProcessStages() with each row's function replaced by its literal
// rule: the same rows, messages, flags and conditions.
std::span<const Stage> ReferenceStages();

// The literal rule of an engine pass, or nullptr if it has none.
PassFunction LiteralRuleOf(PassFunction pass);

struct ReferenceResult {
  std::string text;                     // the formatted text, when no guard fired
  const char* guard_message = nullptr;  // the guard's message, when one fired
};

// Runs every row in order; the CR LF row is skipped with "-unix". Stops when
// a guard fires.
ReferenceResult ReferenceProcessCode(std::string text, const FormatOptions& settings);

}  // namespace kelvane::reference
