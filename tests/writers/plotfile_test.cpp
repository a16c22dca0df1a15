// Axis sticks of the plot file: names, lengths, directions and degenerate axis points.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "model/run.h"
#include "support.h"
#include "writers/plotfile.h"

using namespace vorn;

namespace {

struct PlotRecord {
  std::string name;
  Vec3 p{};
};

// Splits an "ATOM name x y z" record after checking its fixed columns.
PlotRecord parse(const std::string& line) {
  PlotRecord r;
  EXPECT_EQ(line.size(), 5u + 8u + 3u + 36u) << line;
  EXPECT_EQ(line.substr(0, 5), "ATOM ") << line;
  EXPECT_EQ(line.substr(13, 3), "   ") << line;
  r.name = line.substr(5, 8);
  for (int k = 0; k < 3; ++k) r.p[k] = std::stof(line.substr(16 + 12 * k, 12));
  return r;
}

Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
float dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

class PlotSticks : public test::InTempDir {
 protected:
  // Atom 7, C(7), at (1, 2, 3); returns the four records loc2plat writes.
  std::vector<std::string> sticks(const Vec3& x0, const Vec3& pa, const Vec3& pb, char ax1, char ax2) {
    vorn::Run run;
    resize_atoms(run, 7);
    run.atoms.ia = 7;
    run.atoms.atom[7] = "C(7)    ";
    run.atoms.xc[7] = x0;
    run.iplat.open("vorn.spf");
    loc2plat(run, 7, pa, pb, ax1, ax2);
    run.iplat.close();
    auto lines = test::lines_of(test::slurp("vorn.spf"));
    EXPECT_EQ(lines.size(), 4u);
    lines.resize(4);
    return lines;
  }
  const Vec3 x0_{1.0f, 2.0f, 3.0f};
  const Vec3 along_x_{2.5f, 2.0f, 3.0f};   // a = (1.5, 0, 0)
  const Vec3 in_xy_{1.3f, 3.0f, 3.0f};     // b = (0.3, 1, 0): n along +z, w along +y
  const std::string px_ = "      1.2000      2.0000      3.0000";
  const std::string py_ = "      1.0000      2.2000      3.0000";
  const std::string pz_ = "      1.0000      2.0000      3.2000";
  const std::string mz_ = "      1.0000      2.0000      2.8000";
  const std::string p0_ = "      1.0000      2.0000      3.0000";
};

TEST_F(PlotSticks, XTowardsPaYInPlaneGivesNamedRightHandedSticks) {
  auto l = sticks(x0_, along_x_, in_xy_, 'X', 'Y');
  EXPECT_EQ(l[0], "ATOM C(7)       " + p0_);
  EXPECT_EQ(l[1], "ATOM X7         " + px_);
  EXPECT_EQ(l[2], "ATOM Y7         " + py_);
  EXPECT_EQ(l[3], "ATOM Z7         " + pz_);
}

TEST_F(PlotSticks, GeneralOrientationSticksAreOrthonormalAtPointTwoAngstrom) {
  const Vec3 x0{4.1234f, -2.5f, 7.75f};
  const Vec3 pa{5.0f, -1.9f, 8.6f};
  const Vec3 pb{3.2f, -1.1f, 8.0f};
  auto l = sticks(x0, pa, pb, 'X', 'Y');
  const PlotRecord atom = parse(l[0]), x = parse(l[1]), y = parse(l[2]), z = parse(l[3]);
  EXPECT_EQ(atom.name, "C(7)    ");
  EXPECT_EQ(x.name, "X7      ");
  EXPECT_EQ(y.name, "Y7      ");
  EXPECT_EQ(z.name, "Z7      ");
  const Vec3 ex = sub(x.p, atom.p), ey = sub(y.p, atom.p), ez = sub(z.p, atom.p);
  // four printed decimals on both points limit the check to about 1e-4
  for (const Vec3& e : {ex, ey, ez}) EXPECT_NEAR(norm(e), 0.2f, 2e-4f);
  EXPECT_NEAR(dot(ex, ey), 0.0f, 1e-4f);
  EXPECT_NEAR(dot(ex, ez), 0.0f, 1e-4f);
  EXPECT_NEAR(dot(ey, ez), 0.0f, 1e-4f);
  // right-handed: X x Y along +Z
  EXPECT_NEAR(dot(cross(ex, ey), ez), 0.008f, 1e-4f);
  // X points at pa; Y lies in the plane of atom, pa and pb, on the side of pb
  const Vec3 a = sub(pa, x0), b = sub(pb, x0);
  EXPECT_NEAR(dot(ex, a) / norm(a), 0.2f, 2e-4f);
  EXPECT_NEAR(dot(ey, cross(a, b)), 0.0f, 1e-3f);
  EXPECT_GT(dot(ey, b), 0.0f);
}

TEST_F(PlotSticks, EveryAxisPairTakesPaPlaneAndTheRightHandedThird) {
  // ax1 axis -> +x (towards pa), ax2 axis -> +y (in plane), the third -> +z for a pair in
  // cyclic order and -z against it, so that X x Y is +Z as the master file's R declares
  struct Case {
    char ax1, ax2;
    std::string x, y, z;
  };
  const std::vector<Case> cases = {
      {'X', 'Y', px_, py_, pz_}, {'Y', 'X', py_, px_, mz_}, {'X', 'Z', px_, mz_, py_},
      {'Z', 'X', py_, pz_, px_}, {'Y', 'Z', pz_, px_, py_}, {'Z', 'Y', mz_, py_, px_},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(1, c.ax1) + c.ax2);
    auto l = sticks(x0_, along_x_, in_xy_, c.ax1, c.ax2);
    EXPECT_EQ(l[1], "ATOM X7         " + c.x);
    EXPECT_EQ(l[2], "ATOM Y7         " + c.y);
    EXPECT_EQ(l[3], "ATOM Z7         " + c.z);
    const PlotRecord atom = parse(l[0]), x = parse(l[1]), y = parse(l[2]), z = parse(l[3]);
    EXPECT_NEAR(dot(cross(sub(x.p, atom.p), sub(y.p, atom.p)), sub(z.p, atom.p)), 0.008f, 1e-5f);
  }
}

TEST_F(PlotSticks, HydrogenPairZTowardsParentYInPlaneIsRightHanded) {
  // every hydrogen is written Z towards its parent, Y in the plane: X must be Y x Z
  auto l = sticks(x0_, along_x_, in_xy_, 'Z', 'Y');
  const PlotRecord atom = parse(l[0]), x = parse(l[1]), y = parse(l[2]), z = parse(l[3]);
  const Vec3 ex = sub(x.p, atom.p), ey = sub(y.p, atom.p), ez = sub(z.p, atom.p);
  EXPECT_NEAR(dot(cross(ey, ez), ex), 0.008f, 1e-5f);
  EXPECT_NEAR(ex[2], -0.2f, 1e-4f);
}

TEST_F(PlotSticks, SameAxisTwiceGetsInPlaneAndBothOthersTheNormal) {
  auto l = sticks(x0_, along_x_, in_xy_, 'X', 'X');
  EXPECT_EQ(l[1], "ATOM X7         " + py_);
  EXPECT_EQ(l[2], "ATOM Y7         " + pz_);
  EXPECT_EQ(l[3], "ATOM Z7         " + pz_);
  l = sticks(x0_, along_x_, in_xy_, 'Z', 'Z');
  EXPECT_EQ(l[1], "ATOM X7         " + pz_);
  EXPECT_EQ(l[2], "ATOM Y7         " + pz_);
  EXPECT_EQ(l[3], "ATOM Z7         " + py_);
}

TEST_F(PlotSticks, DegenerateAxisPointsDrawZeroLengthSticksAtTheAtom) {
  // pa on the atom: no direction at all
  auto l = sticks(x0_, x0_, in_xy_, 'X', 'Y');
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(l[k].substr(16), p0_) << l[k];
  // pb on the line atom-pa: X is defined, the plane is not
  l = sticks(x0_, along_x_, Vec3{0.4f, 2.0f, 3.0f}, 'X', 'Y');
  EXPECT_EQ(l[1], "ATOM X7         " + px_);
  EXPECT_EQ(l[2], "ATOM Y7         " + p0_);
  EXPECT_EQ(l[3], "ATOM Z7         " + p0_);
  const std::string all = test::slurp("vorn.spf");
  EXPECT_EQ(all.find("nan"), std::string::npos);
  EXPECT_EQ(all.find('*'), std::string::npos);
}

TEST(PlotGetdummy, PointsAtPointTwoAlongEachDirectionWhateverItsLength) {
  const Vec3 x0{1.0f, -1.0f, 0.5f};
  const auto p = getdummy(x0, Vec3{3.0f, 4.0f, 0.0f}, Vec3{0.0f, 0.0f, -0.01f}, Vec3{1e-30f, 0.0f, 0.0f});
  EXPECT_FLOAT_EQ(p[0][0], 1.12f);
  EXPECT_FLOAT_EQ(p[0][1], -0.84f);
  EXPECT_FLOAT_EQ(p[0][2], 0.5f);
  EXPECT_FLOAT_EQ(p[1][0], 1.0f);
  EXPECT_FLOAT_EQ(p[1][1], -1.0f);
  EXPECT_FLOAT_EQ(p[1][2], 0.3f);
  // a vector whose squared length underflows still has a direction
  EXPECT_FLOAT_EQ(p[2][0], 1.2f);
  EXPECT_FLOAT_EQ(p[2][1], -1.0f);
  EXPECT_FLOAT_EQ(p[2][2], 0.5f);
  const auto q = getdummy(x0, Vec3{}, Vec3{}, Vec3{});
  for (const Vec3& v : q) EXPECT_EQ(v, x0);
}

TEST(PlotGetdummy, LabelIsTheNumberWithoutBlanks) {
  EXPECT_EQ(getdummylabel(7), "7");
  EXPECT_EQ(getdummylabel(12), "12");
  EXPECT_EQ(getdummylabel(100000), "100000");
}

}  // namespace
