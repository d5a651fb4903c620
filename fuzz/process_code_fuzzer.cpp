// libFuzzer target: ProcessCode on arbitrary bytes must not crash, hang or
// trip a sanitizer, and on small inputs must agree with the literal reference
// wherever that one's output is stable.
// The first byte chooses "-s" (bit 0) and "-unix" (bit 1); the rest is the file.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/messages.h"
#include "engine/process_code.h"
#include "engine/run_settings.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  kelvane::RunSettings settings;
  settings.StripComments = (data[0] & 1) != 0;
  settings.UnixEndOfLine = (data[0] & 2) != 0;
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

  if (input.size() > ReferenceLimit() || CountBraces(input, '{') > kReferenceBraceLimit ||
      CountBraces(input, '}') > kReferenceBraceLimit) {
    kelvane::NullMessages messages;
    kelvane::ProcessResult result = kelvane::ProcessCode(std::string(input), settings, messages);
    if (result.status == kelvane::ProcessStatus::kDebugWriteFailed) {
      std::fputs("ProcessCode reported a debug write without a debug file\n", stderr);
      std::abort();
    }
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
