// Neighbour ranking for the axis rules and its neighbour and angle log lines.
#include "localaxes/ranking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "../support.h"
#include "../topology/neighbor_fixtures.h"
#include "topology/neighbors.h"
#include "util/err.h"

using namespace vorn;
using vorn::test::put;

TEST(Ranking, SortNeiHeaviestElementFirst) {
  vorn::Run run;
  put(run, 6, {0, 0, 0}, "C1");
  put(run, 1, {0, 1.0f, 0}, "H1");
  put(run, 8, {1.3f, 0, 0}, "O1");
  put(run, 1, {0, -0.6f, -0.8f}, "H2");
  put(run, 7, {-0.7f, 0.3f, 1.2f}, "N1");
  findallneighbors(run);
  EXPECT_EQ(sortnei(run, 1), (std::vector<int>{3, 5, 2, 4}));
}

TEST(Ranking, SortNeiInconsistentRecordStops) {
  vorn::Run run;
  vorn::test::ranked_carbon(run);
  findallneighbors(run);
  run.neighbors.nnei[1] = 5;
  try {
    sortnei(run, 1);
    FAIL();
  } catch (const Fatal& f) {
    EXPECT_EQ(f.where, "SortNei");
    EXPECT_EQ(f.message, "l.ne.nnei(k)");
  }
}

TEST(Ranking, CollectNeiAppendsTheAtomItself) {
  vorn::Run run;
  vorn::test::ranked_carbon(run);
  findallneighbors(run);
  std::array<int, 100> id;
  id.fill(77);
  EXPECT_EQ(collectnei(run, 1, id), 5);
  EXPECT_EQ((std::vector<int>(id.begin(), id.begin() + 6)), (std::vector<int>{2, 3, 4, 5, 1, 0}));
  EXPECT_EQ(id[99], 0);
  EXPECT_EQ(collectnei(run, 2, id), 2);
  EXPECT_EQ(id[0], 1);
  EXPECT_EQ(id[1], 2);
  EXPECT_EQ(id[2], 0);
}

TEST(Ranking, PrtAngAndPrtAtomNeiFormats) {
  vorn::Run run;
  vorn::test::ranked_carbon(run);
  findallneighbors(run);
  std::ostringstream a;
  prtang(run, a, 2, 1, 3, 107.256f);
  EXPECT_EQ(a.str(), "\n Angle   H0 - C0 - C1 =   107.26 deg.\n");
  std::ostringstream t;
  prtatomnei(run, 1, t);
  EXPECT_EQ(t.str(),
            "\n Covalently-bonded neighbors to C0 =    4\n\n"
            "     i       n     r(Ang)    atom       occ\n"
            "     1       2      1.000    H0         1.0000\n"
            "     2       3      1.350    C1         1.0000\n"
            "     3       4      1.380    C2         1.0000\n"
            "     4       5      1.400    C3         1.0000\n");
  run.set.iverbose = 2;
  std::ostringstream v;
  prtatomnei(run, 1, v);
  EXPECT_NE(v.str().find("\n    There is(are)    2 atom type(s) among neighbors\n\n    Type =    1\n"
                         "      atomic number =    1\n      neighbors of this type =    1\n"
                         "      atoms : H0      \n\n    Type =    2\n      atomic number =    6\n"
                         "      neighbors of this type =    3\n      atoms : C2       C3       C1      \n"),
            std::string::npos)
      << v.str();
}
