// kelvanefmt's words for a text it leaves alone: the cause in plain words,
// with the line (or the offset) where it lies. The engine's verdict
// (FormatResult's status and reason) is turned into them here; the console
// engine keeps its own messages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/format_text.h"

namespace kelvane::fmt {

// "not a text file (NUL byte at offset 312)" when `input` holds a NUL byte,
// which no Lua text does; no cause otherwise.
std::optional<std::string> NotTextCause(std::string_view input);

// Why the engine refused `input`:
//   "unbalanced braces: a "}" at line 3 closes nothing"
//   "would change the meaning at line 12: `a.b` / `a. b`"
// The excerpts show where the two texts part, also when the engine's own
// excerpts are cut before it.
std::string RefusalCause(std::string_view input, const FormatResult& result);

// Why a formatted text of `size` bytes is not written: it passes the input
// limit, so the next run could not read it.
std::string OutputTooLargeCause(uint64_t size);

}  // namespace kelvane::fmt
