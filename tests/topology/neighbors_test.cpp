// Covalent neighbour lists: bonding rules, record contents, ranking, log and cell list vs full scan.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "localaxes/ranking.h"
#include "../support.h"
#include "neighbor_fixtures.h"
#include "topology/environment.h"
#include "topology/neighbors.h"
#include "util/err.h"

using namespace vorn;
using vorn::test::put;

// Tests that write the log run in a scratch directory.
class NeighborsFiles : public vorn::test::InTempDir {};

namespace {

using Builder = void (*)(Run&);
const Builder kBoth[] = {findallneighbors, findallneighbors_reference};

std::vector<int> list_of(const Run& run, int i) {
  return std::vector<int>(run.neighbors.jnei[i].begin(), run.neighbors.jnei[i].begin() + run.neighbors.nnei[i]);
}

std::string fatal_of(Run& run, Builder b) {
  try {
    b(run);
  } catch (const Fatal& f) {
    return f.where + ": " + f.message;
  }
  return "";
}

}  // namespace

TEST(Neighbors, CovalentCutOffCarbonHydrogenAndCarbonCarbon) {
  for (Builder b : kBoth) {
    vorn::Run run;
    put(run, 6, {0, 0, 0}, "C1");
    put(run, 1, {1.15f, 0, 0}, "H1");       // 1.15 <= 0.77 + 0.40 + 0.2
    put(run, 6, {0, 0, 1.80f}, "C2");       // 1.80 > 1.74
    b(run);
    EXPECT_EQ(list_of(run, 1), (std::vector<int>{2}));
    EXPECT_FLOAT_EQ(run.neighbors.rnei[1][0], 1.15f);
    EXPECT_EQ(run.neighbors.nnei[3], 0);
  }
}

TEST(Neighbors, BondedExactlyAtTheToleranceNotOneUlpBeyond) {
  const float cut = 0.2f + 0.77f + 0.77f;  // the cut-off as the search forms it
  for (Builder b : kBoth) {
    vorn::Run run;
    put(run, 6, {0, 0, 0}, "C1");
    put(run, 6, {cut, 0, 0}, "C2");
    put(run, 6, {0, 10, 0}, "C3");
    put(run, 6, {0, 10, std::nextafter(cut, 2.0f)}, "C4");
    b(run);
    EXPECT_EQ(list_of(run, 1), (std::vector<int>{2}));
    EXPECT_EQ(run.neighbors.nnei[3], 0) << "one ulp past the cut-off must not bond";
  }
}

TEST(Neighbors, TolerancesFromSettingsAndRadii) {
  vorn::Run run;
  run.set.tol1 = 0.0f;
  put(run, 8, {0, 0, 0}, "O1");
  put(run, 1, {1.14f, 0, 0}, "H1");  // 0.73 + 0.40 = 1.13 < 1.14
  findallneighbors(run);
  EXPECT_EQ(run.neighbors.nnei[1], 0);
}

TEST(Neighbors, LowerLimitHalfAngstrom) {
  for (Builder b : kBoth) {
    vorn::Run run;
    put(run, 1, {0, 0, 0}, "H1");
    put(run, 1, {0.5f, 0, 0}, "H2");
    put(run, 1, {0, 5, 0}, "H3");
    put(run, 1, {0, 5, 0.49f}, "H4");
    b(run);
    EXPECT_EQ(list_of(run, 1), (std::vector<int>{2}));
    EXPECT_EQ(run.neighbors.nnei[3], 0);
    EXPECT_EQ(run.neighbors.nnei[4], 0);
  }
}

TEST(Neighbors, DuplicatePositionCountedOnce) {
  for (Builder b : kBoth) {
    vorn::Run run;
    put(run, 6, {0, 0, 0}, "C1");
    put(run, 8, {1.2f, 0, 0}, "O1");
    put(run, 8, {1.205f, 0, 0}, "O1'");   // symmetry copy 0.005 A away
    put(run, 8, {-1.2f, 0, 0}, "O2");
    put(run, 8, {-1.2f, 0, 0}, "O2'");    // exact copy
    b(run);
    EXPECT_EQ(list_of(run, 1), (std::vector<int>{2, 4}));
    // the copies are too close to each other to bond, and each sees the carbon
    EXPECT_EQ(list_of(run, 3), (std::vector<int>{1}));
    EXPECT_EQ(list_of(run, 5), (std::vector<int>{1}));
  }
}

TEST(Neighbors, DisorderComponentsNeverBond) {
  for (Builder b : kBoth) {
    vorn::Run run;
    put(run, 6, {0, 0, 0}, "CA", 0.6f, -1);
    put(run, 6, {1.5f, 0, 0}, "CB", 0.4f, -1);   // other component
    put(run, 6, {0, 1.5f, 0}, "CC", 0.6f, -1);   // same component
    put(run, 6, {0, 0, 1.5f}, "CD", 0.605f, -1); // within the 0.01 match
    put(run, 6, {0, 0, -1.5f}, "CE", 0.62f, -1); // beyond it
    put(run, 6, {-1.5f, 0, 0}, "CF");            // ordered, sees everything
    put(run, 6, {-1.5f, 0, 1.5f}, "CG", 0.4f);   // same occupancy but ordered
    b(run);
    EXPECT_EQ(list_of(run, 1), (std::vector<int>{3, 4, 6}));
    EXPECT_EQ(list_of(run, 2), (std::vector<int>{}));
    EXPECT_EQ(list_of(run, 6), (std::vector<int>{1, 7}));
    EXPECT_EQ(list_of(run, 5), (std::vector<int>{}));
  }
}

TEST(Neighbors, HalfAndHalfDisorderedAtomsBond) {
  vorn::Run run;
  put(run, 6, {0, 0, 0}, "CA", 0.5f, -1);
  put(run, 6, {1.5f, 0, 0}, "CB", 0.5f, -1);
  findallneighbors(run);
  EXPECT_EQ(list_of(run, 1), (std::vector<int>{2}));
}

TEST(Neighbors, PartnerOnlyInNextCellIsNotFound) {
  vorn::Run run;
  run.transf.rm = Mat3{{{10, 0, 0}, {0, 10, 0}, {0, 0, 10}}};
  put(run, 6, {0.5f, 5, 5}, "C1");   // its partner would be at x = 9.2, across the cell edge
  put(run, 6, {9.2f, 5, 5}, "C2");
  findallneighbors(run);
  EXPECT_EQ(run.neighbors.nnei[1], 0);
  EXPECT_EQ(run.neighbors.nnei[2], 0);
}

TEST(Neighbors, TypesAscendingAndMembersRankedByCoordinationThenDistance) {
  for (Builder b : kBoth) {
    vorn::Run run;
    vorn::test::ranked_carbon(run);
    b(run);
    const Neighbors& nb = run.neighbors;
    EXPECT_EQ(list_of(run, 1), (std::vector<int>{2, 3, 4, 5}));  // nearest first
    EXPECT_NEAR(nb.rnei[1][1], 1.35f, 1e-6);
    ASSERT_EQ(nb.jtnei[1], 2);
    EXPECT_EQ(nb.janei[1][0], 1);
    EXPECT_EQ(nb.janei[1][1], 6);
    EXPECT_EQ(nb.jnnei[1][0], 1);
    EXPECT_EQ(nb.jnnei[1][1], 3);
    EXPECT_EQ(nb.nnei[3], 4);
    EXPECT_EQ(nb.nnei[4], 3);
    EXPECT_EQ(nb.nnei[5], 3);
    // C1 is nearest but has four neighbours of its own: it comes after C2 and C3
    EXPECT_EQ(nb.jsnei[1][1], (std::vector<int>{4, 5, 3}));
    EXPECT_EQ(nb.jsnei[1][0], (std::vector<int>{2}));
    EXPECT_EQ(sortnei(run, 1), (std::vector<int>{4, 5, 3, 2}));
  }
}

TEST(Neighbors, EqualDistanceAndCoordinationFallBackToAtomNumber) {
  vorn::Run run;
  put(run, 8, {0, 0, 0}, "O1");
  put(run, 1, {0, 0.96f, 0}, "H1");
  put(run, 1, {0.96f, 0, 0}, "H2");
  put(run, 1, {0, 0, 0.96f}, "H3");
  findallneighbors(run);
  EXPECT_EQ(run.neighbors.jsnei[1][0], (std::vector<int>{2, 3, 4}));
}

TEST_F(NeighborsFiles, NeighborsLogBlock) {
  vorn::Run run;
  std::ostringstream con;
  run.console = &con;
  run.nout.open("vorn.out");
  vorn::test::ranked_carbon(run);
  findallneighbors(run);
  run.nout.close();
  EXPECT_EQ(con.str(), "\n IDENTIFYING COVALENTLY-BONDED NEIGHBORS FOR EACH ATOM\n");
  const std::string log = vorn::test::slurp("vorn.out");
  const std::string head = "\n " + std::string(79, '-') +
                           "\n\n IDENTIFYING COVALENTLY-BONDED NEIGHBORS FOR EACH ATOM\n"
                           "\n Printout of neighbors of all atoms sorted by \n"
                           "    1) atomic number (descending)\n"
                           "    2) hybridization ( ascending)\n"
                           "    3) distance      ( ascending)\n"
                           "\n Atom #      1 = C0       :\n"
                           "        6   3      1.380       4   C2      \n"
                           "        6   3      1.400       5   C3      \n"
                           "        6   4      1.350       3   C1      \n"
                           "        1   1      1.000       2   H0      \n"
                           "\n Atom #      2 = H0       :\n"
                           "        6   4      1.000       1   C0      \n";
  EXPECT_EQ(log.substr(0, head.size()), head);
  // the silent search writes no per-atom tables
  EXPECT_EQ(log.find("Covalently-bonded"), std::string::npos);
}

TEST(Neighbors, MoreThanTwentyNeighboursStopsTheRun) {
  for (Builder b : kBoth) {
    vorn::Run run;
    put(run, 6, {0, 0, 0}, "CX");
    const int n = 21;
    for (int m = 0; m < n; ++m) {  // points spread over a sphere of 1.2 A
      const float zc = 1.0f - 2.0f * (m + 0.5f) / n;
      const float rr = std::sqrt(1.0f - zc * zc), ph = 2.39996323f * m;
      put(run, 1, {1.2f * rr * std::cos(ph), 1.2f * rr * std::sin(ph), 1.2f * zc}, "H" + std::to_string(m));
    }
    const std::string f = fatal_of(run, b);
    EXPECT_NE(f.find("FindAllNeighbors"), std::string::npos) << f;
    EXPECT_NE(f.find("CX"), std::string::npos) << f;
    EXPECT_NE(f.find("21"), std::string::npos) << f;
  }
}

TEST(Neighbors, TwentyNeighboursAreStored) {
  vorn::Run run;
  put(run, 6, {0, 0, 0}, "CX");
  for (int m = 0; m < 20; ++m) {
    const float zc = 1.0f - 2.0f * (m + 0.5f) / 20;
    const float rr = std::sqrt(1.0f - zc * zc), ph = 2.39996323f * m;
    put(run, 1, {1.2f * rr * std::cos(ph), 1.2f * rr * std::sin(ph), 1.2f * zc}, "H");
  }
  findallneighbors(run);
  EXPECT_EQ(run.neighbors.nnei[1], 20);
  EXPECT_EQ(run.neighbors.jnnei[1][0], 20);
}

TEST(Neighbors, ElementWithoutRadiusIsRejected) {
  for (Builder b : kBoth) {
    vorn::Run run;
    put(run, 6, {0, 0, 0}, "C1");
    put(run, 93, {5, 0, 0}, "NP1");
    const std::string f = fatal_of(run, b);
    EXPECT_NE(f.find("FindAllNeighbors"), std::string::npos) << f;
    EXPECT_NE(f.find("NP1"), std::string::npos) << f;
    vorn::Run run0;
    put(run0, 0, {0, 0, 0}, "Q1");
    EXPECT_NE(fatal_of(run0, b).find("Q1"), std::string::npos);
  }
}

// ---- the cell list against the full scan ----

namespace {

struct Cloud {
  int n = 300;
  float box = 14.0f;
  float offset = 0.0f;
  unsigned seed = 1;
};

void random_cloud(vorn::Run& run, const Cloud& c) {
  std::mt19937 rng(c.seed);
  std::uniform_real_distribution<float> u(0.0f, c.box);
  std::uniform_int_distribution<int> pick(0, 99);
  const int elements[] = {1, 1, 1, 6, 6, 6, 7, 8, 16, 17, 35, 53, 26, 14};
  const float occs[] = {0.5f, 0.5f, 0.505f, 0.52f, 0.3f, 0.7f};
  const float cutcc = 0.2f + 0.77f + 0.77f;
  // Coordinates on a 1/128 A lattice: sums and differences are exact, so mirrored partners lie
  // at bit-identical distances and the atom-number tie-break is exercised across cells.
  auto snap = [](float v) { return std::round(v * 128.0f) / 128.0f; };
  const bool carbon_only = c.seed % 3 == 0;  // cells then match the one cut-off of every pair
  for (int i = 0; i < c.n; ++i) {
    Vec3 x{snap(u(rng)) + c.offset, snap(u(rng)) + c.offset, snap(u(rng)) + c.offset};
    const int roll = pick(rng);
    int z = carbon_only ? 6 : elements[pick(rng) % 14];
    const Vec3 prev = i > 0 ? run.atoms.xc[i] : Vec3{};
    const Vec3 prev2 = i > 1 ? run.atoms.xc[i - 1] : Vec3{};
    if (i > 0 && roll < 6) {  // an exact copy of the previous position
      x = prev;
    } else if (i > 0 && roll < 10) {  // a copy 0.005 A off
      x = prev;
      x[1] += 0.005f;
    } else if (i > 0 && roll < 16) {  // a carbon at the C-C tolerance from the previous atom
      x = prev;
      x[pick(rng) % 3] += cutcc;
      z = 6;
      run.atoms.itype[i] = 6;
    } else if (i > 0 && roll < 24) {  // a bonded partner at an exact offset
      const float off[] = {1.5f, -1.25f, 0.75f, 1.0f, -0.5f};
      x = prev;
      x[0] += off[pick(rng) % 5];
      x[1] += off[pick(rng) % 5] * 0.5f;
    } else if (i > 1 && roll < 34) {  // the mirror of the atom before through the previous one
      for (int a = 0; a < 3; ++a) x[a] = prev[a] + (prev[a] - prev2[a]);
    } else if (i > 0 && roll < 38) {  // exactly 0.5 A away
      x = prev;
      x[2] += 0.5f;
    }
    const bool dis = pick(rng) < 25;
    put(run, z, x, "A" + std::to_string(i + 1), dis ? occs[pick(rng) % 6] : 1.0f, dis ? -1 : (pick(rng) < 5));
  }
}

void expect_same_records(const Run& a, const Run& b) {
  ASSERT_EQ(a.cryst.natoms, b.cryst.natoms);
  for (int i = 1; i <= a.cryst.natoms; ++i) {
    ASSERT_EQ(a.neighbors.nnei[i], b.neighbors.nnei[i]) << "atom " << i;
    EXPECT_EQ(a.neighbors.jnei[i], b.neighbors.jnei[i]) << "atom " << i;
    EXPECT_EQ(a.neighbors.rnei[i], b.neighbors.rnei[i]) << "atom " << i;
    EXPECT_EQ(a.neighbors.jtnei[i], b.neighbors.jtnei[i]) << "atom " << i;
    EXPECT_EQ(a.neighbors.janei[i], b.neighbors.janei[i]) << "atom " << i;
    EXPECT_EQ(a.neighbors.jnnei[i], b.neighbors.jnnei[i]) << "atom " << i;
    EXPECT_EQ(a.neighbors.jsnei[i], b.neighbors.jsnei[i]) << "atom " << i;
  }
}

}  // namespace

TEST_F(NeighborsFiles, NeighborsGridMatchesFullScanOnRandomClouds) {
  int bonds = 0, disordered_pairs = 0, complete = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    Cloud c;
    c.seed = seed;
    c.n = 150 + 10 * static_cast<int>(seed);
    c.box = 6.0f + 0.3f * seed;
    if (seed % 5 == 0) c.offset = 1000.0f;   // far from the origin: coarser floats
    if (seed % 7 == 0) c.offset = -37.25f;
    vorn::Run a, b;
    std::ostringstream ca, cb;
    a.console = &ca;
    b.console = &cb;
    random_cloud(a, c);
    random_cloud(b, c);
    a.nout.open("a.out");
    b.nout.open("b.out");
    const std::string fa = fatal_of(a, findallneighbors);
    const std::string fb = fatal_of(b, findallneighbors_reference);
    a.nout.close();
    b.nout.close();
    EXPECT_EQ(fa, fb) << "seed " << seed;
    EXPECT_EQ(vorn::test::slurp("a.out"), vorn::test::slurp("b.out")) << "seed " << seed;
    if (!fa.empty()) continue;
    ++complete;
    expect_same_records(a, b);
    for (int i = 1; i <= a.cryst.natoms; ++i) {
      bonds += a.neighbors.nnei[i];
      for (int k = 0; k < a.neighbors.nnei[i]; ++k)
        disordered_pairs += a.atoms1.iaf[i] == -1 && a.atoms1.iaf[a.neighbors.jnei[i][k]] == -1;
    }
  }
  // the clouds must exercise the rules, not be empty
  EXPECT_GE(complete, 30);
  EXPECT_GT(bonds, 2000);
  EXPECT_GT(disordered_pairs, 20);
}

TEST(Neighbors, GridMatchesFullScanForRadiusSearches) {
  Cloud c;
  c.n = 400;
  c.box = 12.0f;
  vorn::Run a;
  random_cloud(a, c);
  const NeighborGrid g = make_neighbor_grid(a);
  for (float r : {1.0f, 3.7f, 6.0f}) {
    for (int k = 1; k <= a.cryst.natoms; k += 7) {
      const Neig grid = getnei(a, k, r, &g);
      const Neig all = getnei(a, k, r);
      EXPECT_EQ(grid.ldis, all.ldis);
      ASSERT_EQ(grid.inei, all.inei) << k << " r " << r;
      EXPECT_EQ(grid.iatn, all.iatn);
      EXPECT_EQ(grid.rnd, all.rnd);
    }
  }
}

// Atoms moved through move_atom, by small steps across cell borders and far out of the box
// the grid was built on, are found exactly as the scan over all atoms finds them.
TEST(Neighbors, GridFollowsMovedAtoms) {
  Cloud c;
  c.n = 300;
  c.box = 12.0f;
  c.seed = 4;
  vorn::Run a;
  random_cloud(a, c);
  NeighborGrid g = make_neighbor_grid(a, 2.5f);
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> atom(1, a.cryst.natoms);
  std::uniform_real_distribution<float> step(-0.6f, 0.6f), far(-30.0f, 30.0f);
  for (int m = 0; m < 400; ++m) {
    const int k = atom(rng);
    Vec3 x = a.atoms.xc[k];
    for (int ax = 0; ax < 3; ++ax) x[ax] += m % 10 == 0 ? far(rng) : step(rng);
    move_atom(a, k, x, &g);
  }
  const Vec3 back = a.atoms.xc[1];
  move_atom(a, 1, Vec3{1e6f, 0, 0}, &g);  // out to the far edge and home again
  move_atom(a, 1, back, &g);
  for (float r : {0.0f, 1.0f, 3.7f, 8.0f}) {
    for (int k = 1; k <= a.cryst.natoms; ++k) {
      const Neig grid = getnei(a, k, r, &g);
      const Neig all = getnei(a, k, r);
      ASSERT_EQ(grid.inei, all.inei) << k << " r " << r;
      EXPECT_EQ(grid.iatn, all.iatn);
      EXPECT_EQ(grid.rnd, all.rnd);
    }
  }
}

TEST(Neighbors, SparseWideStructureAndDegenerateCoordinates) {
  vorn::Run a, b;
  for (vorn::Run* r : {&a, &b}) {
    put(*r, 6, {0, 0, 0}, "C1");
    put(*r, 6, {1.5f, 0, 0}, "C2");
    put(*r, 6, {1e5f, 1e5f, 1e5f}, "C3");   // far away: the cell count must stay bounded
    put(*r, 6, {1e5f + 1.5f, 1e5f, 1e5f}, "C4");
    put(*r, 6, {NAN, 0, 0}, "C5");          // no position: bonds to nothing
  }
  findallneighbors(a);
  findallneighbors_reference(b);
  expect_same_records(a, b);
  EXPECT_EQ(list_of(a, 1), (std::vector<int>{2}));
  EXPECT_EQ(list_of(a, 3), (std::vector<int>{4}));
  EXPECT_EQ(a.neighbors.nnei[5], 0);
}
