// ProcessCode: the formatting routine, five stages of passes over one text.
#pragma once

#include <span>
#include <string>

#include "engine/messages.h"
#include "engine/pass.h"
#include "engine/run_settings.h"

namespace kelvane {

enum class ProcessStatus {
  kOk,
  kGuardFired,        // a brace loop could make no progress; see guard_message
  kDebugWriteFailed,  // the debug file could not be written
};

struct ProcessResult {
  ProcessStatus status = ProcessStatus::kOk;
  std::string text;                     // the formatted text when kOk
  const char* guard_message = nullptr;  // when kGuardFired
};

// The stages in the order they run, each with its passes in order.
std::span<const Stage> ProcessStages();

ProcessResult ProcessCode(std::string text, const RunSettings& settings, Messages& messages);

}  // namespace kelvane
