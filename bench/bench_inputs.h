// Deterministic inputs for the benchmark: game-like Lua data and scripts of a
// chosen size, and adversarial shapes that would expose super-linear passes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::bench {

// Settings tables with nested tables, decimal numbers such as "1.50",
// "-0.75", ".5" and "2.5E-3", strings with escapes, comments, functions with
// if/for/while/repeat blocks and method heads with ":". Stops at the first
// chunk boundary at or past `target_size`; the same seed gives the same text.
std::string GenerateGameLua(size_t target_size, uint64_t seed);

// One line of statements, operators and calls with no brace and no line end.
std::string GenerateOneLongLine(size_t target_size);

// A table nested `depth` deep at the top of the text, then ordinary game data
// up to `target_size`.
std::string GenerateDeepTable(size_t target_size, size_t depth);

// Method heads ("function Unit:Move(dt)"), which open no block while their
// "end" closes one, followed by ordinary code: at least `min_lines` lines that
// all end up at depth 0.
std::string GenerateAfterMethodHeads(size_t target_size, size_t min_lines);

struct BenchInput {
  std::string name;
  // Builds the text; called inside the child process that measures it, so
  // that the parent never holds the inputs.
  std::string (*make)();
};

// The standard set: 64 KB, 1 MB, 4 MB, 16 MB game-like inputs and the three
// adversarial 4 MB inputs.
const std::vector<BenchInput>& StandardInputs();

}  // namespace kelvane::bench
