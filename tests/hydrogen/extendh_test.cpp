// X-H extension: every group of the table on its own fragment, the files it writes, skipped and kept hydrogens, the grid.
#include "hydrogen/extendh.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "../support.h"
#include "../topology/neighbor_fixtures.h"
#include "driver/control.h"
#include "driver/vorn.h"
#include "readers/shelx.h"
#include "topology/neighbors.h"
#include "util/format.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

class ExtendH : public test::InTempDir {
 protected:
  // The whole program on tests/data/<rel> with the X-H extension and the extra options.
  void run_program(const std::string& rel, const std::string& extra = "") {
    fs::copy_file(test::data_path(rel), "s.res", fs::copy_options::overwrite_existing);
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\nEXTEND_H\nRINGS 3 8\n" + extra);
    std::ostringstream con;
    std::istringstream in;
    vorn_main({}, con, in);
    ASSERT_EQ(con.str().find("ERROR"), std::string::npos) << con.str();
  }
  // The structure as read, before anything moved.
  void read_before() {
    test::open_reader_outputs(before, ".", before_console, ".before");
    init(before);
    readshelx(before, "s.res");
    before.cryst.natoms = before.atoms.ia;
  }
  int number(const std::string& label) const {
    for (int i = 1; i <= before.atoms.ia; ++i)
      if (fmt::trim(before.atoms.atom[i]) == label) return i;
    ADD_FAILURE() << "no atom " << label;
    return 0;
  }
  std::map<int, test::XHBond> bonds_by_h() const {
    std::map<int, test::XHBond> m;
    for (const auto& b : test::const_bonds(test::slurp("const.bond"))) m[b.h] = b;
    return m;
  }
  static int count(const std::string& text, const std::string& prefix) {
    int n = 0;
    for (const auto& l : test::lines_of(text)) n += l.rfind(prefix, 0) == 0;
    return n;
  }
  vorn::Run before;
  std::ostringstream before_console;
};

bool contains(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

// The hydrogens of tests/data/hydrogen/groups.res by group; r < 0: not moved, r = 0: not
// written to any file either.
struct Case {
  const char* parent;
  std::vector<const char*> hs;
  const char* text;  // what the log line says after ">  "
  float r;
};
const std::vector<Case> kCases = {
    {"C(1)", {"H(1A)", "H(1B)", "H(1C)"}, "C-C-H3", 1.077f},
    {"C(2)", {"H(2A)", "H(2B)", "H(2C)"}, "X-C-H3", 1.077f},  // methyl on O
    {"C(26)", {"H(26A)", "H(26B)", "H(26C)"}, "X-C-H3", 1.077f},  // methyl on N
    {"C(3)", {"H(3A)", "H(3B)"}, "C2-C-H2", 1.092f},
    {"C(4)", {"H(4A)", "H(4B)"}, "X2-C-H2", 1.091f},
    {"C(5)", {"H(5)"}, "C3-C-H", 1.099f},
    {"C(6)", {"H(6)"}, "X3-C-H", 1.098f},
    {"C(71)", {"H(71)"}, "aromatic C-H", 1.083f},
    {"C(8)", {"H(8)"}, "C-C=C-H", 1.082f},
    {"C(9)", {"H(9)"}, "NOT IDENTIFIED", -1.0f},  // alkyne: two neighbours
    {"N(10)", {"H(10)"}, "C2-N-H", 1.030f},
    {"N(11)", {"H(11)"}, "X2-N-H", 1.027f},
    {"N(7)", {"H(7A)", "H(7B)"}, "C(ar)-N-H2pl", 1.010f},
    {"N(12)", {"H(12A)", "H(12B)"}, "C-N-H2 amido", 1.010f},
    {"N(13)", {"H(13A)", "H(13B)"}, "C-N-H2pl", 1.012f},
    {"N(14)", {"H(14A)", "H(14B)"}, "X-N-H2", 1.015f},          // pyramidal, on an sp2 carbon
    {"N(15)", {"H(15A)", "H(15B)"}, "NOT IDENTIFIED", -1.0f},  // pyramidal, on an sp3 carbon
    {"N(27)", {"H(27A)", "H(27B)"}, "X-N-H2pl", 1.015f},        // planar, on sulfur
    {"N(16)", {"H(16A)", "H(16B)", "H(16C)", "H(16D)"}, "N+-H", 1.036f},
    {"O(17)", {"H(17A)", "H(17B)"}, "water", 0.9584f},
    {"O(18)", {"H(18)"}, "Csp3-O-H in alcohol", 0.970f},
    // O-H (1.25 A) drawn longer than O-C (1.20 A): Y is still the carbon, not the hydrogen itself
    {"O(28)", {"H(28)"}, "Csp3-O-H in alcohol", 0.970f},
    {"O(7)", {"H(7)"}, "O-H in phenol", 0.992f},
    {"O(19)", {"H(19)"}, "O-H in acid", 1.018f},
    {"O(20)", {"H(20)"}, "O-H in Pacid", 1.015f},
    {"O(21)", {"H(21)"}, "X-OH", 0.983f},
    {"S(22)", {"H(22)"}, "S-H", 1.338f},
    {"B(23)", {"H(23)"}, "DON'T KNOW HOW TO HANDLE", 0.0f},
    {"C(24)", {"H(24)"}, "H-ATOM IS DISORDERED", 0.0f},  // occupancy 0.5
};

}  // namespace

TEST_F(ExtendH, EveryGroupOnItsFragment) {
  run_program("hydrogen/groups.res");
  read_before();
  const std::string log = test::slurp("vorn.out");
  const auto bonds = bonds_by_h();
  int written = 0;
  for (const Case& c : kCases) {
    for (const char* h : c.hs) {
      SCOPED_TRACE(h);
      const int k = number(h), l = number(c.parent);
      const float r0 = dist(before.atoms.xc[k], before.atoms.xc[l]);
      std::string line = "   X-H group : " + std::string(c.parent) + "-" + h + " >  " + c.text;
      if (c.r > 0) line += " =" + fmt::f(r0, 7, 3) + " /" + fmt::f(c.r, 7, 3) + " Angstroms";
      EXPECT_TRUE(contains(log, line + "\n")) << line;
      const auto b = bonds.find(k);
      if (c.r == 0.0f) {
        EXPECT_EQ(b, bonds.end());
        continue;
      }
      ++written;
      ASSERT_NE(b, bonds.end());
      EXPECT_EQ(b->second.parent, l);
      EXPECT_NEAR(b->second.r, c.r > 0 ? c.r : r0, 0.0006f);
    }
  }
  EXPECT_EQ(static_cast<int>(bonds.size()), written);
  const std::string res = test::slurp("res_mopro.inp");
  EXPECT_EQ(count(test::slurp("reset.bond"), "RESET BOND  "), written);
  EXPECT_EQ(count(res, "DISTAN   "), written);
  EXPECT_EQ(count(res, "URATIO      "), written);
  // the alkyne keeps its distance in all three files
  EXPECT_TRUE(contains(test::slurp("reset.bond"), "RESET BOND  C(9) H(9) 0.930\n"));
  EXPECT_TRUE(contains(res, "DISTAN    C9   1   H9   1  0.930 0.001\n"));
  EXPECT_TRUE(contains(res, "URATIO       C9   1   H9   1    1.2 0.01 "));
  // N(12)-H(12A): a six-character label is cut to five in the A5 fields; const.bond numbers atoms
  const std::string n = std::to_string(number("N(12)")), h = std::to_string(number("H(12A)"));
  EXPECT_TRUE(contains(res, "DISTAN   N12   1  H12A  1  1.010 0.001\n"));
  EXPECT_TRUE(contains(res, test::pad_to("URATIO      N12   1  H12A  1    1.5 0.01", 100) + "\n"));
  EXPECT_TRUE(contains(test::slurp("const.bond"), "!\n! N(12)    - H(12A)   =     1.010 Angstroms\n!\nCON 1 X/" + n +
                                                       " -1 X/" + h + " = 0\nCON 1 Y/" + n + " -1 Y/" + h +
                                                       " = 0\nCON 1 Z/" + n + " -1 Z/" + h + " = 0\n"));
  test::expect_extension_geometry(before, test::slurp("fixedH.ins"), test::slurp("const.bond"));
  EXPECT_EQ(count(test::slurp("mopro_vorn.par"), "ATOM "), before.atoms.ia);
  // vorn.ang and the plot file write a hydrogen after its move: its new Cartesian place
  const int k = number("H(17A)");
  const Vec3 now = to_cart(before.transf, test::fixedh_coordinates(test::slurp("fixedH.ins"))[k - 1]);
  for (const auto& [file, width] : {std::pair<const char*, size_t>{"vorn.ang", 14}, {"vorn.spf", 12}}) {
    SCOPED_TRACE(file);
    bool seen = false;
    for (const auto& l : test::lines_of(test::slurp(file)))
      if (l.rfind("ATOM H(17A)   ", 0) == 0) {
        seen = true;
        for (size_t a = 0; a < 3; ++a) EXPECT_NEAR(std::stof(l.substr(16 + a * width, width)), now[a], 6e-5f);
      }
    EXPECT_TRUE(seen);
  }
}

TEST_F(ExtendH, DisorderedHydrogenMovesWithDisord) {
  run_program("hydrogen/groups.res", "DISORD *extendH db\n");
  read_before();
  EXPECT_TRUE(contains(test::slurp("vorn.out"), "   X-H group : C(24)-H(24) >  X3-C-H =  0.980 /  1.098 Angstroms\n"));
  const auto bonds = bonds_by_h();
  ASSERT_EQ(bonds.count(number("H(24)")), 1u);
  test::expect_extension_geometry(before, test::slurp("fixedH.ins"), test::slurp("const.bond"));
}

// Residue-style names: the DISTAN and URATIO lines and the atom records take the residue
// of each atom, also behind AFIX and PART lines.
TEST_F(ExtendH, ResidueFormsOfTheRestraints) {
  run_program("shelx/residues.res");
  read_before();
  const std::string res = test::slurp("res_mopro.inp");
  EXPECT_TRUE(contains(res, "DISTAN   C1       1  H1A      1  1.082  0.001\n"));
  EXPECT_TRUE(contains(res, "DISTAN   C1       1  H1B      1  1.082  0.001\n"));
  EXPECT_TRUE(contains(res, test::pad_to("URATIO      C1       1  H1A      1    1.2  0.01", 100) + "\n"));
  const std::string par = test::slurp("mopro_vorn.par");
  EXPECT_TRUE(contains(par, "\nATOM   1 O9       0  MOL  "));  // before the first RESI: residue 0
  EXPECT_TRUE(contains(par, "\nATOM   3 H1A      1  ALA  "));
  EXPECT_TRUE(contains(par, "\nATOM   7 C2       2  GLY  "));
  test::expect_extension_geometry(before, test::slurp("fixedH.ins"), test::slurp("const.bond"));
}

// ---- extendh on structures built in memory ----

namespace {

// Water O(1), H(2), H(3) in a 10 A cubic cell, neighbour lists built, bond files open.
void water(vorn::Run& run) {
  test::put(run, 8, {0, 0, 0}, "O(1)");
  test::put(run, 1, {0.9f, 0, 0}, "H(2)");
  test::put(run, 1, {-0.2f, 0.88f, 0}, "H(3)");
  for (int a = 0; a < 3; ++a) {
    run.transf.rm[a][a] = 10.0f;
    run.transf.rm1[a][a] = 0.1f;
  }
  findallneighbors(run);
  for (int h : {2, 3}) {
    run.forh.ihp[h] = 8;
    run.forh.isp[h] = 2;
    run.forh.ihnei[h] = 2;
  }
  run.irb.open("reset.bond");
  run.icb.open("const.bond");
  run.ires.open("res_mopro.inp");
}

}  // namespace

// Fractional storage keeps xf in step; Cartesian storage leaves xf alone.
TEST_F(ExtendH, StoredConventions) {
  for (int ifra : {frac_stored, cart_stored}) {
    SCOPED_TRACE(ifra);
    vorn::Run run;
    water(run);
    run.set.ifra = ifra;
    run.atoms.xf[2] = {7, 7, 7};
    extendh(run, 1, 2);
    EXPECT_NEAR(run.atoms.xc[2][0], 0.9584f, 1e-6f);
    EXPECT_EQ(run.atoms.xc[2][1], 0.0f);
    const Vec3 want = ifra == frac_stored ? Vec3{0.09584f, 0, 0} : Vec3{7, 7, 7};
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(run.atoms.xf[2][a], want[a], 1e-6f);
    EXPECT_EQ(run.atoms.xc[3], (Vec3{-0.2f, 0.88f, 0}));  // the other hydrogen waits for its own call
  }
}

TEST(ExtendBond, DegenerateBondStaysPut) {
  Vec3 q{1, 0, 0};
  float rold = -1;
  extendbond({1, 0, 0}, q, 1.0f, rold);  // no direction: no move, no NaN
  EXPECT_EQ(rold, 0.0f);
  EXPECT_EQ(q, (Vec3{1, 0, 0}));
}

// The local-axes stage keeps one grid for its searches: after every hydrogen has moved, the
// grid and the scan over all atoms give the same environments.
TEST_F(ExtendH, GridAndScanAgreeAfterTheExtension) {
  fs::copy_file(test::data_path("hydrogen/groups.res"), "s.res");
  read_before();
  vorn::Run& run = before;
  run.irb.open("reset.bond");
  run.icb.open("const.bond");
  run.ires.open("res_mopro.inp");
  findallneighbors(run);
  NeighborGrid grid = make_neighbor_grid(run, 4.0f);
  int moved = 0;
  for (int k = 1; k <= run.atoms.ia; ++k) {
    if (run.atoms.itype[k] != 1 || run.neighbors.nnei[k] != 1) continue;
    const int p = run.neighbors.jnei[k][0];
    run.forh.ihp[k] = run.atoms.itype[p];
    run.forh.isp[k] = run.neighbors.nnei[p];
    run.forh.ihnei[k] = run.neighbors.jnnei[p][0];
    const Vec3 old = run.atoms.xc[k];
    extendh(run, p, k, &grid);
    moved += run.atoms.xc[k] != old;
  }
  EXPECT_GE(moved, 40);
  for (float r : {0.0f, 2.5f, 10.0f})
    for (int k = 1; k <= run.cryst.natoms; ++k) {
      const Neig g = getnei(run, k, r, &grid), all = getnei(run, k, r);
      ASSERT_EQ(g.inei, all.inei) << k << " r " << r;
      EXPECT_EQ(g.iatn, all.iatn);
      EXPECT_EQ(g.rnd, all.rnd);
    }
}
