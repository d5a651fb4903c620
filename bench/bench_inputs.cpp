// The benchmark's standard inputs: game-like Lua of growing sizes and the
// adversarial shapes, from the shared generator.

#include "bench/bench_inputs.h"

#include "tests/support/lua_generator.h"

namespace kelvane::bench {
namespace {

constexpr size_t kKiB = 1024;
constexpr size_t kMiB = 1024 * kKiB;

using test_support::GenerateAfterMethodHeads;
using test_support::GenerateDeepTable;
using test_support::GenerateGameLua;
using test_support::GenerateLongChains;
using test_support::GenerateOneLongLine;
using test_support::GenerateSettingsTable;

}  // namespace

const std::vector<BenchInput>& StandardInputs() {
  static const std::vector<BenchInput> inputs = {
      {"game-64K", [] { return GenerateGameLua(64 * kKiB, 1); }},
      {"game-1M", [] { return GenerateGameLua(kMiB, 2); }},
      {"game-4M", [] { return GenerateGameLua(4 * kMiB, 3); }},
      {"game-16M", [] { return GenerateGameLua(16 * kMiB, 4); }},
      {"table-1M", [] { return GenerateSettingsTable(kMiB); }},
      {"table-16M", [] { return GenerateSettingsTable(16 * kMiB); }},
      {"one-line-4M", [] { return GenerateOneLongLine(4 * kMiB); }},
      {"deep-table-4M", [] { return GenerateDeepTable(4 * kMiB, 10000); }},
      {"after-methods-4M", [] { return GenerateAfterMethodHeads(4 * kMiB, 100000); }},
      {"long-chains-4M", [] { return GenerateLongChains(4 * kMiB, 200000); }},
  };
  return inputs;
}

}  // namespace kelvane::bench
