// The engine's passes against the literal reference, row by row: on generated
// inputs, on the example files, on real Lua files and on hand-picked rows,
// with "-s" and "-unix" each off and on.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "tests/differential/pipeline_compare.h"
#include "tests/reference/reference_stages.h"
#include "tests/support/lua_generator.h"
#include "tests/support/shrink.h"
#include "tests/support/text_diff.h"

namespace kelvane::test_support {
namespace {

// How many differing cases are reported in full (shrunk); the rest are counted.
constexpr size_t kReportedInFull = 3;
constexpr size_t kDefaultGeneratedCases = 10000;
// Real files above this size are skipped: the reference is quadratic.
constexpr uintmax_t kRealFileLimit = 30 * 1024;

// The four combinations of "-s" and "-unix", chosen by the low two bits.
FormatOptions SettingsFor(size_t variant) {
  FormatOptions settings;
  settings.StripComments = (variant & 1) != 0;
  settings.UnixEndOfLine = (variant & 2) != 0;
  return settings;
}

// The whole runs, and the first row where they part. Only inputs whose
// literal output is sound, stable and laid out are compared.
RowDifference Compare(std::string_view input, const FormatOptions& settings) {
  return CompareWhereReferenceJudges(input, settings);
}

// Collects the differences of many cases: the first few reported in full
// with a shrunk input, all of them counted by the row where they appear.
class DifferenceLog {
 public:
  void Check(std::string_view name, std::string_view input, const FormatOptions& settings) {
    ++cases_;
    RowDifference difference = Compare(input, settings);
    if (!difference.judged) ++not_judged_;
    if (!difference.differs) return;
    ++by_row_[Escape(difference.message) + " (" + difference.what + ")"];
    if (reported_ >= kReportedInFull) return;
    ++reported_;
    std::string report =
        std::string(name) + ": " + DescribeRowDifference(difference, input, settings);
    std::string shrunk = Shrink(std::string(input), [&](std::string_view candidate) {
      RowDifference again = Compare(candidate, settings);
      return again.differs && again.message == difference.message;
    });
    if (shrunk.size() < input.size()) {
      report += "shrunk to: " + DescribeRowDifference(Compare(shrunk, settings), shrunk, settings);
    }
    ADD_FAILURE() << report;
  }

  // One failure that sums up every difference by row.
  void Finish() {
    std::printf(
        "%zu of %zu cases judged by the reference (the others' literal output is not "
        "sound, stable and laid out)\n",
        cases_ - not_judged_, cases_);
    if (by_row_.empty()) return;
    std::ostringstream summary;
    size_t differing = 0;
    for (const auto& [row, count] : by_row_) differing += count;
    summary << differing << " of " << cases_ << " cases differ; first differing row:\n";
    for (const auto& [row, count] : by_row_) summary << "  " << count << "  " << row << "\n";
    ADD_FAILURE() << summary.str();
  }

 private:
  size_t cases_ = 0;
  size_t not_judged_ = 0;
  size_t reported_ = 0;
  std::map<std::string, size_t> by_row_;
};

size_t GeneratedCaseCount() {
  const char* value = std::getenv("KELVANE_DIFF_CASES");
  if (value == nullptr) return kDefaultGeneratedCases;
  return static_cast<size_t>(std::strtoull(value, nullptr, 10));
}

// Case i of the generated mix: mostly small realistic texts, every fourth
// chaotic, one in ten larger, a few with token-like text.
GeneratorOptions OptionsForCase(size_t i) {
  GeneratorOptions options;
  options.style = i % 4 == 3 ? GeneratedStyle::kChaotic : GeneratedStyle::kRealistic;
  options.token_like_text = i % 40 == 7;
  options.target_size = i % 50 == 0 ? 4000 : i % 10 == 0 ? 1200 : 20 + (i * 37) % 400;
  return options;
}

bool ReadWhole(const std::filesystem::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return static_cast<bool>(in);
}

void CheckFilesUnder(const std::filesystem::path& folder, bool lua_only, DifferenceLog& log) {
  ASSERT_TRUE(std::filesystem::is_directory(folder)) << "not a folder: " << folder;
  std::vector<std::filesystem::path> paths;
  size_t skipped = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
    if (!entry.is_regular_file(error)) continue;
    if (lua_only && entry.path().extension() != ".lua") continue;
    if (entry.file_size(error) > kRealFileLimit) {
      ++skipped;
      continue;
    }
    paths.push_back(entry.path());
  }
  ASSERT_FALSE(error) << folder << ": " << error.message();
  std::printf("comparing %zu files under %s (%zu skipped as over %ju bytes)\n", paths.size(),
              folder.string().c_str(), skipped, kRealFileLimit);
  std::sort(paths.begin(), paths.end());
  for (const auto& path : paths) {
    std::string text;
    ASSERT_TRUE(ReadWhole(path, text)) << "cannot read " << path;
    for (size_t variant = 0; variant < 4; ++variant) {
      log.Check(path.string(), text, SettingsFor(variant));
    }
  }
}

// The harness itself: the reference run against itself never differs.
TEST(DifferentialHarnessTest, ReferenceAgainstItselfIsIdentical) {
  for (size_t i = 0; i < 60; ++i) {
    std::string input = GenerateLua(i, OptionsForCase(i));
    RowDifference difference = ComparePipelines(input, SettingsFor(i), reference::ReferenceStages(),
                                                reference::ReferenceStages());
    EXPECT_FALSE(difference.differs) << DescribeRowDifference(difference, input, SettingsFor(i));
  }
}

void LeaveUnchanged(PassContext&) {}

// The harness names the first row whose result differs, not a later one.
TEST(DifferentialHarnessTest, ReportsTheFirstDifferingRow) {
  std::span<const Stage> reference = reference::ReferenceStages();
  std::vector<std::vector<PassRow>> rows;
  for (const Stage& stage : reference) rows.emplace_back(stage.passes.begin(), stage.passes.end());
  rows[2][9].run = LeaveUnchanged;  // keys and values are not joined
  std::vector<Stage> broken;
  for (size_t s = 0; s < reference.size(); ++s) broken.push_back({reference[s].message, rows[s]});

  RowDifference difference = ComparePipelines("a = 1\n", FormatOptions{}, broken, reference);
  ASSERT_TRUE(difference.differs);
  EXPECT_STREQ(difference.message.c_str(), reference[2].passes[9].message);
  EXPECT_EQ(difference.what, "working text");
}

TEST(DifferentialTest, HandPickedInputs) {
  const char* inputs[] = {
      "",
      "\r\n\r\n",
      "x = 1\ry = 2",
      "-- AI settings\nRules = { speed=1.50, names={\"a\",\"b\"}, f=function(x) return x*2 end }\n"
      "function Init(p)\n  if p>0 then print(\"go\") end\nend\n",
      "x = 1 }\n",
      "x = 1 } }\n",
      "t = { {1}; {2} }\n",
      "s = \"a--b\"\nt = \"x\"\n",
      "s = \"a\\\\\"\nt = \"x y\"\n",
      "x = [[ t[1] ]]\n",
      "a = 1 -- one\nb = 2 -- two\nc = 3 -- three\n",
      "x = \"@c0c@\"\n-- c\n",
      "s = \"$& $$ $1\" -- $10\n",
      "for i = 1, n + 1 do y = i end\n",
      "function o:m(x)\nx=1\nend\nfunction g(y)\ny=1\nend\n",
      "if a then\nx=1\n",
      "x = 3e\n - 5\nz = 2^-3\nv = 1.0.0\n",
      "t = { - 1, + 2, -3 }\nb = 1, - 2\n",
      // Of two semicolons at a line end only the last goes: the first is the
      // character before it.
      ";;",
      "a;;\n",
      // An unclosed "(" before "then" takes no block word into the call.
      "-- AI diff\nweus=(\\@|\\w)( then w=AMrmal end\n\treturn w\nend\n",
      "x=( then w=1 end\n",
      // After "end" a "(" starts a statement of its own: the literal rule's
      // "end(" puts two statements on one line, and is not judged.
      "t = {a = b end\n\t(x)nd\n",
  };
  DifferenceLog log;
  for (const char* input : inputs) {
    for (size_t variant = 0; variant < 4; ++variant)
      log.Check("hand-picked", input, SettingsFor(variant));
  }
  log.Finish();
}

TEST(DifferentialTest, GeneratedInputs) {
  DifferenceLog log;
  const size_t cases = GeneratedCaseCount();
  for (size_t i = 0; i < cases; ++i) {
    std::string input = GenerateLua(i, OptionsForCase(i));
    log.Check("generated case " + std::to_string(i), input, SettingsFor(i));
  }
  log.Finish();
}

// A few texts of the size of real game files, where a scanner's handling of
// long lines and deep nesting shows.
TEST(DifferentialTest, LargeGeneratedInputs) {
  constexpr size_t kLargeCases = 12;
  DifferenceLog log;
  for (size_t i = 0; i < kLargeCases; ++i) {
    GeneratorOptions options;
    options.target_size = 30000;
    options.style = i % 6 == 5 ? GeneratedStyle::kChaotic : GeneratedStyle::kRealistic;
    std::string input = GenerateLua(1000000 + i, options);
    log.Check("large case " + std::to_string(i), input, SettingsFor(i));
  }
  log.Finish();
}

TEST(DifferentialTest, ExampleFiles) {
  std::filesystem::path folder = std::filesystem::path(KELVANE_SOURCE_DIR) / "examples";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no examples folder";
  DifferenceLog log;
  CheckFilesUnder(folder, false, log);
  log.Finish();
}

TEST(DifferentialTest, RealLuaFiles) {
  const char* folder = std::getenv("KELVANE_REAL_LUA_DIR");
  if (folder == nullptr) GTEST_SKIP() << "KELVANE_REAL_LUA_DIR is not set";
  DifferenceLog log;
  CheckFilesUnder(folder, true, log);
  log.Finish();
}

}  // namespace
}  // namespace kelvane::test_support
