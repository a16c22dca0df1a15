// Functional groups of small molecules built in code, the log lines, group.ang, and one whole run.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "../support.h"
#include "../topology/neighbor_fixtures.h"
#include "chemistry/groups.h"
#include "driver/vorn.h"
#include "topology/neighbors.h"
#include "topology/rings.h"
#include "util/format.h"
#include "util/geometry.h"

using namespace vorn;
using Lines = std::vector<std::string>;

namespace {

Vec3 dir(float deg) { return {cosd(deg), sind(deg), 0}; }
Vec3 unit(const Vec3& v) { return {v[0] / rlength(v), v[1] / rlength(v), v[2] / rlength(v)}; }
Vec3 axpy(const Vec3& p, float a, const Vec3& u) { return {p[0] + a * u[0], p[1] + a * u[1], p[2] + a * u[2]}; }

// One atom of a molecule: bonded to atom `from` (none: placed from the origin) along u at len.
// Element 0 puts three tetrahedral hydrogens on `from` instead, H<from>1..3, 1.08 to 1.10 A long
// so that the neighbour lists order them as made.
struct A {
  std::string label;
  int z;
  std::string from;
  Vec3 u;
  float len;
};

const Vec3 kTetra[4] = {{0.577f, 0.577f, 0.577f}, {0.577f, -0.577f, -0.577f}, {-0.577f, 0.577f, -0.577f},
                        {-0.577f, -0.577f, 0.577f}};
// An O-H of phosphoric acid, turned away from the terminal oxygen.
Vec3 p_oh(int i) { return unit(axpy(vmult(kTetra[i], kTetra[0]), 0.42f, kTetra[i])); }

int find(const Run& run, const std::string& label) {
  for (int i = 1; i <= run.atoms.ia; ++i)
    if (fmt::trim(run.atoms.atom[i]) == label) return i;
  return 0;
}

// Builds the molecule: an optional planar ring R1..Rn (1.39 A bonds, a radial hydrogen HRi on
// every ring atom whose 0-based index is not among the digits of noh), then the atoms of the recipe.
void build(Run& run, const std::vector<int>& ring, const std::string& noh, const std::vector<A>& recipe) {
  const int n = static_cast<int>(ring.size());
  const float r = n ? 1.39f / (2 * sind(180.0f / n)) : 0;
  for (int i = 0; i < n; ++i) test::put(run, ring[i], axpy({0, 0, 0}, r, dir(360.0f * i / n)), "R" + std::to_string(i + 1));
  for (int i = 0; i < n; ++i)
    if (noh.find(static_cast<char>('0' + i)) == std::string::npos)
      test::put(run, 1, axpy(run.atoms.xc[i + 1], 1.08f, dir(360.0f * i / n)), "HR" + std::to_string(i + 1));
  for (const A& a : recipe) {
    const int f = a.from.empty() ? 0 : find(run, a.from);
    const Vec3 o = f ? run.atoms.xc[f] : Vec3{0, 0, 0};
    if (a.z != 0) {
      test::put(run, a.z, axpy(o, a.len, a.u), a.label);
      continue;
    }
    Vec3 u{0, 0, 0};  // towards the atom the methyl carbon is bonded to
    for (int j = 1; j <= run.atoms.ia; ++j)
      if (j != f && dist(run.atoms.xc[j], o) < 1.9f) u = axpy(u, 1, unit(axpy(run.atoms.xc[j], -1, o)));
    EXPECT_GT(rlength(u), 0.0f) << "methyl on " << a.from << " before its bonded atom";
    u = unit(u);
    const Vec3 e1 = unit(vmult(u, std::fabs(u[2]) < 0.9f ? Vec3{0, 0, 1} : Vec3{1, 0, 0})), e2 = vmult(u, e1);
    for (int i = 0; i < 3; ++i) {
      const Vec3 h = axpy(axpy({0, 0, 0}, cosd(120.0f * i) * 0.943f, e1), sind(120.0f * i) * 0.943f, e2);
      test::put(run, 1, axpy(o, 1.08f + 0.01f * i, axpy(h, -1.0f / 3, u)), "H" + a.from + std::to_string(i + 1));
    }
  }
  static std::ostringstream quiet;
  run.console = &quiet;
  run.set.nrmin = 3;
  run.set.nrmax = 8;
  connect4rings(run);
  findrings(run);
  findallneighbors(run);
}

std::vector<A> cat(std::vector<A> a, const std::vector<A>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<A> kAcetyl = {{"CM", 6, "", {}, 0}, {"C", 6, "CM", dir(0), 1.50f}, {"M", 0, "CM", {}, 0},
                                {"O1", 8, "C", dir(60), 1.21f}};
const std::vector<int> kBenzene = {6, 6, 6, 6, 6, 6};
std::vector<A> phosphate(bool acid, bool p_last) {
  std::vector<A> r;
  if (!p_last) r.push_back({"P", 15, "", {}, 0});
  for (int i = 0; i < 4; ++i) r.push_back({"O" + std::to_string(i + 1), 8, "", kTetra[i], acid && i ? 1.57f : 1.52f});
  for (int i = 1; i < 4 && acid; ++i) r.push_back({"HO" + std::to_string(i + 1), 1, "O" + std::to_string(i + 1), p_oh(i), 0.96f});
  if (p_last) r.push_back({"P", 15, "", {}, 0});
  return r;
}

struct Want {
  const char* atom;
  const char* group;  // as stored, before the caller upper-cases it; "" no group
  int iexp = -1;      // -1: set exactly when there is a group
};

class Groups : public test::InTempDir {};

// The log lines one atom's classification writes.
Lines log_of(Run& run, const std::string& atom) {
  run.nout.open("vorn.out", std::ios::trunc);
  detexcept(run, find(run, atom));
  run.nout.close();
  return test::lines_of(test::slurp("vorn.out"));
}

}  // namespace

TEST_F(Groups, SmallMoleculesGetTheGroupsOfTheTree) {
  struct Case {
    const char* name;
    std::vector<int> ring;
    std::string noh;
    std::vector<A> recipe;
    std::vector<Want> want;  // every other atom ends with no group and no flag
  };
  const Case cases[] = {
      {"alcohol", {}, "", {{"C", 6, "", {}, 0}, {"O", 8, "C", dir(0), 1.43f}, {"HO", 1, "O", dir(70.5f), 0.96f},
                           {"M", 0, "C", {}, 0}},
       {{"O", "alcohol"}, {"HO", "alcohol"}}},
      {"phenol", kBenzene, "0", {{"X", 8, "R1", dir(0), 1.36f}, {"HO", 1, "X", dir(60), 0.96f}},
       {{"R1", "phenolic"}, {"X", "phenol"}, {"HO", "phenol"}}},
      {"carboxylic acid", {}, "", cat(kAcetyl, {{"O2", 8, "C", dir(-60), 1.31f}, {"HO", 1, "O2", dir(-10), 0.96f}}),
       {{"C", "carboxylic"}, {"O1", "carboxylic"}, {"O2", "carboxylic"}, {"HO", "carboxylic"}}},
      {"carboxylate", {}, "", cat(kAcetyl, {{"O2", 8, "C", dir(-60), 1.25f}}),
       {{"C", "carboxylate"}, {"O1", "carboxylate"}, {"O2", "carboxylate"}}},
      {"ester", {}, "",
       cat(kAcetyl, {{"O2", 8, "C", dir(-60), 1.33f}, {"CE", 6, "O2", dir(-10), 1.44f}, {"M", 0, "CE", {}, 0}}),
       {{"C", "ester"}, {"O1", "ester"}, {"O2", "ester"}}},
      {"amide", {}, "",
       cat(kAcetyl, {{"N", 7, "C", dir(-60), 1.33f}, {"HN1", 1, "N", dir(0), 1.01f}, {"HN2", 1, "N", dir(240), 1.01f}}),
       {{"O1", "amide"}, {"HN1", "planar amine"}, {"HN2", "planar amine"}}},
      {"ketone", {}, "", {{"C", 6, "", {}, 0}, {"O", 8, "C", dir(90), 1.22f}, {"C1", 6, "C", dir(210), 1.51f},
                          {"C2", 6, "C", dir(-30), 1.51f}, {"M", 0, "C1", {}, 0}, {"M", 0, "C2", {}, 0}},
       {{"C", "ketone"}, {"O", "ketone"}}},
      // a ring carbonyl carbon is seen from its own side as if it were a phenolate
      {"aromatic ketone", kBenzene, "0", {{"X", 8, "R1", dir(0), 1.23f}}, {{"R1", "phenolate"}, {"X", "aromatketone"}}},
      {"nitro", kBenzene, "0",
       {{"X", 7, "R1", dir(0), 1.47f}, {"O1", 8, "X", dir(60), 1.22f}, {"O2", 8, "X", dir(-60), 1.22f}},
       {{"R1", "nitrophenyl"}, {"O1", "NO2"}, {"O2", "NO2"}}},
      {"phosphoric acid", {}, "", phosphate(true, false),
       {{"P", "o-P(ox)3"}, {"O1", "O-p(ox)3"}, {"HO2", "phosp... acid"}, {"HO3", "phosp... acid"},
        {"HO4", "phosp... acid"}}},
      // the phosphorus itself is unknown; its oxygens flag it afterwards, and a phosphorus
      // classified after them clears that flag again
      {"phosphate, P first", {}, "", phosphate(false, false),
       {{"P", "", 1}, {"O1", "pO4"}, {"O2", "pO4"}, {"O3", "pO4"}, {"O4", "pO4"}}},
      {"phosphate, P last", {}, "", phosphate(false, true), {{"O1", "pO4"}, {"O2", "pO4"}, {"O3", "pO4"}, {"O4", "pO4"}}},
      // no pattern for a phosphorus with two carbons: only the frame clears its flag
      {"phosphinate, P last", {}, "",
       {{"O1", 8, "", kTetra[0], 1.52f}, {"O2", 8, "", kTetra[1], 1.52f}, {"C1", 6, "", kTetra[2], 1.80f},
        {"C2", 6, "", kTetra[3], 1.80f}, {"P", 15, "", {}, 0}, {"M", 0, "C1", {}, 0}, {"M", 0, "C2", {}, 0}},
       {}},
      {"aromatic chloride", kBenzene, "0", {{"X", 17, "R1", dir(0), 1.74f}}, {{"X", "PH-Cl"}}},
      {"chloromethane", {}, "", {{"C", 6, "", {}, 0}, {"CL", 17, "C", dir(0), 1.78f}, {"M", 0, "C", {}, 0}}, {}},
      {"pyrimidine", {6, 7, 6, 6, 6, 7}, "15", {},
       {{"R1", "non-substituted nitrogens"}, {"R3", "non-substituted nitrogen"}, {"R5", "non-substituted nitrogen"}}},
      {"pyrrole", {7, 6, 6, 6, 6}, "", {},
       {{"HR1", "aromatic"}, {"R2", "substituted nitrogen"}, {"R5", "substituted nitrogen"}}},
      // imidazole: C2 lies between the N-H (3 neighbours) and the N= (2), so its nitrogens are mixed
      {"imidazole", {7, 6, 7, 6, 6}, "2", {},
       {{"HR1", "aromatic"}, {"R2", "mixed nitrogens"}, {"R4", "non-substituted nitrogen"},
        {"R5", "substituted nitrogen"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vorn::Run run;
    build(run, c.ring, c.noh, c.recipe);
    for (int k = 1; k <= run.atoms.ia; ++k) detexcept(run, k);  // in atom order, as the stage does
    std::map<int, Want> want;
    for (const Want& w : c.want) want[find(run, w.atom)] = w;
    ASSERT_EQ(want.count(0), 0u);
    for (int k = 1; k <= run.atoms.ia; ++k) {
      const Want w = want.count(k) ? want[k] : Want{"", ""};
      EXPECT_EQ(run.except.group[k], fmt::pad(w.group, 40)) << run.atoms.atom[k];
      EXPECT_EQ(run.except.iexp[k], w.iexp >= 0 ? w.iexp : *w.group != 0) << run.atoms.atom[k];
    }
  }
}

TEST_F(Groups, LogShowsTheCheckLinesAndTheUnknownReport) {
  vorn::Run run;
  build(run, {6, 7, 6, 6, 6, 7}, "15",
        {{"C", 6, "", {20, 0, 0}, 1}, {"CL", 17, "C", dir(0), 1.78f}, {"M", 0, "C", {}, 0},
         {"OW", 8, "", {0, 20, 0}, 1}, {"HW1", 1, "OW", dir(0), 0.96f}, {"HW2", 1, "OW", dir(104), 0.96f},
         {"NA", 11, "", {0, -20, 0}, 1}, {"ON", 8, "NA", dir(0), 2.3f}, {"H", 1, "", {0, 0, 20}, 1},
         {"S", 16, "", {0, 0, -20}, 1}});
  EXPECT_EQ(log_of(run, "CL"), (Lines{"", " DetExcept :: checking (?)c-Cl group..."}));
  // no pattern at all: CH3Cl's carbon and hydrogens, a lone hydrogen, sodium, an oxygen on sodium
  for (const char* a : {"C", "HC1", "H", "NA", "ON"}) EXPECT_TRUE(log_of(run, a).empty()) << a;
  EXPECT_EQ(log_of(run, "HW1"), (Lines{"", " DetExcept :: checking x-o-H group...", "",
                                       " DetExcept :: Unknown x-o-H [1] functional group", "",
                                       " See file group.ang for more info...", ""}));
  EXPECT_FALSE(std::filesystem::exists("group.ang"));  // this unknown group writes no file
  // sulfur always enters its pattern; a lone one has no carbon and is reported with itself alone
  const Lines s = log_of(run, "S");
  ASSERT_EQ(s.size(), 7u);
  EXPECT_EQ(s[3], " DetExcept :: Unknown (?)c=S [1] functional group");
  write_group_ang(run);
  EXPECT_EQ(test::lines_of(test::slurp("group.ang")).size(), 2u);
  // the walk over a ring carbon's neighbours: one line per neighbour, then the two ring nitrogens
  const Lines w = log_of(run, "R1");
  ASSERT_GE(w.size(), 2u);
  EXPECT_EQ(w[1], " DetExcept :: checking n-C(cyc)-n group...");
  EXPECT_EQ(std::count_if(w.begin(), w.end(), [](const std::string& l) { return l.rfind(" iatr, iCr = ", 0) == 0; }), 3);
  EXPECT_EQ(w.back(), " i1Nn, i2Nn =      2     2");
}

TEST_F(Groups, UnknownGroupWritesItsSurroundingsAndTheLastOneStays) {
  vorn::Run run;
  build(run, {}, "",
        cat({{"O1", 8, "", {1, 2, 3}, 1}, {"C1", 6, "O1", dir(145.5f), 1.41f}, {"M", 0, "C1", {}, 0},
             {"C2", 6, "O1", dir(34.5f), 1.41f}, {"M", 0, "C2", {}, 0}, {"P", 15, "", {20, 0, 0}, 1}},
            {{"O5", 8, "P", kTetra[0], 1.52f}, {"O6", 8, "P", kTetra[1], 1.52f}, {"O7", 8, "P", kTetra[2], 1.52f},
             {"O8", 8, "P", kTetra[3], 1.52f}}));
  detexcept(run, find(run, "O1"));  // dimethyl ether
  write_group_ang(run);
  EXPECT_EQ(run.except.iexp[find(run, "O1")], 0);
  const Lines ether = test::lines_of(test::slurp("group.ang"));
  ASSERT_EQ(ether.size(), 10u);
  EXPECT_EQ(ether[0], "ANGSTROM");
  EXPECT_EQ(ether[1], "ATOM O1        " + fmt::f(1, 12, 4) + fmt::f(2, 12, 4) + fmt::f(3, 12, 4));
  Lines labels;
  for (size_t i = 1; i < ether.size(); ++i) labels.push_back(fmt::trim(ether[i].substr(5, 8)));
  // per neighbour: its neighbours' neighbours and its neighbours first, the neighbour itself last
  EXPECT_EQ(labels, (Lines{"O1", "C1", "HC11", "HC12", "HC13", "C2", "HC21", "HC22", "HC23"}));

  detexcept(run, find(run, "P"));  // phosphate's phosphorus: unknown too, and replaces the file
  write_group_ang(run);
  const Lines po4 = test::lines_of(test::slurp("group.ang"));
  ASSERT_EQ(po4.size(), 6u);
  EXPECT_EQ(po4[1].substr(0, 13), "ATOM P       ");
}

// A centre with twenty neighbours, each with nineteen more: far beyond the list's capacity.
TEST_F(Groups, PrintgroupKeepsToItsHundredAtoms) {
  vorn::Run run;
  resize_atoms(run, 421);
  run.atoms.ia = run.cryst.natoms = 421;
  for (int i = 1; i <= 421; ++i) run.atoms.atom[i] = fmt::pad("A" + std::to_string(i), 8);
  Neighbors& nb = run.neighbors;
  auto link = [&](int a, int b) { nb.jnei[a][nb.nnei[a]++] = b; };
  for (int b = 2; b <= 21; ++b) {
    link(1, b);
    link(b, 1);
    for (int c = 22 + (b - 2) * 20; c < 41 + (b - 2) * 20; ++c) {
      link(b, c);
      link(c, b);
    }
  }
  run.nout.open("vorn.out");
  printgroup(run, 1);
  write_group_ang(run);
  run.nout.close();
  Lines out = test::lines_of(test::slurp("group.ang"));
  ASSERT_EQ(out.size(), 1u + maxgroupatoms);
  std::sort(out.begin(), out.end());
  EXPECT_EQ(std::adjacent_find(out.begin(), out.end()), out.end());
  EXPECT_NE(test::slurp("vorn.out").find("group.ang lists the first 100"), std::string::npos);

  std::vector<int> list;
  EXPECT_EQ(checkat(2, list, 7), 0);
  EXPECT_EQ(checkat(2, list, 7), 1);
  EXPECT_EQ(checkat(2, list, 8), 0);
  EXPECT_EQ(checkat(2, list, 9), -1);
  EXPECT_EQ(list, (std::vector<int>{7, 8}));
}

// Glycolic acid through the whole program: the acid O-H no longer shares the alcohol's kappa set.
TEST_F(Groups, WholeRunLogsExceptionsAndSeparatesGroups) {
  std::filesystem::copy_file(test::data_path("chemistry/glycolic.res"), "glycolic.res");
  test::write_file("vorn.inp", "FORMAT *shelx\nINPUT glycolic.res\nVERBOSE 3\n");
  std::ostringstream con;
  std::istringstream in;
  vorn_main({}, con, in);
  ASSERT_EQ(con.str().find("ERROR"), std::string::npos) << con.str();
  const std::string log = test::slurp("vorn.out");
  for (const char* l : {"O(1) : Functional group = [ALCOHOL]", "O(3) : Functional group = [CARBOXYLIC]",
                        "H(3) : Functional group = [ALCOHOL]", "H(4) : Functional group = [CARBOXYLIC]"})
    EXPECT_NE(log.find(std::string("\n\n Exception identified for ") + l + "\n"), std::string::npos) << l;
  EXPECT_NE(log.find(" Checking if atoms O(3) and O(1) are chemically equivalent:\n"
                     "   atoms are NOT chemically equivalent :  Diff. functional groups\n"),
            std::string::npos);
  EXPECT_EQ(log.find("detexcept : not available"), std::string::npos);
  std::map<std::string, std::string> row;  // label -> its line of the atom table
  for (const auto& l : test::lines_of(test::slurp("xd_vorn.mas")))
    if (l.size() > 60 && l.substr(44, 1) == "R") row[fmt::trim(l.substr(0, 8))] = l;
  for (auto [acid, alcohol] : {std::pair{"O(3)", "O(1)"}, std::pair{"H(4)", "H(3)"}}) {
    ASSERT_TRUE(row.count(acid) && row.count(alcohol)) << acid;
    EXPECT_NE(row[acid].substr(52, 4), row[alcohol].substr(52, 4)) << acid;  // KAP
    EXPECT_LE(row[acid].size(), 68u) << row[acid];                          // no CHEMCON atom
  }
}
