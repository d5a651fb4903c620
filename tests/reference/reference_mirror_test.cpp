// The reference pipeline keeps step with the engine's: the same stages and
// rows, with the same messages and flags, so the two can never drift apart.

#include <gtest/gtest.h>

#include "engine/process_code.h"
#include "tests/reference/reference_stages.h"
#include "tests/support/text_diff.h"

namespace kelvane::reference {
namespace {

TEST(ReferenceMirrorTest, RowsMatchTheEngineRowForRow) {
  std::span<const Stage> engine = ProcessStages();
  std::span<const Stage> reference = ReferenceStages();
  ASSERT_EQ(engine.size(), reference.size());
  for (size_t s = 0; s < engine.size(); ++s) {
    SCOPED_TRACE(testing::Escape(engine[s].message));
    EXPECT_STREQ(engine[s].message, reference[s].message);
    ASSERT_EQ(engine[s].passes.size(), reference[s].passes.size());
    for (size_t r = 0; r < engine[s].passes.size(); ++r) {
      const PassRow& a = engine[s].passes[r];
      const PassRow& b = reference[s].passes[r];
      SCOPED_TRACE("row " + std::to_string(r) + " " + testing::Escape(b.message));
      EXPECT_STREQ(a.message, b.message);
      EXPECT_EQ(a.announce, b.announce);
      EXPECT_EQ(a.debug, b.debug);
      EXPECT_EQ(a.condition, b.condition);
    }
  }
}

}  // namespace
}  // namespace kelvane::reference
