// Environment searches around one atom: order, limits, grouping by element and log tables.
#include "topology/environment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "../support.h"
#include "../topology/neighbor_fixtures.h"
#include "util/err.h"
#include "util/geometry.h"

using namespace vorn;
using vorn::test::put;

// Tests that write the log run in a scratch directory.
class EnvironmentFiles : public vorn::test::InTempDir {};

TEST(Environment, GetNeiSortsByDistanceWithAtomNumberOnTies) {
  vorn::Run run;
  put(run, 6, {0, 0, 0}, "C1");
  put(run, 8, {0, 0, 1.3f}, "O1");
  put(run, 1, {0, 1.0f, 0}, "H1");
  put(run, 1, {1.0f, 0, 0}, "H2");   // same distance as H1
  put(run, 7, {-1.2f, 0, 0}, "N1", 0.5f, -1);
  const Neig g = getnei(run, 1, 0.0f);
  EXPECT_TRUE(g.ldis);
  ASSERT_EQ(g.inei, 4);
  EXPECT_EQ(g.iatn, (std::vector<int>{0, 3, 4, 5, 2}));
  EXPECT_FLOAT_EQ(g.rnd[4], 1.3f);
  EXPECT_FALSE(getnei(run, 2, 0.0f).ldis);
}

TEST(Environment, RadiusSearchIgnoresBondingButKeepsTheLimits) {
  vorn::Run run;
  put(run, 6, {0, 0, 0}, "C1");
  put(run, 6, {3.0f, 0, 0}, "C2");
  put(run, 6, {0, 0.4f, 0}, "C3");            // too close
  put(run, 6, {0, 0, 3.5f}, "C4", 0.4f, -1);  // disordered, centre is ordered: seen
  EXPECT_EQ(getnei(run, 1, 3.5f).iatn, (std::vector<int>{0, 2, 4}));
  EXPECT_EQ(getnei(run, 1, 3.49f).iatn, (std::vector<int>{0, 2}));
}

// The cell list hands the search only the atoms within its reach: atoms at exactly each
// cut-off, and one float step past it, are found as the scan over all atoms finds them.
TEST(Environment, GridSearchKeepsTheAtomsAtTheCutOffs) {
  vorn::Run run;
  put(run, 6, {0, 0, 0}, "C0");
  // Br has the largest radius, so the reach exceeds the other elements' cut-offs
  for (int z : {1, 6, 8, 35}) {
    const float cut = run.set.tol1 + run.set.covrad[6] + run.set.covrad[z];
    const float at[3] = {cut, std::nextafter(cut, 0.0f), std::nextafter(cut, 100.0f)};
    for (int a = 0; a < 3; ++a)
      for (const float sign : {1.0f, -1.0f}) {
        Vec3 x{0, 0, 0};
        x[a] = sign * at[a];
        put(run, z, x, "X");
      }
  }
  put(run, 6, {-3.5f, 0, 0}, "R");
  put(run, 6, {0, -std::nextafter(3.5f, 100.0f), 0}, "S");
  const NeighborGrid grid = make_neighbor_grid(run);
  const struct {
    float rmax;
    int found;
  } rows[] = {{0.0f, 16}, {3.5f, 25}, {std::nextafter(3.5f, 0.0f), 24}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.rmax);
    const Neig all = getnei(run, 1, row.rmax), cells = getnei(run, 1, row.rmax, &grid);
    EXPECT_EQ(all.inei, row.found);
    EXPECT_EQ(cells.iatn, all.iatn);
    EXPECT_EQ(cells.rnd, all.rnd);
  }
}

TEST(Environment, FindNeiGroupsTypesAscendingMembersByDistance) {
  vorn::Run run;
  put(run, 6, {0, 0, 0}, "C1");
  put(run, 1, {0, 1.05f, 0}, "H1");
  put(run, 8, {1.25f, 0, 0}, "O1");
  put(run, 1, {0, 0, 1.0f}, "H2");
  put(run, 7, {-1.3f, 0, 0}, "N1");
  const Neig g = findnei(run, 1, 0.0f, false);
  ASSERT_EQ(g.ity, 3);
  EXPECT_EQ(g.natnum, (std::vector<int>{0, 1, 7, 8}));
  EXPECT_EQ(g.ndt, (std::vector<int>{0, 2, 1, 1}));
  EXPECT_EQ(g.ndtnum[1], (std::vector<int>{0, 4, 2}));  // H2 is nearer than H1
  EXPECT_EQ(g.ndtnum[2], (std::vector<int>{0, 5}));
  EXPECT_EQ(g.ndtnum[3], (std::vector<int>{0, 3}));
  const Neig n1 = findnei(run, 5, 0.0f, false);
  EXPECT_EQ(n1.ity, 1);
  EXPECT_EQ(n1.ndtnum.size(), 2u);
}

TEST_F(EnvironmentFiles, FindNeiLogTables) {
  vorn::Run run;
  run.nout.open("vorn.out");
  run.set.iverbose = 2;
  put(run, 6, {0, 0, 0}, "C1");
  for (int m = 0; m < 7; ++m)
    put(run, 1, {std::cos(0.9f * m) * 1.1f, std::sin(0.9f * m) * 1.1f, 0.01f * m}, "H" + std::to_string(m + 1),
        m == 0 ? 0.5f : 1.0f, m == 0 ? -1 : 0);
  put(run, 8, {0, 0, 1.2f}, "O1");
  findnei(run, 1, 0.0f, true);
  findnei(run, 9, 2.5f, true);
  run.set.iverbose = 1;
  findnei(run, 9, 0.0f, true);
  findnei(run, 1, 0.0f, false);
  run.nout.close();
  const auto lines = vorn::test::lines_of(vorn::test::slurp("vorn.out"));
  ASSERT_GT(lines.size(), 30u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], " Covalently-bonded neighbors to C1 =    8");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], "     i       n     r(Ang)    atom       occ");
  EXPECT_EQ(lines[4], "     1       2      1.100    H1         0.5000");
  EXPECT_EQ(lines[11], "     8       9      1.200    O1         1.0000");
  EXPECT_EQ(lines[12], "");
  EXPECT_EQ(lines[13], "    Note : at least 1 neighbor is disordered");
  EXPECT_EQ(lines[15], "    There is(are)    2 atom type(s) among neighbors");
  EXPECT_EQ(lines[17], "    Type =    1");
  EXPECT_EQ(lines[18], "      atomic number =    1");
  EXPECT_EQ(lines[19], "      neighbors of this type =    7");
  // six labels a line, the rest on a continuation line indented to the first label
  EXPECT_EQ(lines[20], "      atoms : H1       H2       H3       H4       H5       H6      ");
  EXPECT_EQ(lines[21], "              H7      ");
  EXPECT_EQ(lines[23], "    Type =    2");
  EXPECT_EQ(lines[26], "      atoms : O1      ");
  EXPECT_EQ(lines[28], " Neighbors of O1       within   2.500 Ang =    8");
  // at verbosity 1 the type block is left out; with the printout off nothing is written
  const std::string all = vorn::test::slurp("vorn.out");
  size_t n = 0;
  for (size_t p = all.find("There is(are)"); p != std::string::npos; p = all.find("There is(are)", p + 1)) ++n;
  EXPECT_EQ(n, 2u);
  size_t c = 0;
  for (size_t p = all.find("Covalently-bonded"); p != std::string::npos; p = all.find("Covalently-bonded", p + 1)) ++c;
  EXPECT_EQ(c, 2u);
}

// The list grows with the structure: 1330 atoms within 20 A are all listed, nearest first.
TEST_F(EnvironmentFiles, LargeEnvironmentIsListed) {
  vorn::Run run;
  for (int x = 0; x < 11; ++x)
    for (int y = 0; y < 11; ++y)
      for (int z = 0; z < 11; ++z) put(run, 6, {1.0f * x, 1.0f * y, 1.0f * z}, "C");
  const vorn::Neig g = getnei(run, 1, 20.0f);
  EXPECT_EQ(g.inei, 1330);
  for (int n = 2; n <= g.inei; ++n) ASSERT_LE(g.rnd[n - 1], g.rnd[n]);
}

TEST(Environment, CalcAngInDegrees) {
  EXPECT_NEAR(calcang({1, 0, 0}, {0, 0, 0}, {0, 2, 0}), 90.0f, 1e-4);
  EXPECT_NEAR(calcang({2, 1, 1}, {1, 1, 1}, {1, 1, 5}), 90.0f, 1e-4);  // at point 2
  EXPECT_NEAR(calcang({1, 1, 1}, {0, 0, 0}, {-1, -1, 1}), 109.47122f, 1e-3);
  EXPECT_NEAR(calcang({1, 0, 0}, {0, 0, 0}, {1, 1, 0}), 45.0f, 1e-4);
  const float straight = calcang({0.1f, 0.3f, 0.7f}, {0, 0, 0}, {-0.1f, -0.3f, -0.7f});
  EXPECT_FALSE(std::isnan(straight));
  EXPECT_NEAR(straight, 180.0f, 0.05f);
}

