// Dummy atoms: reuse distance, both coordinate conventions, labels and the table limits.
#include <gtest/gtest.h>

#include "localaxes/dummy.h"
#include "util/err.h"
#include "util/geometry.h"

using namespace vorn;

namespace {

// A monoclinic-like cell with an off-diagonal term, so fractional and Cartesian differ.
void skew_cell(vorn::Run& run) {
  run.transf.rm = Mat3{{{10, 0, -2}, {0, 20, 0}, {0, 0, 5}}};
  run.transf.rm1 = Mat3{{{0.1f, 0, 0.04f}, {0, 0.05f, 0}, {0, 0, 0.2f}}};
}

std::string fatal_of(auto&& f) {
  try {
    f();
  } catch (const Fatal& e) {
    return e.where + ": " + e.message;
  }
  return "";
}

void expect_vec(const Vec3& a, const Vec3& b, float tol = 1e-5f) {
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[k], b[k], tol) << "component " << k;
}

}  // namespace

TEST(Dummy, FractionalStorageFromCartesianPoint) {
  vorn::Run run;
  run.set.ifra = frac_stored;
  skew_cell(run);
  int idum = 0;
  Vec3 xc{};
  adddummyatom(run, PointIn::cartesian, {1.0f, 2.0f, 1.0f}, idum, xc);
  EXPECT_EQ(idum, 1);
  EXPECT_EQ(run.dummy.ndum, 1);
  EXPECT_EQ(run.dummy.dlab[1], "DUM1  ");
  expect_vec(xc, {1.0f, 2.0f, 1.0f});
  // stored fractional: rm1 * (1,2,1) = (0.14, 0.1, 0.2)
  expect_vec(run.dummy.xdum[1], {0.14f, 0.1f, 0.2f});
}

TEST(Dummy, FractionalStorageFromFractionalPoint) {
  vorn::Run run;
  run.set.ifra = frac_stored;
  skew_cell(run);
  int idum = 0;
  Vec3 xc{};
  adddummyatom(run, PointIn::stored, {0.5f, 0.25f, 0.5f}, idum, xc);
  EXPECT_EQ(idum, 1);
  expect_vec(run.dummy.xdum[1], {0.5f, 0.25f, 0.5f});
  expect_vec(xc, {4.0f, 5.0f, 2.5f});  // 10*0.5 - 2*0.5, 20*0.25, 5*0.5
}

TEST(Dummy, CartesianConventionUsesThePointAsGiven) {
  for (PointIn ifl : {PointIn::cartesian, PointIn::stored}) {
    vorn::Run run;
    run.set.ifra = cart_stored;
    skew_cell(run);  // must not be applied
    int idum = 0;
    Vec3 xc{};
    adddummyatom(run, ifl, {3.0f, -1.0f, 7.0f}, idum, xc);
    EXPECT_EQ(idum, 1);
    expect_vec(run.dummy.xdum[1], {3.0f, -1.0f, 7.0f});
    expect_vec(xc, {3.0f, -1.0f, 7.0f});
  }
}

TEST(Dummy, ReuseWithinTenthOfAngstromNotBeyond) {
  vorn::Run run;
  run.set.ifra = cart_stored;
  int idum = 0;
  Vec3 xc{};
  adddummyatom(run, PointIn::cartesian, {1.0f, 1.0f, 1.0f}, idum, xc);
  adddummyatom(run, PointIn::cartesian, {1.09f, 1.0f, 1.0f}, idum, xc);
  EXPECT_EQ(idum, 1);
  EXPECT_EQ(run.dummy.ndum, 1);
  expect_vec(xc, {1.0f, 1.0f, 1.0f});  // the existing dummy's position is returned
  adddummyatom(run, PointIn::cartesian, {1.0f, 1.0f, 1.11f}, idum, xc);
  EXPECT_EQ(idum, 2);
  EXPECT_EQ(run.dummy.ndum, 2);
  EXPECT_EQ(run.dummy.dlab[2], "DUM2  ");
  expect_vec(xc, {1.0f, 1.0f, 1.11f});
}

TEST(Dummy, ReuseComparesCartesianDistanceInFractionalStorage) {
  vorn::Run run;
  run.set.ifra = frac_stored;
  skew_cell(run);
  int idum = 0;
  Vec3 xc{};
  adddummyatom(run, PointIn::stored, {0, 0, 0}, idum, xc);  // the origin of one isolated atom
  // 0.008 in y is 0.16 A in Cartesian (b = 20): a new dummy although tiny in fractions
  adddummyatom(run, PointIn::stored, {0, 0.008f, 0}, idum, xc);
  EXPECT_EQ(idum, 2);
  // a Cartesian midpoint 0.05 A from the origin reuses dummy 1
  adddummyatom(run, PointIn::cartesian, {0.05f, 0, 0}, idum, xc);
  EXPECT_EQ(idum, 1);
  expect_vec(xc, {0, 0, 0});
  // and the origin again, given fractionally, is still dummy 1
  adddummyatom(run, PointIn::stored, {0, 0, 0}, idum, xc);
  EXPECT_EQ(idum, 1);
  EXPECT_EQ(run.dummy.ndum, 2);
}

TEST(Dummy, ReuseTakesTheFirstCloseDummy) {
  vorn::Run run;
  run.set.ifra = cart_stored;
  int idum = 0;
  Vec3 xc{};
  adddummyatom(run, PointIn::cartesian, {0, 0, 0}, idum, xc);
  adddummyatom(run, PointIn::cartesian, {0.15f, 0, 0}, idum, xc);
  ASSERT_EQ(idum, 2);
  adddummyatom(run, PointIn::cartesian, {0.08f, 0, 0}, idum, xc);  // within 0.1 of both
  EXPECT_EQ(idum, 1);
}

TEST(Dummy, LabelsRunFromOneToThreeDigits) {
  vorn::Run run;
  for (int i = 1; i <= 999; ++i) dummylab(run, i);
  EXPECT_EQ(run.dummy.dlab[1], "DUM1  ");
  EXPECT_EQ(run.dummy.dlab[7], "DUM7  ");
  EXPECT_EQ(run.dummy.dlab[9], "DUM9  ");
  EXPECT_EQ(run.dummy.dlab[10], "DUM10 ");
  EXPECT_EQ(run.dummy.dlab[12], "DUM12 ");
  EXPECT_EQ(run.dummy.dlab[99], "DUM99 ");
  EXPECT_EQ(run.dummy.dlab[100], "DUM100");
  EXPECT_EQ(run.dummy.dlab[345], "DUM345");
  EXPECT_EQ(run.dummy.dlab[999], "DUM999");
  for (int i = 1; i <= 999; ++i) EXPECT_EQ(run.dummy.dlab[i].size(), 6u);
}

TEST(Dummy, LabelsGrowToFiveDigitsThenStop) {
  vorn::Run run;
  dummylab(run, 1000);
  dummylab(run, 99999);
  EXPECT_EQ(run.dummy.dlab[1000], "DUM1000");
  EXPECT_EQ(run.dummy.dlab[99999], "DUM99999");
  EXPECT_EQ(fatal_of([&] { dummylab(run, 100000); }), "DummyLab: DUMMY label exceeds format...");
}

// A full table (DUM99999) still serves points near its dummies; the next new point stops the
// run with the table unchanged. The table is filled directly, so reuse indexes it on demand.
TEST(Dummy, FullTableReusesThenStops) {
  vorn::Run run;
  run.set.ifra = cart_stored;
  run.dummy.ndum = maxdumlab;
  run.dummy.dlab.assign(maxdumlab + 1, "DUMx  ");
  run.dummy.xdum.assign(maxdumlab + 1, Vec3{});
  for (int i = 1; i <= maxdumlab; ++i) run.dummy.xdum[i] = {0.15f * i, 0, 0};
  int idum = 0;
  Vec3 xc{};
  // the lowest-numbered dummy within 0.1 A wins, here 500 before 501
  adddummyatom(run, PointIn::cartesian, {0.15f * 500 + 0.05f, 0, 0}, idum, xc);
  EXPECT_EQ(idum, 500);
  adddummyatom(run, PointIn::cartesian, {0.15f * 500 + 0.075f, 0, 0}, idum, xc);
  EXPECT_EQ(idum, 500);
  EXPECT_EQ(fatal_of([&] { adddummyatom(run, PointIn::cartesian, {-5, 0, 0}, idum, xc); }),
            "DummyLab: DUMMY label exceeds format...");
  EXPECT_EQ(run.dummy.ndum, maxdumlab);
  // a new local-axes pass starts the table again
  run.dummy.ndum = 0;
  adddummyatom(run, PointIn::cartesian, {0.15f * 500, 0, 0}, idum, xc);
  EXPECT_EQ(idum, 1);
}

TEST(Dummy, AppendStoresAsGivenAndLabels) {
  vorn::Run run;
  run.dummy.ndum = 11;
  run.dummy.dlab.assign(12, "      ");
  run.dummy.xdum.assign(12, Vec3{});
  EXPECT_EQ(appenddummy(run, {0.1f, 0.2f, 0.3f}), 12);
  EXPECT_EQ(run.dummy.dlab[12], "DUM12 ");
  expect_vec(run.dummy.xdum[12], {0.1f, 0.2f, 0.3f});
}
