// Runs a stretch of the pipeline's pass rows on a working state, so that a
// test can check what a group of passes makes of a text.
#pragma once

#include <string>

#include "engine/code_state.h"
#include "engine/format_options.h"
#include "engine/pass.h"

namespace kelvane::test_support {

struct RowsResult {
  CodeState state;
  const char* guard_message = nullptr;
};

// Runs every row from the one whose function is `first` through the one whose
// function is `last`, in pipeline order.
RowsResult RunRows(CodeState state, PassFunction first, PassFunction last,
                   const FormatOptions& settings = {});

// The working text after those rows, run on `text` with empty tables.
std::string RunRowsOnText(std::string text, PassFunction first, PassFunction last,
                          const FormatOptions& settings = {});

// Escapes TAB, LF and CR so that failures show where they differ.
std::string Visible(const std::string& text);

}  // namespace kelvane::test_support
