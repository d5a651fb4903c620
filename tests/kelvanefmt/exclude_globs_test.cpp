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
    ExcludeGlobs excludes({row.glob}, "/home/me");
    EXPECT_EQ(excludes.Excludes(row.path, false), row.excluded)
        << "row at line " << row.line << ": " << row.glob << " on " << row.path;
  }
}

// Excludes that excluded nothing: a trailing "/", a leading "./" and an
// absolute glob on a relative path.
TEST(ExcludeGlobsTest, FoldersAndSpellingsOfOnePath) {
  const struct {
    int line;
    const char* glob;
    const char* path;
    bool folder;
    bool excluded;
  } rows[] = {
      {__LINE__, "vendor/", "mods/vendor", true, true},
      {__LINE__, "vendor/", "mods/vendor/a.lua", false, true},
      {__LINE__, "vendor/", "mods/vendor", false, false},  // a file of that name
      {__LINE__, "vendor", "mods/vendor", false, true},
      {__LINE__, "mods/vendor/", "x/mods/vendor/a.lua", false, true},
      {__LINE__, "./tree/vendor/**", "./tree/vendor/a.lua", false, true},
      {__LINE__, "./tree/vendor/**", "tree//vendor/./a.lua", false, true},
      {__LINE__, "/home/me/tree/vendor/**", "tree/vendor/a.lua", false, true},
      {__LINE__, "/home/me/tree/vendor/**", "./tree/vendor/a.lua", false, true},
      {__LINE__, "/tree/vendor/**", "tree/vendor/a.lua", false, false},  // from the root
      {__LINE__, "/home/me/tree/vendor", "/home/me/tree/vendor", true, true},
      // A glob that meets a folder on the way leaves out what is in it.
      {__LINE__, "mods/vendor", "mods/vendor/a.lua", false, true},
      {__LINE__, "mods/vend", "mods/vendor/a.lua", false, false},
  };
  for (const auto& row : rows) {
    ExcludeGlobs excludes({row.glob}, "/home/me");
    EXPECT_EQ(excludes.Excludes(row.path, row.folder), row.excluded)
        << "row at line " << row.line << ": " << row.glob << " on " << row.path;
  }
}

// Many stars against a long name end at once: the matcher reads each byte
// once, where trying every split of the rest for each star takes half a
// minute on a planted name of 244 bytes against five stars.
TEST(ExcludeGlobsTest, ManyStarsAgainstALongNameDoNotBacktrack) {
  const std::string name(244, 'a');
  const struct {
    int line;
    std::string glob;
    std::string text;
    bool matches;
  } rows[] = {
      {__LINE__, "*a*a*a*a*a*b", name, false},
      {__LINE__, "**a**a**a**a**a**b", name, false},
      {__LINE__, "**/*a*a*a*a*a*b", "x/y/" + name, false},
      {__LINE__, "*a*a*a*a*a*a", name, true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(GlobMatches(row.glob, row.text), row.matches) << "row at line " << row.line;
  }
}

TEST(ExcludeGlobsTest, GlobsThatLeaveNothingOutAreNamed) {
  ExcludeGlobs excludes({"vendor", "old/", "*.bak"}, "/home/me");
  EXPECT_TRUE(excludes.Excludes("mods/vendor/a.lua", false));
  EXPECT_FALSE(excludes.Excludes("mods/old", false));
  EXPECT_EQ(excludes.Unused(), (std::vector<std::string>{"old/", "*.bak"}));
}

}  // namespace
}  // namespace kelvane::fmt
