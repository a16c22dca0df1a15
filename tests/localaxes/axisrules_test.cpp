// Axis choice, site symmetry and kappa sets of whole runs on small hand-built molecules, read back from xd_vorn.mas.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "driver/vorn.h"
#include "localaxes/atomsetup.h"
#include "support.h"
#include "util/format.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

// One line of the local-axes table; the atom label is repeated as ATOM1 and the handedness is always R.
std::string row(const std::string& atom, const std::string& at1, const std::string& ax1, const std::string& at2,
                const std::string& ax2, int tp, int tbl, int kap, int lmx, const std::string& sym,
                const std::string& chem = "") {
  return fmt::trim(fmt::pad(atom, 8) + " " + fmt::pad(at1, 8) + "  " + ax1 + "  " + fmt::pad(atom, 8) + " " +
                   fmt::pad(at2, 8) + " " + ax2 + "   R " + fmt::i(tp, 3) + fmt::i(tbl, 3) + fmt::i(kap, 4) +
                   fmt::i(lmx, 4) + "   " + fmt::pad(sym, 5) + "   " + fmt::pad(chem, 8));
}

std::string dum(const std::string& label, float x, float y, float z) {
  return fmt::pad(label, 6) + "  " + fmt::f(x, 12, 6) + fmt::f(y, 12, 6) + fmt::f(z, 12, 6);
}

const std::string kHeader = "ATOM     ATOM0    AX1 ATOM1    ATOM2   AX2 R/L TP TBL KAP LMX SITESYM  CHEMCON";

class AxisRules : public test::InTempDir {
 protected:
  void run_case(const std::string& name) {
    fs::copy_file(test::data_path("localaxes/" + name + ".res"), name + ".res");
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT " + name + ".res\n");
    console_.str("");
    std::istringstream in;
    vorn_main({}, console_, in);
    ASSERT_EQ(console_.str().find("ERROR"), std::string::npos) << console_.str();
  }
  // The atom table from its header to END ATOM, both included.
  std::vector<std::string> table() const {
    std::vector<std::string> r;
    bool on = false;
    for (const auto& l : test::lines_of(test::slurp("xd_vorn.mas"))) {
      if (l == kHeader) on = true;
      if (on) r.push_back(l);
      if (on && l == "END ATOM") break;
    }
    return r;
  }
  std::vector<std::string> symplm() const {
    std::vector<std::string> r;
    for (const auto& l : test::lines_of(test::slurp("con_mopro.inp")))
      if (l.rfind("SYMPLM", 0) == 0) r.push_back(l);
    return r;
  }
  bool said(const std::string& text) const { return console_.str().find(text) != std::string::npos; }
  std::ostringstream console_;
};

using Lines = std::vector<std::string>;

}  // namespace

// The MoPro code of every label for every ordered pair of written axes, worked out by hand from
// where each label puts its symmetry elements: the mirror of "m" holds both axes; the twofold of
// "mm2" and the axis of "cyl" lie along the first one; the threefold of "3m" is Z, its mirror
// through X. Labels without a MoPro code get none, whatever the axes.
TEST(SymplmCode, EveryLabelAndAxisPair) {
  const char* const pairs[] = {"XY", "YX", "XZ", "ZX", "YZ", "ZY"};
  struct Row {
    const char* sym;
    const char* codes[6];  // in the order of pairs
  };
  const Row rows[] = {
      {"m", {"mz", "mz", "my", "my", "mx", "mx"}},
      {"mm2", {"mymz", "mxmz", "mymz", "mxmy", "mxmz", "mxmy"}},
      {"3m", {"3m", "", "3m", "3m", "", ""}},
      {"cyl", {"", "", "", "cy", "", "cy"}},
      {"NO", {"", "", "", "", "", ""}},
      {"-42m", {"", "", "", "", "", ""}},
      {"C", {"", "", "", "", "", ""}},
      {"2", {"", "", "", "", "", ""}},
      {"2/m", {"", "", "", "", "", ""}},
      {"222", {"", "", "", "", "", ""}},
      {"mmm", {"", "", "", "", "", ""}},
      {"4", {"", "", "", "", "", ""}},
      {"3", {"", "", "", "", "", ""}},
  };
  for (const Row& r : rows)
    for (int p = 0; p < 6; ++p)
      EXPECT_EQ(symplm_code(r.sym, pairs[p][0], pairs[p][1]), r.codes[p]) << r.sym << " " << pairs[p];
  // an axis pair that is not two different axes has no orientation to follow
  EXPECT_EQ(symplm_code("m", 'Z', 'Z'), "");
  EXPECT_EQ(symplm_code("mm2", ' ', 'X'), "");
}

// Bent O with two equivalent H: Z to the H-H midpoint, Y to the nearer H (here H(2), 0.90 A against 1.00 A).
// Each H points Z to O and Y to the other H; H(2) matches H(1) and shares its kappa set.
TEST_F(AxisRules, WaterTakesMidpointDummyAndNearestHydrogen) {
  run_case("water");
  EXPECT_EQ(table(), (Lines{kHeader,
                            row("O(1)", "DUM1", "Z", "H(2)", "Y", 1, 1, 1, 4, "mm2"),
                            row("H(1)", "O(1)", "Z", "H(2)", "Y", 1, 2, 2, 2, "cyl"),
                            row("H(2)", "O(1)", "Z", "H(1)", "Y", 1, 2, 2, 2, "cyl", "H(1)"),
                            dum("DUM1", 0.504f, 0.5f, 0.557f), "END ATOM"}));
  // the twofold lies along Z (to DUM1), the mirrors are normal to x and y
  EXPECT_EQ(symplm(), (Lines{"SYMPLM  mxmy O1         1", "SYMPLM  cy   H1         1", "SYMPLM  cy   H2         1"}));
}

// Methyl carbon: three equivalent H pairs -> 3m, Z to O, X to the nearest H (H(3)); the hydroxyl O is bent
// with inequivalent neighbours and one H, so its X goes to C and Y to H; the methyl H take Y to O (the nearest
// heavy atom around C), the hydroxyl H takes Y to C and, being an alcohol H, opens its own kappa set.
TEST_F(AxisRules, MethanolMethylHydroxylAndHydrogens) {
  run_case("methanol");
  EXPECT_EQ(table(), (Lines{kHeader,
                            row("C(1)", "O(1)", "Z", "H(3)", "X", 2, 1, 1, 4, "3m"),
                            row("O(1)", "C(1)", "X", "H(4)", "Y", 1, 2, 2, 4, "m"),
                            row("H(1)", "C(1)", "Z", "O(1)", "Y", 1, 3, 3, 2, "cyl"),
                            row("H(2)", "C(1)", "Z", "O(1)", "Y", 1, 3, 3, 2, "cyl", "H(1)"),
                            row("H(3)", "C(1)", "Z", "O(1)", "Y", 1, 3, 3, 2, "cyl", "H(1)"),
                            row("H(4)", "O(1)", "Z", "C(1)", "Y", 1, 3, 4, 2, "cyl"), "END ATOM"}));
  EXPECT_EQ(symplm(), (Lines{"SYMPLM  3m   C1         1", "SYMPLM  mz   O1         1", "SYMPLM  cy   H1         1",
                             "SYMPLM  cy   H2         1", "SYMPLM  cy   H3         1", "SYMPLM  cy   H4         1"}));
}

// Planar carboxyl carbon without equivalent neighbours: X and Y to the first two ranked neighbours. The
// terminal O(1) ranks first though it is farther than O(2) (1.28 against 1.24 A): fewer neighbours wins.
// The terminal O(1) takes Y from the first other neighbour of the carbon (O(2), 119 degrees).
TEST_F(AxisRules, AceticAcidCarboxylGroup) {
  run_case("acetic");
  EXPECT_EQ(table(), (Lines{kHeader,
                            row("C(1)", "C(2)", "Z", "H(3)", "X", 1, 1, 1, 4, "3m"),
                            row("C(2)", "O(1)", "X", "O(2)", "Y", 1, 1, 2, 4, "m"),
                            row("O(1)", "C(2)", "X", "O(2)", "Y", 1, 2, 3, 4, "m"),
                            row("O(2)", "C(2)", "X", "H(4)", "Y", 1, 2, 4, 4, "m"),
                            row("H(1)", "C(1)", "Z", "C(2)", "Y", 1, 3, 5, 2, "cyl"),
                            row("H(2)", "C(1)", "Z", "C(2)", "Y", 1, 3, 5, 2, "cyl", "H(1)"),
                            row("H(3)", "C(1)", "Z", "C(2)", "Y", 1, 3, 5, 2, "cyl", "H(1)"),
                            row("H(4)", "O(2)", "Z", "C(2)", "Y", 1, 3, 6, 2, "cyl"), "END ATOM"}));
}

// Four equivalent H at 1.0566 (H2) < 1.0739 (H4) < 1.0912 (H1) < 1.1085 (H3) A: Z to the midpoint of the two
// nearest, Y to the third; an H on a carbon with only H neighbours takes Y from the nearest other H.
TEST_F(AxisRules, MethaneFourEquivalentNeighbours) {
  run_case("methane");
  EXPECT_EQ(table(), (Lines{kHeader,
                            row("C(1)", "DUM1", "Z", "H(1)", "Y", 1, 1, 1, 4, "-42m"),
                            row("H(1)", "C(1)", "Z", "H(2)", "Y", 1, 2, 2, 2, "cyl"),
                            row("H(2)", "C(1)", "Z", "H(4)", "Y", 1, 2, 2, 2, "cyl", "H(1)"),
                            row("H(3)", "C(1)", "Z", "H(2)", "Y", 1, 2, 2, 2, "cyl", "H(1)"),
                            row("H(4)", "C(1)", "Z", "H(2)", "Y", 1, 2, 2, 2, "cyl", "H(1)"),
                            dum("DUM1", 0.4995f, 0.4385f, 0.5005f), "END ATOM"}));
  // -42m has no MoPro symmetry code: the line is still written, with the code blank
  EXPECT_EQ(symplm().at(0), "SYMPLM       C1         1");
}

// No atom within 20 A: fixed dummies, made once and reused by the second ion. Both ions lie on the cell
// diagonal, in line with the origin and the cell centre, so Y takes the next fixed point, the centre of the a edge.
TEST_F(AxisRules, IsolatedIonsShareTheFixedDummies) {
  run_case("ions");
  EXPECT_EQ(table(), (Lines{kHeader,
                            row("NA(1)", "DUM1", "X", "DUM2", "Y", 1, 1, 1, 4, "NO"),
                            row("NA(2)", "DUM1", "X", "DUM2", "Y", 1, 1, 1, 4, "NO", "NA(1)"),
                            dum("DUM1", 0.0f, 0.0f, 0.0f), dum("DUM2", 0.5f, 0.0f, 0.0f), "END ATOM"}));
  EXPECT_TRUE(said(" were found within      20.00 Angstroms"));
  EXPECT_TRUE(said(" Will make dummies at 0,0,0 and 0.5,0.5,0.5"));
  EXPECT_NE(test::slurp("vorn.out").find(" Fixed point 0.5,0.5,0.5 lies on or in line with NA(1) : the axis points to "
                                         "0.5,0,0 instead"),
            std::string::npos);
  EXPECT_TRUE(symplm().empty());
  // an ion on the origin itself points X to the cell centre
  run_case("ionorigin");
  EXPECT_EQ(table(), (Lines{kHeader, row("NA(1)", "DUM1", "X", "DUM2", "Y", 1, 1, 1, 4, "NO"),
                            dum("DUM1", 0.5f, 0.5f, 0.5f), dum("DUM2", 0.5f, 0.0f, 0.0f), "END ATOM"}));
}

// Nitrile carbon at 179 degrees: Z to the methyl C (second raw neighbour); nothing but the two partners lies
// within 2.0 A, at 2.5 A the methyl H come in and the nearest, H(3) at 29 degrees, becomes X. The nitrogen's
// partner has only a collinear other neighbour, so N becomes cyl and the wider search gives H(3) (151 degrees).
TEST_F(AxisRules, AcetonitrileLinearWideningSearch) {
  run_case("acetonitrile");
  EXPECT_EQ(table(), (Lines{kHeader,
                            row("N(1)", "C(1)", "Z", "H(3)", "Y", 1, 2, 1, 4, "cyl"),
                            row("C(1)", "C(2)", "Z", "H(3)", "X", 1, 1, 2, 4, "cyl"),
                            row("C(2)", "C(1)", "Z", "H(3)", "X", 1, 1, 3, 4, "3m"),
                            row("H(1)", "C(2)", "Z", "C(1)", "Y", 1, 3, 4, 2, "cyl"),
                            row("H(2)", "C(2)", "Z", "C(1)", "Y", 1, 3, 4, 2, "cyl", "H(1)"),
                            row("H(3)", "C(2)", "Z", "C(1)", "Y", 1, 3, 4, 2, "cyl", "H(1)"), "END ATOM"}));
  EXPECT_EQ(symplm().at(1), "SYMPLM  cy   C1         1");
}

// O-C-N at 170.0 degrees (exactly, in single precision) is linear; at 169.9 it is bent. Nothing else lies within
// 12 A, so every search for a second axis ends at the origin dummy. C(2) is bent and differs from C(1) in site
// symmetry, so it opens a new kappa set while O(2) and N(2) share those of O(1) and N(1).
TEST_F(AxisRules, LinearThresholdIsInclusive) {
  run_case("angles170");
  EXPECT_EQ(table(), (Lines{kHeader,
                            row("O(1)", "C(1)", "Z", "DUM1", "Y", 1, 1, 1, 4, "cyl"),
                            row("C(1)", "N(1)", "Z", "DUM1", "X", 1, 2, 2, 4, "cyl"),
                            row("N(1)", "C(1)", "Z", "DUM1", "Y", 1, 3, 3, 4, "cyl"),
                            row("O(2)", "C(2)", "Z", "DUM1", "Y", 1, 1, 1, 4, "cyl", "O(1)"),
                            row("C(2)", "O(2)", "X", "N(2)", "Y", 1, 2, 4, 4, "m"),
                            row("N(2)", "C(2)", "Z", "DUM1", "Y", 1, 3, 3, 4, "cyl", "N(1)"),
                            dum("DUM1", 0.0f, 0.0f, 0.0f), "END ATOM"}));
  EXPECT_TRUE(said(" were found within      10.00 Angstroms"));  // the linear search stops at 10 A
  EXPECT_TRUE(said(" were found within      12.00 Angstroms"));  // the terminal search at 12 A
  EXPECT_TRUE(said(" Will make dummy at 0,0,0"));
}

// A terminal atom takes its partner's other neighbour at 160.0 degrees as Y ("m"); at 160.5 it turns to Z and
// cyl and, with nothing else near, takes the origin dummy. Differing site symmetry splits the kappa sets of the
// terminal atoms while the two bent carbons share one.
TEST_F(AxisRules, CollinearityLimitIsInclusive) {
  run_case("angles160");
  EXPECT_EQ(table(), (Lines{kHeader,
                            row("O(1)", "C(1)", "X", "N(1)", "Y", 1, 1, 1, 4, "m"),
                            row("C(1)", "O(1)", "X", "N(1)", "Y", 1, 2, 2, 4, "m"),
                            row("N(1)", "C(1)", "X", "O(1)", "Y", 1, 3, 3, 4, "m"),
                            row("O(2)", "C(2)", "Z", "DUM1", "Y", 1, 1, 4, 4, "cyl"),
                            row("C(2)", "O(2)", "X", "N(2)", "Y", 1, 2, 2, 4, "m", "C(1)"),
                            row("N(2)", "C(2)", "Z", "DUM1", "Y", 1, 3, 5, 4, "cyl"),
                            dum("DUM1", 0.0f, 0.0f, 0.0f), "END ATOM"}));
  EXPECT_EQ(symplm(), (Lines{"SYMPLM  mz   O1         1", "SYMPLM  mz   C1         1", "SYMPLM  mz   N1         1",
                             "SYMPLM  cy   O2         1", "SYMPLM  mz   C2         1", "SYMPLM  cy   N2         1"}));
}

// AR(1) sits 3.4 A from C(1) at 10 degrees off the C-N bond (9.99999 in single precision; exactly 10.0 cannot
// come out of the float arccosine), AR(2) 3.6 A away at 90 degrees. The linear search of C(1) and the terminal
// search of N(1) both reject AR(1) and take AR(2); O(1) rejects AR(1) as collinear (169 degrees). AR(1) has no
// bonds: its two nearest atoms N(1) and C(1) make 6 degrees at it, and so does the next, O(1) (8.8 degrees),
// so AR(2) (46.9 degrees) replaces C(1) as Y; AR(2)'s two nearest, C(1) and N(1), make 19.9 degrees and stay.
TEST_F(AxisRules, CoincidenceLimitRejectsTenDegrees) {
  run_case("angles10");
  EXPECT_EQ(table(), (Lines{kHeader,
                            row("O(1)", "C(1)", "Z", "AR(2)", "Y", 1, 1, 1, 4, "cyl"),
                            row("C(1)", "N(1)", "Z", "AR(2)", "X", 1, 2, 2, 4, "cyl"),
                            row("N(1)", "C(1)", "Z", "AR(2)", "Y", 1, 3, 3, 4, "cyl"),
                            row("AR(1)", "N(1)", "X", "AR(2)", "Y", 1, 4, 4, 4, "NO"),
                            row("AR(2)", "C(1)", "X", "N(1)", "Y", 1, 4, 4, 4, "NO", "AR(1)"), "END ATOM"}));
}

// The only candidate for the hydrogen's Y lies behind its parent, 175 degrees from the H: more than 170 degrees
// is no partner, so Y goes to the origin dummy.
TEST_F(AxisRules, HydrogenYSearchRejectsAtomsStraightBehindTheParent) {
  run_case("hbehind");
  const Lines t = table();
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t[2], row("H(1)", "F(1)", "Z", "DUM1", "Y", 1, 1, 2, 2, "cyl"));
  EXPECT_EQ(t[4], dum("DUM1", 0.0f, 0.0f, 0.0f));
}
