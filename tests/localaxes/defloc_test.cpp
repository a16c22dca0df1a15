// Whole runs on small structures: the frames where rules meet trans ligands, lone disordered
// neighbours, two-ring atoms, ring-centre dummies and symmetry copies; the kappa-set index.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "../support.h"
#include "driver/control.h"
#include "driver/vorn.h"
#include "localaxes/localdef.h"
#include "readers/shelx.h"
#include "topology/fragments.h"
#include "topology/neighbors.h"
#include "topology/rings.h"
#include "util/format.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

class LocalAxes : public test::InTempDir {
 protected:
  // Runs the program on tests/data/<file> with the given control lines after FORMAT/INPUT.
  void job(const std::string& file, const std::string& more = "") {
    fs::copy_file(test::data_path(file), fs::path(file).filename(), fs::copy_options::overwrite_existing);
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT " + fs::path(file).filename().string() + "\n" + more);
    std::ostringstream con;
    std::istringstream in;
    ASSERT_EQ(vorn_main({}, con, in), 0);
    ASSERT_EQ(con.str().find("ERROR"), std::string::npos) << con.str();
    table.clear();
    dummies.clear();
    bool in_table = false;
    for (const auto& l : test::lines_of(test::slurp("xd_vorn.mas"))) {
      if (l.rfind("ATOM     ATOM0", 0) == 0) in_table = true;
      else if (l == "END ATOM") in_table = false;
      else if (in_table) (l.rfind("DUM", 0) == 0 ? dummies : table).push_back(l);
    }
    log = test::slurp("vorn.out");
  }
  bool logged(const std::string& s) const { return log.find(s) != std::string::npos; }
  std::vector<std::string> table, dummies;
  std::string log;
};

}  // namespace

// SF6 with F1 trans to F2: the two top-ranked fluorines are in line with S, so Y moves to F3.
TEST_F(LocalAxes, TransLigandsOfAnOctahedronDoNotDefineTheFrame) {
  job("localaxes/octahedral.res");
  ASSERT_EQ(table.size(), 7u);
  EXPECT_EQ(table[0], "S(1)     F(1)      X  S(1)     F(3)     Y   R   1  1   1   4   NO");
  EXPECT_TRUE(logged(" Axis atoms F(1) and F(2) make   180.00 deg. at S(1) : the second axis atom is replaced"));
  EXPECT_TRUE(logged(" Angle   F(1) - S(1) - F(3) =    90.00 deg."));
  // a terminal F: the trans F(2) (180 deg. at S) turns the frame cylindrical, F(3) gives Y
  EXPECT_EQ(table[1], "F(1)     S(1)      Z  F(1)     F(3)     Y   R   1  2   2   4   cyl");
  EXPECT_EQ(table[3], "F(3)     S(1)      X  F(3)     F(1)     Y   R   1  2   3   4   m");
  EXPECT_TRUE(dummies.empty());
  // no dummies: the table runs straight into END ATOM, and vorn.ang lists the atoms only
  EXPECT_NE(test::slurp("xd_vorn.mas").find("   m       F(3)\nEND ATOM\n"), std::string::npos);
  const auto ang = test::lines_of(test::slurp("vorn.ang"));
  ASSERT_EQ(ang.size(), 8u);
  EXPECT_EQ(ang[0], "ANGSTROM");
  EXPECT_EQ(ang[1], "ATOM S(1)    " + std::string(3, ' ') + "       10.0000       10.0000       10.0000");
  EXPECT_EQ(ang[7].substr(0, 9), "ATOM F(6)");
}

// O(2) is ordered and bonded only to the disordered C(1): the second point comes from the
// wider search (N(1), 3.04 A away at 90 deg.), and it reuses the IAM kappa set of O(1).
TEST_F(LocalAxes, LoneDisorderedNeighbourGetsItsSecondPointFromTheWiderSearch) {
  job("localaxes/lonedisorder.res");
  ASSERT_EQ(table.size(), 7u);
  EXPECT_EQ(table[3], "O(2)     C(1)      X  O(2)     N(1)     Y   R   1  3   1   4   NO");
  EXPECT_TRUE(logged(" Only one candidate for the axes of O(2); the second axis point comes from a wider search"));
  EXPECT_TRUE(logged(" Angle   C(1) - O(2) - N(1) =    90.00 deg."));
  EXPECT_TRUE(logged(" Using old [IAM] kappa set =    1"));
  // disordered C(1) is terminal on O(2), whose only neighbour it is: the origin dummy
  EXPECT_EQ(table[4], "C(1)     O(2)      X  C(1)     DUM2     Y   R   1  1   3   4   m");
  // N(1): ordered, its only neighbour C(2) disordered, no IAM set of its table yet
  EXPECT_EQ(table[6], "N(1)     C(2)      X  N(1)     O(2)     Y   R   1  2   5   4   NO");
  ASSERT_EQ(dummies.size(), 2u);
  EXPECT_EQ(dummies[1], "DUM2        0.000000    0.000000    0.000000");
}

// The spiro carbon lies in two planar (three-membered) rings and none of its neighbours lies in
// two: with the ring treatment the X search fails, which is logged, and the general rules
// give the four equivalent carbons' "-42m" frame, as without the treatment.
TEST_F(LocalAxes, SpiroCarbonFallsBackToTheGeneralRules) {
  const std::string spiro = "C(1)     DUM1      Z  C(1)     C(4)     Y   R   1  1   1   4   -42m";
  job("localaxes/spiro.res", "RINGS 3 8\n");
  ASSERT_EQ(table.size(), 5u);
  EXPECT_EQ(table[0], spiro);
  EXPECT_FALSE(logged("Could not find atom"));
  // midpoint of C(2) and C(3), the two top-ranked (nearest) carbons, on +z
  ASSERT_EQ(dummies.size(), 1u);
  EXPECT_EQ(dummies[0].substr(0, 32), "DUM1        0.500000    0.500000");

  job("localaxes/spiro.res", "RINGS 3 8 *\n");
  ASSERT_EQ(table.size(), 5u);
  EXPECT_EQ(table[0], spiro);
  EXPECT_TRUE(logged(" Atom belongs to 2 planar rings of tot numb ( #    3 )"));
  EXPECT_TRUE(logged(" Warning : Could not find atom to direct X-axis; the general rules are used for this atom"));
  // each three-membered ring has its own centre, shared by its two other atoms; Y goes to the
  // ring neighbour with fewer bonds
  EXPECT_EQ(table[1], "C(2)     DUM2      X  C(2)     C(3)     Y   R   1  1   2   4   m");
  EXPECT_EQ(table[2], "C(3)     DUM2      X  C(3)     C(2)     Y   R   1  1   2   4   m       C(2)");
  EXPECT_EQ(table[3], "C(4)     DUM3      X  C(4)     C(5)     Y   R   1  1   2   4   m       C(2)");
  EXPECT_EQ(table[4], "C(5)     DUM3      X  C(5)     C(4)     Y   R   1  1   2   4   m       C(2)");
  EXPECT_EQ(dummies.size(), 3u);
}

// Benzene: with the ring treatment every carbon points X at one shared ring-centre dummy;
// without it each carbon is planar mm2 with Z at the midpoint of its two ring neighbours.
TEST_F(LocalAxes, BenzeneRingCentreIsOneDummy) {
  job("localaxes/benzene.res", "RINGS 3 8 *\n");
  ASSERT_EQ(table.size(), 12u);
  ASSERT_EQ(dummies.size(), 1u);
  EXPECT_EQ(dummies[0], "DUM1        0.500000    0.500000    0.500000");
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(table[i]);
    EXPECT_EQ(table[i].substr(9, 11), "DUM1      X");
    EXPECT_EQ(table[i].substr(40, 1), "Y");
    EXPECT_EQ(test::pad_to(table[i], 80).substr(63, 5), "m    ");
    EXPECT_EQ(fmt::trim(test::pad_to(table[i], 80).substr(71)), i == 0 ? "" : "C(1)");
    // Y to a ring neighbour: C(i-1) or C(i+1)
    const int y = table[i][33] - '0', me = i + 1;
    EXPECT_TRUE(y == me % 6 + 1 || y == (me + 4) % 6 + 1) << y;
  }
  for (int i = 6; i < 12; ++i) EXPECT_EQ(table[i].substr(63, 3), "cyl");
  EXPECT_EQ(test::lines_of(test::slurp("con_mopro.inp"))[3], "SYMPLM  mz   C1         1");

  job("localaxes/benzene.res", "RINGS 3 8\n");
  ASSERT_EQ(dummies.size(), 6u);
  // C(1) at (1.39, 0, 0): its ring neighbours' midpoint is (0.695, 0, 0) A from the centre
  EXPECT_EQ(dummies[0], "DUM1        0.534750    0.500000    0.500000");
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(table[i].substr(9, 11), "DUM" + std::to_string(i + 1) + "      Z");
    EXPECT_EQ(table[i].substr(63, 3), "mm2");
  }
  EXPECT_TRUE(logged(" Atom belongs to only one planar ring ( #    1 )"));

  // with the ring treatment a ring carbon's axes come from the ring, yet it stays a planar
  // three-neighbour atom (lPG T) and takes the aromatic C-H entry of the databank
  fs::copy_file(fs::path(VORN_TEST_DATA) / "../../examples/sample.db", "sample.db");
  job("localaxes/benzene.res", "RINGS 3 8 *\nDATABANK sample.db\nNFRAG 1\nFRAG 1 1 -12\nCHFRAG 0.\n");
  const size_t c1 = log.find(" Searching DataBank for a match");
  ASSERT_NE(c1, std::string::npos);
  const size_t lpg = log.find(" lPG   =  ", c1);  // C(1)'s search comes first
  ASSERT_NE(lpg, std::string::npos);
  EXPECT_EQ(log.substr(lpg, 12), " lPG   =  T\n");
  EXPECT_TRUE(logged(" DB comment for C(1) = [aromatic carbon with one hydrogen]"));
}

// A planar atom with an equivalent pair of oxygens and a heavy odd neighbour (the nitro N of
// nitromethane, the carboxylate C of acetate): mm2 with Z to the odd atom itself, X to the first
// oxygen; no dummy anywhere (the methyl carbons point Z at their unique neighbour too).
TEST_F(LocalAxes, NitroAndCarboxylatePointZAtTheOddNeighbour) {
  job("localaxes/nitro_acetate.res");
  ASSERT_EQ(table.size(), 14u);
  EXPECT_TRUE(dummies.empty());
  for (const auto& [atom, odd] : {std::pair<std::string, std::string>{"N(1)", "C(1)"}, {"C(3)", "C(2)"}}) {
    SCOPED_TRACE(atom);
    const auto row = std::find_if(table.begin(), table.end(), [&](const std::string& l) { return l.rfind(atom, 0) == 0; });
    ASSERT_NE(row, table.end());
    EXPECT_EQ(row->substr(9, 11), test::pad_to(odd, 10) + "Z");
    EXPECT_EQ(row->substr(40, 1), "X");
    EXPECT_EQ(test::pad_to(*row, 80).substr(63, 5), "mm2  ");
  }
}

// Half a benzene on an inversion centre, completed with NCELLS 1: C(2)'s X atom is the image
// of C(3), which becomes a dummy at the image's place (-x, -y, -z of C3).
TEST_F(LocalAxes, SymmetryCopiesOnAxesBecomeDummies) {
  job("shelx/benzene_inversion.res", "NCELLS 1\n");
  ASSERT_EQ(table.size(), 6u);
  EXPECT_EQ(table[0], "C(1)     DUM1      Z  C(1)     C(3)     X   R   2  1   1   4   mm2");
  EXPECT_EQ(table[2], "C(2)     DUM2      Z  C(2)     DUM3     X   R   2  1   1   4   mm2     C(1)");
  EXPECT_EQ(table[3], "H(2)     C(2)      Z  H(2)     C(1)     Y   R   1  2   2   2   cyl     H(1)");
  ASSERT_EQ(dummies.size(), 4u);
  // midpoint of C2 and C3, then of C1 and the image of C3, then that image itself
  EXPECT_EQ(dummies[0], "DUM1        0.027750    0.068850   -0.000700");
  EXPECT_EQ(dummies[1], "DUM2       -0.066050    0.025450   -0.063950");
  EXPECT_EQ(dummies[2], "DUM3       -0.189000   -0.087800   -0.126200");
  EXPECT_TRUE(logged(" Atom C(3) used in definition of X-axis is symmetry-generated; replace with dummy    3"));
}

// Fusion atoms of two planar rings with *special: X to the other fusion atom, Y to a neighbour that lies in the
// six-membered ring only. In indole that excludes N(1) and C(3) of the five-membered ring.
TEST_F(LocalAxes, FusedPlanarRingsPointXAcrossTheFusionBond) {
  struct Row {
    const char* file;
    const char* atom;
    const char* x;
    std::vector<std::string> y;  // the six-ring-only neighbours
  };
  const Row rows[] = {
      {"localaxes/indole.res", "C(3A)", "C(7A)", {"C(4)"}},
      {"localaxes/indole.res", "C(7A)", "C(3A)", {"C(7)"}},
      {"localaxes/naphthalene.res", "C(4A)", "C(8A)", {"C(4)", "C(5)"}},
      {"localaxes/naphthalene.res", "C(8A)", "C(4A)", {"C(1)", "C(8)"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.file) + " " + r.atom);
    job(r.file, "RINGS 3 8 *special\n");
    const auto line = std::find_if(table.begin(), table.end(), [&](const std::string& l) {
      return fmt::trim(l.substr(0, 8)) == r.atom;
    });
    ASSERT_NE(line, table.end());
    const std::string l = test::pad_to(*line, 80);
    EXPECT_EQ(fmt::trim(l.substr(9, 8)), r.x);
    EXPECT_EQ(l.substr(19, 1), "X");
    EXPECT_NE(std::find(r.y.begin(), r.y.end(), fmt::trim(l.substr(31, 8))), r.y.end()) << l;
    EXPECT_EQ(l.substr(40, 1), "Y");
    EXPECT_EQ(l.substr(63, 5), "m    ");
    EXPECT_TRUE(logged(" Atom belongs to 2 planar rings"));
  }
}

// The last atom of the asymmetric unit is no symmetry copy: axes towards C(3), atom ia here, keep its label.
TEST_F(LocalAxes, LastAsymmetricUnitAtomIsNoCopy) {
  job("shelx/benzene_inversion_c3last.res", "NCELLS 1\n");
  ASSERT_EQ(table.size(), 6u);
  EXPECT_EQ(table[0], "C(1)     DUM1      Z  C(1)     C(3)     X   R   2  1   1   4   mm2");
  EXPECT_EQ(table[1].substr(0, 41), "H(1)     C(1)      Z  H(1)     C(3)     Y");
  // only C(2)'s axis towards the image of C3 becomes a dummy
  EXPECT_EQ(dummies.size(), 4u);
  EXPECT_EQ(log.find("used in definition"), log.rfind("used in definition"));
}

// The index of equivalence classes finds the same earlier atom as testing them one by one.
TEST_F(LocalAxes, KappaIndexAgreesWithTheOneByOneSearch) {
  auto run_with = [&](vorn::Run& run, const std::string& file, int verbose, const std::string& tag) {
    fs::copy_file(test::data_path(file), "s.res", fs::copy_options::overwrite_existing);
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\nRINGS 3 8\nVERBOSE " + std::to_string(verbose) + "\n");
    std::ostringstream con;
    test::open_reader_outputs(run, ".", con, tag);
    run.icon.open("con_mopro.inp" + tag);
    run.iplat.open("vorn.spf" + tag);
    init(run);
    readinp(run);
    readshelx(run, run.set.fname[0]);
    run.cryst.natoms = run.atoms.ia;
    connect4rings(run);
    findrings(run);
    findallneighbors(run);
    localdef(run);
  };
  for (const char* file : {"localaxes/benzene.res", "localaxes/octahedral.res", "shelx/methanol.res"}) {
    SCOPED_TRACE(file);
    vorn::Run quick, literal;
    run_with(quick, file, 1, "q");
    run_with(literal, file, 3, "l");
    ASSERT_EQ(quick.atoms.ia, literal.atoms.ia);
    EXPECT_EQ(quick.kappaset.kset, literal.kappaset.kset);
    EXPECT_EQ(quick.ichemcon, literal.ichemcon);
    EXPECT_EQ(quick.kappaset.itkset, literal.kappaset.itkset);
    EXPECT_GT(quick.kappaset.itkset, 1);
  }
}

// Square-planar metals: a trans pair has its midpoint on the metal, so that midpoint never
// directs an axis. trans-NiCl2N2 (2 + 2 pairs) points Z along N-Ni-N; square-planar NiCl4 (all
// four equivalent) pairs the first ranked Cl with the next one cis to it.
TEST_F(LocalAxes, TransPairsOfSquarePlanarMetalsKeepTheFrameDefined) {
  job("localaxes/squareplanar.res");
  ASSERT_EQ(table.size(), 10u);
  EXPECT_EQ(table[0], "NI(1)    N(1)      Z  NI(1)    CL(1)    Y   R   1  1   1   4   mm2");
  EXPECT_TRUE(logged(" Midpoint of N(1) and N(2) lies on NI(1) : the axis points to N(1) instead"));
  EXPECT_EQ(table[5], "NI(2)    DUM1      Z  NI(2)    CL(4)    Y   R   1  1   4   4   -42m");
  EXPECT_TRUE(logged(" Midpoint of CL(3) and CL(4) lies on NI(2) : the axis points to CL(5) instead"));
  // the one dummy: halfway between CL(3) at +x and CL(5) at +y, 2.20 and 2.22 A from NI(2)
  ASSERT_EQ(dummies.size(), 1u);
  // (0.373333 + 0.300000) / 2 from the file's six decimals: the last digit is a rounding tie
  std::istringstream d(dummies[0].substr(6));
  float x = 0, y = 0, z = 0;
  d >> x >> y >> z;
  EXPECT_NEAR(x, 0.3366665f, 1.5e-6f);
  EXPECT_NEAR(y, 0.337f, 1e-6f);
  EXPECT_NEAR(z, 0.7f, 1e-6f);
}
