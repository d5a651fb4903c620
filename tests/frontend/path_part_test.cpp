// Tests for the folder part of a path.
#include "frontend/path_part.h"

#include <gtest/gtest.h>

namespace kelvane::frontend {
namespace {

TEST(PathPartTest, KeepsEverythingUpToTheLastSeparator) {
  const struct {
    const char* path;
    const char* expected;
  } rows[] = {
      {R"(C:\Work\game\ai.lua)", R"(C:\Work\game\)"},
      {"/home/u/ai.lua", "/home/u/"},
      {R"(a/b\c.lua)", R"(a/b\)"},
      {R"(C:\)", R"(C:\)"},
      {"ai.lua", ""},
      {"", ""},
      {R"("C:\x\a.lua")", R"(C:\x\)"},
      {"\"", ""},
      {"C:/a/b|c/d", "C:/a/"},
      {R"(a|b\c)", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(PathPart(row.path), row.expected) << "path: " << row.path;
}

}  // namespace
}  // namespace kelvane::frontend
