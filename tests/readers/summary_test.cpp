// Structure summary: occupancy classes on special and general positions, type list, atom table.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "../support.h"
#include "readers/summary.h"

using namespace vorn;

namespace {

// A 10 x 10 x 10 A orthogonal cell with the identity and a twofold axis along b (-x, y, -z).
Run twofold_run() {
  vorn::Run run;
  run.transf.rm = Mat3{{{10, 0, 0}, {0, 10, 0}, {0, 0, 10}}};
  run.transf.rm1 = Mat3{{{0.1f, 0, 0}, {0, 0.1f, 0}, {0, 0, 0.1f}}};
  run.symm.ns = 2;
  run.symm.fs.assign(3, unit_matrix());
  run.symm.ts.assign(3, Vec3{});
  run.symm.fs[2][0][0] = -1;
  run.symm.fs[2][2][2] = -1;
  return run;
}

void put(Run& run, const std::string& label, Vec3 xf, float occ) {
  const int i = add_atom(run, "Test");
  run.atoms.ia = i;
  run.atoms.atom[i] = label;
  run.atoms.xf[i] = xf;
  run.atoms.xc[i] = {xf[0] * 10, xf[1] * 10, xf[2] * 10};
  run.atoms1.occ[i] = occ;
}

}  // namespace

TEST(SummaryCheckocc, SpecialGeneralAndFullOccupancy) {
  vorn::Run run = twofold_run();
  put(run, "O(1)    ", {0.0f, 0.3f, 0.5f}, 0.5f);   // on the axis at z = 1/2 (needs a cell shift)
  put(run, "O(2)    ", {0.1f, 0.3f, 0.2f}, 0.5f);   // general
  put(run, "O(3)    ", {0.0f, 0.3f, 0.0f}, 1.0f);   // on the axis, full occupancy
  put(run, "O(4)    ", {1.0f, 0.3f, -1.0f}, 0.5f);  // on the axis two cells away
  put(run, "O(5)    ", {1.5f, 0.3f, 0.0f}, 0.5f);   // its image needs three cells
  checkocc(run);
  EXPECT_EQ(run.atoms1.iaf[1], 1);
  EXPECT_EQ(run.atoms1.iaf[2], -1);
  EXPECT_EQ(run.atoms1.iaf[3], 0);
  EXPECT_EQ(run.atoms1.iaf[4], 1);
  EXPECT_EQ(run.atoms1.iaf[5], -1);
}

TEST(SummaryCheckocc, NoOperatorsMeansDisorderedAndIdentityAloneNeverCoincides) {
  vorn::Run run = twofold_run();
  put(run, "C(1)    ", {0.0f, 0.0f, 0.0f}, 0.5f);
  run.symm.ns = 0;
  checkocc(run);
  EXPECT_EQ(run.atoms1.iaf[1], -1);
  run.symm.ns = 1;  // identity only: its cell translations are 10 A away
  checkocc(run);
  EXPECT_EQ(run.atoms1.iaf[1], -1);
  run.symm.ns = 2;
  checkocc(run);
  EXPECT_EQ(run.atoms1.iaf[1], 1);
}

TEST(SummaryCheckocc, ImageJustInsideAndOutsideTheTolerance) {
  vorn::Run run = twofold_run();
  put(run, "N(1)    ", {0.00004f, 0.3f, 0.0f}, 0.5f);  // image 0.0008 A away
  put(run, "N(2)    ", {0.0001f, 0.3f, 0.0f}, 0.5f);   // image 0.002 A away
  checkocc(run);
  EXPECT_EQ(run.atoms1.iaf[1], 1);
  EXPECT_EQ(run.atoms1.iaf[2], -1);
}

TEST(SummaryPrint, AtomTableAndClassCounts) {
  vorn::Run run = twofold_run();
  put(run, "O(1)    ", {0.0f, 0.3f, 0.5f}, 0.5f);
  put(run, "O(2)    ", {0.1f, 0.3f, 0.2f}, 0.5f);
  put(run, "C(12)   ", {-0.12345f, 0.3f, 0.0f}, 1.0f);
  checkocc(run);
  std::ostringstream out;
  printatoms(run, out);
  const std::vector<std::string> expect = {
      "",
      "         ATOM      ------- FRACTIONAL -------    ------- CARTESIAN -------  FLAG",
      "      1  O(1)       0.00000  0.30000  0.50000     0.0000   3.0000   5.0000     1",
      "      2  O(2)       0.10000  0.30000  0.20000     1.0000   3.0000   2.0000    -1",
      "      3  C(12)     -0.12345  0.30000  0.00000    -1.2345   3.0000   0.0000     0",
      "",
      " FLAG =  0 : normal atoms (     1 )",
      "      =  1 : atoms in special positions (     1 ) ",
      "      = -1 : disordered atoms (     1 ) "};
  EXPECT_EQ(test::lines_of(out.str()), expect);
}

class SummaryLog : public test::InTempDir {};

TEST_F(SummaryLog, ElementTypesOnTheLog) {
  vorn::Run run;
  run.at_types.ntyp = 3;
  run.at_types.iatype = {0, 6, 17, 1};
  run.nout.open("vorn.out");
  prattyp(run);
  run.nout.close();
  const std::vector<std::string> expect = {"",
                                           " Number of atom types =    3",
                                           "   atom type = C     atomic number =   6",
                                           "   atom type = Cl    atomic number =  17",
                                           "   atom type = H     atomic number =   1"};
  EXPECT_EQ(test::lines_of(test::slurp("vorn.out")), expect);
}

// Clusters of up to four atoms within the tolerance of each other, straddling bin edges, some in
// two disorder parts, in a flat layer: the sweep names the same twins as the binned scan.
TEST_F(SummaryLog, SamePositionSweepNamesTheTwinsOfTheBinnedScan) {
  auto run_with = [](void (*method)(vorn::Run&)) {
    vorn::Run run;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (int c = 0; c < 400; ++c) {
      const Vec3 centre{0.0f, std::floor(u(rng) * 2000) * kSamePosition, std::floor(u(rng) * 2000) * kSamePosition};
      const int members = 1 + c % 4;
      for (int m = 0; m < members; ++m) {
        const int i = add_atom(run, "Test");
        run.atoms.ia = i;
        run.atoms.atom[i] = "A" + std::to_string(i);
        run.atoms.xc[i] = {centre[0], centre[1] + (u(rng) - 0.5f) * 0.008f, centre[2] + (u(rng) - 0.5f) * 0.008f};
        run.atoms1.part[i] = c % 5 == 0 ? m % 2 + 1 : 0;
      }
    }
    run.atoms1.lpart = true;
    run.nout.open("vorn.out");
    method(run);
    run.nout.close();
    return test::slurp("vorn.out");
  };
  const std::string fast = run_with(warn_same_position), reference = run_with(warn_same_position_reference);
  EXPECT_GT(test::lines_of(reference).size(), 300u);
  EXPECT_EQ(fast, reference);
}
