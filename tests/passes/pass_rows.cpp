// Running a stretch of pass rows for tests.

#include "tests/passes/pass_rows.h"

#include "engine/process_code.h"

namespace kelvane::test_support {

RowsResult RunRows(CodeState state, PassFunction first, PassFunction last,
                   const FormatOptions& settings) {
  RowsResult result;
  result.state = std::move(state);
  PassContext context{result.state, settings};
  bool running = false;
  for (const Stage& stage : ProcessStages()) {
    for (const PassRow& row : stage.passes) {
      if (row.run == first) running = true;
      if (!running) continue;
      if (!RowRuns(row, settings)) continue;
      row.run(context);
      if (context.guard_message != nullptr) {
        result.guard_message = context.guard_message;
        return result;
      }
      if (row.run == last) return result;
    }
  }
  return result;
}

std::string RunRowsOnText(std::string text, PassFunction first, PassFunction last,
                          const FormatOptions& settings) {
  CodeState state;
  state.text = std::move(text);
  return RunRows(std::move(state), first, last, settings).state.text;
}

std::string Visible(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace kelvane::test_support
