// PDB and mmCIF reader: identifiers, alternate conformations as parts, residue-style names, ANISOU, models and bad files.
#include "readers/pdb.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cmath>
#include <set>
#include <sstream>

#include "../pdbtext.h"
#include "../support.h"
#include "util/err.h"
#include "util/format.h"

using namespace vorn;
using test::PdbAtom;

namespace {

class Pdb : public test::InTempDir {
 protected:
  // Reads the text as the file `file` of format iform; the fatal error's message, or "" when it reads.
  std::string read(const std::string& text, int iform = iform_pdb, const std::string& file = "m.pdb") {
    run = vorn::Run{};
    run.set.iform = iform;
    if (!text.empty()) test::write_file(file, text);
    console.str("");
    test::open_reader_outputs(run, dir_, console);
    try {
      readpdb(run, file);
    } catch (const Fatal& f) {
      return f.where + ": " + f.message;
    }
    run.nout.flush();
    return "";
  }
  int count_in_log(const std::string& what) {
    const std::string log = test::slurp(dir_ / "vorn.out");
    int n = 0;
    for (size_t p = log.find(what); p != std::string::npos; p = log.find(what, p + 1)) ++n;
    return n;
  }
  vorn::Run run;
  std::ostringstream console;
};

const std::string kCell = test::cryst1(30, 31, 32, 90, 90, 90, "P 21 21 21");

// Two chains, an insertion code, a negative residue number, a side chain in two conformers
// beside a shared atom, a charged ligand and a water.
std::vector<PdbAtom> mixed() {
  return {
      {"N", ' ', "SER", 'A', 27, ' ', 5.0, 5.0, 5.0, 1.0, 4.0, "N"},
      {"CA", ' ', "SER", 'A', 27, ' ', 6.2, 5.6, 5.0, 1.0, 4.0, "C"},
      {"OG", 'A', "SER", 'A', 27, ' ', 7.0, 6.0, 6.0, 0.6, 5.0, "O"},
      {"OG", 'B', "SER", 'A', 27, ' ', 7.2, 5.0, 6.2, 0.4, 5.0, "O"},
      {"CA", ' ', "GLY", 'A', 27, 'A', 9.0, 9.0, 9.0, 1.0, 4.0, "C"},
      {"CA", ' ', "ALA", 'B', -3, ' ', 12.0, 12.0, 12.0, 1.0, 4.0, "C"},
      {"CA", ' ', "ALA", 'B', 27, ' ', 15.0, 12.0, 12.0, 1.0, 4.0, "C"},
      {"ZN", ' ', "ZN", 'B', 301, ' ', 20.0, 20.0, 20.0, 1.0, 8.0, "ZN", true, {}, "2+"},
      {"O", ' ', "HOH", 'B', 401, ' ', 24.0, 20.0, 20.0, 1.0, 12.0, "O", true},
  };
}

TEST_F(Pdb, IdentifiersPartsAndResidueNames) {
  ASSERT_EQ(read(kCell + test::pdb_lines(mixed())), "");
  ASSERT_EQ(run.atoms.ia, 9);
  const struct {
    const char* label;
    int z, part;
    const char *name, *resname, *resnum, *chain;
    char altloc;
    const char* resi2;
  } want[] = {
      {"N(1)", 7, 0, "N", "SER", "27", "A", ' ', "NA      27"},
      {"C(1)", 6, 0, "CA", "SER", "27", "A", ' ', "CAA     27"},
      {"O(1)", 8, 1, "OG", "SER", "27", "A", 'A', "OGAA    27"},
      {"O(2)", 8, 2, "OG", "SER", "27", "A", 'B', "OGBA    27"},
      {"C(2)", 6, 0, "CA", "GLY", "27A", "A", ' ', "CAAA    27"},
      {"C(3)", 6, 0, "CA", "ALA", "-3", "B", ' ', "CAB     -3"},
      {"C(4)", 6, 0, "CA", "ALA", "27", "B", ' ', "CAB     27"},
      {"Zn(1)", 30, 0, "ZN", "ZN", "301", "B", ' ', "ZNB    301"},
      {"O(3)", 8, 0, "O", "HOH", "401", "B", ' ', "OB     401"},
  };
  std::set<std::string> names;
  for (int i = 1; i <= 9; ++i) {
    const auto& w = want[i - 1];
    SCOPED_TRACE(w.label);
    EXPECT_EQ(fmt::trim(run.atoms.atom[i]), w.label);
    EXPECT_EQ(run.atoms.itype[i], w.z);
    EXPECT_EQ(run.atoms1.part[i], w.part);
    const AtomIdent& id = run.idents.id[i];
    EXPECT_EQ(id.label, w.name);
    EXPECT_EQ(id.resname, w.resname);
    EXPECT_EQ(id.resnum, w.resnum);
    EXPECT_EQ(id.chain, w.chain);
    EXPECT_EQ(id.altloc, w.altloc);
    EXPECT_EQ(run.resi1.resi2[i], w.resi2);
    EXPECT_EQ(run.resi1.resi1[i].substr(12), fmt::pad(w.resname, 5));
    names.insert(run.resi1.resi2[i]);
  }
  EXPECT_TRUE(run.resi1.resi11);
  EXPECT_TRUE(run.atoms1.lpart);
  EXPECT_EQ(names.size(), 9u);  // unique across chains, conformers and insertion codes
  EXPECT_FLOAT_EQ(run.atoms1.occ[3], 0.6f);
  EXPECT_FLOAT_EQ(run.atoms1.occ[4], 0.4f);
  EXPECT_EQ(count_in_log("has the formal charge +2"), 1);
  EXPECT_EQ(count_in_log("no hydrogen atoms in the model"), 1);
  EXPECT_NE(console.str().find("no hydrogen atoms in the model"), std::string::npos);
}

TEST_F(Pdb, OneChainNamesCarryOnlyTheConformer) {
  std::vector<PdbAtom> a = mixed();
  a.erase(a.begin() + 5, a.end());
  a.push_back({"H", ' ', "SER", 'A', 27, ' ', 4.5, 4.2, 5.0, 1.0, 4.0, "H"});
  a.push_back({"CA", ' ', "PRO", 'A', 1000, ' ', 20.0, 5.0, 5.0, 1.0, 4.0, "C"});
  ASSERT_EQ(read(kCell + test::pdb_lines(a)), "");
  EXPECT_EQ(run.resi1.resi2[2], "CA      27");
  EXPECT_EQ(run.resi1.resi2[3], "OGA     27");
  // atoms come residue by residue: the hydrogen of SER 27 before GLY 27A
  EXPECT_EQ(run.resi1.resi2[5], "H       27");
  EXPECT_EQ(run.resi1.resi2[6], "CAA     27");  // the insertion code
  // residue 1000 widens the number field, with a blank before it, once noted
  EXPECT_EQ(run.resi1.resi2[7], "CA      1000");
  EXPECT_EQ(run.resi1.resi1[7], "CA      1000  PRO  ");
  EXPECT_EQ(count_in_log("residue number of mopro_vorn.par does not fit I3"), 1);
  EXPECT_EQ(count_in_log("no hydrogen atoms"), 0);
  EXPECT_EQ(run.atoms1.lmx[5], 2);
}

// Cartesian U of the file against the stored U of the fractional axes on an oblique cell:
// U_cart = M diag(a*) U diag(a*) M^T with M the fractional-to-Cartesian matrix of the run.
TEST_F(Pdb, AnisouBecomesFractionalAxisUAndBBecomesUiso) {
  const std::vector<int> ucart{300, 250, 200, 40, -30, 20};
  std::vector<PdbAtom> a{{"C1", ' ', "LIG", 'A', 1, ' ', 3.0, 4.0, 5.0, 1.0, 2.0, "C", true, ucart},
                         {"C2", ' ', "LIG", 'A', 1, ' ', 4.4, 4.0, 5.0, 1.0, 7.90, "C", true}};
  ASSERT_EQ(read(test::cryst1(10, 12, 14, 80, 100, 110, "P 1") + test::pdb_lines(a)), "");
  ASSERT_EQ(run.atoms1.iut[1], 2);
  const auto& u = run.at_uij.u[1];
  const double uf[3][3] = {{u[0], u[3], u[4]}, {u[3], u[1], u[5]}, {u[4], u[5], u[2]}};
  auto cart = [&](int r, int c) {  // M_rc: Cartesian component r of the fractional axis c
    Vec3 e{};
    e[c] = 1.0f;
    return static_cast<double>(to_cart(run.transf, e)[r]);
  };
  // reciprocal lengths |b x c| / V and cyclic
  double col[3][3], rec[3];
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) col[c][r] = cart(r, c);
  auto crossn = [&](int p, int q) {
    const double x = col[p][1] * col[q][2] - col[p][2] * col[q][1], y = col[p][2] * col[q][0] - col[p][0] * col[q][2],
                 z = col[p][0] * col[q][1] - col[p][1] * col[q][0];
    return std::array<double, 3>{x, y, z};
  };
  const auto bc = crossn(1, 2);
  const double vol = col[0][0] * bc[0] + col[0][1] * bc[1] + col[0][2] * bc[2];
  for (int i = 0; i < 3; ++i) {
    const auto v = crossn((i + 1) % 3, (i + 2) % 3);
    rec[i] = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) / std::fabs(vol);
  }
  double back[3][3] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) back[i][j] += cart(i, k) * rec[k] * uf[k][l] * rec[l] * cart(j, l);
  // the run's Cartesian frame may differ from the file's by a rotation: compare invariants
  const double want_tr = (300 + 250 + 200) * 1e-4, got_tr = back[0][0] + back[1][1] + back[2][2];
  EXPECT_NEAR(got_tr, want_tr, 1e-6);
  double want_f2 = 0, got_f2 = 0;
  const double w[3][3] = {{300, 40, -30}, {40, 250, 20}, {-30, 20, 200}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) want_f2 += w[i][j] * w[i][j] * 1e-8, got_f2 += back[i][j] * back[i][j];
  EXPECT_NEAR(got_f2, want_f2, 1e-8);
  EXPECT_EQ(run.atoms1.iut[2], 1);
  EXPECT_FLOAT_EQ(run.at_uij.u[2][0], static_cast<float>(7.90 / 78.95683520871486));
}

TEST_F(Pdb, OnlyTheFirstModelIsRead) {
  const std::string one = test::pdb_lines({{"CA", ' ', "GLY", 'A', 1, ' ', 5, 5, 5, 1, 4, "C"}});
  const std::string two = test::pdb_lines({{"CA", ' ', "GLY", 'A', 1, ' ', 6, 5, 5, 1, 4, "C"},
                                           {"N", ' ', "GLY", 'A', 1, ' ', 7, 5, 5, 1, 4, "N"}});
  ASSERT_EQ(read(kCell + "MODEL        1\n" + one + "ENDMDL\nMODEL        2\n" + two + "ENDMDL\nEND\n"), "");
  EXPECT_EQ(run.atoms.ia, 1);
  EXPECT_NEAR(run.atoms.xf[1][0], 5.0f / 30.0f, 1e-6f);
  EXPECT_EQ(count_in_log("2 models in PDB file: the first is read, the others are ignored"), 1);
}

TEST_F(Pdb, BadFilesStopWithTheirMessage) {
  const std::string atom = test::pdb_lines({{"CA", ' ', "GLY", 'A', 1, ' ', 5, 5, 5, 1, 4, "C"}});
  const struct {
    std::string text, message;
  } cases[] = {
      {atom, "ReadPdb: No unit cell in PDB file (CRYST1 or _cell missing)"},
      {test::cryst1(1, 1, 1, 90, 90, 90, "P 1") + atom, "ReadPdb: No unit cell in PDB file (CRYST1 or _cell missing)"},
      {kCell + test::pdb_lines({{"QQ", ' ', "LIG", 'A', 5, ' ', 5, 5, 5, 1, 4, "QQ", true}}),
       "ReadPdb: Atom QQ of LIG 5 chain A: unknown element"},
      {kCell + "END\n", "ReadPdb: No atoms in PDB file"},
      {test::cryst1(30, 31, 32, 90, 90, 90, "P 43 21 7") + atom, "ReadPdb: Unknown space-group symbol 'P 43 21 7'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(read(c.text), c.message);
  }
  EXPECT_EQ(read("", iform_pdb, "absent.pdb"), "ReadPdb: Error opening PDB file");
  EXPECT_EQ(read("", iform_mmcif, "absent.cif"), "ReadPdb: Error opening mmCIF file");
}

// The same atoms as mmCIF, with "?" and "." for the values the file does not give, and gzipped.
TEST_F(Pdb, MmcifAndGzipReadAsThePdbFile) {
  const std::vector<PdbAtom> a{{"N", ' ', "SER", 'A', 5, ' ', 5.0, 5.0, 5.0, 1.0, 4.0, "N"},
                               {"CA", ' ', "SER", 'A', 5, ' ', 6.2, 5.6, 5.0, 1.0, 4.0, "C"},
                               {"OG", 'A', "SER", 'A', 5, ' ', 7.0, 6.0, 6.0, 0.6, 5.0, "O"},
                               {"OG", 'B', "SER", 'A', 5, ' ', 7.2, 5.0, 6.2, 0.4, 5.0, "O"}};
  const std::string pdb = kCell + test::pdb_lines(a);
  ASSERT_EQ(read(pdb), "");
  const vorn::Run p = std::move(run);
  std::string cif =
      "data_m\n_cell.length_a 30\n_cell.length_b 31\n_cell.length_c 32\n_cell.angle_alpha 90\n"
      "_cell.angle_beta 90\n_cell.angle_gamma 90\n_symmetry.space_group_name_H-M 'P 21 21 21'\n"
      "loop_\n_atom_site.group_PDB\n_atom_site.id\n_atom_site.type_symbol\n_atom_site.label_atom_id\n"
      "_atom_site.label_alt_id\n_atom_site.label_comp_id\n_atom_site.label_asym_id\n_atom_site.label_seq_id\n"
      "_atom_site.pdbx_PDB_ins_code\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n_atom_site.Cartn_z\n"
      "_atom_site.occupancy\n_atom_site.B_iso_or_equiv\n_atom_site.pdbx_formal_charge\n_atom_site.auth_seq_id\n"
      "_atom_site.auth_asym_id\n_atom_site.pdbx_PDB_model_num\n";
  const char* alt[] = {".", ".", "A", "B"};
  for (size_t k = 0; k < a.size(); ++k) {
    std::ostringstream row;
    row << "ATOM " << k + 1 << " " << a[k].element << " " << a[k].name << " " << alt[k] << " SER A 5 ? " << a[k].x
        << " " << a[k].y << " " << a[k].z << " " << a[k].occ << " " << a[k].b << " ? 5 A 1\n";
    cif += row.str();
  }
  gzFile gz = gzopen("m.pdb.gz", "wb");
  ASSERT_NE(gz, nullptr);
  gzwrite(gz, pdb.data(), static_cast<unsigned>(pdb.size()));
  gzclose(gz);
  for (const char* file : {"m.cif", "m.pdb.gz"}) {
    SCOPED_TRACE(file);
    const bool is_cif = std::string(file) == "m.cif";
    ASSERT_EQ(read(is_cif ? cif : "", is_cif ? iform_mmcif : iform_pdb, file), "");
    ASSERT_EQ(run.atoms.ia, p.atoms.ia);
    for (int i = 1; i <= p.atoms.ia; ++i) {
      EXPECT_EQ(run.atoms.atom[i], p.atoms.atom[i]);
      EXPECT_EQ(run.atoms.xf[i], p.atoms.xf[i]);
      EXPECT_EQ(run.atoms1.occ[i], p.atoms1.occ[i]);
      EXPECT_EQ(run.atoms1.part[i], p.atoms1.part[i]);
      EXPECT_EQ(run.at_uij.u[i], p.at_uij.u[i]);
      EXPECT_EQ(run.resi1.resi1[i], p.resi1.resi1[i]);
      EXPECT_EQ(run.idents.id[i].resnum, p.idents.id[i].resnum);
      EXPECT_EQ(run.idents.id[i].altloc, p.idents.id[i].altloc);
    }
  }
}

}  // namespace
