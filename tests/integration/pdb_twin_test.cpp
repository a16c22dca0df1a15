// PDB and mmCIF end to end: a model and its SHELX twin give the same XD and MoPro files, conformers never bond, and the real crambin files.
#include <gtest/gtest.h>

#include <gemmi/cif.hpp>
#include <gemmi/to_cif.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

#include "../pdbtext.h"
#include "../support.h"
#include "driver/vorn.h"
#include "readers/pdb.h"
#include "topology/fragments.h"
#include "topology/neighbors.h"
#include "util/format.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

class PdbJob : public test::InTempDir {
 protected:
  // One program run in directory d; the console text.
  std::string run_in(const fs::path& d, const std::string& control) {
    fs::create_directories(d);
    const fs::path back = fs::current_path();
    fs::current_path(d);
    test::write_file("vorn.inp", control);
    std::ostringstream con;
    std::istringstream in;
    vorn_main({}, con, in);
    fs::current_path(back);
    return con.str();
  }
};

// One serine with its side-chain oxygen in two places beside the shared CB, and a water, in
// fractional coordinates of a 20 A cubic P212121 cell (four decimals: the PDB's three-decimal
// Angstrom coordinates are then exact).
struct TwinAtom {
  const char* name;
  char altloc;
  const char* resname;
  int resnum;
  const char* element;
  int sfac;  // SFAC N C O H
  double f[3];
  double occ;
  int u[6];  // 1e-4 A^2: U11 U22 U33 U12 U13 U23
};
const TwinAtom kTwin[] = {
    {"N", ' ', "SER", 1, "N", 1, {0.3431, 0.3591, 0.3016}, 1.0, {300, 250, 200, 10, -20, 5}},
    {"CA", ' ', "SER", 1, "C", 2, {0.3000, 0.3000, 0.3000}, 1.0, {280, 260, 210, 12, -18, 6}},
    {"C", ' ', "SER", 1, "C", 2, {0.2372, 0.3111, 0.3422}, 1.0, {270, 240, 230, -11, 15, 4}},
    {"O", ' ', "SER", 1, "O", 3, {0.1824, 0.2918, 0.3211}, 1.0, {350, 300, 280, 20, -25, 9}},
    {"CB", ' ', "SER", 1, "C", 2, {0.3389, 0.2387, 0.3225}, 1.0, {320, 290, 250, 14, 11, -7}},
    {"OG", 'A', "SER", 1, "O", 3, {0.3934, 0.2278, 0.2782}, 0.6, {400, 380, 350, 30, -10, 12}},
    {"OG", 'B', "SER", 1, "O", 3, {0.3435, 0.1926, 0.2686}, 0.4, {420, 390, 360, -25, 8, 11}},
    {"H", ' ', "SER", 1, "H", 4, {0.3923, 0.3548, 0.3105}, 1.0, {380, 370, 360, 5, 4, 3}},
    {"HA", ' ', "SER", 1, "H", 4, {0.2860, 0.2932, 0.2551}, 1.0, {370, 360, 350, -6, 5, -4}},
    {"O", ' ', "HOH", 101, "O", 3, {0.1824, 0.2918, 0.4611}, 1.0, {500, 450, 400, 10, 10, 10}},
};
constexpr double kA = 20.0;

std::string twin_pdb() {
  std::vector<test::PdbAtom> atoms;
  for (const TwinAtom& t : kTwin) {
    test::PdbAtom a{t.name, t.altloc, t.resname, 'A', t.resnum, ' ', t.f[0] * kA, t.f[1] * kA, t.f[2] * kA, t.occ,
                    10.0, t.element, t.resnum == 101};
    a.anisou.assign(t.u, t.u + 6);
    atoms.push_back(a);
  }
  return test::cryst1(kA, kA, kA, 90, 90, 90, "P 21 21 21") + test::pdb_lines(atoms) + "END\n";
}

// The SHELX file of the same structure: RESI per residue, PART per conformer, the MoPro names
// of the PDB reader as labels (renamed on input to element and count, as the PDB reader labels).
std::string twin_res(const std::vector<std::string>& cards) {
  std::string s = "TITL twin\nCELL 0.71073 20 20 20 90 90 90\nZERR 4 0 0 0 0 0 0\nLATT -1\n";
  for (const auto& c : cards) s += "SYMM " + c + "\n";
  s += "SFAC N C O H\nUNIT 4 12 12 8\nFVAR 1.0\n";
  int resnum = 0, part = 0;
  for (const TwinAtom& t : kTwin) {
    if (t.resnum != resnum) s += "RESI " + std::to_string(resnum = t.resnum) + " " + t.resname + "\n";
    const int p = t.altloc == ' ' ? 0 : t.altloc - 'A' + 1;
    if (p != part) s += "PART " + std::to_string(part = p) + "\n";
    char buf[200];
    const std::string label = std::string(t.name) + (t.altloc == ' ' ? "" : std::string(1, t.altloc));
    std::snprintf(buf, sizeof buf, "%-5s %d %.4f %.4f %.4f %.2f %.4f %.4f %.4f %.4f %.4f %.4f\n", label.c_str(), t.sfac,
                  t.f[0], t.f[1], t.f[2], t.occ, t.u[0] * 1e-4, t.u[1] * 1e-4, t.u[2] * 1e-4, t.u[5] * 1e-4,
                  t.u[4] * 1e-4, t.u[3] * 1e-4);
    s += buf;
  }
  return s + "HKLF 4\nEND\n";
}

// The SYMM records the PDB reader wrote for its space group, to write into the twin.
std::vector<std::string> symm_cards(const std::string& mas) {
  std::vector<std::string> r;
  for (const auto& l : test::lines_of(mas))
    if (l.rfind("SYMM ", 0) == 0) r.push_back(l.substr(5));
  return r;
}

const char* const kKeys = "RINGS 3 8\nEXTEND_H\n";

TEST_F(PdbJob, ModelAndShelxTwinGiveTheSameFiles) {
  test::write_file(dir_ / "p" / "twin.pdb", (fs::create_directories(dir_ / "p"), twin_pdb()));
  const std::string con = run_in(dir_ / "p", std::string("FORMAT *pdb\nINPUT twin.pdb\n") + kKeys);
  ASSERT_EQ(con.find(" ERROR *** "), std::string::npos) << con;
  const auto cards = symm_cards(test::slurp(dir_ / "p" / "xd_vorn.mas"));
  ASSERT_EQ(cards.size(), 3u);
  fs::create_directories(dir_ / "s");
  test::write_file(dir_ / "s" / "twin.res", twin_res(cards));
  const std::string con2 = run_in(dir_ / "s", std::string("FORMAT *shelx\nINPUT twin.res *rename 1\n") + kKeys);
  ASSERT_EQ(con2.find(" ERROR *** "), std::string::npos) << con2;
  for (const char* f : {"xd_vorn.mas", "xd_vorn.inp", "mopro_vorn.par", "con_mopro.inp", "vorn.ang"}) {
    SCOPED_TRACE(f);
    ASSERT_TRUE(fs::exists(dir_ / "p" / f));
    EXPECT_EQ(test::slurp(dir_ / "p" / f), test::slurp(dir_ / "s" / f));
  }
  // the residue-style names reach the MoPro atom records
  const std::string par = test::slurp(dir_ / "p" / "mopro_vorn.par");
  EXPECT_NE(par.find("OGA      1  SER"), std::string::npos);
  EXPECT_NE(par.find("O      101  HOH"), std::string::npos);

  // vorn.cif, written as it goes, is what gemmi writes of the same document; the model's
  // own identifiers stand beside the labels, and a SHELX file has none
  for (const char* d : {"p", "s"}) {
    const std::string text = test::slurp(dir_ / d / "vorn.cif");
    gemmi::cif::Document doc = gemmi::cif::read_string(text);
    std::ostringstream again;
    gemmi::cif::write_cif_to_stream(again, doc, gemmi::cif::Style::Aligned);
    EXPECT_EQ(again.str(), text) << d;
  }
  gemmi::cif::Document pdoc = gemmi::cif::read_string(test::slurp(dir_ / "p" / "vorn.cif"));
  gemmi::cif::Table sites = pdoc.sole_block().find("_atom_site.", {"label", "auth_atom_id", "label_alt_id",
                                                                 "auth_comp_id", "auth_asym_id", "auth_seq_id",
                                                                 "pdbx_PDB_ins_code"});
  using V = std::vector<std::string>;
  auto ids = [&](int row) {
    V r;
    for (int c = 1; c < 7; ++c) r.push_back(sites[row][c]);
    return r;
  };
  ASSERT_GE(sites.length(), 10u);
  EXPECT_EQ(ids(6), (V{"OG", "B", "SER", "A", "1", "?"}));
  EXPECT_EQ(ids(9), (V{"O", ".", "HOH", "A", "101", "?"}));
  gemmi::cif::Document sdoc = gemmi::cif::read_string(test::slurp(dir_ / "s" / "vorn.cif"));
  EXPECT_FALSE(sdoc.sole_block().find("_atom_site.", {"label", "auth_atom_id"}).ok());
  // the page names each atom as the model does too
  const std::string page = test::slurp(dir_ / "p" / "vorn.html");
  EXPECT_NE(page.find("\"id\":\"A SER1 OG alt B\""), std::string::npos);
  EXPECT_NE(page.find("\"id\":\"A HOH101 O\""), std::string::npos);
}

TEST_F(PdbJob, ConformersNeverBondAndTheSharedAtomBondsToEach) {
  test::write_file("twin.pdb", twin_pdb());
  vorn::Run run;
  std::ostringstream con;
  run.set.iform = iform_pdb;
  test::open_reader_outputs(run, dir_, con);
  readpdb(run, "twin.pdb");
  run.set.ncells = -1;
  gencompletefrags(run);
  findallneighbors(run);
  auto bonded = [&](int i) {
    std::vector<std::string> r;
    for (int k = 0; k < run.neighbors.nnei[i]; ++k) r.push_back(fmt::trim(run.atoms.atom[run.neighbors.jnei[i][k]]));
    std::sort(r.begin(), r.end());
    return r;
  };
  using V = std::vector<std::string>;
  // CB is C(3); OG A and OG B are O(2) and O(3), 1.24 A apart
  EXPECT_EQ(bonded(5), (V{"C(1)", "O(2)", "O(3)"}));
  EXPECT_EQ(bonded(6), V{"C(3)"});
  EXPECT_EQ(bonded(7), V{"C(3)"});
}

TEST_F(PdbJob, PlainConversionWritesTheModelsOccupanciesAndU) {
  test::write_file("twin.pdb", twin_pdb());
  const std::string con = run_in(dir_, "FORMAT *pdb\nINPUT twin.pdb rename *toxd\n");
  ASSERT_EQ(con.find(" ERROR *** "), std::string::npos) << con;
  const std::string inp = test::slurp(dir_ / "xd_vorn.inp");
  ASSERT_FALSE(inp.empty());
  EXPECT_NE(inp.find("0.6000"), std::string::npos);
  EXPECT_NE(inp.find("0.4000"), std::string::npos);
  EXPECT_NE(inp.find("0.030000"), std::string::npos);  // U11 of N
}

// An ammonium ion: the model's formal charge is the fragment charge the scaling takes when
// no CHFRAG line gives one; a CHFRAG line still wins.
TEST_F(PdbJob, FormalChargesGiveTheFragmentCharge) {
  const double d = 1.03 / std::sqrt(3.0), c = 10.0;
  std::vector<test::PdbAtom> atoms{{"N", ' ', "NH4", 'A', 1, ' ', c, c, c, 1.0, 10.0, "N", true, {}, "1+"}};
  const char* names[] = {"H1", "H2", "H3", "H4"};
  const int sign[4][3] = {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}};
  for (int h = 0; h < 4; ++h)
    atoms.push_back({names[h], ' ', "NH4", 'A', 1, ' ', c + sign[h][0] * d, c + sign[h][1] * d, c + sign[h][2] * d,
                     1.0, 12.0, "H", true});
  fs::create_directories(dir_ / "q");
  test::write_file(dir_ / "q" / "nh4.pdb", test::cryst1(kA, kA, kA, 90, 90, 90, "P 1") + test::pdb_lines(atoms) + "END\n");
  test::write_file(dir_ / "q" / "sample.db", test::slurp(std::string(VORN_TEST_DATA) + "/../../examples/sample.db"));
  const std::string keys = "FORMAT *pdb\nINPUT nh4.pdb\nDATABANK sample.db\nSCALE *fract\n";
  std::string log = (run_in(dir_ / "q", keys), test::slurp(dir_ / "q" / "vorn.out"));
  EXPECT_NE(log.find(" Net charge of fragment 1 from the formal charges of the model : +1.000"), std::string::npos);
  EXPECT_NE(log.find("( Charge =   +1.000 el. )"), std::string::npos);
  log = (run_in(dir_ / "q", keys + "CHFRAG -2.\n"), test::slurp(dir_ / "q" / "vorn.out"));
  EXPECT_EQ(log.find("formal charges of the model"), std::string::npos);
  EXPECT_NE(log.find("( Charge =   -2.000 el. )"), std::string::npos);
}

// ---- the real crambin model ----

fs::path crambin(const char* ext) { return fs::path(VORN_SHARED_DATA) / "protein" / (std::string("crambin_3NIR.") + ext); }

int atom_records(const fs::path& pdb) {
  int n = 0;
  for (const auto& l : test::lines_of(test::slurp(pdb)))
    if (l.rfind("ATOM  ", 0) == 0 || l.rfind("HETATM", 0) == 0) ++n;
  return n;
}

TEST_F(PdbJob, CrambinPdbAndMmcifRunTheSame) {
  if (!fs::exists(crambin("pdb")) || !fs::exists(crambin("cif"))) GTEST_SKIP() << "no ../shared/data/protein";
  const std::string keys = "RINGS 3 8\nNCELLS 1\nEXTEND_H\n";
  fs::create_directories(dir_ / "p");
  fs::create_directories(dir_ / "c");
  fs::copy_file(crambin("pdb"), dir_ / "p" / "m.pdb");
  fs::copy_file(crambin("cif"), dir_ / "c" / "m.cif");
  const std::string cp = run_in(dir_ / "p", "FORMAT *pdb\nINPUT m.pdb\n" + keys);
  const std::string cc = run_in(dir_ / "c", "FORMAT *mmcif\nINPUT m.cif\n" + keys);
  ASSERT_EQ(cp.find(" ERROR *** "), std::string::npos) << cp;
  ASSERT_EQ(cc.find(" ERROR *** "), std::string::npos) << cc;
  vorn::Run run;
  std::ostringstream con;
  run.set.iform = iform_pdb;
  test::open_reader_outputs(run, dir_, con);
  readpdb(run, crambin("pdb").string());
  EXPECT_EQ(run.atoms.ia, atom_records(crambin("pdb")));
  EXPECT_TRUE(run.atoms1.lpart);
  std::set<std::string> names(run.resi1.resi2.begin() + 1, run.resi1.resi2.end());
  EXPECT_EQ(static_cast<int>(names.size()), run.atoms.ia);  // PRO22/SER22 included
  for (const char* f : {"xd_vorn.mas", "xd_vorn.inp", "mopro_vorn.par", "con_mopro.inp", "vorn.ang", "fixedH.ins",
                        "res_mopro.inp"}) {
    SCOPED_TRACE(f);
    ASSERT_TRUE(fs::exists(dir_ / "p" / f));
    EXPECT_EQ(test::slurp(dir_ / "p" / f), test::slurp(dir_ / "c" / f));
  }
}

}  // namespace
