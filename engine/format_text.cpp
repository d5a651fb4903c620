// The engine from input bytes to output bytes.

#include "engine/format_text.h"

#include <chrono>
#include <utility>

#include "engine/app_text.h"
#include "engine/header_line.h"
#include "engine/process_code.h"

namespace kelvane {

FormatResult FormatText(std::string input, const RunSettings& settings, Messages& messages) {
  FormatResult result;
  const auto start = std::chrono::steady_clock::now();
  ProcessResult processed = ProcessCode(std::move(input), settings, messages);
  const auto end = std::chrono::steady_clock::now();
  result.elapsed_ms = std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count();
  switch (processed.status) {
    case ProcessStatus::kOk:
      break;
    case ProcessStatus::kGuardFired:
      result.status = FormatStatus::kGuardFired;
      result.reason = processed.guard_message != nullptr ? processed.guard_message : "";
      return result;
    case ProcessStatus::kDebugWriteFailed:
      result.status = FormatStatus::kDebugWriteFailed;
      return result;
  }
  result.text = ReplaceHeaderLines(processed.text, settings.StripComments);
  return result;
}

}  // namespace kelvane
