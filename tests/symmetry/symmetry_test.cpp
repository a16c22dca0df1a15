// Symmetry cards, centring, inversion, operator printing and the orthogonalisation matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "symmetry/cell.h"
#include "symmetry/symop.h"
#include "util/err.h"

using namespace vorn;

namespace {

// A run whose log goes to a private temporary file and whose console is captured.
struct LoggedRun {
  vorn::Run run;
  std::ostringstream console;
  std::filesystem::path path = std::filesystem::temp_directory_path() /
      (std::string("vorn_sym_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  LoggedRun() { run.nout.open(path); run.console = &console; }
  ~LoggedRun() { std::filesystem::remove(path); }
  std::string log() {
    run.nout.flush();
    std::stringstream ss;
    ss << std::ifstream(path).rdbuf();
    return ss.str();
  }
};

void expect_op(const vorn::Run& run, int n, const Mat3& fs, const Vec3& ts) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(run.symm.ts[n][i], ts[i]) << "op " << n << " t" << i;
    for (int j = 0; j < 3; ++j) EXPECT_FLOAT_EQ(run.symm.fs[n][i][j], fs[i][j]) << "op " << n << " " << i << j;
  }
}

void expect_fatal(const std::function<void()>& f, const std::string& where, const std::string& message) {
  try {
    f();
    ADD_FAILURE() << "no fatal error from " << where;
  } catch (const Fatal& e) {
    EXPECT_EQ(e.where, where);
    if (!message.empty()) {
      EXPECT_EQ(e.message, message);
    }
  }
}

void expect_inverse_pair(const Mat3& a, const Mat3& b, float tol) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      float s = 0;
      for (int k = 0; k < 3; ++k) s += a[i][k] * b[k][j];
      EXPECT_NEAR(s, i == j ? 1.0f : 0.0f, tol) << i << j;
    }
}

const Mat3 kInv{{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};
const std::string kTooMany = "Too many symmetry operators (more than 192)";

}  // namespace

TEST(SymCard, SymbolicFormsAndIdentity) {
  vorn::Run run;
  getsym(run, {"TITL t", "SYMM -X, 1/2+Y, 1/2-Z", "SYMM X, Y, Z", "symm -Y, X-Y, Z"});
  ASSERT_EQ(run.symm.ns, 3);  // the identity card is dropped
  ASSERT_EQ(run.symm.fs.size(), 4u);
  expect_op(run, 1, unit_matrix(), {0, 0, 0});
  expect_op(run, 2, Mat3{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}, {0, 0.5f, 0.5f});
  // fs[n][i][j] is input i into output j: y' = X - Y
  expect_op(run, 3, Mat3{{{0, 1, 0}, {-1, -1, 0}, {0, 0, 1}}}, {0, 0, 0});
}

TEST(SymCard, NumericFormMatchesSymbolicForm) {
  vorn::Run run;
  getsym(run, {"SYMM 0 0 -1 0  0.5 1 -1 0  0.25 0 0 1", "SYMM -Y, 1/2+X-Y, 1/4+Z",
               "SYMM 0,0,-1,0, 0,1,0,0, 0,0,0,1"});
  ASSERT_EQ(run.symm.ns, 4);
  expect_op(run, 2, run.symm.fs[3], run.symm.ts[3]);
  EXPECT_FLOAT_EQ(run.symm.ts[2][1], 0.5f);
  expect_op(run, 4, Mat3{{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}}, {0, 0, 0});
  EXPECT_FALSE(symcrd(run, "SYMM 0 -1 0 0 0 1 0 0 0 0 0 Q"));
  EXPECT_EQ(run.symm.ns, 5);  // counts the failed operator; the caller steps back
}

TEST(SymCard, SeveralOperatorsPerCardAndIllegalCards) {
  LoggedRun lr;
  getsym(lr.run, {"SYMM -X,-Y,Z; -X,Y,-Z ;X,-Y,-Z", "SYMM X,Y", "SYMM", "SYMM -X,1/2+Y,-Z",
                  "SYMM -X,-Y,-Z; X,Y,-Z; -X,Y,Z; X,-Y,Z"});
  // the fourth operator of the last card rides in the third piece, which then fails
  ASSERT_EQ(lr.run.symm.ns, 7);
  expect_op(lr.run, 4, Mat3{{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}, {0, 0, 0});
  expect_op(lr.run, 5, Mat3{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}, {0, 0.5f, 0});
  const std::string log = lr.log();
  EXPECT_EQ(log.substr(0, 3 * 42),
            " * * * Symmetry card no.  5 illegal * * *\n"
            " * * * Symmetry card no.  5 illegal * * *\n"
            " * * * Symmetry card no.  8 illegal * * *\n");
  EXPECT_NE(log.find("   SYMM  1      + X, + Y, + Z\n   SYMM  2      - X, - Y, + Z\n"), std::string::npos);
  EXPECT_NE(log.find("   SYMM  5      - X, 1/2 + Y, - Z\n"), std::string::npos);
}

TEST(SymCard, SingularCardsAreIllegal) {
  LoggedRun lr;
  getsym(lr.run, {"SYMM X,X,X", "SYMM -X,-Y,Z", "SYMM 0,Y,Z"});
  ASSERT_EQ(lr.run.symm.ns, 2);
  expect_op(lr.run, 2, Mat3{{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}}, {0, 0, 0});
  EXPECT_EQ(lr.log().substr(0, 2 * 42),
            " * * * Symmetry card no.  2 illegal * * *\n"
            " * * * Symmetry card no.  3 illegal * * *\n");
}

TEST(SymComponent, TranslationForms) {
  float t;
  Vec3 c;
  symop("-X+1/2", t, c);
  EXPECT_FLOAT_EQ(t, 0.5f);
  EXPECT_EQ(c, (Vec3{-1, 0, 0}));
  symop(" y - 1/4 ", t, c);
  EXPECT_FLOAT_EQ(t, -0.25f);
  EXPECT_EQ(c, (Vec3{0, 1, 0}));
  symop("-0.25-X", t, c);
  EXPECT_FLOAT_EQ(t, -0.25f);
  symop("2/3+X-Y", t, c);
  EXPECT_FLOAT_EQ(t, 2.0f / 3.0f);
  EXPECT_EQ(c, (Vec3{1, -1, 0}));
  symop("X+1/6", t, c);  // only 1..4 are fraction digits
  EXPECT_FLOAT_EQ(t, 1.0f);
  std::string rest = "1/2-Y+X";
  EXPECT_EQ(removerot(rest), (Vec3{1, -1, 0}));
  EXPECT_EQ(rest, "1/2");
  EXPECT_EQ(split(" x,  y ,z", ',', 12, 3), (std::vector<std::string>{"X", "Y", "Z"}));
  EXPECT_EQ(split("CARBON;OXYGEN", ';', 3, 5), (std::vector<std::string>{"Carbon", "Oxygen"}));
  EXPECT_EQ(split("a  b c d", ' ', 3, 1), (std::vector<std::string>{"a", "b", "c d"}));
}

TEST(SymPrint, ComponentsLinesAndVerbosity) {
  EXPECT_EQ(opout({-1, 0, 0}, 0.5f), " 1/2 - X");
  EXPECT_EQ(opout({0, 1, -1}, -0.25f), "-1/4 + Y - Z");
  EXPECT_EQ(opout({0, 0, 1}, 1.0f / 3.0f), " 1/3 + Z");
  EXPECT_EQ(opout({0, 0, 1}, 5.0f / 6.0f), " 5/6 + Z");
  EXPECT_EQ(opout({2, 0, 0}, 0.0f), " + 2.0X");
  EXPECT_EQ(symout(unit_matrix(), {0, 0, 0}, 1), "   SYMM  1      + X, + Y, + Z");

  LoggedRun lr;
  getsym(lr.run, {"SYMM -X,1/2+Y,-Z"});
  prsymop(lr.run);
  lr.run.set.iverbose = 2;
  prsymop(lr.run);
  const std::string count = " Number of symmetry operations =   2\n";
  const std::string log = lr.log();
  ASSERT_NE(log.find(count), std::string::npos);
  EXPECT_EQ(log.substr(log.find(count)),
            count + count + "\n SYMM  1\n"
                "    1.000000    0.000000    0.000000         0.000000\n"
                "    0.000000    1.000000    0.000000         0.000000\n"
                "    0.000000    0.000000    1.000000         0.000000\n"
                "\n SYMM  2\n"
                "   -1.000000    0.000000    0.000000         0.000000\n"
                "    0.000000    1.000000    0.000000         0.500000\n"
                "    0.000000    0.000000   -1.000000         0.000000\n");
}

TEST(SymLattice, ICentredThenInverted) {
  LoggedRun lr;
  vorn::Run& run = lr.run;
  getsym(run, {"SYMM -X,-Y,Z", "SYMM -X,Y,-Z", "SYMM X,-Y,-Z"});
  ASSERT_EQ(run.symm.ns, 4);
  nonp(run, 'I');
  ASSERT_EQ(run.symm.ns, 8);
  expect_op(run, 6, run.symm.fs[2], {0.5f, 0.5f, 0.5f});
  addcentsymm(run);
  ASSERT_EQ(run.symm.ns, 16);
  EXPECT_EQ(run.symm.fs.size(), 17u);
  expect_op(run, 9, kInv, {0, 0, 0});
  expect_op(run, 13, kInv, {0.5f, 0.5f, 0.5f});  // translation kept, not negated
  EXPECT_FALSE(std::signbit(run.symm.fs[9][0][1]));
  const std::string log = lr.log();
  EXPECT_NE(log.find(" Non-Primitive lattice...\n Lattice centring type is [ I ]\n"
                     " Number of lattice points per cell =   2\n"
                     " Symmetry operations after applying the lattice centering:\n"
                     " Number of symmetry operations =   8\n"),
            std::string::npos);
  EXPECT_NE(log.find(" Symmetry operations with Center of Symmetry applied:  16\n\n SYMM  1\n"),
            std::string::npos);
  EXPECT_NE(log.find("\n SYMM 13\n   -1.000000    0.000000    0.000000         0.500000\n"),
            std::string::npos);
}

TEST(SymLattice, CentringOrderAndReducedTranslations) {
  vorn::Run run;
  getsym(run, {"SYMM X, 3/4+Y, -Z"});
  nonp(run, 'F');
  ASSERT_EQ(run.symm.ns, 8);
  EXPECT_EQ(run.symm.ts[4], (Vec3{0.5f, 0.25f, 0.0f}));  // 0.75 + 0.5 reduced
  EXPECT_EQ(run.symm.ts[6], (Vec3{0.0f, 0.25f, 0.5f}));
  EXPECT_EQ(run.symm.ts[7], (Vec3{0.5f, 0.0f, 0.5f}));
  EXPECT_EQ(run.symm.fs[8], run.symm.fs[2]);
  run.symm.ts[4] = {-1.25f, 1.0f, -0.5f};
  checkts(run);
  EXPECT_EQ(run.symm.ts[4], (Vec3{-0.25f, 0.0f, -0.5f}));
}

TEST(SymLimits, UnsupportedLatticeAndMoreThan192Operators) {
  LoggedRun lr;
  expect_fatal([&] { nonp(lr.run, 'Q'); }, "Nonp", "Lattice type Q is not supported");
  EXPECT_EQ(lr.console.str(), " Lattice type Q is not supported\n");

  // the 24 rotations of a cubic group: F centring and inversion make exactly 192
  std::vector<std::string> cards = {"SYMM -X,-Y,Z", "SYMM -X,Y,-Z", "SYMM X,-Y,-Z", "SYMM Z,X,Y",   "SYMM Z,-X,-Y",
                                    "SYMM -Z,-X,Y", "SYMM -Z,X,-Y", "SYMM Y,Z,X",   "SYMM -Y,Z,-X", "SYMM Y,-Z,-X",
                                    "SYMM -Y,-Z,X", "SYMM Y,X,-Z",  "SYMM -Y,-X,-Z", "SYMM Y,-X,Z", "SYMM -Y,X,Z",
                                    "SYMM X,Z,-Y",  "SYMM -X,Z,Y",  "SYMM -X,-Z,-Y", "SYMM X,-Z,Y", "SYMM Z,Y,-X",
                                    "SYMM Z,-Y,X",  "SYMM -Z,Y,X",  "SYMM -Z,-Y,-X"};
  vorn::Run run;
  getsym(run, cards);
  nonp(run, 'F');
  addcentsymm(run);
  ASSERT_EQ(run.symm.ns, 192);
  EXPECT_TRUE(symcrd(run, "SYMM X,Y,Z"));  // the identity never counts
  expect_fatal([&] { symcrd(run, "SYMM -X,-Y,-Z"); }, "SymCrd", kTooMany);
  EXPECT_EQ(run.symm.ns, 192);
  EXPECT_EQ(run.symm.fs.size(), 193u);

  cards.push_back("SYMM X+1/2,Y,Z");
  vorn::Run r25;
  getsym(r25, cards);
  nonp(r25, 'F');
  expect_fatal([&] { addcentsymm(r25); }, "AddCentSymm", kTooMany);
  EXPECT_EQ(r25.symm.ns, 100);
}

TEST(SymLattice, RhombohedralObverseCentring) {
  LoggedRun lr;
  vorn::Run& run = lr.run;
  getsym(run, {"SYMM -Y, X-Y, Z", "SYMM -X+Y, -X, Z"});
  nonp(run, 'R');
  ASSERT_EQ(run.symm.ns, 9);
  expect_op(run, 4, unit_matrix(), {2.0f / 3.0f, 1.0f / 3.0f, 1.0f / 3.0f});
  expect_op(run, 7, unit_matrix(), {1.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f});
  expect_op(run, 9, run.symm.fs[3], {1.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f});
  EXPECT_NE(lr.log().find(" Lattice centring type is [ R ]\n Number of lattice points per cell =   3\n"),
            std::string::npos);
}

TEST(CellMatrix, OrthorhombicCell) {
  LoggedRun lr;
  lr.run.ucell.uc = {5.0f, 6.0f, 7.0f, 90.0f, 90.0f, 90.0f};
  tranmat(lr.run);
  const Mat3& rm = lr.run.transf.rm;
  EXPECT_FLOAT_EQ(rm[0][0], 5.0f);
  EXPECT_FLOAT_EQ(rm[1][1], 6.0f);
  EXPECT_FLOAT_EQ(rm[2][2], 7.0f);
  EXPECT_NEAR(rm[0][1], 0.0f, 1e-5f);
  EXPECT_FLOAT_EQ(rm[1][0], 0.0f);
  expect_inverse_pair(rm, lr.run.transf.rm1, 1e-6f);
  const std::string log = lr.log();
  EXPECT_EQ(log.rfind(" Transformation matrix CRYSTAL --> GLOBAL CARTESIAN :\n     5.00000000", 0), 0u);
  EXPECT_NE(log.find(" Transformation matrix GLOBAL CARTESIAN --> CRYSTAL :\n     0.20000000"),
            std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 2), "\n\n");
  EXPECT_EQ(lr.console.str(), "\n");
}

TEST(CellMatrix, MonoclinicAndTriclinicCells) {
  vorn::Run run;
  run.ucell.uc = {7.5f, 10.2f, 12.1f, 90.0f, 105.3f, 90.0f};
  tranmat(run);
  const Mat3& rm = run.transf.rm;
  const double beta = 105.3 * 3.14159265358979 / 180.0;
  EXPECT_NEAR(rm[0][2], 12.1 * std::cos(beta), 1e-4);
  EXPECT_NEAR(rm[2][2], 12.1 * std::sin(beta), 1e-4);
  EXPECT_NEAR(rm[1][2], 0.0, 1e-5);
  EXPECT_FLOAT_EQ(rm[2][1], 0.0f);
  expect_inverse_pair(rm, run.transf.rm1, 1e-5f);
  expect_inverse_pair(run.transf.rm1, rm, 1e-5f);

  run.ucell.uc = {6.1f, 7.3f, 8.9f, 77.0f, 84.5f, 68.2f};
  tranmat(run);
  expect_inverse_pair(rm, run.transf.rm1, 1e-5f);
  EXPECT_NEAR(std::sqrt(rm[0][2] * rm[0][2] + rm[1][2] * rm[1][2] + rm[2][2] * rm[2][2]), 8.9f, 1e-4f);
}

TEST(CellMatrix, SingularCellsAreFatal) {
  vorn::Run run;
  run.ucell.uc = {0.0f, 6.0f, 7.0f, 90.0f, 90.0f, 90.0f};
  expect_fatal([&] { tranmat(run); }, "Inverse", "Determinant = 0");
  run.ucell.uc = {5.0f, 6.0f, 7.0f, 130.0f, 130.0f, 130.0f};  // angles sum past 360
  expect_fatal([&] { tranmat(run); }, "TranMat", "");
  run.ucell.uc = {5.0f, 6.0f, 7.0f, 90.0f, 90.0f, 0.0f};
  expect_fatal([&] { tranmat(run); }, "TranMat", "");
  expect_fatal([] { inverse(Mat3{{{1, 2, 3}, {2, 4, 6}, {0, 0, 1}}}); }, "Inverse", "Determinant = 0");
}

TEST(SymLattice, OneCentredFaceTranslations) {
  // Each one-face centring adds its own lattice vector after the operators read from cards.
  struct Row {
    char latt;
    Vec3 t;
  };
  for (const Row& row : {Row{'A', {0.0f, 0.5f, 0.5f}}, Row{'B', {0.5f, 0.0f, 0.5f}}, Row{'C', {0.5f, 0.5f, 0.0f}}}) {
    vorn::Run run;
    getsym(run, {"SYMM -X, Y, -Z"});
    nonp(run, row.latt);
    ASSERT_EQ(run.symm.ns, 4) << row.latt;
    expect_op(run, 3, unit_matrix(), row.t);
    expect_op(run, 4, run.symm.fs[2], row.t);
  }
}
