// The seeded, deterministic generator of Lua-like input texts for the tests,
// the benchmark and the fuzz seeds: mostly well-formed game data and scripts,
// or random soup over the characters and keywords that the passes react to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvane::test_support {

enum class GeneratedStyle {
  kRealistic,     // statements, tables, functions and blocks, mostly well-formed
  kChaotic,       // random fragments: braces, quotes, operators, keywords, white space
  kValidProgram,  // programs that Lua 5.1 compiles, full of the constructs that are
                  // easy to format wrongly: tricky strings, comments inside
                  // expressions, block comments, long strings, varargs, ";"
  kValidLua40,    // game data and scripts that Lua 4.0 compiles: constructors with a
                  // list part and a record part around ";", "%upvalue", nested
                  // long strings, method heads
};

struct GeneratorOptions {
  size_t target_size = 300;  // the text stops growing once it has this many bytes
  GeneratedStyle style = GeneratedStyle::kRealistic;
  // Also emit text that looks like placeholder tokens ("@a0a@", "@qdq@",
  // "@c0c@", "@tet@"...). Rare in real files, so off by default.
  bool token_like_text = false;
  // Leave out what a second run still changes: comments (after a surplus
  // "end", an empty line that the tightening of "^" takes on the first run
  // and not on the next) and ";" after statements (doubled as ";;", which
  // neither Lua 4.0 nor 5.1 accepts, only one of them goes a run). For the
  // stability test only.
  bool avoid_unmended_faults = false;
};

// The same seed and options give the same text on every platform.
std::string GenerateLua(uint64_t seed, const GeneratorOptions& options);

// Settings tables with nested tables, decimal numbers such as "1.50",
// "-0.75", ".5" and "2.5E-3", strings with escapes, comments, functions with
// if/for/while/repeat blocks and method heads with ":". Stops at the first
// chunk boundary at or past `target_size`; the same seed gives the same text.
std::string GenerateGameLua(size_t target_size, uint64_t seed);

// One assignment of one table that holds the settings tables of
// GenerateGameLua as its entries, up to `target_size`.
std::string GenerateSettingsTable(size_t target_size);

// One line of statements, operators and calls with no brace and no line end.
std::string GenerateOneLongLine(size_t target_size);

// A table nested `depth` deep at the top of the text, then ordinary game data
// up to `target_size`.
std::string GenerateDeepTable(size_t target_size, size_t depth);

// Method heads ("function Unit:Move(dt)"), which open no block while their
// "end" closes one, followed by ordinary code: at least `min_lines` lines that
// all end up at depth 0.
std::string GenerateAfterMethodHeads(size_t target_size, size_t min_lines);

// Assignments of long field chains ("x = a.a.a. ... .e+1"), `chain_length`
// fields each: no place inside a chain certainly ends a token for a reader
// that looks at a byte and the byte before it.
std::string GenerateLongChains(size_t target_size, size_t chain_length);

}  // namespace kelvane::test_support
