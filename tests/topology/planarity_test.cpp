// Least-squares planes: eigen solver on known matrices, tolerance edge, modes, log, ring membership.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "../support.h"
#include "neighbor_fixtures.h"
#include "topology/eigen.h"
#include "topology/planarity.h"
#include "util/err.h"

using vorn::Fatal;
using vorn::SqMat;
using vorn::test::put;

namespace {

struct Eig {
  std::array<float, 3> d{};
  SqMat<3> z{};
  int ierr = 0;
};

Eig solve(const SqMat<3>& a) {
  Eig r;
  std::array<float, 3> e{};
  vorn::tred2<3>(a, r.d, e, r.z);
  r.ierr = vorn::tql2<3>(r.d, e, r.z);
  return r;
}

// |A v - lambda v| for column c, and the orthonormality defect of z.
float residual(const SqMat<3>& a, const Eig& r, int c) {
  float s = 0;
  for (int i = 0; i < 3; ++i) {
    float av = 0;
    for (int k = 0; k < 3; ++k) av += a[i][k] * r.z[k][c];
    s += (av - r.d[c] * r.z[i][c]) * (av - r.d[c] * r.z[i][c]);
  }
  return std::sqrt(s);
}

float orthodefect(const Eig& r) {
  float worst = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      float dot = 0;
      for (int k = 0; k < 3; ++k) dot += r.z[k][i] * r.z[k][j];
      worst = std::max(worst, std::fabs(dot - (i == j ? 1.0f : 0.0f)));
    }
  return worst;
}

std::array<int, 100> ids(int n, int first = 1) {
  std::array<int, 100> id{};
  for (int i = 0; i < n; ++i) id[i] = first + i;
  return id;
}

}  // namespace

TEST(Eigen, PythagIsExactOnTriplesAndSafeAtTheRangeEnds) {
  EXPECT_FLOAT_EQ(vorn::pythag(3.0f, 4.0f), 5.0f);
  EXPECT_FLOAT_EQ(vorn::pythag(-5.0f, 12.0f), 13.0f);
  EXPECT_EQ(vorn::pythag(0.0f, 0.0f), 0.0f);
  EXPECT_FLOAT_EQ(vorn::pythag(2e30f, 2e30f), 2e30f * std::sqrt(2.0f));    // a*a would overflow
  EXPECT_FLOAT_EQ(vorn::pythag(3e-30f, 4e-30f), 5e-30f);                  // a*a would underflow
}

TEST(Eigen, DiagonalMatrixGivesAscendingValuesWithUnitVectors) {
  const SqMat<3> a{{{3, 0, 0}, {0, 1, 0}, {0, 0, 2}}};
  const Eig r = solve(a);
  EXPECT_EQ(r.ierr, 0);
  EXPECT_FLOAT_EQ(r.d[0], 1.0f);
  EXPECT_FLOAT_EQ(r.d[1], 2.0f);
  EXPECT_FLOAT_EQ(r.d[2], 3.0f);
  EXPECT_FLOAT_EQ(std::fabs(r.z[1][0]), 1.0f);
  EXPECT_FLOAT_EQ(std::fabs(r.z[2][1]), 1.0f);
  EXPECT_FLOAT_EQ(std::fabs(r.z[0][2]), 1.0f);
}

TEST(Eigen, CoupledMatrixHasKnownValuesAndVectors) {
  const SqMat<3> a{{{2, 1, 0}, {1, 2, 0}, {0, 0, 5}}};
  const Eig r = solve(a);
  EXPECT_NEAR(r.d[0], 1.0f, 1e-5f);
  EXPECT_NEAR(r.d[1], 3.0f, 1e-5f);
  EXPECT_NEAR(r.d[2], 5.0f, 1e-5f);
  // eigenvector of 1 is (1,-1,0)/sqrt2 up to sign
  EXPECT_NEAR(std::fabs(r.z[0][0]), std::sqrt(0.5f), 1e-5f);
  EXPECT_NEAR(r.z[0][0], -r.z[1][0], 1e-5f);
  EXPECT_NEAR(r.z[2][0], 0.0f, 1e-6f);
  for (int c = 0; c < 3; ++c) EXPECT_LT(residual(a, r, c), 1e-5f) << c;
  EXPECT_LT(orthodefect(r), 1e-5f);
}

TEST(Eigen, RandomSymmetricMatricesAreDiagonalised) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> u(-10.0f, 10.0f);
  for (int t = 0; t < 200; ++t) {
    SqMat<3> a{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j <= i; ++j) a[i][j] = a[j][i] = u(gen);
    const Eig r = solve(a);
    ASSERT_EQ(r.ierr, 0);
    EXPECT_LE(r.d[0], r.d[1]);
    EXPECT_LE(r.d[1], r.d[2]);
    EXPECT_NEAR(r.d[0] + r.d[1] + r.d[2], a[0][0] + a[1][1] + a[2][2], 1e-3f);
    for (int c = 0; c < 3; ++c) EXPECT_LT(residual(a, r, c), 1e-3f) << t << " " << c;
    EXPECT_LT(orthodefect(r), 1e-5f);
  }
}

TEST(Eigen, RepeatedEigenvaluesStillGiveAnOrthonormalBasis) {
  const SqMat<3> a{{{2, 0, 0}, {0, 2, 0}, {0, 0, 2}}};
  const Eig r = solve(a);
  for (float v : r.d) EXPECT_FLOAT_EQ(v, 2.0f);
  EXPECT_LT(orthodefect(r), 1e-6f);
}

class Planarity : public vorn::test::InTempDir {
 protected:
  void SetUp() override {
    InTempDir::SetUp();
    run.console = &console;
    run.nout.open("vorn.out");
  }
  std::string log() {
    run.nout.flush();
    return vorn::test::slurp("vorn.out");
  }
  // Four atoms on a square of side sqrt2 with z alternating +-h: the rms deviation is 2h.
  void puckered_square(float h) {
    put(run, 6, {1, 0, h}, "C1");
    put(run, 6, {0, 1, -h}, "C2");
    put(run, 6, {-1, 0, h}, "C3");
    put(run, 6, {0, -1, -h}, "C4");
  }
  vorn::Run run;
  std::ostringstream console;
};

TEST_F(Planarity, FlatSquareIsPlanarInBothModes) {
  puckered_square(0.0f);
  for (int ipt : {2, 3}) {
    bool planar = false;
    const float sig = vorn::planarity(run, 0, planar, 4, ids(4), ipt);
    EXPECT_TRUE(planar);
    EXPECT_NEAR(sig, 0.0f, 1e-6f);
  }
}

TEST_F(Planarity, PuckeredSquareRmsIsTwiceThePucker) {
  puckered_square(0.2f);
  bool planar = true;
  EXPECT_NEAR(vorn::planarity(run, 0, planar, 4, ids(4), 2), 0.4f, 1e-5f);
  EXPECT_FALSE(planar);
}

TEST_F(Planarity, DeviationEqualToTheToleranceIsPlanarOneUlpBelowIsNot) {
  puckered_square(0.05f);
  bool planar = false;
  const float sig = vorn::planarity(run, 0, planar, 4, ids(4), 2);
  ASSERT_GT(sig, 0.09f);
  run.set.tol2 = sig;
  vorn::planarity(run, 0, planar, 4, ids(4), 2);
  EXPECT_TRUE(planar) << "equal to the tolerance counts as planar";
  run.set.tol2 = std::nextafter(sig, 0.0f);
  vorn::planarity(run, 0, planar, 4, ids(4), 2);
  EXPECT_FALSE(planar);
}

TEST_F(Planarity, OnlyRingModeUsesTheRingTolerance) {
  puckered_square(0.05f);  // sigpln 0.1
  run.set.tol2 = 1.0f;
  run.set.tol3 = 0.01f;
  bool planar = false;
  vorn::planarity(run, 0, planar, 4, ids(4), 2);
  EXPECT_TRUE(planar);
  for (int ipt : {3, 0, 1, 7}) {
    planar = true;
    vorn::planarity(run, 0, planar, 4, ids(4), ipt);
    EXPECT_FALSE(planar) << ipt;
  }
}

TEST_F(Planarity, ThreeAtomsAreAlwaysPlanar) {
  put(run, 6, {0, 0, 0}, "C1");
  put(run, 6, {1.5f, 0.3f, 0.7f}, "C2");
  put(run, 8, {-0.4f, 1.2f, -0.9f}, "O1");
  run.set.tol2 = run.set.tol3 = 0.0f;
  for (int ipt : {2, 3}) {
    bool planar = false;
    EXPECT_EQ(vorn::planarity(run, 1, planar, 3, ids(3), ipt), 0.0f);
    EXPECT_TRUE(planar);
  }
}

TEST_F(Planarity, AtomCountOutsideTheTableStops) {
  puckered_square(0.0f);
  bool planar;
  EXPECT_THROW(vorn::planarity(run, 0, planar, 0, ids(4), 2), Fatal);
  EXPECT_THROW(vorn::planarity(run, 0, planar, 101, ids(4), 2), Fatal);
}

TEST_F(Planarity, PrintedTestHasItsHeaderVerdictAndDetail) {
  for (int i = 1; i <= 7; ++i) put(run, 6, {std::cos(i * 0.897f), std::sin(i * 0.897f), 0}, "C" + std::to_string(i));
  bool planar = false;
  vorn::planarity(run, 1, planar, 7, ids(7), 2);
  std::string out = log();
  EXPECT_NE(out.find("\n Planarity test for   7-atom ring : \n\n"
                     "  C1        C2        C3        C4        C5        C6      \n"
                     "  C7      \n"
                     "\n     Esd atoms from the plane (sigpln) =       0.0000 ( tol =   0.1000 )\n"
                     "\n     This ring is planar = .T.\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("P Q R S"), std::string::npos) << "plane detail only above verbosity 1";
  run.set.iverbose = 2;
  vorn::planarity(run, 1, planar, 7, ids(7), 3);
  out = log();
  EXPECT_NE(out.find("-atom group : "), std::string::npos);
  EXPECT_NE(out.find("\n     P Q R S =       0.0000      0.0000"), std::string::npos) << out;
  EXPECT_NE(out.find("       dist. from C1       to lsq plane =      0.000 Ang\n"), std::string::npos) << out;
}

TEST_F(Planarity, SilentUnlessAskedToPrint) {
  puckered_square(0.0f);
  bool planar = false;
  vorn::planarity(run, 2, planar, 4, ids(4), 2);
  EXPECT_EQ(log(), "");
}

TEST_F(Planarity, ChairCyclohexaneIsNotPlanar) {
  for (int k = 0; k < 6; ++k) {
    const float a = k * 3.14159265f / 3.0f;
    put(run, 6, {1.45f * std::cos(a), 1.45f * std::sin(a), k % 2 ? -0.25f : 0.25f}, "C" + std::to_string(k + 1));
  }
  bool planar = true;
  EXPECT_NEAR(vorn::planarity(run, 0, planar, 6, ids(6), 2), std::sqrt(6 * 0.0625f / 3), 1e-4f);
  EXPECT_FALSE(planar);
}

namespace {

void add_ring(vorn::Run& run, std::vector<int> m, bool planar) {
  auto& rg = run.rings;
  ++rg.nor;
  rg.noar.push_back(static_cast<int>(m.size()));
  rg.nra.push_back(std::move(m));
  rg.planar.push_back(planar);
  rg.ipldum.push_back(0);
}

struct Cyc {
  bool cyclic = true, plane = true, plane2 = true;
  int iring = -1, mem = -1;
};

Cyc cyc(const vorn::Run& run, int k) {
  Cyc c;
  vorn::isitcyclic(run, k, c.cyclic, c.plane, c.plane2, c.iring, c.mem);
  return c;
}

}  // namespace

TEST(PlanarityRings, MembershipCases) {
  vorn::Run run;
  add_ring(run, {1, 2, 3, 4, 5, 6}, true);     // 1
  add_ring(run, {1, 2, 7, 8, 9}, true);        // 2
  add_ring(run, {2, 10, 11, 12}, true);        // 3
  add_ring(run, {20, 21, 22, 23, 24}, false);  // 4
  add_ring(run, {20, 25, 26, 27}, true);       // 5
  add_ring(run, {30, 31, 32, 33}, false);      // 6
  add_ring(run, {30, 34, 35, 36, 37}, false);  // 7

  Cyc c = cyc(run, 99);  // in no ring: everything cleared
  EXPECT_FALSE(c.cyclic || c.plane || c.plane2);
  EXPECT_EQ(c.iring, 0);
  EXPECT_EQ(c.mem, 0);

  c = cyc(run, 3);  // one planar ring
  EXPECT_TRUE(c.cyclic && c.plane && !c.plane2);
  EXPECT_EQ(c.iring, 1);
  EXPECT_EQ(c.mem, 6);

  c = cyc(run, 1);  // two planar rings: the sums
  EXPECT_TRUE(c.cyclic && !c.plane && c.plane2);
  EXPECT_EQ(c.iring, 3);
  EXPECT_EQ(c.mem, 11);

  c = cyc(run, 2);  // three planar rings: only cyclic
  EXPECT_TRUE(c.cyclic && !c.plane && !c.plane2);
  EXPECT_EQ(c.iring, 0);
  EXPECT_EQ(c.mem, 0);

  c = cyc(run, 20);  // second ring planar only
  EXPECT_TRUE(c.cyclic && c.plane && !c.plane2);
  EXPECT_EQ(c.iring, 5);
  EXPECT_EQ(c.mem, 4);

  c = cyc(run, 30);  // two rings, neither planar
  EXPECT_TRUE(c.cyclic && !c.plane && !c.plane2);
  EXPECT_EQ(c.iring, 0);

  c = cyc(run, 21);  // one non-planar ring
  EXPECT_TRUE(c.cyclic && !c.plane && !c.plane2);
  EXPECT_EQ(c.mem, 0);
}

TEST(PlanarityRings, FirstRingPlanarSecondNot) {
  vorn::Run run;
  add_ring(run, {1, 2, 3, 4}, true);
  add_ring(run, {1, 5, 6, 7, 8}, false);
  const Cyc c = cyc(run, 1);
  EXPECT_TRUE(c.cyclic && c.plane && !c.plane2);
  EXPECT_EQ(c.iring, 1);
  EXPECT_EQ(c.mem, 4);
}
