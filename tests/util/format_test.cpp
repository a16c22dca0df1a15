// Fixed-column fields.
#include <gtest/gtest.h>

#include "util/format.h"

using namespace vorn;

TEST(Format, Placeholder) { EXPECT_EQ(fmt::i(5, 3), "  5"); }
