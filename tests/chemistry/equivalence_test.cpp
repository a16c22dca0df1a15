// Chemical equivalence: each criterion and switch, the verbose trace, and symmetry-copy dummies.
#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <utility>

#include "../support.h"
#include "chemistry/equivalence.h"
#include "localaxes/symcopies.h"
#include "topology/neighbors.h"
#include "util/format.h"

using namespace vorn;

// Tests that read the log run in a scratch directory.
class EquivFiles : public vorn::test::InTempDir {};

namespace {

int put(vorn::Run& run, int z, Vec3 x, const std::string& label) {
  static std::ostringstream quiet;  // the neighbour stage's console banner is not under test
  run.console = &quiet;
  const int i = add_atom(run, "Test");
  run.atoms.itype[i] = z;
  run.atoms.xc[i] = x;
  run.atoms.atom[i] = (label + std::string(8, ' ')).substr(0, 8);
  run.atoms.ia = i;
  run.cryst.natoms = i;
  return i;
}

// Bond length by element, short enough that no two arms of one centre bond each other.
float arm(int z) { return z == 1 ? 1.0f : (z == 8 ? 1.4f : 1.5f); }

// A centre of element z at c with one arm per listed element along +x, -x, +y, -y, +z, -z.
int star(vorn::Run& run, int z, Vec3 c, const std::string& label, std::initializer_list<int> arms) {
  static const Vec3 dir[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  const int k = put(run, z, c, label);
  int d = 0;
  for (int za : arms) {
    const float r = arm(za);
    put(run, za, {c[0] + r * dir[d][0], c[1] + r * dir[d][1], c[2] + r * dir[d][2]}, label + "_" + std::to_string(d + 1));
    ++d;
  }
  return k;
}

// Atom numbers of the test molecules, each 20 A from the next.
struct Mols {
  int ch2, choh, ch3, cco, ring6, chain, ring5, cn3;
};

Mols molecules(vorn::Run& run) {
  Mols m{};
  m.ch2 = star(run, 6, {0, 0, 0}, "C1", {6, 6, 1, 1});     // H and C classes: 2 H, 2 C
  m.choh = star(run, 6, {20, 0, 0}, "C2", {6, 6, 1, 8});   // H, C, O
  m.ch3 = star(run, 6, {40, 0, 0}, "C3", {6, 1, 1, 1});    // 3 H, 1 C
  m.cco = star(run, 6, {60, 0, 0}, "C4", {6, 6, 8, 8});    // C, O
  m.ring6 = star(run, 6, {80, 0, 0}, "C5", {6, 6, 1});     // three neighbours each
  m.chain = star(run, 6, {100, 0, 0}, "C6", {6, 6, 1});
  m.ring5 = star(run, 6, {120, 0, 0}, "C7", {6, 6, 1});
  m.cn3 = star(run, 6, {140, 0, 0}, "C8", {6, 6, 6});
  findallneighbors(run);
  return m;
}

// One planar ring record holding atom k and its two carbon arms, nominally of size n.
void ring_of(vorn::Run& run, int k, int n) {
  Rings& rg = run.rings;
  ++rg.nor;
  rg.noar.push_back(n);
  std::vector<int> members{k, k + 1, k + 2};
  for (int m = 3; m < n; ++m) members.push_back(0);  // the rest of the ring is not needed here
  rg.nra.push_back(members);
  rg.planar.push_back(true);
  rg.ipldum.push_back(0);
}

// Runs one comparison with the log open at the given verbosity and returns the log lines.
std::vector<std::string> traced(vorn::Run& run, int verbosity, bool& result, int a, int b, int ics, int icg,
                                int isimple, int irg) {
  run.set.iverbose = verbosity;
  run.nout.open("vorn.out", std::ios::trunc);
  result = sameatoms(run, a, b, ics, icg, isimple, irg);
  run.nout.close();
  return vorn::test::lines_of(vorn::test::slurp("vorn.out"));
}

}  // namespace

TEST(Equiv, TwoHydrogensOnOneCarbonAreEquivalent) {
  vorn::Run run;
  const Mols m = molecules(run);
  ASSERT_EQ(run.atoms.itype[m.ch2 + 3], 1);
  ASSERT_EQ(run.atoms.itype[m.ch2 + 4], 1);
  EXPECT_TRUE(sameatoms(run, m.ch2 + 3, m.ch2 + 4, 0, 0, 0, 0));
  EXPECT_TRUE(sameatoms(run, m.ch2 + 3, m.ch2 + 4, 1, 1, 0, 1));
  EXPECT_TRUE(sameatoms(run, m.ch2, m.ch2, 1, 1, 0, 1));
}

TEST(Equiv, DifferentElementsDiffer) {
  vorn::Run run;
  const Mols m = molecules(run);
  EXPECT_FALSE(sameatoms(run, m.ch2, m.ch2 + 3, 0, 0, 0, 0));
  EXPECT_FALSE(sameatoms(run, m.ch2, m.ch2 + 3, 0, 0, 1, 0));  // SIMPLE does not hide the element
  EXPECT_FALSE(sameatoms(run, m.choh + 4, m.choh + 3, 0, 0, 1, 0));  // O against H
}

TEST(Equiv, DifferentNeighbourCountsDiffer) {
  vorn::Run run;
  const Mols m = molecules(run);
  ASSERT_EQ(run.neighbors.nnei[m.ch2], 4);
  ASSERT_EQ(run.neighbors.nnei[m.ring6], 3);
  EXPECT_FALSE(sameatoms(run, m.ch2, m.ring6, 0, 0, 0, 0));
  EXPECT_FALSE(sameatoms(run, m.ch2, m.ring6, 0, 0, 1, 0));
}

TEST(Equiv, SimpleSwitchSkipsNeighbourClasses) {
  vorn::Run run;
  const Mols m = molecules(run);
  EXPECT_TRUE(sameatoms(run, m.ch2, m.choh, 0, 0, 1, 0));   // same count, classes ignored
  EXPECT_FALSE(sameatoms(run, m.ch2, m.choh, 0, 0, 0, 0));  // H,C against H,C,O
  EXPECT_TRUE(sameatoms(run, m.ch2, m.ch3, 0, 0, 1, 0));
  EXPECT_FALSE(sameatoms(run, m.ch2, m.ch3, 0, 0, 0, 0));   // 2 H against 3 H
  EXPECT_FALSE(sameatoms(run, m.ch2, m.cco, 0, 0, 0, 0));   // H,C against C,O
}

TEST(Equiv, RingSwitchComparesPlanarRingSize) {
  vorn::Run run;
  const Mols m = molecules(run);
  ring_of(run, m.ring6, 6);
  ring_of(run, m.ring5, 5);
  EXPECT_TRUE(sameatoms(run, m.ring6, m.chain, 0, 0, 0, 0));   // ring not asked for
  EXPECT_FALSE(sameatoms(run, m.ring6, m.chain, 0, 0, 0, 1));  // 6 against 0
  EXPECT_FALSE(sameatoms(run, m.ring6, m.ring5, 1, 1, 0, 1));  // 6 against 5
  EXPECT_TRUE(sameatoms(run, m.ring6, m.chain, 0, 0, 1, 1));   // SIMPLE skips rings too
  // the size is compared, not the ring itself
  ring_of(run, m.chain, 11);
  EXPECT_TRUE(sameatoms(run, m.ring6, m.ring6, 0, 0, 0, 1));
  EXPECT_FALSE(sameatoms(run, m.ring6, m.chain, 0, 0, 0, 1));  // 6 against 11
}

TEST(Equiv, SiteSymmetrySwitch) {
  vorn::Run run;
  const Mols m = molecules(run);
  run.atoms.asym[m.ring6] = "m    ";
  run.atoms.asym[m.chain] = "mm2  ";
  EXPECT_TRUE(sameatoms(run, m.ring6, m.chain, 0, 1, 0, 1));
  EXPECT_FALSE(sameatoms(run, m.ring6, m.chain, 1, 0, 0, 0));
  run.atoms.asym[m.chain] = "m    ";
  EXPECT_TRUE(sameatoms(run, m.ring6, m.chain, 1, 0, 0, 0));
  run.atoms.asym[m.chain] = "m   x";  // every one of the five characters counts
  EXPECT_FALSE(sameatoms(run, m.ring6, m.chain, 1, 0, 0, 0));
}

TEST(Equiv, FunctionalGroupSwitch) {
  vorn::Run run;
  const Mols m = molecules(run);
  // blank groups for every atom: the switch cannot separate atoms before groups are known
  EXPECT_TRUE(sameatoms(run, m.ring6, m.chain, 0, 1, 0, 0));
  run.except.group[m.ring6] = std::string("C(ar)") + std::string(35, ' ');
  EXPECT_TRUE(sameatoms(run, m.ring6, m.chain, 1, 0, 0, 0));
  EXPECT_FALSE(sameatoms(run, m.ring6, m.chain, 0, 1, 0, 0));
  run.except.group[m.chain] = run.except.group[m.ring6];
  EXPECT_TRUE(sameatoms(run, m.ring6, m.chain, 0, 1, 0, 0));
}

TEST_F(EquivFiles, EquivTraceOfEquivalentPair) {
  vorn::Run run;
  const Mols m = molecules(run);
  bool r = false;
  const auto lines = traced(run, 3, r, m.ch2 + 3, m.ch2 + 4, 0, 0, 0, 0);
  EXPECT_TRUE(r);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], " Checking if atoms C1_3 and C1_4 are chemically equivalent:");
  EXPECT_EQ(lines[2], "  YES, these atoms are chemically equivalent !");
}

TEST_F(EquivFiles, EquivTraceGivesTheFirstFailingReason) {
  vorn::Run run;
  const Mols m = molecules(run);
  ring_of(run, m.ring6, 6);
  run.atoms.asym[m.ring6] = "m    ";
  run.except.group[m.ring6] = std::string("X") + std::string(39, ' ');
  const std::string no = "   atoms are NOT chemically equivalent : ";
  struct Case {
    int a, b, ics, icg, isimple, irg;
    std::string why;
  };
  const Case cases[] = {
      {m.ch2, m.ch2 + 3, 1, 1, 0, 1, " Diff. atomic numbers"},
      {m.ch2, m.ring6, 1, 1, 0, 1, " Diff. number of neighbors"},
      {m.ch2, m.choh, 1, 1, 0, 1, " Diff. number of neighbor types"},
      {m.ch2, m.cco, 1, 1, 0, 1, " Diff. atomic numbers of  1-th type     "},
      {m.ch2, m.ch3, 1, 1, 0, 1, " Diff. num. of nei. of  1-th type       "},
      {m.ring6, m.cn3, 1, 1, 0, 1, " Diff. number of neighbor types"},
      {m.ring6, m.chain, 1, 1, 0, 1, " Diff. ring memb numbers"},  // before symmetry and group
      {m.ring6, m.chain, 1, 1, 0, 0, " Diff. local symmetry"},
      {m.ring6, m.chain, 1, 1, 1, 1, " Diff. local symmetry"},
      {m.ring6, m.chain, 0, 1, 0, 0, " Diff. functional groups"},
  };
  for (const Case& c : cases) {
    bool r = true;
    const auto lines = traced(run, 3, r, c.a, c.b, c.ics, c.icg, c.isimple, c.irg);
    EXPECT_FALSE(r) << c.why;
    ASSERT_EQ(lines.size(), 3u) << c.why;
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], " Checking if atoms " + fmt::trim(run.atoms.atom[c.a]) + " and " +
                            fmt::trim(run.atoms.atom[c.b]) + " are chemically equivalent:");
    EXPECT_EQ(lines[2], no + c.why);
  }
}

TEST_F(EquivFiles, EquivSecondClassReasonNamesItsSlot) {
  vorn::Run run;
  put(run, 6, {0, 0, 0}, "CA");
  put(run, 1, {1.0f, 0, 0}, "HA");
  put(run, 6, {-1.5f, 0, 0}, "CA1");
  put(run, 6, {0, 1.5f, 0}, "CA2");
  put(run, 6, {20, 0, 0}, "CB");
  put(run, 1, {21.0f, 0, 0}, "HB");
  put(run, 8, {18.6f, 0, 0}, "OB1");
  put(run, 8, {20, 1.4f, 0}, "OB2");
  findallneighbors(run);
  bool r = true;
  const auto lines = traced(run, 3, r, 1, 5, 0, 0, 0, 0);
  EXPECT_FALSE(r);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "   atoms are NOT chemically equivalent :  Diff. atomic numbers of  2-th type     ");
}

TEST_F(EquivFiles, EquivNothingLoggedAtVerbosityTwo) {
  vorn::Run run;
  const Mols m = molecules(run);
  bool r = true;
  EXPECT_TRUE(traced(run, 2, r, m.ch2, m.choh, 0, 0, 0, 0).empty());
  EXPECT_FALSE(r);
  EXPECT_TRUE(traced(run, 1, r, m.ch2 + 3, m.ch2 + 4, 0, 0, 0, 0).empty());
  EXPECT_TRUE(r);
}

namespace {

// Asymmetric unit C1, C2 and one generated copy of C1 at fractional (0.6, 0.5, 0.25) in a
// 10 x 10 x 10 cell.
void with_copy(vorn::Run& run) {
  run.transf.rm = Mat3{{{10, 0, 0}, {0, 10, 0}, {0, 0, 10}}};
  run.transf.rm1 = Mat3{{{0.1f, 0, 0}, {0, 0.1f, 0}, {0, 0, 0.1f}}};
  put(run, 6, {1, 1, 1}, "C1");
  run.atoms.xf[1] = {0.1f, 0.1f, 0.1f};
  put(run, 6, {2.4f, 1, 1}, "C2");
  run.atoms.xf[2] = {0.24f, 0.1f, 0.1f};
  const int g = add_atom(run, "Test");
  run.atoms.itype[g] = 6;
  run.atoms.atom[g] = "C1      ";
  run.atoms.xf[g] = {0.6f, 0.5f, 0.25f};
  run.atoms.xc[g] = {6.0f, 5.0f, 2.5f};
  run.cryst.isymeq[g] = 1;
  run.cryst.natoms = g;
}

}  // namespace

TEST_F(EquivFiles, EquivChecksymeqReplacesGeneratedAxisAtom) {
  vorn::Run run;
  with_copy(run);
  run.nout.open("vorn.out");
  std::string at1 = "C1      ", at2 = "C2      ";
  // X-axis atom within half the threshold of the copy, Y-axis atom at twice the threshold
  checksymeq(run, {6.0f + 0.5f * thresh, 5.0f, 2.5f}, {6.0f, 5.0f + 2.0f * thresh, 2.5f}, at1, at2, "X", "Y");
  run.nout.close();
  EXPECT_EQ(run.dummy.ndum, 1);
  EXPECT_EQ(run.dummy.dlab[1], "DUM1  ");
  EXPECT_EQ(at1, "DUM1    ");
  EXPECT_EQ(at2, "C2      ");
  for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(run.dummy.xdum[1][k], run.atoms.xf[3][k]);
  const auto lines = vorn::test::lines_of(vorn::test::slurp("vorn.out"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], " Atom C1 used in definition of X-axis is symmetry-generated; replace with dummy    1");
}

TEST_F(EquivFiles, EquivChecksymeqBothAxesAndEveryCopyShareOneDummy) {
  vorn::Run run;
  with_copy(run);
  // a second copy at the same place (the images of an atom on a special position coincide):
  // both copies and both axes get the one dummy made there, never a second dummy at one place
  const int g2 = add_atom(run, "Test");
  run.atoms.xc[g2] = run.atoms.xc[3];
  run.atoms.xf[g2] = {0.6f, 0.5f, 0.25f};
  run.cryst.natoms = g2;
  run.dummy.ndum = 9;
  run.dummy.dlab.assign(10, "      ");
  run.dummy.xdum.assign(10, Vec3{});
  run.nout.open("vorn.out");
  std::string at1 = "C1      ", at2 = "C9      ";
  checksymeq(run, {6, 5, 2.5f}, {6, 5, 2.5f}, at1, at2, "Z", "X");
  run.nout.close();
  EXPECT_EQ(run.dummy.ndum, 10);
  EXPECT_EQ(at1, "DUM10   ");
  EXPECT_EQ(at2, "DUM10   ");
  EXPECT_EQ(run.dummy.dlab[10], "DUM10 ");
  const auto lines = vorn::test::lines_of(vorn::test::slurp("vorn.out"));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[1], " Atom C1 used in definition of Z-axis is symmetry-generated; replace with dummy   10");
  EXPECT_EQ(lines[3], " Atom C9 used in definition of X-axis is symmetry-generated; replace with dummy   10");
  EXPECT_EQ(lines[5], " Atom DUM10 used in definition of Z-axis is symmetry-generated; replace with dummy   10");
  EXPECT_EQ(lines[7], " Atom DUM10 used in definition of X-axis is symmetry-generated; replace with dummy   10");
}

TEST(Equiv, ChecksymeqIgnoresTheAsymmetricUnit) {
  vorn::Run run;
  with_copy(run);
  std::string at1 = "C1      ", at2 = "C2      ";
  checksymeq(run, run.atoms.xc[1], run.atoms.xc[2], at1, at2, "X", "Y");
  EXPECT_EQ(run.dummy.ndum, 0);
  EXPECT_EQ(at1, "C1      ");
  EXPECT_EQ(at2, "C2      ");
}

// Through the cell list the same copies become the same dummies, in the same order.
// Coinciding copies share their dummy.
TEST_F(EquivFiles, EquivChecksymeqCellListGivesTheSameDummies) {
  auto once = [&](bool grid, const std::string& log) {
    vorn::Run run;
    with_copy(run);
    const int g2 = add_atom(run, "Test");
    run.atoms.xc[g2] = run.atoms.xc[3];
    run.atoms.xf[g2] = {0.6f, 0.5f, 0.25f};
    const int g3 = add_atom(run, "Test");  // a copy just outside the threshold
    run.atoms.xc[g3] = {6.0f + 2.0f * thresh, 5.0f, 2.5f};
    run.cryst.natoms = g3;
    run.nout.open(log);
    std::string at1 = "C1      ", at2 = "C9      ";
    const Vec3 p{6, 5, 2.5f};
    if (grid)
      checksymeq(run, p, p, at1, at2, "Z", "X", CellGrid(run.atoms.xc, run.cryst.natoms, 2.0f));
    else
      checksymeq(run, p, p, at1, at2, "Z", "X");
    run.nout.close();
    return std::make_tuple(run.dummy.ndum, at1, at2, run.dummy.xdum, vorn::test::slurp(log));
  };
  const auto plain = once(false, "plain.out"), cells = once(true, "cells.out");
  EXPECT_EQ(std::get<0>(plain), 1);  // both copies at one place, both axes: one dummy
  EXPECT_EQ(std::get<1>(plain), "DUM1    ");
  EXPECT_EQ(plain, cells);
}
