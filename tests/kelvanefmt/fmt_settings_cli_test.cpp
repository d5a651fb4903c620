// kelvanefmt run for real on what a project sets once and what it leaves
// alone: each file's own line ends, the config file, marked regions, what
// git ignores, and the messages that say why a file is left as it is.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/cli_runner.h"
#include "tests/support/text_diff.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using FmtResult = test_support::CliResult;
using test_support::Escape;

class FmtSandbox : public test_support::CliSandbox {
 public:
  FmtSandbox() : CliSandbox(test_support::KelvanefmtPath()) {}

  // Runs git in the working folder; false when it fails or is missing.
  bool Git(const std::string& args) const {
    const std::string command = "cd '" + work() + "' && git " + args + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }
};

const std::string kHeader = "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\n";
const std::string kHeaderCrLf = "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\r\n";

bool HasGit() { return std::system("git --version >/dev/null 2>&1") == 0; }

// Formats "a.lua" with `args`, compares it with `expected`, and checks that
// a second run with the same switches finds nothing to change.
void ExpectFormatsTo(const std::vector<std::string>& args, const std::string& input,
                     const std::string& expected, int line) {
  SCOPED_TRACE("row at line " + std::to_string(line));
  FmtSandbox box;
  box.WriteFile("a.lua", input);
  std::vector<std::string> run = args;
  run.push_back("a.lua");
  const FmtResult result = box.Run(run);
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(Escape(box.ReadFile("a.lua")), Escape(expected));
  run.insert(run.begin(), "--check");
  const FmtResult again = box.Run(run);
  EXPECT_EQ(again.exit_status, 0) << "a second run would change it";
  EXPECT_EQ(again.err, "0 would be formatted, 1 unchanged\n");
}

TEST(FmtSettingsCliTest, EachFileKeepsItsOwnLineEndsUnlessTold) {
  const struct {
    int line;
    std::vector<std::string> args;
    std::string input;
    std::string expected;
  } rows[] = {
      {__LINE__, {}, "x=1\ny=2\n", kHeader + "x = 1\ny = 2\n"},
      {__LINE__, {}, "x=1\r\ny=2\r\n", kHeaderCrLf + "x = 1\r\ny = 2\r\n"},
      // A mixed file takes the kind most of its lines have; a tie gives LF.
      {__LINE__, {}, "a=1\r\nb=2\r\nc=3\n", kHeaderCrLf + "a = 1\r\nb = 2\r\nc = 3\r\n"},
      {__LINE__, {}, "a=1\nb=2\r\nc=3\n", kHeader + "a = 1\nb = 2\nc = 3\n"},
      {__LINE__, {}, "a=1\r\nb=2\n", kHeader + "a = 1\nb = 2\n"},
      {__LINE__, {"--lf"}, "x=1\r\ny=2\r\n", kHeader + "x = 1\ny = 2\n"},
      {__LINE__, {"--crlf"}, "x=1\ny=2\n", kHeaderCrLf + "x = 1\r\ny = 2\r\n"},
      // The lines the engine writes with LF follow the body.
      {__LINE__, {}, "#!/usr/bin/lua\r\nx=1\r\n", "#!/usr/bin/lua\r\n" + kHeaderCrLf + "x = 1\r\n"},
      // A byte-order mark stays in front of them.
      {__LINE__, {}, "\xEF\xBB\xBFx=1\r\n", "\xEF\xBB\xBF" + kHeaderCrLf + "x = 1\r\n"},
      {__LINE__,
       {},
       "\xEF\xBB\xBF#!/usr/bin/lua\r\nx=1\r\n",
       "\xEF\xBB\xBF#!/usr/bin/lua\r\n" + kHeaderCrLf + "x = 1\r\n"},
      {__LINE__, {}, "-- note\r\nx=1\r\n", kHeaderCrLf + "-- note\t\r\nx = 1\r\n"},
      {__LINE__, {"--no-header"}, "-- note\r\nx=1\r\n", "-- note\r\nx = 1\r\n"},
      {__LINE__, {"--no-header", "--lf"}, "-- note\r\nx=1\r\n", "-- note\nx = 1\n"},
      {__LINE__, {"--strip-comments"}, "-- c\r\nx=1\r\n", "x = 1\r\n"},
  };
  for (const auto& row : rows) ExpectFormatsTo(row.args, row.input, row.expected, row.line);
}

// A copy of a repository with LF line ends, formatted whole: no line gains a
// CR, and a check afterwards passes.
TEST(FmtSettingsCliTest, LfRepositoryGetsNoCarriageReturn) {
  FmtSandbox box;
  size_t files = 0;
  const fs::path source = KELVANE_SOURCE_DIR;
  for (const fs::path& folder : {source / "examples", source / "tests" / "golden"}) {
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() != ".lua") continue;
      fs::create_directories(box.Path("repo") / folder.filename());
      fs::copy_file(entry.path(), box.Path("repo") / folder.filename() / entry.path().filename());
      ++files;
    }
  }
  ASSERT_GE(files, 4u);
  const FmtResult formatted = box.Run({"--quiet", "repo"});
  EXPECT_EQ(formatted.exit_status, 0) << formatted.err;
  for (const std::string& name : box.ListAll()) {
    EXPECT_EQ(box.ReadFile(name).find('\r'), std::string::npos) << name << " holds a CR";
  }
  const FmtResult checked = box.Run({"--check", "repo"});
  EXPECT_EQ(checked.exit_status, 0) << checked.out;
  EXPECT_EQ(checked.err, "0 would be formatted, " + std::to_string(files) + " unchanged\n");
}

TEST(FmtSettingsCliTest, ConfigFileSetsWhatTheCommandLineDoesNot) {
  const std::string input = "-- note\nx=1\n";
  const struct {
    int line;
    std::string config;  // mod/.kelvanefmt.toml
    std::vector<std::string> args;
    std::string expected;  // mod/sub/a.lua
  } rows[] = {
      {__LINE__, "", {}, kHeader + "-- note\t\nx = 1\n"},
      {__LINE__, "line_endings = \"crlf\"\n", {}, kHeaderCrLf + "-- note\t\r\nx = 1\r\n"},
      {__LINE__, "line_endings = \"keep\"\nheader = false\n", {}, "-- note\nx = 1\n"},
      {__LINE__, "strip_comments = true\n", {}, "x = 1\n"},
      // The command line wins; --no-config and --config set the file aside.
      {__LINE__, "line_endings = \"crlf\"\n", {"--lf"}, kHeader + "-- note\t\nx = 1\n"},
      {__LINE__, "header = false\n", {"--no-config"}, kHeader + "-- note\t\nx = 1\n"},
      {__LINE__, "header = false\n", {"--config", "other.toml"}, "x = 1\n"},
      // # a comment, and the table of a TOML file's own
      {__LINE__,
       "# house style\nheader = false # no header\nexclude = []\n",
       {},
       "-- note\nx = 1\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    FmtSandbox box;
    box.WriteFile("mod/.kelvanefmt.toml", row.config);
    box.WriteFile("other.toml", "strip_comments = true\n");
    box.WriteFile("mod/sub/a.lua", input);
    std::vector<std::string> args = row.args;
    args.push_back("mod");
    const FmtResult result = box.Run(args);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(Escape(box.ReadFile("mod/sub/a.lua")), Escape(row.expected));
  }
  // The nearest config file applies, alone; standard input takes the one of
  // its --stdin-name.
  FmtSandbox box;
  box.WriteFile("mod/.kelvanefmt.toml", "strip_comments = true\n");
  box.WriteFile("mod/sub/.kelvanefmt.toml", "header = false\n");
  box.WriteFile("mod/a.lua", input);
  box.WriteFile("mod/sub/b.lua", input);
  EXPECT_EQ(box.Run({"--quiet", "mod"}).exit_status, 0);
  EXPECT_EQ(box.ReadFile("mod/a.lua"), "x = 1\n");
  EXPECT_EQ(box.ReadFile("mod/sub/b.lua"), "-- note\nx = 1\n");
  EXPECT_EQ(box.Run({"--stdin-name", "mod/sub/c.lua", "-"}, input).out, "-- note\nx = 1\n");
}

TEST(FmtSettingsCliTest, ConfigExcludesMatchPathsBelowTheConfigFile) {
  FmtSandbox box;
  box.WriteFile("mod/.kelvanefmt.toml", "exclude = [\"gen\", \"*_old.lua\", \"data/maps/**\"]\n");
  for (const char* name : {"mod/a.lua", "mod/gen/g.lua", "mod/sub/b_old.lua", "mod/data/maps/m.lua",
                           "mod/data/d.lua", "gen/outside.lua"}) {
    box.WriteFile(name, "x=1\n");
  }
  const FmtResult folder = box.Run({"--check", "mod", "gen"});
  EXPECT_EQ(folder.out, "gen/outside.lua\nmod/a.lua\nmod/data/d.lua\n");
  // Named files too, as a hook names every staged file.
  const FmtResult named = box.Run({"--check", "mod/gen/g.lua", "mod/a.lua"});
  EXPECT_EQ(named.out, "mod/a.lua\n");
  // A --exclude glob that meets a path the config file leaves out too is used.
  const FmtResult both = box.Run({"--check", "--exclude", "gen", "mod/gen/g.lua", "mod/a.lua"});
  EXPECT_EQ(both.out, "mod/a.lua\n");
  EXPECT_EQ(both.err, "1 would be formatted, 0 unchanged\n");
}

TEST(FmtSettingsCliTest, BadConfigNamesFileLineAndKeyAndLeavesItsFilesAlone) {
  const struct {
    int line;
    std::string config;
    std::string error;
  } rows[] = {
      {__LINE__, "header = true\ntabs = 4\n",
       "mod/.kelvanefmt.toml:2: unknown key \"tabs\" (the keys: line_endings, header, "
       "strip_comments, exclude, respect_gitignore)"},
      {__LINE__, "line_endings = \"cr\"\n",
       "mod/.kelvanefmt.toml:1: \"line_endings\" must be \"keep\", \"lf\" or \"crlf\""},
      {__LINE__, "\n\nheader = \"no\"\n",
       "mod/.kelvanefmt.toml:3: \"header\" must be true or false"},
      {__LINE__, "respect_gitignore = 1\n",
       "mod/.kelvanefmt.toml:1: \"respect_gitignore\" must be true or false"},
      {__LINE__, "exclude = \"vendor\"\n",
       "mod/.kelvanefmt.toml:1: \"exclude\" must be a list of globs in quotes, such as "
       "[\"vendor\"]"},
      {__LINE__, "exclude = [\"a\", 2]\n",
       "mod/.kelvanefmt.toml:1: \"exclude\" must be a list of globs in quotes, such as "
       "[\"vendor\"]"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    FmtSandbox box;
    box.WriteFile("mod/.kelvanefmt.toml", row.config);
    box.WriteFile("mod/a.lua", "x=1\n");
    box.WriteFile("mod/sub/b.lua", "x=1\n");
    box.WriteFile("other/c.lua", "x=1\n");
    const FmtResult result = box.Run({"mod", "other"});
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.out, "other/c.lua\n");
    EXPECT_EQ(result.err, row.error + "\n1 formatted, 0 unchanged, 1 failed\n");
    EXPECT_EQ(box.ReadFile("mod/a.lua"), "x=1\n");
  }
  // TOML that does not parse names the line where it breaks.
  FmtSandbox box;
  box.WriteFile("mod/.kelvanefmt.toml", "header = false\nexclude = [\n");
  box.WriteFile("mod/a.lua", "x=1\n");
  const FmtResult broken = box.Run({"--check", "mod"});
  EXPECT_EQ(broken.exit_status, 2);
  EXPECT_TRUE(broken.err.starts_with("mod/.kelvanefmt.toml:")) << broken.err;
  // A bad --config file stops the run before anything is formatted.
  box.WriteFile("bad.toml", "colour = 1\n");
  const FmtResult bad = box.Run({"--config", "bad.toml", "mod"});
  EXPECT_EQ(bad.exit_status, 2);
  EXPECT_EQ(bad.err,
            "bad.toml:1: unknown key \"colour\" (the keys: line_endings, header, strip_comments, "
            "exclude, respect_gitignore)\n");
  EXPECT_EQ(box.Run({"--config", "missing.toml", "mod"}).err,
            "missing.toml: cannot read: No such file or directory\n");
  // Standard input under a bad config file comes back as it was.
  const FmtResult piped = box.Run({"--stdin-name", "mod/s.lua", "-"}, "x=1\n");
  EXPECT_EQ(piped.exit_status, 2);
  EXPECT_EQ(piped.out, "x=1\n");
  EXPECT_TRUE(piped.err.starts_with("mod/.kelvanefmt.toml:")) << piped.err;
  // Its name is shown quoted when it holds a control byte, as every path is.
  box.WriteFile("esc\033/.kelvanefmt.toml", "tabs = 4\n");
  box.WriteFile("esc\033/a.lua", "x=1\n");
  const FmtResult quoted = box.Run({"--check", "esc\033"});
  EXPECT_TRUE(quoted.err.starts_with("\"esc\\033/.kelvanefmt.toml\":1: unknown key")) << quoted.err;
}

TEST(FmtSettingsCliTest, MarkedRegionsComeBackAsTheyWere) {
  const std::string region =
      "-- kelvanefmt: off\r\nGrid = {\r\n  1,0,1,\r\n  0,1,0,\r\n}\r\n"
      "-- kelvanefmt: on";
  const std::string ignored = "-- kelvanefmt: ignore\r\nWeights = { easy=1,  hard=3 }";
  FmtSandbox box;
  box.WriteFile("map.lua", "x=1\r\n" + region + "\r\n" + ignored + "\r\ny=2\r\n");
  EXPECT_EQ(box.Run({"map.lua"}).exit_status, 0);
  EXPECT_EQ(Escape(box.ReadFile("map.lua")),
            Escape(kHeaderCrLf + "x = 1\r\n" + region + "\r\n" + ignored + "\r\ny = 2\r\n"));
  EXPECT_EQ(box.Run({"--check", "--strip-comments", "map.lua"}).exit_status, 1);
  EXPECT_EQ(box.Run({"--check", "map.lua"}).exit_status, 0);
}

TEST(FmtSettingsCliTest, WhatGitIgnoresIsLeftOutOfFolders) {
  if (!HasGit()) GTEST_SKIP() << "git is not installed (scripts/setup --deps installs it)";
  FmtSandbox box;
  for (const char* name : {"repo/a.lua", "repo/vendor/v.lua", "repo/x.gen.lua", "repo/src/b.lua",
                           "repo/src/old.lua", "plain/p.lua", "plain/skip.lua"}) {
    box.WriteFile(name, "x=1\n");
  }
  box.WriteFile("repo/.gitignore", "vendor/\n*.gen.lua\n");
  box.WriteFile("repo/src/.ignore", "old.lua\n");
  box.WriteFile("plain/.gitignore", "skip.lua\n");  // no work tree: not read
  ASSERT_TRUE(box.Git("-C repo init -q") && box.Git("-C repo add src/old.lua"));
  const struct {
    int line;
    std::vector<std::string> args;
    std::string out;
  } rows[] = {
      {__LINE__, {"repo", "plain"}, "plain/p.lua\nplain/skip.lua\nrepo/a.lua\nrepo/src/b.lua\n"},
      {__LINE__, {"repo/src"}, "repo/src/b.lua\n"},
      {__LINE__, {"repo/"}, "repo/a.lua\nrepo/src/b.lua\n"},
      {__LINE__,
       {"--no-ignore", "repo"},
       "repo/a.lua\nrepo/src/b.lua\nrepo/src/old.lua\nrepo/vendor/v.lua\nrepo/x.gen.lua\n"},
      // A file named on the command line is taken.
      {__LINE__, {"repo/vendor/v.lua", "repo/x.gen.lua"}, "repo/vendor/v.lua\nrepo/x.gen.lua\n"},
      {__LINE__, {"repo/vendor"}, "repo/vendor/v.lua\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    std::vector<std::string> args = {"--check"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const FmtResult result = box.Run(args);
    EXPECT_EQ(result.out, row.out);
    EXPECT_FALSE(result.err.starts_with("kelvanefmt:")) << result.err;
  }
  box.WriteFile("repo/.kelvanefmt.toml", "respect_gitignore = false\n");
  EXPECT_EQ(box.Run({"--check", "repo/src"}).out, "repo/src/b.lua\nrepo/src/old.lua\n");
}

// Without git, the folder search goes on and says once why .gitignore is
// not read.
TEST(FmtSettingsCliTest, MissingGitIsSaidOnce) {
  FmtSandbox box;
  box.WriteFile("repo/.git/HEAD", "ref: refs/heads/main\n");
  box.WriteFile("repo/.gitignore", "skip.lua\n");
  box.WriteFile("repo/a/skip.lua", "x=1\n");
  box.WriteFile("repo/b/c.lua", "x=1\n");
  const std::string saved_path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  setenv("PATH", box.Path("no-programs-here").c_str(), 1);
  const FmtResult result = box.Run({"--check", "repo/a", "repo/b"});
  setenv("PATH", saved_path.c_str(), 1);
  EXPECT_EQ(result.out, "repo/a/skip.lua\nrepo/b/c.lua\n");
  EXPECT_EQ(result.err,
            "kelvanefmt: git was not found, so .gitignore and .ignore files are not read\n"
            "2 would be formatted, 0 unchanged\n");
}

TEST(FmtSettingsCliTest, RefusalsSayWhyAndWhere) {
  const struct {
    int line;
    std::string input;
    std::string cause;
  } rows[] = {
      {__LINE__, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
       "not a text file (NUL byte at offset 8)"},
      {__LINE__, "t = {\n  a = 1,\n}}\nx = 2\n",
       "unbalanced braces: a \"}\" at line 3 closes nothing"},
      // A "}" in a string or comment closes nothing and is no surplus.
      {__LINE__, "s = \"}\" -- }\nt = {}\n}\n",
       "unbalanced braces: a \"}\" at line 3 closes nothing"},
      // Not Lua (a malformed numeral), which the formatted text would read otherwise.
      {__LINE__, "x = 1\ny = 3..4\n", "would change the meaning at line 2: `3..4` / `3`"},
      {__LINE__, "x = 1\n-- kelvanefmt: off\nif x then\n-- kelvanefmt: on\nend\n",
       "the region marked at line 2 does not hold whole statements: it opens or closes a bracket "
       "or block that it does not close or open"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    FmtSandbox box;
    box.WriteFile("a.lua", row.input);
    const FmtResult result = box.Run({"a.lua"});
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.err, "a.lua: " + row.cause + "\n0 formatted, 0 unchanged, 1 refused\n");
    EXPECT_EQ(box.ReadFile("a.lua"), row.input);
  }
}

// A file is replaced by a new file beside it: a writable file in a folder
// that is not writable cannot be, and the message says the folder is why.
TEST(FmtSettingsCliTest, ReadOnlyFolderIsNamedAsTheCause) {
  FmtSandbox box;
  box.WriteFile("locked/a.lua", "x=1\n");
  const std::string folder = box.Path("locked").string();
  // Root writes into any folder but an immutable one.
  const bool root = geteuid() == 0;
  if (root) {
    if (std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) != 0) {
      GTEST_SKIP() << "running as root where chattr +i does not work";
    }
  } else {
    chmod(folder.c_str(), 0555);
  }
  const FmtResult result = box.Run({"locked/a.lua"});
  if (root) {
    EXPECT_EQ(std::system(("chattr -i '" + folder + "'").c_str()), 0);
  } else {
    chmod(folder.c_str(), 0755);
  }
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.err,
            "locked/a.lua: cannot write: the folder 'locked' is not writable (the file is "
            "replaced by a new file beside it)\n0 formatted, 0 unchanged, 1 failed\n");
  EXPECT_EQ(box.ReadFile("locked/a.lua"), "x=1\n");
}

TEST(FmtSettingsCliTest, VersionNamesTheRelease) {
  FmtSandbox box;
  const FmtResult result = box.Run({"--version"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, "kelvanefmt 1.27\n");
}

}  // namespace
}  // namespace kelvane
