// kelvanefmt run for real: each mode, folder search, mixed outcomes and exit
// statuses, checked on standard output, standard error and the files.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/format_text.h"
#include "engine/messages.h"
#include "tests/support/cli_runner.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using FmtResult = test_support::CliResult;

// kelvanefmt in a sandbox; a write past the file-size limit fails with EFBIG.
class FmtSandbox : public test_support::CliSandbox {
 public:
  FmtSandbox()
      : CliSandbox(test_support::KelvanefmtPath(), test_support::FileSizeSignal::kIgnored) {}
};

const std::string kUnformatted = "local speed=1.50\nprint(speed)\n";
const std::string kRefused = "x = 1 } }\n";  // more "}" than "{": the brace guard fires
const std::string kGuardCause = "unbalanced braces: a \"}\" at line 1 closes nothing";
const std::string kHeader = "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\n";
const std::string kUsage =
    "kelvanefmt: no PATH given (\"-\" formats standard input)\n"
    "Usage: kelvanefmt [OPTIONS] PATH...\n"
    "       kelvanefmt [OPTIONS] -\n"
    "       kelvanefmt --lsp\n"
    "Run 'kelvanefmt --help' for the options.\n";

// The engine's output for an LF text, as kelvanefmt gives it by default.
std::string Formatted(const std::string& text, bool lf = true, bool strip_comments = false) {
  FormatOptions settings;
  settings.UnixEndOfLine = lf;
  settings.StripComments = strip_comments;
  NullMessages quiet;
  const FormatResult result = FormatText(text, settings, quiet);
  EXPECT_EQ(result.status, FormatStatus::kOk);
  return result.text;
}

void ExpectRun(const FmtResult& result, int exit_status, const std::string& out,
               const std::string& err, int line) {
  SCOPED_TRACE("row at line " + std::to_string(line));
  EXPECT_EQ(result.exit_status, exit_status);
  EXPECT_EQ(result.out, out);
  EXPECT_EQ(result.err, err);
}

TEST(FmtCliTest, ChangedFilesAreRewrittenAndOthersKeepTheirTime) {
  FmtSandbox box;
  box.WriteFile("mod/a.lua", kUnformatted);
  box.WriteFile("mod/b.lua", Formatted(kUnformatted));
  const auto old_time = fs::last_write_time(box.Path("mod/b.lua")) - std::chrono::hours(24);
  fs::last_write_time(box.Path("mod/b.lua"), old_time);

  ExpectRun(box.Run({"mod"}), 0, "mod/a.lua\n", "1 formatted, 1 unchanged\n", __LINE__);
  EXPECT_EQ(box.ReadFile("mod/a.lua"), Formatted(kUnformatted));
  EXPECT_EQ(fs::last_write_time(box.Path("mod/b.lua")), old_time);
  // A second run finds nothing to do; --quiet drops the per-file lines only.
  ExpectRun(box.Run({"--check", "mod"}), 0, "", "0 would be formatted, 2 unchanged\n", __LINE__);
  box.WriteFile("mod/a.lua", kUnformatted);
  ExpectRun(box.Run({"--quiet", "mod"}), 0, "", "1 formatted, 1 unchanged\n", __LINE__);
}

TEST(FmtCliTest, CheckAndDiffWriteNothing) {
  const struct {
    int line;
    std::vector<std::string> args;
    int exit_status;
    std::string out;
  } rows[] = {
      {__LINE__, {"--check", "--lf", "mod"}, 1, "mod/a.lua\n"},
      {__LINE__, {"--check", "--quiet", "--lf", "mod"}, 1, ""},
      {__LINE__, {"--check", "--lf", "mod/b.lua"}, 0, ""},
      {__LINE__,
       {"--diff", "--lf", "mod"},
       1,
       "--- mod/a.lua\n+++ mod/a.lua\n@@ -1,2 +1,3 @@\n"
       "-local speed=1.50\n"
       "+-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\n"
       "+local speed = 1.5\n"
       " print(speed)\n"},
  };
  for (const auto& row : rows) {
    FmtSandbox box;
    box.WriteFile("mod/a.lua", kUnformatted);
    box.WriteFile("mod/b.lua", Formatted(kUnformatted, true));
    const std::string summary = row.exit_status == 1 ? "1 would be formatted, 1 unchanged\n"
                                                     : "0 would be formatted, 1 unchanged\n";
    ExpectRun(box.Run(row.args), row.exit_status, row.out, summary, row.line);
    EXPECT_EQ(box.ReadFile("mod/a.lua"), kUnformatted);
    EXPECT_EQ(box.ListAll(), (std::vector<std::string>{"mod/a.lua", "mod/b.lua"}));
  }
}

TEST(FmtCliTest, StandardInputToStandardOutput) {
  const struct {
    int line;
    std::vector<std::string> args;
    std::string in;
    int exit_status;
    std::string out;
    std::string err;
  } rows[] = {
      {__LINE__, {"-"}, kUnformatted, 0, Formatted(kUnformatted), ""},
      // Standard input only when asked for: no PATH is a usage error, also
      // with input waiting (a hook whose list of files came out empty).
      {__LINE__, {}, kUnformatted, 2, "", kUsage},
      {__LINE__, {"--check", "--quiet"}, kUnformatted, 2, "", kUsage},
      {__LINE__,
       {"--crlf", "-"},
       kUnformatted,
       0,
       "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\r\nlocal speed = "
       "1.5\r\nprint(speed)\r\n",
       ""},
      // A text with no line end at all gets LF.
      {__LINE__, {"-"}, "x=1", 0, kHeader + "x = 1\n", ""},
      {__LINE__,
       {"--strip-comments", "-"},
       "-- c\n" + kUnformatted,
       0,
       Formatted("-- c\n" + kUnformatted, true, true),
       ""},
      {__LINE__, {"--check", "-"}, kUnformatted, 1, "<stdin>\n", ""},
      {__LINE__, {"--check", "--stdin-name", "ai.lua", "-"}, kUnformatted, 1, "ai.lua\n", ""},
      {__LINE__, {"--check", "-"}, Formatted(kUnformatted), 0, "", ""},
      {__LINE__, {"--diff", "--stdin-name", "ai.lua", "-"}, Formatted(kUnformatted), 0, "", ""},
      // "--" ends the options, so a name that starts with "-" is a name.
      {__LINE__, {"--check", "--stdin-name=-x.lua", "--", "-"}, kUnformatted, 1, "-x.lua\n", ""},
      // A name that an exclude leaves out passes through as it is.
      {__LINE__,
       {"--exclude", "vendor", "--stdin-name", "vendor/v.lua", "-"},
       kUnformatted,
       0,
       kUnformatted,
       ""},
      {__LINE__,
       {"--check", "--exclude", "vendor", "--stdin-name", "vendor/v.lua", "-"},
       kUnformatted,
       0,
       "",
       ""},
      // A refused text comes back as it was, so an editor's buffer is never lost.
      {__LINE__,
       {"--stdin-name", "ai.lua", "-"},
       kRefused,
       2,
       kRefused,
       "ai.lua: " + kGuardCause + "\n"},
      {__LINE__, {"--check", "-"}, kRefused, 2, "", "<stdin>: " + kGuardCause + "\n"},
      {__LINE__,
       {"-", "a.lua"},
       "",
       2,
       "",
       "kelvanefmt: \"-\" (standard input) cannot be combined with other paths\n"},
  };
  for (const auto& row : rows) {
    FmtSandbox box;
    ExpectRun(box.Run(row.args, row.in), row.exit_status, row.out, row.err, row.line);
    EXPECT_TRUE(box.ListAll().empty());
  }
  FmtSandbox box;
  const FmtResult diff = box.Run({"--diff", "--stdin-name", "ai.lua", "-"}, kUnformatted);
  EXPECT_EQ(diff.exit_status, 1);
  EXPECT_TRUE(diff.out.starts_with("--- ai.lua\n+++ ai.lua\n@@ -1,2 +1,3 @@\n")) << diff.out;
}

TEST(FmtCliTest, MixedFolderReportsEveryFileAndFormatsTheRest) {
  FmtSandbox box;
  const std::string large = [] {
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "value" + std::to_string(i) + "={1,2}\n";
    return text;
  }();
  box.WriteFile("mod/a_good.lua", kUnformatted);
  box.WriteFile("mod/b_refused.lua", kRefused);
  box.WriteFile("mod/c_too_large.lua", large);  // its output cannot be written
  box.WriteFile("mod/d_done.lua", Formatted(kUnformatted));

  const FmtResult result = box.Run({"mod", "missing.lua", "--jobs", "3"}, "", 4096);
  ExpectRun(result, 2, "mod/a_good.lua\n",
            "missing.lua: No such file or directory\n"
            "mod/b_refused.lua: " +
                kGuardCause +
                "\n"
                "mod/c_too_large.lua: cannot write: File too large\n"
                "1 formatted, 1 unchanged, 1 refused, 2 failed\n",
            __LINE__);
  EXPECT_EQ(box.ReadFile("mod/a_good.lua"), Formatted(kUnformatted));
  EXPECT_EQ(box.ReadFile("mod/b_refused.lua"), kRefused);
  EXPECT_EQ(box.ReadFile("mod/c_too_large.lua"), large);
  EXPECT_EQ(box.ListAll().size(), 4u) << "no temporary file left behind";
}

TEST(FmtCliTest, FolderSearchSkipsHiddenLinkedAndExcludedPaths) {
  const struct {
    int line;
    std::vector<std::string> args;
    std::string out;
  } rows[] = {
      {__LINE__, {"mod"}, "mod/a.lua\nmod/sub/deep/b.lua\nmod/sub/x_gen.lua\nmod/vendor/v.lua\n"},
      // A file named and also found in a named folder is formatted once.
      {__LINE__,
       {"mod/sub/x_gen.lua", "mod"},
       "mod/a.lua\nmod/sub/deep/b.lua\nmod/sub/x_gen.lua\nmod/vendor/v.lua\n"},
      // Named paths are taken as they are: any name, hidden, or a link.
      {__LINE__, {"mod/.hidden/h.lua", "mod/notes.txt"}, "mod/.hidden/h.lua\nmod/notes.txt\n"},
      {__LINE__, {"mod/linked"}, "mod/linked/o.lua\n"},
      {__LINE__,
       {"--exclude", "vendor", "--exclude", "*_gen.lua", "mod"},
       "mod/a.lua\nmod/sub/deep/b.lua\n"},
      {__LINE__, {"--exclude", "mod/sub/**", "mod"}, "mod/a.lua\nmod/vendor/v.lua\n"},
      {__LINE__,
       {"--exclude=sub/*/b.lua", "./mod"},
       "./mod/a.lua\n./mod/sub/x_gen.lua\n./mod/vendor/v.lua\n"},
      // Excludes apply to named files too, as hooks name every file.
      {__LINE__, {"--exclude", "vendor", "mod/vendor/v.lua", "mod/a.lua"}, "mod/a.lua\n"},
  };
  FmtSandbox box;
  for (const char* name :
       {"mod/a.lua", "mod/sub/deep/b.lua", "mod/sub/x_gen.lua", "mod/vendor/v.lua",
        "mod/.hidden/h.lua", "mod/.dot.lua", "mod/notes.txt", "outside/o.lua"}) {
    box.WriteFile(name, kUnformatted);
  }
  fs::create_directory_symlink("../outside", box.Path("mod/linked"));
  fs::create_symlink("a.lua", box.Path("mod/link.lua"));
  for (const auto& row : rows) {
    std::vector<std::string> args = {"--check"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const FmtResult result = box.Run(args);
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    EXPECT_EQ(result.exit_status, 1) << result.err;
    EXPECT_EQ(result.out, row.out);
  }
}

TEST(FmtCliTest, OutputOrderDoesNotDependOnJobs) {
  FmtSandbox box;
  for (int i = 0; i < 60; ++i) {
    box.WriteFile("mod/f" + std::to_string(i % 7) + "/" + std::to_string(i) + ".lua",
                  i % 5 == 0 ? kRefused : kUnformatted);
  }
  const FmtResult one = box.Run({"--check", "--jobs", "1", "mod"});
  EXPECT_EQ(one.exit_status, 2);
  EXPECT_EQ(one.err.substr(one.err.rfind('\n', one.err.size() - 2) + 1),
            "48 would be formatted, 0 unchanged, 12 refused\n");
  for (const char* jobs : {"2", "8"}) {
    const FmtResult many = box.Run({"--check", "--jobs", jobs, "mod"});
    EXPECT_EQ(many.out, one.out);
    EXPECT_EQ(many.err, one.err);
  }
}

TEST(FmtCliTest, UsageErrorsExitTwo) {
  const std::vector<std::string> rows[] = {
      {"--jobs", "0", "mod"}, {"--check", "--diff", "mod"}, {"--no-such-switch"}};
  for (const auto& args : rows) {
    FmtSandbox box;
    const FmtResult result = box.Run(args);
    EXPECT_EQ(result.exit_status, 2) << args.front();
    EXPECT_FALSE(result.err.empty());
  }
}

}  // namespace
}  // namespace kelvane
