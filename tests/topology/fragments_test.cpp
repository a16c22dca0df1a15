// Fragment completion: inversion-centre and cell-edge molecules, duplicates, capacity, log, complete.ang, incremental vs rescan.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>

#include "../support.h"
#include "readers/shelx.h"
#include "symmetry/cell.h"
#include "topology/fragments.h"
#include "util/err.h"
#include "model/coords.h"
#include "util/geometry.h"

namespace fs = std::filesystem;
using vorn::test::slurp;

namespace {

using Builder = void (*)(vorn::Run&);

// Log and console of a run go to files in the current (scratch) directory.
void open_files(vorn::Run& run, std::ostringstream& console) {
  run.console = &console;
  run.nout.open("vorn.out");
  run.imas.open("xd_vorn.mas");
  run.ipro.open("mopro_vorn.par");
}

// A cell with orthogonal axes a, b, c and the identity as the only operator.
void cell(vorn::Run& run, float a, float b, float c) {
  run.ucell.uc = {a, b, c, 90.0f, 90.0f, 90.0f};
  run.transf.rm = vorn::Mat3{{{a, 0, 0}, {0, b, 0}, {0, 0, c}}};
  run.transf.rm1 = vorn::Mat3{{{1 / a, 0, 0}, {0, 1 / b, 0}, {0, 0, 1 / c}}};
  run.symm.ns = 1;
  run.symm.fs.assign(2, vorn::unit_matrix());
  run.symm.ts.assign(2, vorn::Vec3{});
}

// Appends an operator with diagonal rotation (sx, sy, sz) and translation t.
void op(vorn::Run& run, float sx, float sy, float sz, vorn::Vec3 t) {
  vorn::Mat3 f{};
  f[0][0] = sx;
  f[1][1] = sy;
  f[2][2] = sz;
  run.symm.fs.push_back(f);
  run.symm.ts.push_back(t);
  ++run.symm.ns;
}

// Appends an asymmetric-unit atom of element z at fractional x.
int atom(vorn::Run& run, int z, vorn::Vec3 x, const std::string& label) {
  const int i = vorn::add_atom(run, "Test");
  run.atoms.itype[i] = z;
  run.atoms.xf[i] = x;
  run.atoms.xc[i] = vorn::mat_vec(run.transf.rm, x);
  run.atoms.atom[i] = (label + std::string(8, ' ')).substr(0, 8);
  run.atoms1.iut[i] = 2;
  run.atoms1.isft[i] = 1;
  run.atoms1.lmx[i] = z == 1 ? 2 : 4;
  run.at_uij.u[i] = {0.01f, 0.02f, 0.03f, 0, 0, 0};
  run.atoms.ia = i;
  return i;
}

// Everything the stage leaves behind, for comparing two runs.
struct Outcome {
  std::string fatal;
  int natoms = -1;
  std::vector<std::string> label;
  std::vector<std::array<std::uint32_t, 3>> xf, xc;  // bit patterns: NaN equals NaN
  std::vector<int> itype, iaf, isymeq, nsymeq;
  std::vector<std::uint32_t> occ;
  std::string log, ang;
  bool operator==(const Outcome&) const = default;
};

Outcome outcome(vorn::Run& run, Builder b) {
  Outcome o;
  fs::remove("complete.ang");
  run.nout.close();
  run.nout.open("frag.log", std::ios::trunc);
  try {
    b(run);
  } catch (const vorn::Fatal& f) {
    o.fatal = f.where + ": " + f.message;
  }
  run.nout.close();
  o.log = slurp("frag.log");
  if (fs::exists("complete.ang")) o.ang = slurp("complete.ang");
  o.natoms = run.cryst.natoms;
  for (int n = 1; n <= run.cryst.natoms; ++n) {
    o.label.push_back(run.atoms.atom[n]);
    o.xf.push_back(std::bit_cast<std::array<std::uint32_t, 3>>(run.atoms.xf[n]));
    o.xc.push_back(std::bit_cast<std::array<std::uint32_t, 3>>(run.atoms.xc[n]));
    o.itype.push_back(run.atoms.itype[n]);
    o.iaf.push_back(run.atoms1.iaf[n]);
    o.occ.push_back(std::bit_cast<std::uint32_t>(run.atoms1.occ[n]));
    o.isymeq.push_back(run.cryst.isymeq[n]);
    o.nsymeq.push_back(run.cryst.nsymeq[n]);
  }
  return o;
}

// Both searches on copies of the structure made by `make`; they must agree in everything.
template <class Make>
Outcome both_agree(Make&& make, const std::string& what, bool on_demand = true) {
  std::ostringstream c1, c2, c3;
  vorn::Run r1, r2, r3;
  open_files(r1, c1);
  open_files(r2, c2);
  open_files(r3, c3);
  make(r1);
  make(r2);
  make(r3);
  const Outcome fast = outcome(r1, vorn::gencompletefrags);
  const Outcome slow = outcome(r2, vorn::gencompletefrags_reference);
  if (on_demand) {
    // candidates made near each new atom: the way a large NCELLS is searched
    const Outcome lazy = outcome(r3, vorn::gencompletefrags_on_demand);
    EXPECT_TRUE(lazy == fast) << what << " (on demand)";
    EXPECT_EQ(lazy.natoms, fast.natoms) << what;
    EXPECT_EQ(lazy.log, fast.log) << what;
  }
  EXPECT_EQ(fast.fatal, slow.fatal) << what;
  EXPECT_EQ(fast.natoms, slow.natoms) << what;
  EXPECT_EQ(fast.isymeq, slow.isymeq) << what;
  EXPECT_EQ(fast.nsymeq, slow.nsymeq) << what;
  EXPECT_EQ(fast.log, slow.log) << what;
  EXPECT_EQ(fast.ang, slow.ang) << what;
  EXPECT_TRUE(fast == slow) << what;
  return fast;
}

// The benzene half-molecule file: C1 H1 C2 H2 C3 H3 around the inversion centre at the origin.
void benzene(vorn::Run& run, int ncells) {
  vorn::readshelx(run, vorn::test::data_path("shelx/benzene_inversion.res"));
  run.set.ncells = ncells;
}

int inversion_op(const vorn::Run& run) {
  for (int s = 1; s <= run.symm.ns; ++s) {
    const auto& f = run.symm.fs[s];
    const auto& t = run.symm.ts[s];
    if (f[0][0] == -1 && f[1][1] == -1 && f[2][2] == -1 && t[0] == 0 && t[1] == 0 && t[2] == 0) return s;
  }
  return 0;
}

}  // namespace

class Frag : public vorn::test::InTempDir {
 protected:
  void SetUp() override {
    InTempDir::SetUp();
    open_files(run, console);
  }
  vorn::Run run;
  std::ostringstream console;
};

TEST_F(Frag, InversionCentreHalfMoleculeIsCompleted) {
  benzene(run, 1);
  ASSERT_EQ(run.atoms.ia, 6);
  ASSERT_GT(inversion_op(run), 0);
  vorn::gencompletefrags(run);
  ASSERT_EQ(run.cryst.natoms, 12);
  // -C2 bonds C3 first; then -C1 (to -C2), its H, and the rest in atom order
  EXPECT_EQ(std::vector<int>(run.cryst.isymeq.begin() + 7, run.cryst.isymeq.begin() + 13),
            (std::vector<int>{3, 1, 2, 4, 5, 6}));
  for (int i = 1; i <= 6; ++i) {
    EXPECT_EQ(run.cryst.nsymeq[i], 1) << i;
    EXPECT_EQ(run.cryst.isymeq[i], 0) << i;
  }
  for (int n = 7; n <= 12; ++n) {
    const int i = run.cryst.isymeq[n];
    EXPECT_EQ(run.cryst.nsymeq[n], 0);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(run.atoms.xf[n][k], -run.atoms.xf[i][k]) << n;
    EXPECT_EQ(run.atoms.atom[n], run.atoms.atom[i]);
    EXPECT_EQ(run.atoms.itype[n], run.atoms.itype[i]);
    EXPECT_EQ(run.atoms1.occ[n], run.atoms1.occ[i]);
    EXPECT_EQ(run.atoms1.iaf[n], run.atoms1.iaf[i]);
    // an image carries no displacement model, scattering type or multipole level
    EXPECT_EQ(run.atoms1.iut[n], 0);
    EXPECT_EQ(run.atoms1.isft[n], 0);
    EXPECT_EQ(run.atoms1.lmx[n], 0);
    EXPECT_EQ(run.at_uij.u[n][0], 0.0f);
    EXPECT_EQ(run.atoms.asym[n], "     ");
  }
  EXPECT_TRUE(fs::exists("complete.ang"));
  EXPECT_EQ(vorn::test::lines_of(slurp("complete.ang")).size(), 12u);
}

TEST_F(Frag, InversionAtTheOriginNeedsNoTranslation) {
  benzene(run, 0);
  vorn::gencompletefrags(run);
  EXPECT_EQ(run.cryst.natoms, 12);
}

TEST_F(Frag, InversionCentreOffTheOriginNeedsNcellsOne) {
  for (int nc : {0, 1}) {
    vorn::Run r;
    std::ostringstream c;
    open_files(r, c);
    cell(r, 7.0f, 8.0f, 9.0f);
    op(r, -1, -1, -1, {0, 0, 0});
    // C-C across the centre (1/2, 0, 1/2): the image needs translation (1, 0, 1)
    atom(r, 6, {0.5f + 0.1f, 0.0f, 0.5f}, "C1");
    r.set.ncells = nc;
    vorn::gencompletefrags(r);
    EXPECT_EQ(r.cryst.natoms, nc == 0 ? 1 : 2) << nc;
    if (nc == 1) {
      EXPECT_NEAR(r.atoms.xf[2][0], 0.4f, 1e-6);
      EXPECT_NEAR(r.atoms.xf[2][2], 0.5f, 1e-6);
    } else {
      EXPECT_FALSE(fs::exists("complete.ang")) << "nothing added, no file";
    }
  }
}

TEST_F(Frag, MoleculeAcrossTheCellEdgeLogAndFile) {
  cell(run, 10.0f, 10.0f, 10.0f);
  atom(run, 6, {0.93f, 0.5f, 0.5f}, "C1");
  atom(run, 6, {0.075f, 0.5f, 0.5f}, "C2");   // 1.45 A from C1 through the face x = 1
  atom(run, 8, {0.5f, 0.5f, 0.5f}, "O1");
  atom(run, 1, {0.5f, 0.5f, 0.4f}, "H1");      // O1-H1 1.0 A, inside
  atom(run, 8, {0.5f, 0.5f, 0.22f}, "O2");     // H1...O2 1.8 A: hydrogen bond, not covalent
  run.set.ncells = 1;
  vorn::gencompletefrags(run);
  ASSERT_EQ(run.cryst.natoms, 7);
  EXPECT_EQ(run.cryst.isymeq[6], 1);
  EXPECT_EQ(run.cryst.isymeq[7], 2);
  EXPECT_NEAR(run.atoms.xf[6][0], -0.07f, 1e-6);
  EXPECT_NEAR(run.atoms.xf[7][0], 1.075f, 1e-6);
  EXPECT_NEAR(run.atoms.xc[7][0], 10.75f, 1e-5);
  run.nout.close();
  const std::string log = slurp("vorn.out");
  const std::string expect =
      "\n List of atoms in complete fragment(s) :\n"
      "\n       ATOM        ------ FRACTIONAL ------    ----- CARTESIAN -----     ISQ NSQ\n"
      "     1 C1          0.9300   0.5000   0.5000    9.300   5.000   5.000       0   1\n"
      "     2 C2          0.0750   0.5000   0.5000    0.750   5.000   5.000       0   1\n"
      "     3 O1          0.5000   0.5000   0.5000    5.000   5.000   5.000       0   0\n"
      "     4 H1          0.5000   0.5000   0.4000    5.000   5.000   4.000       0   0\n"
      "     5 O2          0.5000   0.5000   0.2200    5.000   5.000   2.200       0   0\n"
      "     6 C1         -0.0700   0.5000   0.5000   -0.700   5.000   5.000       1   0\n"
      "     7 C2          1.0750   0.5000   0.5000   10.750   5.000   5.000       2   0\n"
      "\n File with complete fragment(s) in PLATON format : complete.ang\n";
  EXPECT_EQ(log, expect);
  EXPECT_EQ(slurp("complete.ang"),
            "ATOM   C1               9.3000      5.0000      5.0000\n"
            "ATOM   C2               0.7500      5.0000      5.0000\n"
            "ATOM   O1               5.0000      5.0000      5.0000\n"
            "ATOM   H1               5.0000      5.0000      4.0000\n"
            "ATOM   O2               5.0000      5.0000      2.2000\n"
            "ATOM   C1              -0.7000      5.0000      5.0000\n"
            "ATOM   C2              10.7500      5.0000      5.0000\n");
}

TEST_F(Frag, ChainGrowsThroughGeneratedAtomsUpToNcells) {
  // one carbon in a 1.5 A cell: every translation bonds to the previous image
  for (int nc : {0, 1, 2, 3}) {
    vorn::Run r;
    std::ostringstream c;
    open_files(r, c);
    cell(r, 1.5f, 10.0f, 10.0f);
    atom(r, 6, {0.0f, 0.0f, 0.0f}, "C1");
    r.set.ncells = nc;
    vorn::gencompletefrags(r);
    EXPECT_EQ(r.cryst.natoms, 1 + 2 * nc) << nc;
    EXPECT_EQ(r.cryst.nsymeq[1], 2 * nc);
    // the scan meets t1 = -nc first, so the first image is the most negative bonded one: -1
    if (nc > 0) {
      EXPECT_FLOAT_EQ(r.atoms.xf[2][0], -1.0f);
    }
  }
}

TEST_F(Frag, NoDuplicatesOfPresentAtomsOrSpecialPositions) {
  cell(run, 10.0f, 10.0f, 10.0f);
  op(run, -1, -1, -1, {0, 0, 0});
  atom(run, 8, {0.0f, 0.0f, 0.0f}, "O1");          // on the inversion centre
  atom(run, 1, {0.09f, 0.0f, 0.0f}, "H1");         // its image bonds O1 and is added
  atom(run, 6, {0.5f, 0.07f, 0.0f}, "C1");         // whole centrosymmetric pair present
  atom(run, 6, {0.5f, -0.07f, 0.0f}, "C2");        // (centre at 1/2, 0, 0)
  atom(run, 6, {0.3f, 0.3f, 0.0f}, "C3");          // image 0.0004 A from C4: the same atom
  atom(run, 6, {0.7f - 0.00004f, 0.7f, 0.0f}, "C4");
  atom(run, 6, {0.7f - 0.00004f, 0.7f + 0.145f, 0.0f}, "C5");  // bonded to C4
  run.set.ncells = 1;
  vorn::gencompletefrags(run);
  // H1's image bonds O1; C3 and C4 are each other's image (0.0004 A off), so of that group
  // only C5's image, bonded to C3, is new
  std::vector<int> src;
  for (int n = run.atoms.ia + 1; n <= run.cryst.natoms; ++n) src.push_back(run.cryst.isymeq[n]);
  EXPECT_EQ(src, (std::vector<int>{2, 7}));
  EXPECT_EQ(run.cryst.nsymeq[5], 0);
  EXPECT_EQ(run.cryst.nsymeq[1], 0) << "an atom on a special position is not doubled";
  EXPECT_EQ(run.cryst.nsymeq[3], 0);
  EXPECT_EQ(run.cryst.nsymeq[4], 0);
  EXPECT_EQ(run.cryst.nsymeq[6], 0) << "an image within 0.001 A of a present atom is that atom";
  for (int a = 1; a <= run.cryst.natoms; ++a)
    for (int b = a + 1; b <= run.cryst.natoms; ++b)
      EXPECT_GE(vorn::dist(run.atoms.xc[a], run.atoms.xc[b]), 0.001f) << a << " " << b;
}

TEST_F(Frag, NothingAddedForAnIsolatedMolecule) {
  cell(run, 10.0f, 10.0f, 10.0f);
  op(run, -1, -1, -1, {0, 0, 0});
  atom(run, 8, {0.3f, 0.3f, 0.3f}, "O1");
  atom(run, 1, {0.39f, 0.3f, 0.3f}, "H1");
  run.set.ncells = 1;
  vorn::gencompletefrags(run);
  EXPECT_EQ(run.cryst.natoms, 2);
  EXPECT_EQ(run.cryst.nsymeq[1] + run.cryst.nsymeq[2], 0);
  EXPECT_FALSE(fs::exists("complete.ang"));
  run.nout.close();
  EXPECT_EQ(slurp("vorn.out"), "");
}

TEST_F(Frag, TablePassesAHundredThousandAtoms) {
  // 103823 hydrogens 2 A apart; the rows at x = 0 and x = 92 meet 0.9 A apart, so that each
  // of the 2209 atoms of the x = 92 plane gains an image beside the x = 0 plane
  cell(run, 92.9f, 94.0f, 94.0f);
  int n = 0;
  for (int i = 0; i < 47; ++i)
    for (int j = 0; j < 47; ++j)
      for (int k = 0; k < 47; ++k, ++n) {
        const int a = vorn::add_atom(run, "Test");
        run.atoms.itype[a] = 1;
        run.atoms.xf[a] = {2.0f * k / 92.9f, 2.0f * j / 94.0f, 2.0f * i / 94.0f};
        run.atoms.xc[a] = vorn::mat_vec(run.transf.rm, run.atoms.xf[a]);
        run.atoms.atom[a] = "H       ";
      }
  run.atoms.ia = n;
  run.set.ncells = 1;
  vorn::gencompletefrags(run);
  EXPECT_GT(run.cryst.natoms, 100000 + 2209);
}

TEST_F(Frag, HeavyElementWithoutRadiusStops) {
  cell(run, 10.0f, 10.0f, 10.0f);
  atom(run, 93, {0.1f, 0.1f, 0.1f}, "NP1");
  run.set.ncells = 1;
  EXPECT_THROW(vorn::gencompletefrags(run), vorn::Fatal);
}

TEST_F(Frag, IncrementalEqualsRescanOnHandMadeStructures) {
  for (int nc : {0, 1, 2}) {
    both_agree([&](vorn::Run& r) { benzene(r, nc); }, "benzene ncells " + std::to_string(nc));
    both_agree(
        [&](vorn::Run& r) {
          cell(r, 1.5f, 10.0f, 10.0f);
          atom(r, 6, {0.0f, 0.0f, 0.0f}, "C1");
          r.set.ncells = nc;
        },
        "chain ncells " + std::to_string(nc));
  }
}

TEST_F(Frag, LargeNcellsCostsOnlyTheImagesAdded) {
  // a chain along a: every translation -99..99 bonds to its neighbours, nothing along b or c;
  // of the 199^3 translations allowed only those near the chain are made
  std::ostringstream con;
  open_files(run, con);
  cell(run, 1.5f, 10.0f, 10.0f);
  atom(run, 6, {0.0f, 0.0f, 0.0f}, "C1");
  run.set.ncells = 99;
  vorn::gencompletefrags(run);
  EXPECT_EQ(run.cryst.natoms, 199);
  EXPECT_EQ(run.cryst.nsymeq[1], 198);
}

TEST_F(Frag, IncrementalEqualsRescanWithANonFiniteCoordinate) {
  // the cell list cannot bin a NaN image: every candidate is then checked against each atom
  const Outcome o = both_agree(
      [](vorn::Run& r) {
        cell(r, 10.0f, 10.0f, 10.0f);
        op(r, -1, -1, -1, {0, 0, 0});
        atom(r, 6, {0.93f, 0.3f, 0.2f}, "C1");
        atom(r, 6, {0.075f, 0.3f, 0.2f}, "C2");
        atom(r, 6, {std::nanf(""), 0.2f, 0.2f}, "C3");
        r.set.ncells = 1;
      },
      "nan", false);
  // C1 and C2 across the face; their inversion images bond to nothing present, C3 to nothing
  EXPECT_EQ(o.natoms, 3 + 2);
}

TEST_F(Frag, IncrementalEqualsRescanOnTestFiles) {
  int compared = 0;
  for (const auto& e : fs::directory_iterator(vorn::test::data_path("shelx"))) {
    const std::string p = e.path().string();
    vorn::Run probe;
    std::ostringstream c;
    open_files(probe, c);
    try {
      vorn::readshelx(probe, p);
    } catch (const vorn::Fatal&) {
      continue;  // a file made to fail reading
    }
    for (int nc : {0, 1, 2, 3})
      both_agree(
          [&](vorn::Run& r) {
            vorn::readshelx(r, p);
            r.set.ncells = nc;
          },
          e.path().filename().string() + " ncells " + std::to_string(nc));
    ++compared;
  }
  EXPECT_GE(compared, 5);
}

TEST_F(Frag, IncrementalEqualsRescanOnRandomStructures) {
  std::mt19937 rng(20261208);
  std::uniform_real_distribution<float> u01(0.0f, 1.0f);
  const int zs[] = {1, 6, 7, 8, 16, 17};
  int grown = 0;
  for (int trial = 0; trial < 60; ++trial) {
    const int group = trial % 4;
    const int nc = group >= 2 ? trial % 2 : trial % 3;  // the rescan is slow on long growth
    const float a = 4.0f + 6.0f * u01(rng), b = 4.0f + 6.0f * u01(rng), c = 4.0f + 6.0f * u01(rng);
    const float beta = 90.0f + 25.0f * u01(rng);
    const int natom = 2 + static_cast<int>(10 * u01(rng));
    std::vector<std::pair<int, vorn::Vec3>> at;
    for (int k = 0; k < natom; ++k) {
      vorn::Vec3 x{u01(rng), u01(rng), u01(rng)};
      if (k % 5 == 4) x = {0.0f, 0.5f, 0.0f};  // special positions now and then
      if (k % 7 == 6) x[1] = 0.25f;
      at.push_back({zs[rng() % 6], x});
    }
    auto make = [&](vorn::Run& r) {
      r.ucell.uc = {a, b, c, 90.0f, beta, 90.0f};
      vorn::tranmat(r);
      r.symm.ns = 1;
      r.symm.fs.assign(2, vorn::unit_matrix());
      r.symm.ts.assign(2, vorn::Vec3{});
      if (group >= 1) op(r, -1, -1, -1, {0, 0, 0});
      if (group >= 2) {
        op(r, -1, 1, -1, {0, 0.5f, 0.5f});
        op(r, 1, -1, 1, {0, 0.5f, 0.5f});
      }
      if (group == 3) r.set.tol1 = 0.5f;  // denser bonding, longer growth
      for (int k = 0; k < natom; ++k) {
        const int i = vorn::add_atom(r, "Test");
        r.atoms.itype[i] = at[k].first;
        r.atoms.xf[i] = at[k].second;
        r.atoms.xc[i] = to_cart(r.transf, at[k].second);
        r.atoms.atom[i] = ("X" + std::to_string(k) + std::string(8, ' ')).substr(0, 8);
        r.atoms1.occ[i] = k % 3 == 0 ? 0.5f : 1.0f;
        r.atoms1.iaf[i] = k % 3 == 0 ? -1 : 0;
        r.atoms.ia = i;
      }
      r.set.ncells = nc;
    };
    const Outcome o = both_agree(make, "trial " + std::to_string(trial));
    if (o.natoms > natom) ++grown;
  }
  EXPECT_GE(grown, 20) << "the random structures should mostly grow";
}

TEST_F(Frag, IncrementalEqualsRescanOnRealFiles) {
  const fs::path dir = fs::path(VORN_SHARED_DATA) / "shelx";
  if (!fs::exists(dir)) GTEST_SKIP() << "no shared SHELX files at " << dir;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".res") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  int compared = 0, alone = 0;
  for (const fs::path& p : files) {
    vorn::Run probe;
    std::ostringstream c;
    open_files(probe, c);
    try {
      vorn::readshelx(probe, p.string());
    } catch (const vorn::Fatal&) {
      continue;
    }
    auto make = [&](vorn::Run& r) {
      vorn::readshelx(r, p.string());
      r.set.ncells = 1;
    };
    // the rescan costs about (images added) x ia x ns x 27 x natoms: a few seconds near 300 atoms
    if (probe.atoms.ia <= 200 && probe.atoms.ia * probe.symm.ns <= 1400) {
      both_agree(make, p.filename().string());
      ++compared;
      continue;
    }
    // too large for the rescan: the result must still be a consistent completion
    vorn::Run r;
    std::ostringstream c2;
    open_files(r, c2);
    make(r);
    const Outcome o = outcome(r, vorn::gencompletefrags);
    EXPECT_EQ(o.fatal, "") << p.filename();
    if (!o.fatal.empty()) continue;
    for (int n = r.atoms.ia + 1; n <= r.cryst.natoms; ++n) {
      const int i = r.cryst.isymeq[n];
      ASSERT_GE(i, 1);
      ASSERT_LE(i, r.atoms.ia);
      bool bonded = false;
      for (int q = 1; q < n && !bonded; ++q)
        bonded = vorn::dist(r.atoms.xc[n], r.atoms.xc[q]) <=
                 r.set.covrad[r.atoms.itype[i]] + r.set.covrad[r.atoms.itype[q]] + r.set.tol1;
      EXPECT_TRUE(bonded) << p.filename() << " atom " << n << " bonds to nothing added before it";
    }
    ++alone;
  }
  EXPECT_GT(compared + alone, 0);
  std::cout << "[ compared " << compared << " files, checked " << alone << " large ones ]\n";
}
