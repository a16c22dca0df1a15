// Ring search: elimination cycles, the walk's ring records, duplicates, limits and real structures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "../support.h"
#include "neighbor_fixtures.h"
#include "readers/shelx.h"
#include "topology/planarity.h"
#include "topology/rings.h"
#include "util/err.h"
#include "util/format.h"
#include "util/geometry.h"

using vorn::Fatal;
using vorn::Vec3;
using vorn::test::lines_of;
using vorn::test::put;
using vorn::test::slurp;

namespace {

constexpr float kPi = 3.14159265f;

// Benzene in the xy plane: C at odd numbers 1..11, each followed by its H.
void benzene(vorn::Run& run) {
  for (int k = 0; k < 6; ++k) {
    const float a = k * kPi / 3.0f;
    put(run, 6, {1.39f * std::cos(a), 1.39f * std::sin(a), 0}, "C" + std::to_string(k + 1));
    put(run, 1, {2.47f * std::cos(a), 2.47f * std::sin(a), 0}, "H" + std::to_string(k + 1));
  }
}

// A regular ring of n carbons with bond length b, centred at c, optional puckering +-z.
void carbon_ring(vorn::Run& run, int n, float b, Vec3 c = {0, 0, 0}, float z = 0.0f, const std::string& tag = "C") {
  const float r = b / (2.0f * std::sin(kPi / n));
  for (int k = 0; k < n; ++k) {
    const float a = 2.0f * kPi * k / n;
    put(run, 6, {c[0] + r * std::cos(a), c[1] + r * std::sin(a), c[2] + (k % 2 ? -z : z)},
        tag + std::to_string(run.cryst.natoms + 1));
  }
}

// Naphthalene skeleton: two hexagons sharing the bond between atoms 1 and 2.
void naphthalene(vorn::Run& run) {
  const float s = 1.40f, h = s * std::sqrt(3.0f) / 2.0f;
  put(run, 6, {0, s / 2, 0}, "C1");
  put(run, 6, {0, -s / 2, 0}, "C2");
  for (float side : {1.0f, -1.0f}) {
    put(run, 6, {side * h, -s, 0}, "C");
    put(run, 6, {side * 2 * h, -s / 2, 0}, "C");
    put(run, 6, {side * 2 * h, s / 2, 0}, "C");
    put(run, 6, {side * h, s, 0}, "C");
  }
}

// Bicyclo[2.2.2]octane skeleton: bridgeheads 1 and 4, bridges (2,3), (5,6), (7,8); each
// bridgehead lies in all three six-membered rings.
void bicyclooctane(vorn::Run& run) {
  auto br = [](int k, float z) {
    const float a = 2.0f * kPi * k / 3.0f;
    return Vec3{1.45f * std::cos(a), 1.45f * std::sin(a), z};
  };
  put(run, 6, {0, 0, 1.3f}, "B1");
  put(run, 6, br(0, 0.77f), "A1");
  put(run, 6, br(0, -0.77f), "A2");
  put(run, 6, {0, 0, -1.3f}, "B2");
  put(run, 6, br(1, 0.77f), "D1");
  put(run, 6, br(1, -0.77f), "D2");
  put(run, 6, br(2, 0.77f), "E1");
  put(run, 6, br(2, -0.77f), "E2");
}

std::set<int> members(const vorn::Run& run, int r) {
  return std::set<int>(run.rings.nra[r].begin(), run.rings.nra[r].begin() + run.rings.noar[r]);
}

bool bonded(const vorn::Run& run, int a, int b) {
  const int za = run.atoms.itype[a], zb = run.atoms.itype[b];
  return vorn::dist(run.atoms.xc[a], run.atoms.xc[b]) <= run.set.covrad[za] + run.set.covrad[zb] + run.set.tol1;
}

// Every recorded ring: consecutive members (and last-first) bonded, sizes in range, no two alike.
void expect_sound_rings(const vorn::Run& run) {
  std::set<std::set<int>> seen;
  ASSERT_EQ(static_cast<int>(run.rings.noar.size()), run.rings.nor + 1);
  for (int r = 1; r <= run.rings.nor; ++r) {
    const int n = run.rings.noar[r];
    EXPECT_GE(n, run.set.nrmin);
    EXPECT_LE(n, run.set.nrmax);
    for (int i = 0; i < n; ++i) EXPECT_TRUE(bonded(run, run.rings.nra[r][i], run.rings.nra[r][(i + 1) % n]));
    EXPECT_TRUE(seen.insert(members(run, r)).second) << "ring " << r << " recorded twice";
  }
}

}  // namespace

class RingSearch : public vorn::test::InTempDir {
 protected:
  void SetUp() override {
    InTempDir::SetUp();
    run.console = &console;
    run.nout.open("vorn.out");
  }
  void search(int nrmin, int nrmax) {
    run.set.nrmin = nrmin;
    run.set.nrmax = nrmax;
    vorn::connect4rings(run);
    vorn::findrings(run);
    run.nout.flush();
  }
  std::string log() {
    run.nout.flush();
    return slurp("vorn.out");
  }
  bool log_has(const std::string& s) { return log().find(s) != std::string::npos; }
  vorn::Run run;
  std::ostringstream console;
};

TEST_F(RingSearch, BenzeneLosesItsHydrogensAndGivesOnePlanarSixRing) {
  benzene(run);
  search(3, 8);
  EXPECT_EQ(run.newat.ia1, 6);
  EXPECT_TRUE(log_has(" **** ELIMINATION CYCLE =    0     NUMBER OF ATOMS =     12\n"
                      "        NUMBER OF ATOMS REMOVED FROM THE TABLE =       6\n"
                      " **** ELIMINATION CYCLE =    1     NUMBER OF ATOMS =      6\n"
                      "        NUMBER OF ATOMS REMOVED FROM THE TABLE =       0\n"));
  EXPECT_EQ(log().find("ELIMINATION CYCLE =    2"), std::string::npos);
  ASSERT_EQ(run.rings.nor, 1);
  EXPECT_EQ(run.rings.noar[1], 6);
  EXPECT_EQ(members(run, 1), (std::set<int>{1, 3, 5, 7, 9, 11}));
  EXPECT_TRUE(run.rings.planar[1]);
  expect_sound_rings(run);
  EXPECT_TRUE(log_has(" **********  FOUND RING #    1 --->   6 - MEMBERED  **********"));
  EXPECT_TRUE(log_has("     This ring is planar = .T."));
  EXPECT_TRUE(log_has(" TOTAL RINGS FOUND (nor)  =      1"));
  EXPECT_NE(console.str().find(" TOTAL RINGS FOUND (nor)  =      1"), std::string::npos);
  EXPECT_NE(console.str().find(" AUTOMATED SEARCH FOR   3 -  8 - MEMBERED RINGS"), std::string::npos);
  // member numbers are structure atoms, in path order: i6 then four blanks each
  const std::string nums = [&] {
    std::string s;
    for (int m : run.rings.nra[1]) s += vorn::fmt::i(m, 6) + "    ";
    return s;
  }();
  EXPECT_TRUE(log_has(nums + "\n"));
}

TEST_F(RingSearch, ReducedCoordinateFilesListTheRingAtoms) {
  benzene(run);
  search(3, 8);
  const auto a = lines_of(slurp("reduced.ang"));
  const auto b = lines_of(slurp("reduced_1.ang"));
  ASSERT_EQ(a.size(), 7u);
  ASSERT_EQ(b.size(), 7u);
  EXPECT_EQ(a[0], "ANGSTROM");
  EXPECT_EQ(b[0], "ANGSTROM");
  EXPECT_EQ(a[1], "ATOM C1            1.3900      0.0000      0.0000");
  EXPECT_EQ(b[1], "ATOM C1            1.3900      0.0000      0.0000");
  EXPECT_EQ(a[2].substr(0, 13), "ATOM C2      ");
  EXPECT_EQ(b[6].substr(0, 13), "ATOM C6      ");
}

TEST_F(RingSearch, ElementNamesInTheSecondFileAreNumberedByReducedAtom) {
  put(run, 1, {0, 0, 10}, "H9");  // dropped, so the ring atoms renumber from 1
  carbon_ring(run, 5, 1.5f, {0, 0, 0}, 0.0f, "CX");
  search(3, 8);
  const auto b = lines_of(slurp("reduced_1.ang"));
  ASSERT_EQ(b.size(), 6u);
  EXPECT_EQ(b[1].substr(0, 13), "ATOM C1      ");
  EXPECT_EQ(b[5].substr(0, 13), "ATOM C5      ");
  const auto a = lines_of(slurp("reduced.ang"));
  EXPECT_EQ(a[1].substr(0, 13), "ATOM CX2     ");
}

TEST_F(RingSearch, SevenRingOutsideTheRangeIsVisitedButNotRecorded) {
  carbon_ring(run, 7, 1.5f);
  search(3, 6);
  EXPECT_EQ(run.newat.ia1, 7);
  EXPECT_EQ(run.rings.nor, 0);
  for (int k = 1; k <= 7; ++k) EXPECT_EQ(run.choices.ivis[k], 1) << k;
  EXPECT_TRUE(log_has(" TOTAL RINGS FOUND (nor)  =      0"));
}

TEST_F(RingSearch, SevenRingInsideTheRangeIsRecorded) {
  carbon_ring(run, 7, 1.5f);
  search(3, 7);
  ASSERT_EQ(run.rings.nor, 1);
  EXPECT_EQ(run.rings.noar[1], 7);
}

TEST_F(RingSearch, RingBelowTheSmallestSizeIsNotRecorded) {
  carbon_ring(run, 3, 1.5f);
  carbon_ring(run, 5, 1.5f, {20, 0, 0});
  search(4, 8);
  ASSERT_EQ(run.rings.nor, 1);
  EXPECT_EQ(run.rings.noar[1], 5);
  EXPECT_EQ(members(run, 1), (std::set<int>{4, 5, 6, 7, 8}));
}

TEST_F(RingSearch, SeparateMoleculesAreSearchedFromEachUnvisitedAtom) {
  carbon_ring(run, 6, 1.45f);
  carbon_ring(run, 5, 1.5f, {15, 0, 0});
  carbon_ring(run, 4, 1.5f, {0, 15, 0});
  search(3, 8);
  ASSERT_EQ(run.rings.nor, 3);
  EXPECT_EQ(run.rings.noar[1], 6);
  EXPECT_EQ(run.rings.noar[2], 5);
  EXPECT_EQ(run.rings.noar[3], 4);
  expect_sound_rings(run);
}

TEST_F(RingSearch, NaphthaleneFusionAtomsLieInBothPlanarRings) {
  naphthalene(run);
  search(3, 8);
  EXPECT_EQ(run.newat.iaref[1], 1) << "atom 1 already branches: no exchange";
  EXPECT_EQ(run.newat.iaref[2], 2);
  ASSERT_EQ(run.rings.nor, 2);
  EXPECT_EQ(run.rings.noar[1], 6);
  EXPECT_EQ(run.rings.noar[2], 6);
  EXPECT_TRUE(run.rings.planar[1]);
  EXPECT_TRUE(run.rings.planar[2]);
  expect_sound_rings(run);
  bool cyclic, plane, plane2;
  int iring, mem;
  vorn::isitcyclic(run, 1, cyclic, plane, plane2, iring, mem);
  EXPECT_TRUE(cyclic && plane2 && !plane);
  EXPECT_EQ(iring, 3);
  EXPECT_EQ(mem, 12);
  vorn::isitcyclic(run, 4, cyclic, plane, plane2, iring, mem);
  EXPECT_TRUE(cyclic && plane && !plane2);
  EXPECT_EQ(mem, 6);
}

// The walk closes the A+D ring first and later reaches the same six atoms again from the
// other bridgehead; that second closure must not add a ring.
TEST_F(RingSearch, CageRingReachedTwiceIsRecordedOnceAndBridgeheadsLieInThree) {
  bicyclooctane(run);
  search(3, 8);
  ASSERT_EQ(run.rings.nor, 3);
  expect_sound_rings(run);
  EXPECT_EQ(members(run, 1), (std::set<int>{1, 2, 3, 4, 5, 6}));
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(run.rings.noar[r], 6);
  bool cyclic, plane, plane2;
  int iring, mem;
  for (int bridgehead : {1, 4}) {
    vorn::isitcyclic(run, bridgehead, cyclic, plane, plane2, iring, mem);
    EXPECT_TRUE(cyclic);
    EXPECT_FALSE(plane || plane2);
    EXPECT_EQ(iring, 0);
  }
}

TEST_F(RingSearch, StartAtomIsTheFirstBranchingAtom) {
  // Naphthalene with a fusion carbon moved from atom 1 to atom 10: atom 2 is then the first
  // atom with three partners, so the walk starts from it.
  naphthalene(run);
  std::swap(run.atoms.xc[1], run.atoms.xc[10]);
  std::swap(run.atoms.atom[1], run.atoms.atom[10]);
  search(3, 8);
  EXPECT_EQ(run.newat.iaref[1], 2);
  EXPECT_EQ(run.newat.iaref[2], 1);
  // the exchange renumbers every reference: the partner lists still describe the bonds
  for (int k = 1; k <= run.newat.ia1; ++k) {
    ASSERT_EQ(run.conmat.nba[k], run.newat.iaref[k] == 2 || run.newat.iaref[k] == 10 ? 3 : 2) << k;
    for (int j = 0; j < run.conmat.nba[k]; ++j)
      EXPECT_TRUE(bonded(run, run.newat.iaref[k], run.newat.iaref[run.conmat.icmat[k][j]])) << k << " " << j;
  }
  ASSERT_EQ(run.rings.nor, 2);
  expect_sound_rings(run);
}

TEST_F(RingSearch, ChairCyclohexaneIsNotPlanar) {
  carbon_ring(run, 6, 1.45f, {0, 0, 0}, 0.25f);
  search(3, 8);
  ASSERT_EQ(run.rings.nor, 1);
  EXPECT_FALSE(run.rings.planar[1]);
  EXPECT_TRUE(log_has("     This ring is planar = .F."));
}

TEST_F(RingSearch, DisorderedAtomNeverBelongsToARing) {
  benzene(run);
  run.atoms1.iaf[5] = -1;  // one ring carbon
  carbon_ring(run, 5, 1.5f, {20, 0, 0});
  search(3, 8);
  ASSERT_EQ(run.rings.nor, 1);
  EXPECT_EQ(run.rings.noar[1], 5);
  for (int k = 1; k <= run.newat.ia1; ++k) EXPECT_NE(run.newat.iaref[k], 5);
}

TEST_F(RingSearch, NoRingAtomsMeansNoSearch) {
  put(run, 6, {0, 0, 0}, "C1");
  put(run, 6, {1.5f, 0, 0}, "C2");
  put(run, 8, {2.9f, 0, 0}, "O1");
  search(3, 8);
  EXPECT_EQ(run.newat.ia1, 0);
  EXPECT_EQ(run.rings.nor, 0);
  EXPECT_TRUE(log_has(" THERE ARE NO ATOMS IN THE REDUCED CONNECTIVITY TABLE\n\n SEARCH FOR RINGS WILL NOT BE PERFORMED..."));
  EXPECT_FALSE(log_has("TOTAL RINGS FOUND"));
}

TEST_F(RingSearch, ConnectivityTableIsLoggedAtHigherVerbosity) {
  run.set.iverbose = 2;
  carbon_ring(run, 4, 1.5f);
  search(3, 8);
  EXPECT_TRUE(log_has(" CONNECTIVITY TABLE AFTER THE FINAL ELIMINATION CYCLE :\n"
                      "      1 C1       - C2       C4      \n"));
}

TEST_F(RingSearch, AnyRangeIsSearchedAndHugeRingsStop) {
  // sizes below 3 never close and a reversed range records nothing; neither stops the run
  carbon_ring(run, 5, 1.5f);
  vorn::connect4rings(run);
  struct Row {
    int lo, hi, rings;
  };
  for (const Row& r : {Row{2, 8, 1}, Row{1, 6, 1}, Row{8, 3, 0}, Row{3, 120, 1}, Row{0, 0, 0}}) {
    run.set.nrmin = r.lo;
    run.set.nrmax = r.hi;
    EXPECT_NO_THROW(vorn::findrings(run)) << r.lo << " " << r.hi;
    EXPECT_EQ(run.rings.nor, r.rings) << r.lo << " " << r.hi;
  }
  EXPECT_TRUE(log_has(" Warning : no ring has between 8 and 3 members"));
  vorn::Run big;
  big.nout.open("big.out");
  carbon_ring(big, 101, 1.5f);
  vorn::connect4rings(big);
  big.set.nrmin = 3;
  big.set.nrmax = 200;
  try {
    vorn::findrings(big);
    ADD_FAILURE() << "a ring of 101 atoms was stored";
  } catch (const Fatal& f) {
    EXPECT_EQ(f.where, "FindRings");
    EXPECT_EQ(f.message, "Ring of 101 atoms found: at most 100 atoms per ring can be stored");
  }
  run.set.nrmin = 3;
  run.set.nrmax = 100;
  EXPECT_NO_THROW(vorn::findrings(run));
  EXPECT_EQ(run.rings.nor, 1);
}

TEST_F(RingSearch, RingTableGrowsPastAThousand) {
  for (int t = 0; t < 1001; ++t) carbon_ring(run, 3, 1.5f, {10.0f * (t % 40), 10.0f * (t / 40), 0});
  search(3, 8);
  EXPECT_EQ(run.rings.nor, 1001);
  EXPECT_EQ(run.rings.noar[1001], 3);
}

TEST_F(RingSearch, MoreThanTwentyPartnersStops) {
  for (int i = 0; i < 22; ++i) put(run, 6, {0.01f * i, 0, 0}, "C" + std::to_string(i + 1));
  try {
    vorn::connect4rings(run);
    ADD_FAILURE() << "21 partners accepted";
  } catch (const Fatal& f) {
    EXPECT_EQ(f.where, "Connect4Rings");
  }
}

// The reduced table and its partner lists equal those of the plain all-pairs elimination.
TEST_F(RingSearch, EliminationMatchesTheAllPairsRule) {
  std::mt19937 gen(11);
  std::uniform_real_distribution<float> u(0.0f, 14.0f);
  for (int i = 0; i < 400; ++i) put(run, i % 4 ? 6 : 1, {u(gen), u(gen), u(gen)}, "X");
  run.atoms1.iaf[7] = -1;
  std::vector<int> ref(401);
  for (int i = 1; i <= 400; ++i) ref[i] = i;
  std::vector<std::vector<int>> part;
  for (;;) {
    const int n = static_cast<int>(ref.size()) - 1;
    part.assign(n + 1, {});
    std::vector<int> kept{0};
    for (int k = 1; k <= n; ++k) {
      if (run.atoms1.iaf[ref[k]] != -1)
        for (int j = 1; j <= n; ++j)
          if (j != k && bonded(run, ref[k], ref[j])) part[k].push_back(j);
      if (part[k].size() >= 2) kept.push_back(ref[k]);
    }
    if (static_cast<int>(kept.size()) - 1 == n) break;
    ref = kept;
  }
  ASSERT_GT(ref.size(), 20u) << "the cloud should keep a connected core";
  run.set.nrmin = 3;
  run.set.nrmax = 3;
  vorn::connect4rings(run);
  ASSERT_EQ(run.newat.ia1, static_cast<int>(ref.size()) - 1);
  for (int k = 1; k <= run.newat.ia1; ++k) {
    EXPECT_EQ(run.newat.iaref[k], ref[k]);
    ASSERT_EQ(run.conmat.nba[k], static_cast<int>(part[k].size()));
    for (int j = 0; j < run.conmat.nba[k]; ++j) EXPECT_EQ(run.conmat.icmat[k][j], part[k][j]);
  }
}

TEST_F(RingSearch, SearchingTwiceGivesTheSameRings) {
  naphthalene(run);
  search(3, 8);
  const auto first = run.rings.nra;
  search(3, 8);
  EXPECT_EQ(run.rings.nor, 2);
  EXPECT_EQ(run.rings.nra, first);
}

// The rings of each copy of the Z' = 2 bicycle as label sets, the second copy's labels
// renumbered to the first's (C13 -> C3).
std::map<int, std::set<std::set<std::string>>> rings_per_copy(const vorn::Run& run) {
  std::map<int, std::set<std::set<std::string>>> r;
  for (int g = 1; g <= run.rings.nor; ++g) {
    std::set<std::string> labels;
    int copy = 0;
    for (int i = 0; i < run.rings.noar[g]; ++i) {
      std::string l = vorn::fmt::trim(run.atoms.atom[run.rings.nra[g][i]]);  // C(13)
      const size_t open = l.find('(');
      const int num = std::stoi(l.substr(open + 1));
      copy = num > 10 ? 2 : 1;
      labels.insert(l.substr(0, open) + std::to_string(num > 10 ? num - 10 : num));
    }
    r[copy].insert(labels);
  }
  return r;
}

// Two copies of one fused 5+5 bicycle, the second listed in another order; read as written and
// with every atom line reversed. The walk alone found the 8-membered envelope for some orders
// only; now each copy has exactly its two five-membered rings in both readings.
TEST_F(RingSearch, TwoCopiesGetTheSameRingsWhateverTheAtomOrder) {
  const std::vector<std::string> file = lines_of(slurp(vorn::test::data_path("topology/zprime2_bicycle.res")));
  std::vector<std::string> head, atoms, tail;
  for (const std::string& l : file) {
    const bool atom = l.size() > 6 && (l[0] == 'C' || l[0] == 'N' || l[0] == 'H') && l.rfind("HKLF", 0) != 0 &&
                      l.rfind("CELL", 0) != 0;
    (atom ? atoms : (atoms.empty() ? head : tail)).push_back(l);
  }
  ASSERT_EQ(atoms.size(), 28u);
  std::vector<std::string> reversed(atoms.rbegin(), atoms.rend());
  const std::set<std::set<std::string>> expected = {{"N1", "C1", "C2", "C3", "C4"}, {"N1", "C1", "C5", "C6", "C7"}};
  int order = 0;
  for (const auto* list : {&atoms, &reversed}) {
    SCOPED_TRACE(order == 0 ? "file order" : "reversed order");
    std::string text;
    for (const std::vector<std::string>* part : std::initializer_list<const std::vector<std::string>*>{&head, list, &tail})
      for (const std::string& l : *part) text += l + "\n";
    const std::string name = "zprime2_" + std::to_string(order++) + ".res";
    vorn::test::write_file(name, text);
    vorn::Run r;
    std::ostringstream con;
    vorn::test::open_reader_outputs(r, std::filesystem::current_path(), con, name);
    vorn::readshelx(r, name);
    r.cryst.natoms = r.atoms.ia;
    r.set.nrmin = 3;
    r.set.nrmax = 8;
    vorn::connect4rings(r);
    vorn::findrings(r);
    expect_sound_rings(r);
    const auto per_copy = rings_per_copy(r);
    ASSERT_EQ(per_copy.size(), 2u);
    EXPECT_EQ(per_copy.at(1), expected);
    EXPECT_EQ(per_copy.at(2), expected);
  }
}

// Fused, bridged and caged ring systems side by side: naphthalene (6+6, envelope 10), a 5+5
// bicycle (envelope 8), bicyclo[3.1.0]hexane (3+5, envelope 6), bicyclo[2.2.2]octane and cubane.
// Names are unique so that the rings can be compared across atom orders.
std::vector<std::pair<int, std::pair<Vec3, std::string>>> ring_systems() {
  vorn::Run src;
  auto shift_from = [&](int first, float dx) {
    for (int k = first; k <= src.cryst.natoms; ++k) src.atoms.xc[k][0] += dx;
  };
  naphthalene(src);
  int first = src.cryst.natoms + 1;
  {
    const float s = 1.40f, rad = s / (2 * std::sin(kPi / 5)), apo = s / (2 * std::tan(kPi / 5));
    put(src, 7, {0, s / 2, 0}, "N");
    put(src, 6, {0, -s / 2, 0}, "C");
    for (float side : {1.0f, -1.0f})
      for (float deg : {72.0f, 0.0f, -72.0f}) {
        const float t = deg * kPi / 180;
        put(src, 6, {side * (apo + rad * std::cos(t)), rad * std::sin(t), 0}, "C");
      }
  }
  shift_from(first, 12);
  first = src.cryst.natoms + 1;
  carbon_ring(src, 5, 1.5f);
  {
    const Vec3 a = src.atoms.xc[first], b = src.atoms.xc[first + 1];
    put(src, 6, {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, 1.299f}, "C");  // 1.5 A from both
  }
  shift_from(first, 24);
  first = src.cryst.natoms + 1;
  bicyclooctane(src);
  shift_from(first, 36);
  first = src.cryst.natoms + 1;
  for (int k = 0; k < 8; ++k) put(src, 6, {1.55f * (k & 1), 1.55f * ((k >> 1) & 1), 1.55f * ((k >> 2) & 1)}, "Q");
  shift_from(first, 48);
  std::vector<std::pair<int, std::pair<Vec3, std::string>>> out;
  for (int k = 1; k <= src.cryst.natoms; ++k)
    out.push_back({src.atoms.itype[k], {src.atoms.xc[k], "A" + std::to_string(k)}});
  return out;
}

std::set<std::set<std::string>> ring_names(const vorn::Run& run) {
  std::set<std::set<std::string>> r;
  for (int g = 1; g <= run.rings.nor; ++g) {
    std::set<std::string> m;
    for (int i = 0; i < run.rings.noar[g]; ++i) m.insert(vorn::fmt::trim(run.atoms.atom[run.rings.nra[g][i]]));
    r.insert(m);
  }
  return r;
}

TEST_F(RingSearch, RingSetDoesNotDependOnAtomOrder) {
  const auto systems = ring_systems();
  struct Range {
    int lo, hi;
    std::multiset<int> sizes;  // worked out by hand from the systems above
  };
  const Range ranges[] = {
      // 2 x 6, 2 x 5, 3 and 5, 3 x 6, 6 x 4: no envelope (10, 8, 6) and no sum of cube faces
      {3, 10, {3, 4, 4, 4, 4, 4, 4, 5, 5, 5, 6, 6, 6, 6, 6}},
      // the three-ring lies below the range and still makes the 6-membered envelope a sum
      {5, 8, {5, 5, 5, 6, 6, 6, 6, 6}},
  };
  for (const Range& range : ranges) {
    std::set<std::set<std::string>> reference;
    for (int seed = 0; seed <= 6; ++seed) {
      SCOPED_TRACE("RINGS " + std::to_string(range.lo) + " " + std::to_string(range.hi) + ", order " +
                   std::to_string(seed));
      std::vector<size_t> order(systems.size());
      for (size_t i = 0; i < order.size(); ++i) order[i] = i;
      if (seed == 1) std::reverse(order.begin(), order.end());
      if (seed > 1) std::shuffle(order.begin(), order.end(), std::mt19937(static_cast<unsigned>(seed)));
      vorn::Run r;
      r.nout.open("order.out");
      for (size_t i : order) put(r, systems[i].first, systems[i].second.first, systems[i].second.second);
      r.set.nrmin = range.lo;
      r.set.nrmax = range.hi;
      vorn::connect4rings(r);
      vorn::findrings(r);
      expect_sound_rings(r);
      EXPECT_EQ(std::multiset<int>(r.rings.noar.begin() + 1, r.rings.noar.end()), range.sizes);
      if (seed == 0)
        reference = ring_names(r);
      else
        EXPECT_EQ(ring_names(r), reference);
    }
  }
}

TEST(RingRealFiles, EveryReadableSharedShelxFileSearchesWithoutError) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(VORN_SHARED_DATA "/shelx");
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no shared SHELX data folder at " << dir;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".res") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  if (files.empty()) GTEST_SKIP() << "no .res files in " << dir;
  const fs::path scratch = fs::temp_directory_path() / ("vorn_ringreal_" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  const fs::path old = fs::current_path();
  fs::current_path(scratch);
  int searched = 0;
  for (const fs::path& p : files) {
    SCOPED_TRACE(p.filename().string());
    vorn::Run run;
    std::ostringstream console;
    vorn::test::open_reader_outputs(run, scratch, console);
    try {
      vorn::readshelx(run, p.string());
    } catch (const Fatal&) {
      continue;  // files the reader refuses are its own tests' business
    }
    run.cryst.natoms = run.atoms.ia;  // as the driver sets it when no fragment completion runs
    run.set.nrmin = 3;
    run.set.nrmax = 8;
    try {
      vorn::connect4rings(run);
      vorn::findrings(run);
    } catch (const Fatal& f) {
      ADD_FAILURE() << f.where << ": " << f.message;
      continue;
    }
    ++searched;
    std::multiset<int> sizes(run.rings.noar.begin() + 1, run.rings.noar.end());
    // known ring systems: a pyranose and a furanose; the indole of tryptophan
    if (p.filename() == "sucrose_P21.res" || p.filename() == "dl_tryptophan_P21c.res") {
      EXPECT_EQ(sizes, (std::multiset<int>{5, 6}));
    }
    EXPECT_LE(run.newat.ia1, run.cryst.natoms);
    expect_sound_rings(run);
  }
  fs::current_path(old);
  fs::remove_all(scratch);
  EXPECT_GT(searched, 0);
}
