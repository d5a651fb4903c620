// The glob matcher and the exclude rule, on the paths a folder search makes.

#include "kelvanefmt/exclude_globs.h"

#include <gtest/gtest.h>

namespace kelvane::fmt {
namespace {

TEST(ExcludeGlobsTest, GlobsMeetPaths) {
  const struct {
    int line;
    const char* glob;
    const char* path;
    bool excluded;
  } rows[] = {
      {__LINE__, "vendor", "mods/vendor/a.lua", true},
      {__LINE__, "vendor", "mods/vendors/a.lua", false},
      {__LINE__, "*.lua", "mods/a.lua", true},
      {__LINE__, "*_gen.lua", "mods/ai_gen.lua", true},
      {__LINE__, "*_gen.lua", "mods/ai_gen.lua.bak", false},
      {__LINE__, "a?.lua", "a1.lua", true},
      {__LINE__, "a?.lua", "a12.lua", false},
      {__LINE__, "[ab].lua", "b.lua", true},
      {__LINE__, "[!ab].lua", "b.lua", false},
      {__LINE__, "[a-c]x.lua", "cx.lua", true},
      {__LINE__, "[]]x", "]x", true},
      {__LINE__, "[x", "[x", true},  // no closing "]": a plain "["
      // With "/", the glob meets the whole path or a tail of it that starts at a name.
      {__LINE__, "mods/*.lua", "mods/a.lua", true},
      {__LINE__, "mods/*.lua", "/home/me/mods/a.lua", true},
      {__LINE__, "mods/*.lua", "mods/sub/a.lua", false},  // "*" stops at "/"
      {__LINE__, "mods/**", "mods/sub/a.lua", true},
      {__LINE__, "mods/**/a.lua", "mods/a.lua", true},
      {__LINE__, "mods/**/a.lua", "mods/x/y/a.lua", true},
      {__LINE__, "ods/*.lua", "mods/a.lua", false},
      {__LINE__, "mods/a.lua", "./mods/a.lua", true},
      {__LINE__, "mods/a.lua", "mods\\a.lua", true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(IsExcluded({row.glob}, row.path), row.excluded)
        << "row at line " << row.line << ": " << row.glob << " on " << row.path;
  }
}

}  // namespace
}  // namespace kelvane::fmt
