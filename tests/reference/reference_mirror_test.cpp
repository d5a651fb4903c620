// The reference pipeline is the engine's stage table with a literal column:
// every row of the engine must have its literal rule there.

#include <gtest/gtest.h>

#include "engine/process_code.h"
#include "tests/reference/reference_stages.h"
#include "tests/support/text_diff.h"

namespace kelvane::reference {
namespace {

TEST(ReferenceMirrorTest, EveryRowHasItsLiteralRule) {
  std::span<const Stage> engine = ProcessStages();
  std::span<const Stage> reference = ReferenceStages();
  ASSERT_EQ(engine.size(), reference.size());
  for (size_t s = 0; s < engine.size(); ++s) {
    SCOPED_TRACE(test_support::Escape(engine[s].message));
    EXPECT_STREQ(engine[s].message, reference[s].message);
    ASSERT_EQ(engine[s].passes.size(), reference[s].passes.size());
    for (size_t r = 0; r < engine[s].passes.size(); ++r) {
      const PassRow& a = engine[s].passes[r];
      const PassRow& b = reference[s].passes[r];
      SCOPED_TRACE("row " + std::to_string(r) + " " + test_support::Escape(a.message));
      EXPECT_NE(LiteralRuleOf(a.run), nullptr);
      EXPECT_EQ(b.run, LiteralRuleOf(a.run));
      EXPECT_STREQ(a.message, b.message);
      EXPECT_EQ(a.announce, b.announce);
      EXPECT_EQ(a.debug, b.debug);
      EXPECT_EQ(a.condition, b.condition);
    }
  }
}

}  // namespace
}  // namespace kelvane::reference
