// The benchmark's inputs, made by the shared generator
// (tests/support/lua_generator.h).
#pragma once

#include <string>
#include <vector>

namespace kelvane::bench {

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
