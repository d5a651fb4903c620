// Writes the fuzzer's seed corpus: the given Lua files and generated inputs,
// each behind an option byte that the fuzz target reads as "-s"/"-unix".
// Usage: kelvane_fuzz_seeds OUT_FOLDER [FILE...]

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/lua_generator.h"

namespace {

bool WriteSeed(const std::filesystem::path& path, char options, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.put(options);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: kelvane_fuzz_seeds OUT_FOLDER [FILE...]\n", stderr);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  int written = 0;
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "kelvane_fuzz_seeds: cannot read '%s'\n", argv[i]);
      return 1;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string stem = std::filesystem::path(argv[i]).stem().string();
    for (char options = 0; options < 4; ++options) {
      if (!WriteSeed(folder / (stem + "-" + std::to_string(options)), options, text)) return 1;
      ++written;
    }
  }
  // Small generated texts of every style, some with token-like text; sizes
  // stay under the limit where the fuzz target compares with the reference.
  constexpr kelvane::test_support::GeneratedStyle kStyles[] = {
      kelvane::test_support::GeneratedStyle::kRealistic,
      kelvane::test_support::GeneratedStyle::kChaotic,
      kelvane::test_support::GeneratedStyle::kValidProgram,
      kelvane::test_support::GeneratedStyle::kValidLua40};
  for (uint64_t seed = 0; seed < 160; ++seed) {
    kelvane::test_support::GeneratorOptions options;
    options.style = kStyles[seed % std::size(kStyles)];
    options.token_like_text = seed % 3 == 0;
    options.target_size = 64 + (seed * 37) % 1500;
    const std::string text = kelvane::test_support::GenerateLua(seed, options);
    if (!WriteSeed(folder / ("generated-" + std::to_string(seed)), static_cast<char>(seed % 4),
                   text)) {
      return 1;
    }
    ++written;
  }
  std::printf("%d seeds in %s\n", written, folder.string().c_str());
  return 0;
}
