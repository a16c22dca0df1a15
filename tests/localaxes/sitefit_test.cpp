// The compatibility rule: a label fits a site when every multipole it refines is invariant under the site group.
#include "localaxes/sitefit.h"

#include <gtest/gtest.h>

#include <cmath>

#include "localaxes/sitelabel.h"
#include "symmetry/sitesym.h"

using namespace vorn;

namespace {

const LocalFrame kId{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const LocalFrame kZalongX{{0, 1, 0}, {0, 0, 1}, {1, 0, 0}};   // local Z along Cartesian x
const LocalFrame kTurned90{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};  // turned 90 degrees about z
const double kH = std::sqrt(0.5);
const LocalFrame kTurned45{{kH, kH, 0}, {-kH, kH, 0}, {0, 0, 1}};  // turned 45 degrees about z

}  // namespace

TEST(SiteFitRule, LabelAgainstSiteGroup) {
  struct Row {
    const char* label;
    const char* site;
    const LocalFrame* frame;
    bool compatible, covers;
  };
  const Row rows[] = {
      {"3", "3", &kId, true, true},
      {"3m", "3", &kId, true, false},        // methyl carbon on a threefold: more symmetric label
      {"m", "3", &kId, false, false},        // the old choice for a Cl on a threefold
      {"m", "m", &kId, true, true},
      {"m", "m", &kZalongX, false, false},   // mirror of the label not the site's
      {"mm2", "mm2", &kId, true, true},
      {"mmm", "mmm", &kId, true, true},
      {"2/m", "2/m", &kId, true, true},
      {"4", "4", &kId, true, true},
      {"C", "-1", &kId, true, true},
      {"NO", "-1", &kId, false, true},
      {"NO", "1", &kId, true, true},
      {"cyl", "6mm", &kId, true, true},      // no l <= 4 multipole tells 6mm from infinity
      {"cyl", "-1", &kId, false, false},
      {"mmm", "m-3m", &kId, false, true},   // the best subgroup the table knows
      {"3", "-3", &kId, false, true},
      {"3m", "3m", &kId, false, false},      // the site's mirrors normal to x, the label's to y
      {"3m", "3m", &kTurned90, true, true},
      // the key table's own entries: "2" fixes D0, "222" refines D0 and O0, "-42m" D0
      {"2", "2", &kId, true, false},
      {"222", "222", &kId, false, true},
      // the table's -42m has its mirrors normal to x and y, the group's twofolds lie there
      {"-42m", "-42m", &kId, false, false},
      {"-42m", "-42m", &kTurned45, false, true},
      {"xyz", "1", &kId, false, false},      // not in the table
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.label) + " on " + r.site);
    const SiteFit f = site_fit(r.label, *r.frame, point_group(r.site));
    EXPECT_EQ(f.compatible, r.compatible);
    EXPECT_EQ(f.covers, r.covers);
    EXPECT_EQ(f.compatible, f.broken.empty() && f.known);
  }
}

TEST(SiteFitRule, InvariantCountsAndBrokenNames) {
  EXPECT_EQ(site_fit("NO", kId, point_group("1")).invariant, 24);
  EXPECT_EQ(site_fit("NO", kId, point_group("m-3m")).invariant, 1);  // the cubic hexadecapole
  EXPECT_EQ(site_fit("NO", kId, point_group("-1")).invariant, 14);   // the even ones
  const SiteFit f = site_fit("cyl", kId, point_group("-1"));
  ASSERT_EQ(f.broken.size(), 2u);
  EXPECT_EQ(multipole_names()[static_cast<size_t>(f.broken[0])], "D0");
  EXPECT_EQ(multipole_names()[static_cast<size_t>(f.broken[1])], "O0");
}

TEST(SiteFitRule, FrameOfWrittenAxesIsRightHanded) {
  struct Row {
    char a1, a2;
    DVec3 p1, p2;
  };
  const Row rows[] = {{'X', 'Y', {2, 0, 0}, {1, 3, 0}}, {'Z', 'X', {0, 0, 1}, {5, 0, 2}},
                      {'Z', 'Y', {0, 0, 1}, {0, 1, 0}}, {'Y', 'Z', {0, 1, 0}, {0, 0, 1}}};
  for (const Row& r : rows) {
    LocalFrame f;
    ASSERT_TRUE(frame_of_axes(r.a1, r.p1, r.a2, r.p2, {0, 0, 0}, f));
    const DVec3 c{f.x[1] * f.y[2] - f.x[2] * f.y[1], f.x[2] * f.y[0] - f.x[0] * f.y[2],
                  f.x[0] * f.y[1] - f.x[1] * f.y[0]};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(c[i], f.z[i], 1e-12) << r.a1 << r.a2;
  }
  LocalFrame f;
  EXPECT_FALSE(frame_of_axes('Z', {0, 0, 1}, 'X', {0, 0, 2}, {0, 0, 0}, f));  // in line
  EXPECT_FALSE(frame_of_axes('Z', {0, 0, 1}, 'Z', {1, 0, 0}, {0, 0, 0}, f));  // one letter twice
}

TEST(SiteChoiceRule, OwnLabelElseExactElseSmallestSubgroup) {
  struct Row {
    const char* site;
    const char* label;
  };
  const Row rows[] = {{"3", "3"},   {"m", "m"},     {"-1", "C"},   {"mm2", "mm2"}, {"2/m", "2/m"},
                      {"6mm", "cyl"}, {"m-3m", "mmm"}, {"-3", "3"}, {"-4", "2"},   {"6/mmm", "cyl"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.site);
    SiteSym s;
    s.rot = point_group(r.site);
    s.name = r.site;
    // the symmetry directions as the site search finds them
    for (const DMat3& g : s.rot) {
      const OpKind k = op_kind(g);
      if (k.n == 1) continue;
      bool seen = false;
      for (SiteAxis& a : s.axes)
        if (std::fabs(a.dir[0] - k.axis[0]) + std::fabs(a.dir[1] - k.axis[1]) + std::fabs(a.dir[2] - k.axis[2]) <
            1e-6)
          seen = true;
      if (!seen) s.axes.push_back({k.axis, 1, 0, false});
    }
    const SiteChoice c = best_site_choice(s, {1, 0.3, 0.2});
    EXPECT_EQ(c.label, r.label);
    EXPECT_TRUE(c.fit.covers || c.label == table_label(r.site));
  }
}
