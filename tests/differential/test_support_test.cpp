// The tools of the differential tests: the input generator's knobs, the
// shrinker and the difference report.

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/lua_generator.h"
#include "tests/support/shrink.h"
#include "tests/support/text_diff.h"

namespace kelvane::test_support {
namespace {

TEST(LuaGeneratorTest, SameSeedSameText) {
  for (GeneratedStyle style : {GeneratedStyle::kRealistic, GeneratedStyle::kChaotic}) {
    GeneratorOptions options;
    options.style = style;
    EXPECT_EQ(GenerateLua(42, options), GenerateLua(42, options));
    EXPECT_NE(GenerateLua(42, options), GenerateLua(43, options));
    EXPECT_GE(GenerateLua(42, options).size(), options.target_size - 2);
  }
}

// Token-like text appears only when asked for.
TEST(LuaGeneratorTest, TokenLikeTextOnlyOnRequest) {
  GeneratorOptions options;
  options.target_size = 2000;
  bool any_token_like = false;
  for (uint64_t seed = 0; seed < 20; ++seed) {
    options.token_like_text = false;
    EXPECT_EQ(GenerateLua(seed, options).find('@'), std::string::npos) << "seed " << seed;
    options.token_like_text = true;
    any_token_like = any_token_like || GenerateLua(seed, options).find('@') != std::string::npos;
  }
  EXPECT_TRUE(any_token_like);
}

TEST(ShrinkTest, KeepsTheFailureAndDropsTheRest) {
  struct Row {
    const char* name;
    std::string input;
    std::function<bool(std::string_view)> fails;
    std::string expected;
  };
  auto contains = [](std::string needle) {
    return [needle](std::string_view text) { return text.find(needle) != std::string::npos; };
  };
  const Row rows[] = {
      {"a substring", "x = 1\nif a;; then end\n", contains(";;"), ";;"},
      {"two separate characters", "t = { a = 1, b = 2 }",
       [](std::string_view text) {
         return text.find('{') != std::string::npos && text.find('}') != std::string::npos;
       },
       "{}"},
      {"a failure that needs everything", "abc",
       [](std::string_view text) { return text == "abc"; }, "abc"},
      {"a failure at the very end", "0123456789z", contains("z"), "z"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Shrink(row.input, row.fails), row.expected);
  }
}

TEST(TextDiffTest, FirstDifferenceAndEscapes) {
  EXPECT_EQ(FirstDifference("abc", "abc"), std::string_view::npos);
  EXPECT_EQ(FirstDifference("abc", "abd"), 2u);
  EXPECT_EQ(FirstDifference("ab", "abc"), 2u);
  EXPECT_EQ(FirstDifference("", "x"), 0u);
  EXPECT_EQ(Escape("a\tb\r\n\\\x0b\xa0"), "a\\tb\\r\\n\\\\\\x0b\\xa0");
  EXPECT_EQ(DescribeDifference("same", "same"), "");
  std::string report = DescribeDifference("x = 1\n", "x = 2\n");
  EXPECT_NE(report.find("offset 4"), std::string::npos) << report;
  EXPECT_NE(report.find("x = <<HERE>>1\\n"), std::string::npos) << report;
}

}  // namespace
}  // namespace kelvane::test_support
