// libFuzzer target: ProcessCode on arbitrary bytes must not crash, hang or
// trip a sanitizer, and on small inputs must agree with the literal reference
// wherever that one's output is stable.
// The first byte chooses "-s" (bit 0) and "-unix" (bit 1), and for the meaning
// check Lua 5.3's integer numerals (bit 2); the rest is the file.
// Besides, the meaning check's walk over alike bytes must give the verdict
// reading every token gives: for the file against the engine's output, and for the
// text before a byte 0xFF in the file against the text after it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/format_options.h"
#include "engine/meaning_check.h"
#include "engine/messages.h"
#include "engine/process_code.h"
#include "tests/differential/pipeline_compare.h"

namespace {

// The reference is quadratic; above this size only the engine runs. The
// environment variable KELVANE_FUZZ_REFERENCE_LIMIT sets another size (0: the
// engine alone, for speed).
constexpr size_t kDefaultReferenceLimit = 2048;

size_t ReferenceLimit() {
  static const size_t limit = [] {
    const char* value = std::getenv("KELVANE_FUZZ_REFERENCE_LIMIT");
    return value != nullptr && *value != '\0' ? std::strtoull(value, nullptr, 10)
                                              : kDefaultReferenceLimit;
  }();
  return limit;
}
// The reference's guard fires after 10,001 brace-loop iterations whatever
// their progress, the engine's only when a loop can make no progress, so the
// two are not comparable on texts with more braces than that.
constexpr size_t kReferenceBraceLimit = 10000;

size_t CountBraces(std::string_view text, char brace) {
  size_t count = 0;
  for (char c : text) count += c == brace ? 1 : 0;
  return count;
}

void CheckMeaningCheckWalk(std::string_view input, std::string_view output,
                           const kelvane::MeaningRules& rules) {
  const kelvane::MeaningCheck walked = kelvane::CompareMeaning(input, output, rules);
  const kelvane::MeaningCheck read = kelvane::CompareMeaningByTokens(input, output, rules);
  // The verdicts must agree; the unit tests hold the lines and messages to
  // each other too.
  if (walked.same != read.same) {
    std::fprintf(
        stderr,
        "the meaning check's walk says %d (line %zu: %s), reading every token %d (line %zu: %s)\n",
        walked.same, walked.input_line, walked.why.c_str(), read.same, read.input_line,
        read.why.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  kelvane::FormatOptions settings;
  settings.StripComments = (data[0] & 1) != 0;
  settings.UnixEndOfLine = (data[0] & 2) != 0;
  kelvane::MeaningRules rules;
  rules.integer_numerals = (data[0] & 4) != 0;
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t cut = input.find('\xff');
  if (cut != std::string_view::npos)
    CheckMeaningCheckWalk(input.substr(0, cut), input.substr(cut + 1), rules);

  kelvane::NullMessages messages;
  const kelvane::ProcessResult result =
      kelvane::ProcessCode(std::string(input), settings, messages);
  if (result.status == kelvane::FormatStatus::kFileError) {
    std::fputs("ProcessCode reported a debug write without a debug file\n", stderr);
    std::abort();
  }
  if (result.status == kelvane::FormatStatus::kOk) CheckMeaningCheckWalk(input, result.text, rules);

  if (input.size() > ReferenceLimit() || CountBraces(input, '{') > kReferenceBraceLimit ||
      CountBraces(input, '}') > kReferenceBraceLimit) {
    return 0;
  }

  if (!kelvane::test_support::LiteralReferenceJudges(input, settings)) return 0;
  const kelvane::test_support::RowDifference difference =
      kelvane::test_support::CompareWholeRuns(input, settings);
  if (difference.differs) {
    std::fputs(kelvane::test_support::DescribeRowDifference(difference, input, settings).c_str(),
               stderr);
    std::abort();
  }
  return 0;
}
