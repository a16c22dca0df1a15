// The cell list under preferred edges and reaches that overflow: every atom is still found, and no index arithmetic overflows.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "topology/cellgrid.h"

using namespace vorn;

TEST(CellGridLimits, HugeOrInfiniteEdgesAndReachesGatherEveryAtom) {
  const float inf = std::numeric_limits<float>::infinity();
  // atoms 1..4 spread over 30 A (slot 0 unused)
  const std::vector<Vec3> xc = {Vec3{}, Vec3{0, 0, 0}, Vec3{30, 0, 0}, Vec3{0, 30, 0}, Vec3{0, 0, 30}};
  struct Row {
    const char* what;
    float cell, r;
    std::vector<int> expect;
  };
  const Row rows[] = {
      {"edge 2e38, reach 4e38 (a sum of radii past single precision)", 2e38f, inf, {1, 2, 3, 4}},
      {"infinite edge, small reach", inf, 1.0f, {1, 2, 3, 4}},  // one cell holds the whole box
      {"infinite edge, infinite reach (inf / inf)", inf, inf, {1, 2, 3, 4}},
      {"normal edge, infinite reach", 4.0f, inf, {1, 2, 3, 4}},
      {"normal edge, reach 3e38", 4.0f, 3e38f, {1, 2, 3, 4}},
      {"normal edge, small reach", 4.0f, 1.0f, {1}},
      {"normal edge, NaN reach takes only the margin", 4.0f, std::numeric_limits<float>::quiet_NaN(), {1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    CellGrid g(xc, 4, row.cell);
    ASSERT_TRUE(g.usable());
    std::vector<int> out;
    g.gather(Vec3{0, 0, 0}, row.r, out);
    EXPECT_EQ(out, row.expect);
  }
}
