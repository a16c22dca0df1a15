// Reflection files (HKLF 4, CIF) and their expansion by the Laue group.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "scattering/reflections.h"
#include "support.h"
#include "util/err.h"

namespace vorn {
namespace {

using test::InTempDir;

class Reflections : public InTempDir {};

TEST_F(Reflections, Hklf4WithAndWithoutBatchEndsAtZeroLine) {
  test::write_file("a.hkl",
                   "   1   0   0  123.45    1.23\n"
                   "  -1   2 -13   12.00    0.50   3\n"
                   "\n"
                   " -10-100  -5    1.00    0.10   1\n"
                   "   0   0   0    0.00    0.00   0\n"
                   "   9   9   9 garbage after the end\n");
  const auto h = read_reflections("a.hkl");
  ASSERT_EQ(h.size(), 3u);
  EXPECT_EQ(h[0], (Hkl{1, 0, 0}));
  EXPECT_EQ(h[1], (Hkl{-1, 2, -13}));
  EXPECT_EQ(h[2], (Hkl{-10, -100, -5}));  // fixed columns: fields may touch
}

TEST_F(Reflections, CifTextFieldAndReflnLoop) {
  test::write_file("a.cif",
                   "data_x\n_cell_length_a 5\n_shelx_hkl_file\n;\n   1   1   0   10.00    1.00\n"
                   "   2   0   1   20.00    2.00\n   0   0   0    0.00    0.00\n;\n");
  EXPECT_EQ(read_reflections("a.cif"), (std::vector<Hkl>{{1, 1, 0}, {2, 0, 1}}));
  test::write_file("b.cif",
                   "data_y\nloop_\n_refln_index_h\n_refln_index_k\n_refln_index_l\n_refln_F_squared_meas\n"
                   "1 2 3 4.0\n-1 0 2 5.0\n");
  EXPECT_EQ(read_reflections("b.cif"), (std::vector<Hkl>{{1, 2, 3}, {-1, 0, 2}}));
}

TEST_F(Reflections, BadFilesStopWithAClearMessage) {
  struct Case { const char* name; const char* text; const char* message; };
  const Case cases[] = {
      {"empty.hkl", "", "holds no reflections"},
      {"zero.hkl", "   0   0   0    0.00    0.00\n", "holds no reflections"},
      {"words.hkl", "this is not a reflection file\n", "line 1: not h k l F^2 sigma"},
      {"short.hkl", "   1   0   0  123.45    1.23\n   1   2   3\n", "line 2: not h k l F^2 sigma"},
      {"letters.hkl", "   1   a   0  123.45    1.23\n", "line 1"},
      {"none.cif", "data_x\n_cell_length_a 5\n", "has neither _shelx_hkl_file"},
      {"broken.cif", "data_x\n_a\n;\nnever closed\n", "not a readable CIF"},
      {"badidx.cif", "data_x\nloop_\n_refln_index_h\n_refln_index_k\n_refln_index_l\n1 x 2\n", "is no integer"},
      {"binary.hkl", std::string("   1   0   0\0\0\0", 15).c_str(), "not a text file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::write_file(c.name, std::string(c.name) == "binary.hkl" ? std::string("   1   0   0\0\0\0", 15) : c.text);
    try {
      read_reflections(c.name);
      ADD_FAILURE() << "no error";
    } catch (const Fatal& f) {
      EXPECT_EQ(f.where, "ReadHKL");
      EXPECT_NE(f.message.find(c.message), std::string::npos) << f.message;
      EXPECT_NE(f.message.find(c.name), std::string::npos) << f.message;
    }
  }
  try {
    read_reflections("missing.hkl");
    ADD_FAILURE() << "no error";
  } catch (const Fatal& f) {
    EXPECT_NE(f.message.find("missing.hkl cannot be opened"), std::string::npos);
  }
}

Symm symm_of(const std::vector<Mat3>& rots) {
  Symm s;
  s.ns = static_cast<int>(rots.size());
  s.fs.assign(rots.size() + 1, Mat3{});
  s.ts.assign(rots.size() + 1, Vec3{});
  for (size_t k = 0; k < rots.size(); ++k) s.fs[k + 1] = rots[k];
  return s;
}

TEST(Laue, EquivalentsAndFriedelMates) {
  const Mat3 e = unit_matrix();
  const Mat3 two_b{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}};  // 2-fold along b (P21, translations aside)
  const Mat3 inv{{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};
  const Mat3 m_b{{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}};
  struct Case { std::vector<Mat3> rots; Hkl h; size_t count; };
  const Case cases[] = {
      {{e}, {1, 2, 3}, 2},                         // P1: h and its Friedel mate
      {{e, inv}, {1, 2, 3}, 2},                    // P-1: the same set
      {{e, two_b}, {1, 2, 3}, 4},                  // P21, non-centrosymmetric: Laue 2/m
      {{e, two_b, inv, m_b}, {1, 2, 3}, 4},        // P21/c
      {{e, two_b, inv, m_b}, {0, 2, 0}, 2},        // a special reflection on the 2-fold axis
      {{e, two_b, inv, m_b}, {1, 0, 3}, 2},        // on the mirror
  };
  for (const Case& c : cases) {
    const auto out = expand_laue({c.h}, symm_of(c.rots));
    EXPECT_EQ(out.size(), c.count) << c.h[0] << c.h[1] << c.h[2];
    EXPECT_EQ(out.front(), c.h);
    const std::set<Hkl> s(out.begin(), out.end());
    EXPECT_EQ(s.size(), out.size());  // distinct
    for (const Hkl& h : out) EXPECT_TRUE(s.count({-h[0], -h[1], -h[2]}));  // every Friedel mate
  }
  // P21/c: -h k -l, h -k l and the mates of 1 2 3, each once even when listed twice
  const auto out = expand_laue({{1, 2, 3}, {-1, 2, -3}}, symm_of({e, two_b, inv, m_b}));
  EXPECT_EQ(std::set<Hkl>(out.begin(), out.end()),
            (std::set<Hkl>{{1, 2, 3}, {-1, -2, -3}, {-1, 2, -3}, {1, -2, 3}}));
}

TEST(Laue, TrigonalAxesFollowTheRowVectorRule) {
  // 3-fold along c in hexagonal axes: x' = -y, y' = x - y (fs[i][j] takes x(i) into x'(j))
  Mat3 r{};
  r[1][0] = -1;  // x' = -y
  r[0][1] = 1, r[1][1] = -1;  // y' = x - y
  r[2][2] = 1;
  Mat3 r2{};
  // r applied twice: x'' = -(x - y) = y - x, y'' = -y - (x - y) = -x
  r2[0][0] = -1, r2[1][0] = 1;
  r2[0][1] = -1;
  r2[2][2] = 1;
  const auto out = expand_laue({{1, 0, 2}}, symm_of({unit_matrix(), r, r2}));
  // h' = h R: h k l -> k i l -> i h l with i = -h-k, and the mates
  EXPECT_EQ(std::set<Hkl>(out.begin(), out.end()),
            (std::set<Hkl>{{1, 0, 2}, {0, -1, 2}, {-1, 1, 2}, {-1, 0, -2}, {0, 1, -2}, {1, -1, -2}}));
}

}  // namespace
}  // namespace vorn
