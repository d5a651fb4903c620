// Counting and the wording of the summary.

#include "kelvanefmt/run_tally.h"

namespace kelvane::fmt {

void RunTally::Count(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::kChanged:
      ++changed;
      break;
    case FileOutcome::kUnchanged:
      ++unchanged;
      break;
    case FileOutcome::kRefused:
      ++refused;
      break;
    case FileOutcome::kFailed:
      ++failed;
      break;
  }
}

std::string SummaryLine(const RunTally& tally, ChangeMode mode) {
  std::string line = std::to_string(tally.changed) +
                     (mode == ChangeMode::kWrite ? " formatted, " : " would be formatted, ") +
                     std::to_string(tally.unchanged) + " unchanged";
  if (tally.refused > 0) line += ", " + std::to_string(tally.refused) + " refused";
  if (tally.failed > 0) line += ", " + std::to_string(tally.failed) + " failed";
  return line;
}

int ExitStatus(const RunTally& tally, ChangeMode mode) {
  if (tally.refused > 0 || tally.failed > 0) return 2;
  if (mode != ChangeMode::kWrite && tally.changed > 0) return 1;
  return 0;
}

}  // namespace kelvane::fmt
