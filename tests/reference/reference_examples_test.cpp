// The reference against the worked examples of the formatting rules.

#include <gtest/gtest.h>

namespace kelvane::reference {
namespace {

TEST(ReferenceExamplesTest, Placeholder) {}

}  // namespace
}  // namespace kelvane::reference
