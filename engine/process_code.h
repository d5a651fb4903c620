// ProcessCode: the formatting routine, five stages of passes over one text.
#pragma once

#include <span>
#include <string>

#include "engine/format_options.h"
#include "engine/format_status.h"
#include "engine/messages.h"
#include "engine/pass.h"

namespace kelvane {

struct ProcessResult {
  FormatStatus status = FormatStatus::kOk;  // kOk, kGuardFired or kFileError (debug file)
  std::string text;                         // the formatted text when kOk
  const char* guard_message = nullptr;      // when kGuardFired
  bool integer_numerals = false;            // the input shows Lua 5.3 or later
};

// The stages in the order they run, each with its passes in order.
std::span<const Stage> ProcessStages();

ProcessResult ProcessCode(std::string text, const FormatOptions& settings, Messages& messages);

}  // namespace kelvane
