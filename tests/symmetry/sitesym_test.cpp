// Site symmetry: the operators fixing an atom, its point group and symmetry directions, on small structures.
#include "symmetry/sitesym.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "../support.h"
#include "driver/control.h"
#include "readers/shelx.h"
#include "util/format.h"

using namespace vorn;

namespace {

class SiteSymmetry : public test::InTempDir {
 protected:
  void read(const std::string& file) {
    std::filesystem::copy_file(test::data_path("sites/" + file), "s.res");
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\n");
    test::open_reader_outputs(run, ".", con);
    init(run);
    readinp(run);
    readshelx(run, run.set.fname[0]);
  }
  int atom(const std::string& label) const {
    for (int i = 1; i <= run.atoms.ia; ++i)
      if (fmt::trim(run.atoms.atom[i]) == label) return i;
    return 0;
  }
  vorn::Run run;
  std::ostringstream con;
};

}  // namespace

TEST_F(SiteSymmetry, PointGroupOfEachTestSite) {
  struct Row {
    const char* file;
    const char* atom;
    const char* group;
    int order;
  };
  const Row rows[] = {
      {"nacl.res", "CL(1)", "m-3m", 48},           {"nacl.res", "NA(1)", "m-3m", 48},
      {"chloromethane_p3.res", "C(1)", "3", 3},    {"chloromethane_p3.res", "CL(1)", "3", 3},
      {"chloromethane_p3.res", "H(1)", "1", 1},    {"water_mirror_pm.res", "O(1)", "m", 2},
      {"water_mirror_pm.res", "CL(1)", "m", 2},    {"co2_inversion.res", "C(1)", "-1", 2},
      {"co2_inversion.res", "O(1)", "1", 1},
  };
  std::string last;
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.file) + " " + r.atom);
    if (r.file != last) {
      run = vorn::Run();
      std::filesystem::remove("s.res");
      read(r.file);
      last = r.file;
    }
    const int k = atom(r.atom);
    ASSERT_GT(k, 0);
    const SiteSym s = site_symmetry(run, run.atoms.xf[k]);
    EXPECT_EQ(s.name, r.group);
    EXPECT_EQ(s.order(), r.order);
    EXPECT_EQ(s.ops.front(), 1);
  }
}

TEST_F(SiteSymmetry, CubicSiteHasItsAxesAndCentre) {
  read("nacl.res");
  const SiteSym s = site_symmetry(run, run.atoms.xf[atom("NA(1)")]);
  EXPECT_TRUE(s.inversion);
  int fourfold = 0, threefold = 0, twofold = 0;
  for (const SiteAxis& a : s.axes) {
    const std::string t = axis_text(a);
    fourfold += t == "4/m";
    threefold += t == "-3";
    twofold += t == "2/m";
    EXPECT_NEAR(a.dir[0] * a.dir[0] + a.dir[1] * a.dir[1] + a.dir[2] * a.dir[2], 1.0, 1e-9);
  }
  EXPECT_EQ(fourfold, 3);
  EXPECT_EQ(threefold, 4);
  EXPECT_EQ(twofold, 6);
  EXPECT_EQ(static_cast<int>(s.axes.size()), 13);
}

TEST_F(SiteSymmetry, ThreefoldAxisOfTheHexagonalCellIsCartesianZ) {
  read("chloromethane_p3.res");
  const SiteSym s = site_symmetry(run, run.atoms.xf[atom("CL(1)")]);
  ASSERT_EQ(s.axes.size(), 1u);
  EXPECT_EQ(s.axes[0].n, 3);
  EXPECT_NEAR(std::fabs(s.axes[0].dir[2]), 1.0, 1e-6);
  // an atom 0.02 A off the axis is on a general position; 0.005 A off is still on it
  for (const auto& [shift, order] : {std::pair{0.02f, 1}, std::pair{0.005f, 3}}) {
    Vec3 x = run.atoms.xf[atom("CL(1)")];
    x[0] += shift / run.ucell.uc[0];
    EXPECT_EQ(site_symmetry(run, x).order(), order) << shift;
  }
}

TEST(SiteOps, KindOfEachRotation) {
  struct Row {
    DMat3 m;
    int det, n;
    DVec3 axis;
  };
  const double c = std::sqrt(1.0 / 3.0);
  const Row rows[] = {
      {{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, 1, 1, {0, 0, 0}},
      {{{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}, -1, 1, {0, 0, 0}},
      {{{{1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}, -1, 2, {0, 0, 1}},    // mirror normal to z
      {{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}, 1, 2, {0, 1, 0}},    // twofold along y
      {{{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}}, 1, 4, {0, 0, 1}},     // fourfold along z
      {{{{0, 1, 0}, {-1, 0, 0}, {0, 0, -1}}}, -1, 4, {0, 0, 1}},   // -4 along z
      {{{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}}, 1, 3, {c, c, c}},      // threefold along [111]
      {{{{0, 1, 0}, {1, 0, 0}, {0, 0, 1}}}, -1, 2, {std::sqrt(0.5), -std::sqrt(0.5), 0}},  // mirror x = y
  };
  for (const Row& r : rows) {
    const OpKind k = op_kind(r.m);
    EXPECT_EQ(k.det, r.det);
    EXPECT_EQ(k.n, r.n);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(k.axis[i], r.axis[i], 1e-9) << r.n;
  }
}

TEST(SiteOps, EveryPointGroupIsToldApart) {
  const char* names[] = {"1",   "-1",   "2",  "m",   "2/m",   "222", "mm2", "mmm", "4",   "-4",  "4/m",
                         "422", "4mm", "-42m", "4/mmm", "3",   "-3",  "32",  "3m",  "-3m", "6",   "-6",
                         "6/m", "622", "6mm", "-6m2", "6/mmm", "23",  "m-3", "432", "-43m", "m-3m"};
  const int orders[] = {1, 2, 2, 2, 4, 4, 4, 8, 4, 4, 8, 8, 8, 8, 16, 3, 6, 6, 6, 12, 6, 6, 12, 12, 12, 12, 24,
                        12, 24, 24, 24, 48};
  for (size_t i = 0; i < std::size(names); ++i) {
    const auto g = point_group(names[i]);
    EXPECT_EQ(static_cast<int>(g.size()), orders[i]) << names[i];
    EXPECT_EQ(point_group_name(g), names[i]);
  }
  // a set that is no crystallographic group (a fivefold) has no name
  const double t = 2 * 3.14159265358979 / 5;
  EXPECT_EQ(point_group_name({{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
                              {{{std::cos(t), -std::sin(t), 0}, {std::sin(t), std::cos(t), 0}, {0, 0, 1}}}}),
            "?");
}
