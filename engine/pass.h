// A pass is one step of ProcessCode: a function over the working state. The
// stages declare their passes as tables of rows, run by one loop.
#pragma once

#include <span>

#include "engine/code_state.h"
#include "engine/format_options.h"

namespace kelvane {

struct PassContext {
  CodeState& state;
  const FormatOptions& settings;
  // Set by a brace loop when it can make no further progress; the run then
  // ends with this message (BreakAtRightBraces sets it).
  const char* guard_message = nullptr;
};

using PassFunction = void (*)(PassContext&);

enum class RowAnnounce {
  kAnnounce,
  kContinuation
};                                                   // kContinuation: second half of the pass above
enum class RowDebug { kDebugEntry, kNoDebugEntry };  // write a debug entry after the row?
enum class RowCondition { kAlways, kUnlessUnix };

struct PassRow {
  const char* message;  // the verbose message, also the debug entry's label
  PassFunction run;
  RowAnnounce announce = RowAnnounce::kAnnounce;
  RowDebug debug = RowDebug::kDebugEntry;
  RowCondition condition = RowCondition::kAlways;
  // Does the work of this row and the `fused_rows - 1` rows after it in one
  // go. Some passes, run one after the other, build a text far larger than
  // either's input or output (every "{" indents the whole rest of the text
  // before the "}" pass takes it back); others each copy the whole text for
  // a few bytes of change. When no debug entry needs the texts in between,
  // ProcessCode runs this instead of those rows; it gives exactly the last
  // row's result.
  PassFunction fused = nullptr;
  unsigned fused_rows = 2;
};

// Whether a row runs under these settings: the CR LF row is skipped with "-unix".
inline bool RowRuns(const PassRow& row, const FormatOptions& settings) {
  return row.condition == RowCondition::kAlways || !settings.UnixEndOfLine;
}

struct Stage {
  const char* message;  // the progress message, printed on every run
  std::span<const PassRow> passes;
};

}  // namespace kelvane
