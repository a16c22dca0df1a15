// Disorder components: parts read from SHELX and CIF, and the bonding rule between parts in every stage that finds bonds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../support.h"
#include "hydrogen/extendh.h"
#include "model/disorder.h"
#include "neighbor_fixtures.h"
#include "readers/cif.h"
#include "readers/shelx.h"
#include "topology/environment.h"
#include "topology/fragments.h"
#include "topology/neighbors.h"
#include "topology/rings.h"
#include "util/err.h"
#include "util/format.h"

using namespace vorn;
using vorn::test::data_path;
using vorn::test::put;
using vorn::test::slurp;
using vorn::test::write_file;

namespace {

const SymCopy kId{};
const SymCopy kTwofold{2, {0, 0, 0}};
const SymCopy kShifted{1, {1, 0, 0}};

// ---- the rule itself ----

struct PartCase {
  int pa;
  SymCopy ca;
  int pb;
  SymCopy cb;
  bool bond;
};

TEST(DisorderRule, PartsAndCopies) {
  const PartCase cases[] = {
      {0, kId, 0, kId, true},         {0, kId, 1, kId, true},          {0, kId, -1, kTwofold, true},
      {1, kId, 1, kId, true},         {1, kId, 2, kId, false},         {2, kTwofold, 1, kTwofold, false},
      {1, kId, 1, kTwofold, true},    // a positive part bonds to its own images
      {-1, kId, -1, kId, true},       {-1, kId, -1, kTwofold, false},  {-1, kTwofold, -1, kTwofold, true},
      {-1, kId, -1, kShifted, false}, // a lattice translation is another copy too
      {-1, kId, 1, kId, false},       {-1, kId, -2, kId, false},       {-2, kShifted, -2, kShifted, true},
  };
  for (const PartCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.pa) + " op " + std::to_string(c.ca.s) + " / " + std::to_string(c.pb) + " op " +
                 std::to_string(c.cb.s));
    EXPECT_EQ(parts_may_bond(c.pa, c.ca, c.pb, c.cb), c.bond);
    EXPECT_EQ(parts_may_bond(c.pb, c.cb, c.pa, c.ca), c.bond);  // symmetric
  }
}

// Without parts two disordered atoms of different occupancy never bond; with parts the
// occupancy no longer matters, only the parts do.
TEST(DisorderRule, OccupancyRuleOnlyWithoutParts) {
  struct Row {
    int iaf_a;
    float occ_a;
    int part_a;
    int iaf_b;
    float occ_b;
    int part_b;
    bool without_parts, with_parts;
  };
  const Row rows[] = {
      {-1, 0.5f, 1, -1, 0.5f, 2, true, false},   // 0.5/0.5: the fault the parts mend
      {-1, 0.6f, 1, -1, 0.4f, 2, false, false},
      {-1, 0.6f, 1, -1, 0.4f, 1, false, true},   // one part, occupancies refined apart
      {-1, 0.505f, 0, -1, 0.5f, 0, true, true},  // within 0.01
      {-1, 0.52f, 0, -1, 0.5f, 0, false, true},
      {0, 1.0f, 0, -1, 0.3f, 1, true, true},     // an ordered atom sees every component
      {1, 0.5f, 0, -1, 0.25f, -1, true, true},
  };
  for (const Row& r : rows) {
    vorn::Run run;
    const int a = put(run, 6, {0, 0, 0}, "A", r.occ_a, r.iaf_a);
    const int b = put(run, 6, {1.5f, 0, 0}, "B", r.occ_b, r.iaf_b);
    run.atoms1.part[a] = r.part_a;
    run.atoms1.part[b] = r.part_b;
    SCOPED_TRACE(std::to_string(r.occ_a) + " part " + std::to_string(r.part_a) + " / " + std::to_string(r.occ_b) +
                 " part " + std::to_string(r.part_b));
    run.atoms1.lpart = false;
    EXPECT_EQ(may_bond(run, a, b), r.without_parts);
    EXPECT_EQ(getnei(run, a, 0.0f).inei, r.without_parts ? 1 : 0);
    run.atoms1.lpart = true;
    EXPECT_EQ(may_bond(run, a, b), r.with_parts);
    EXPECT_EQ(getnei(run, a, 0.0f).inei, r.with_parts ? 1 : 0);
    EXPECT_EQ(getnei(run, b, 5.0f).inei, r.with_parts ? 1 : 0);  // radius searches follow the rule too
  }
}

// ---- structures read from files ----

class Disorder : public vorn::test::InTempDir {
 protected:
  enum class Format { shelx, cif };
  // Reads a file into run (fragments completed to ncells, -1 = none) and builds the neighbours.
  void load(const std::string& path, Format f, int ncells = -1, void (*complete)(vorn::Run&) = gencompletefrags) {
    run.console = &console;
    run.nout.open("vorn.out");
    run.imas.open("xd_vorn.mas");
    run.ipro.open("mopro_vorn.par");
    if (f == Format::shelx) readshelx(run, path);
    else readcif(run, path);
    run.set.ncells = ncells;
    complete(run);
    findallneighbors(run);
    run.nout.flush();
  }
  int atom(const std::string& label) const {
    for (int i = 1; i <= run.cryst.natoms; ++i)
      if (fmt::trim(run.atoms.atom[i]) == label) return i;
    ADD_FAILURE() << "no atom " << label;
    return 0;
  }
  // Labels of the bonded neighbours of atom i, sorted; images carry a trailing "'".
  std::vector<std::string> bonded(int i) const {
    std::vector<std::string> r;
    for (int k = 0; k < run.neighbors.nnei[i]; ++k) {
      const int j = run.neighbors.jnei[i][k];
      r.push_back(fmt::trim(run.atoms.atom[j]) + (j > run.atoms.ia ? "'" : ""));
    }
    std::sort(r.begin(), r.end());
    return r;
  }
  // Source text with its PART lines dropped: the same atoms without part information.
  static std::string without_parts(const std::string& text) {
    std::string r;
    for (const auto& l : vorn::test::lines_of(text))
      if (l.rfind("PART", 0) != 0) r += l + "\n";
    return r;
  }
  vorn::Run run;
  std::ostringstream console;
};

using V = std::vector<std::string>;

TEST_F(Disorder, ShelxPartsAreReadAndClassed) {
  load(data_path("disorder/parts_half.res"), Format::shelx);
  ASSERT_EQ(run.atoms.ia, 7);
  EXPECT_TRUE(run.atoms1.lpart);
  const int want[] = {0, 0, 0, 1, 1, 2, 2};
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(run.atoms1.part[i], want[i - 1]) << i;
  EXPECT_FLOAT_EQ(run.atoms1.occ[atom("C(3B)")], 0.5f);
  EXPECT_EQ(run.atoms1.iaf[atom("C(3A)")], -1);
  EXPECT_EQ(run.atoms1.iaf[atom("C(2)")], 0);
  const std::string log = slurp("vorn.out");
  EXPECT_NE(log.find("     PART   ATOMS\n        0       3\n        1       2\n        2       2\n"), std::string::npos);
}

// PART variants, each a small file: the part of the atom after the records, its occupancy and
// whether the run has part information at all.
TEST_F(Disorder, ShelxPartRecords) {
  const std::string head =
      "TITL t\nCELL 0.71073 10 10 10 90 90 90\nLATT -1\nSFAC C\nUNIT 2\nFVAR 1.0 0.3\n"
      "C1 1 0.1 0.1 0.1 11.0 0.02\n";
  struct Row {
    std::string records;  // between C1 and C2
    std::string c2occ;
    int part;
    float occ;
    bool lpart;
  };
  const Row rows[] = {
      {"PART 1\n", "21.0", 1, 0.3f, true},
      {"PART 2 -21\n", "11.0", 2, 0.7f, true},      // the PART sof replaces the atom's own
      {"PART -1 10.5\n", "10.5", -1, 0.5f, true},
      {"PART 1 0\n", "10.4", 1, 0.4f, true},        // a zero sof leaves the atom's
      {"PART 3 21 ! comment\n", "21.0", 3, 0.3f, true},
      {"PART 1\nPART 0\n", "11.0", 0, 1.0f, false},  // only part 0 in the file: no part information
      {"PART 2\nRESI 1 MOL\n", "11.0", 2, 1.0f, true},  // a residue keeps the part
      {"", "10.5", 0, 0.5f, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.records);
    vorn::Run one;
    std::ostringstream con;
    test::open_reader_outputs(one, ".", con);
    write_file("p.res", head + r.records + "C2 1 0.2 0.1 0.1 " + r.c2occ + " 0.02\nHKLF 4\nEND\n");
    readshelx(one, "p.res");
    ASSERT_EQ(one.atoms.ia, 2);
    EXPECT_EQ(one.atoms1.part[1], 0);
    EXPECT_EQ(one.atoms1.part[2], r.part);
    EXPECT_FLOAT_EQ(one.atoms1.occ[2], r.occ);
    EXPECT_EQ(one.atoms1.lpart, r.lpart);
    // an atom of a part is one component's even at full occupancy
    EXPECT_EQ(one.atoms1.iaf[2], r.part != 0 || r.occ != 1.0f ? -1 : 0);
  }
}

TEST_F(Disorder, ShelxPartOverridingAnAtomSofIsLogged) {
  std::ostringstream con;
  test::open_reader_outputs(run, ".", con);
  write_file("p.res",
             "TITL t\nCELL 0.71073 10 10 10 90 90 90\nLATT -1\nSFAC C\nUNIT 2\nFVAR 1.0 0.3\n"
             "PART 2 -21\nC1 1 0.1 0.1 0.1 11.0 0.02\nHKLF 4\nEND\n");
  readshelx(run, "p.res");
  run.nout.flush();
  EXPECT_NE(slurp("vorn.out").find(" Warning : atom C(1) takes the occupancy code -21.00000 of its PART record instead "
                                   "of its own 11.00000\n"),
            std::string::npos);
}

TEST_F(Disorder, ShelxBadPartRecordsStop) {
  for (const char* bad : {"PART A\n", "PART 1 X\n", "PART 1.5\n"}) {
    SCOPED_TRACE(bad);
    vorn::Run one;
    std::ostringstream con;
    test::open_reader_outputs(one, ".", con);
    write_file("p.res", std::string("TITL t\nCELL 0.71073 10 10 10 90 90 90\nLATT -1\nSFAC C\nUNIT 2\n") + bad +
                            "C1 1 0.1 0.1 0.1 11.0 0.02\nEND\n");
    try {
      readshelx(one, "p.res");
      ADD_FAILURE() << "read without an error";
    } catch (const Fatal& f) {
      EXPECT_EQ(f.where, "ReadShelx");
      EXPECT_EQ(f.message.rfind("PART record ", 0), 0u) << f.message;
    }
  }
}

// CIF disorder groups: numbers are parts, "." and "?" part 0, other codes parts of their own
// above the numbered ones.
TEST_F(Disorder, CifGroupsAreParts) {
  const std::string cif = slurp(data_path("disorder/parts_half.cif"));
  struct Row {
    std::string g3a, g3b;  // groups of C3A/H3A and of C3B/H3B
    int p3a, p3b;
  };
  const Row rows[] = {{"1", "2", 1, 2}, {"B", "A", 1, 2}, {"2", "X", 2, 3}, {"-1", "-1", -1, -1}, {"x", "x", 1, 1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.g3a + " " + r.g3b);
    std::string text = cif;
    for (const char* a : {"C3A", "H3A"}) {
      const size_t at = text.find(std::string("\n") + a + " ");
      const size_t end = text.find('\n', at + 1);
      text.replace(end - 1, 1, r.g3a);
    }
    for (const char* b : {"C3B", "H3B"}) {
      const size_t at = text.find(std::string("\n") + b + " ");
      const size_t end = text.find('\n', at + 1);
      text.replace(end - 1, 1, r.g3b);
    }
    write_file("g.cif", text);
    vorn::Run one;
    std::ostringstream con;
    test::open_reader_outputs(one, ".", con);
    readcif(one, "g.cif");
    ASSERT_EQ(one.atoms.ia, 7);
    EXPECT_TRUE(one.atoms1.lpart);
    const int want[] = {0, 0, 0, r.p3a, r.p3a, r.p3b, r.p3b};
    for (int i = 1; i <= 7; ++i) EXPECT_EQ(one.atoms1.part[i], want[i - 1]) << i;
  }
  // "." and "?" everywhere: no part information, the occupancy rule stays
  std::string none = cif;
  for (const char* g : {" A 1\n", " A 2\n"})
    for (size_t at; (at = none.find(g)) != std::string::npos;) none.replace(at, 5, " . .\n");
  write_file("n.cif", none);
  vorn::Run one;
  std::ostringstream con;
  test::open_reader_outputs(one, ".", con);
  readcif(one, "n.cif");
  EXPECT_FALSE(one.atoms1.lpart);
}

// Two places of one carbon at 0.5/0.5, 1.12 A apart: never bonded with parts, each bonded to
// the common atom; the CIF with disorder groups gives the same bonds; without parts the
// occupancy rule bonds them, as before.
TEST_F(Disorder, HalfOccupiedPartsNeverBond) {
  write_file("noparts.res", without_parts(slurp(data_path("disorder/parts_half.res"))));
  struct Row {
    std::string path;
    Format format;
    bool parts;
  };
  const Row rows[] = {{data_path("disorder/parts_half.res"), Format::shelx, true},
                      {data_path("disorder/parts_half.cif"), Format::cif, true},
                      {"noparts.res", Format::shelx, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    run = vorn::Run{};
    load(r.path, r.format);
    EXPECT_EQ(run.atoms1.lpart, r.parts);
    EXPECT_EQ(bonded(atom("C(2)")), (V{"C(1)", "C(3A)", "C(3B)"}));
    EXPECT_EQ(bonded(atom("H(3A)")), V{"C(3A)"});
    if (r.parts) {
      EXPECT_EQ(bonded(atom("C(3A)")), (V{"C(2)", "H(3A)"}));
      EXPECT_EQ(bonded(atom("C(3B)")), (V{"C(2)", "H(3B)"}));
    } else {
      EXPECT_EQ(bonded(atom("C(3A)")), (V{"C(2)", "C(3B)", "H(3A)"}));
    }
  }
}

// A two-carbon group disordered about a twofold axis (PART -1): the image made by completion
// meets the group, but neither of its atoms bonds to the other copy; each copy is bonded
// within itself and to the common O on the axis. Without parts the two copies bond.
TEST_F(Disorder, NegativePartNeverBondsItsOwnImages) {
  write_file("noparts.res", without_parts(slurp(data_path("disorder/parts_axis.res"))));
  struct Row {
    std::string path;
    Format format;
    int ncells;
    bool parts;
    void (*complete)(vorn::Run&);  // the three completions must agree
  };
  const Row rows[] = {{data_path("disorder/parts_axis.res"), Format::shelx, 0, true, gencompletefrags},
                      {data_path("disorder/parts_axis.res"), Format::shelx, 1, true, gencompletefrags},
                      {data_path("disorder/parts_axis.res"), Format::shelx, 1, true, gencompletefrags_reference},
                      {data_path("disorder/parts_axis.res"), Format::shelx, 1, true, gencompletefrags_on_demand},
                      {data_path("disorder/parts_axis.cif"), Format::cif, 1, true, gencompletefrags},
                      {"noparts.res", Format::shelx, 1, false, gencompletefrags}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path + " ncells " + std::to_string(r.ncells) + " completion " + std::to_string(&r - rows));
    run = vorn::Run{};
    load(r.path, r.format, r.ncells, r.complete);
    ASSERT_EQ(run.atoms.ia, 3);
    EXPECT_EQ(run.atoms1.iaf[1], 1);  // O(1) on the axis
    EXPECT_EQ(run.atoms1.iaf[2], -1);
    // the images of C(1) and C(2) by the twofold, inheriting part and copy
    ASSERT_EQ(run.cryst.natoms, 5);
    for (int n = 4; n <= 5; ++n) {
      EXPECT_EQ(run.atoms1.part[n], r.parts ? -1 : 0);
      EXPECT_EQ(run.cryst.icopy[n].s, 2);
    }
    EXPECT_EQ(bonded(atom("O(1)")), (V{"C(1)", "C(1)'"}));
    EXPECT_EQ(bonded(4), (r.parts ? V{"C(2)'", "O(1)"} : V{"C(1)", "C(2)'", "O(1)"}));
    if (r.parts) EXPECT_EQ(bonded(atom("C(1)")), (V{"C(2)", "O(1)"}));
    else EXPECT_EQ(bonded(atom("C(1)")), (V{"C(1)'", "C(2)", "O(1)"}));
  }
}

// The same group without the common O: a solvent disordered about the axis. No atom of its
// copy bonds to the other copy, so no completion adds the image; by occupancy alone it would.
TEST_F(Disorder, NegativePartSolventIsNotCompletedFromItsImage) {
  std::string solvent;
  for (const auto& l : vorn::test::lines_of(slurp(data_path("disorder/parts_axis.res"))))
    if (l.rfind("O1 ", 0) != 0) solvent += l + "\n";
  write_file("solvent.res", solvent);
  write_file("noparts.res", without_parts(solvent));
  for (auto complete : {gencompletefrags, gencompletefrags_reference, gencompletefrags_on_demand})
    for (const char* file : {"solvent.res", "noparts.res"}) {
      SCOPED_TRACE(file);
      run = vorn::Run{};
      load(file, Format::shelx, 1, complete);
      ASSERT_EQ(run.atoms.ia, 2);
      EXPECT_EQ(run.cryst.natoms, std::string(file) == "solvent.res" ? 2 : 4);
    }
}

// A benzene ring with one carbon in two places (PART 1 and 2, 0.6 A apart): with parts each
// component's ring is found and no ring joins the two places; without parts the disordered
// carbons stay out of every ring.
TEST_F(Disorder, RingsOfEachComponent) {
  for (bool parts : {true, false}) {
    SCOPED_TRACE(parts);
    vorn::Run r;
    std::ostringstream con;
    r.console = &con;
    r.nout.open("vorn.out");
    for (int k = 0; k < 5; ++k) {
      const float a = static_cast<float>(k) * 3.14159265f / 3.0f;
      put(r, 6, {1.39f * std::cos(a), 1.39f * std::sin(a), 0}, "C" + std::to_string(k + 1));
    }
    const float a = 5.0f * 3.14159265f / 3.0f;
    const int c6a = put(r, 6, {1.39f * std::cos(a), 1.39f * std::sin(a), 0.3f}, "C6A", 0.5f, -1);
    const int c6b = put(r, 6, {1.39f * std::cos(a), 1.39f * std::sin(a), -0.3f}, "C6B", 0.5f, -1);
    r.atoms1.part[c6a] = 1;
    r.atoms1.part[c6b] = 2;
    r.atoms1.lpart = parts;
    r.set.nrmin = 3;
    r.set.nrmax = 8;
    connect4rings(r);
    findrings(r);
    std::set<std::set<int>> rings;
    for (int n = 1; n <= r.rings.nor; ++n)
      rings.insert(std::set<int>(r.rings.nra[n].begin(), r.rings.nra[n].begin() + r.rings.noar[n]));
    const std::set<std::set<int>> both{{1, 2, 3, 4, 5, c6a}, {1, 2, 3, 4, 5, c6b}};
    if (parts) EXPECT_EQ(rings, both);
    else EXPECT_TRUE(rings.empty());
  }
}

// The X-H extension leaves a hydrogen of a disorder part where it is and counts it for the
// closing summary.
TEST_F(Disorder, DisorderedHydrogenIsTallied) {
  load(data_path("disorder/parts_half.res"), Format::shelx);
  for (const char* h : {"H(3A)", "H(3B)"}) extendh(run, run.neighbors.jnei[atom(h)][0], atom(h));
  ASSERT_EQ(run.warnings.kinds.size(), 1u);
  EXPECT_EQ(run.warnings.kinds[0].first, "disordered hydrogen not extended");
  EXPECT_EQ(run.warnings.kinds[0].second, (V{"H(3A)", "H(3B)"}));
  run.nout.flush();
  EXPECT_NE(slurp("vorn.out").find("   X-H group : C(3A)-H(3A) >  H-ATOM IS DISORDERED"), std::string::npos);
}

}  // namespace
