// CIF reader: bad files, labels, operators split as SHELX stores them, and the embedded SHELX file.
#include "readers/cif.h"

#include <gtest/gtest.h>

#include <cmath>
#include <gemmi/cif.hpp>
#include <gemmi/symmetry.hpp>
#include <set>
#include <sstream>

#include "../support.h"
#include "readers/shelx.h"
#include "util/err.h"

using namespace vorn;

namespace {

const char* const kCell =
    "_cell_length_a 10 _cell_length_b 11 _cell_length_c 12\n"
    "_cell_angle_alpha 90 _cell_angle_beta 100 _cell_angle_gamma 90\n";
const char* const kOps = "loop_ _symmetry_equiv_pos_as_xyz 'x,y,z' '-x,-y,-z'\n";
const char* const kSites =
    "loop_ _atom_site_label _atom_site_type_symbol _atom_site_fract_x _atom_site_fract_y\n"
    "_atom_site_fract_z _atom_site_U_iso_or_equiv\n";

std::string cif(const std::string& cell, const std::string& ops, const std::string& rows) {
  return "data_t\n" + cell + ops + (rows.empty() ? "" : kSites + rows);
}

class Cif : public test::InTempDir {
 protected:
  // Reads the text as t.cif into run; the fatal error's message, or "" when it reads.
  std::string read(const std::string& text, const std::string& file = "t.cif") {
    run = vorn::Run{};
    if (file == "t.cif") test::write_file(file, text);
    test::open_reader_outputs(run, dir_, console);
    try {
      readcif(run, file);
    } catch (const Fatal& f) {
      return f.where + ": " + f.message;
    }
    run.imas.close();
    return "";
  }
  vorn::Run run;
  std::ostringstream console;
};

}  // namespace

TEST_F(Cif, BadFilesStopWithTheirMessage) {
  const struct {
    std::string text, part;
  } cases[] = {
      {cif("", kOps, "C1 C 0.1 0.2 0.3 0.02\n"), "ReadCif: No cell in CIF file"},
      {cif(kCell, kOps, ""), "ReadCif: No atom sites in CIF file"},
      {cif(kCell, kOps, "C1 C 0.1 0.2 ? 0.02\n"), "ReadCif: Atom site C1 has no fractional coordinates"},
      {cif(kCell, kOps, "C1 Qz 0.1 0.2 0.3 0.02\n"), "ReadCif: Atom site C1: unknown type symbol Qz"},
      {cif(kCell, "loop_ _symmetry_equiv_pos_as_xyz 'x,y,z' '-y,x,z'\n", "C1 C 0.1 0.2 0.3 0.02\n"),
       "ReadCif: Symmetry operators do not form a group"},
      {cif(kCell, "loop_ _symmetry_equiv_pos_as_xyz 'x,y,z' 'x,q,z'\n", "C1 C 0.1 0.2 0.3 0.02\n"),
       "ReadCif: Symmetry operator 'x,q,z' cannot be read"},
      {cif(kCell, "", "C1 C 0.1 0.2 0.3 0.02\n"), "ReadCif: No symmetry operators and no space-group symbol"},
      {cif(kCell, kOps, "C123456 C 0.1 0.2 0.3 0.02\n"), "ReadCif: Atom label C123456 is longer than 8"},
      {cif(kCell, kOps, "C1 C 0.1 0.2 0.3 0.02 extra\n"),
       "ReadCif: CIF syntax error: t.cif:5:1: Wrong number of values"},
      {cif("_cell_length_a abc\n", kOps, "C1 C 0.1 0.2 0.3 0.02\n"), "ReadCif: _cell_length_a is not a number: abc"},
  };
  for (const auto& c : cases) EXPECT_NE(read(c.text).find(c.part), std::string::npos) << c.part << "\n" << read(c.text);
  EXPECT_NE(read("", "absent.cif").find("ReadCif: Error opening CIF file"), std::string::npos);
}

TEST_F(Cif, LabelsAreRebuiltFromTheTypeSymbol) {
  ASSERT_EQ(read(cif(kCell, kOps,
                     "C12 C 0.1 0.2 0.3 0.02\nH12A H 0.1 0.3 0.3 0.03\nCl1 Cl- 0.3 0.2 0.3 0.02\n"
                     "O1W O 0.5 0.5 0.1 0.02\nOw O 0.6 0.5 0.1 0.02\n")),
            "");
  const std::vector<std::string> want{"C(12)", "H(12A)", "CL(1)", "O(1W)", "O(W)"};
  ASSERT_EQ(run.atoms.ia, 5);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(run.atoms.atom[i], test::pad_to(want[i - 1], 8));
  EXPECT_EQ(run.at_types.ntyp, 4);  // C H Cl O in order of appearance
}

// Without _atom_site_type_symbol the element is the label's capital letter with a following
// lower-case letter only; with only B_iso_or_equiv, U = B / (8 pi^2) (1.5 -> 0.018998).
TEST_F(Cif, ElementFromTheLabelAndUisoFromB) {
  const std::string sites =
      "loop_ _atom_site_label _atom_site_fract_x _atom_site_fract_y _atom_site_fract_z _atom_site_B_iso_or_equiv\n"
      "Ca1 0.1 0.1 0.1 1.5\nCA1 0.3 0.1 0.1 1.5\nC1A 0.1 0.3 0.1 1.5\nCl2 0.1 0.1 0.3 1.5\nO3 0.3 0.3 0.3 1.5\n";
  ASSERT_EQ(read("data_t\n" + std::string(kCell) + kOps + sites), "");
  const struct {
    const char* label;
    int z;
  } want[] = {{"CA(1)", 20}, {"C(A1)", 6}, {"C(1A)", 6}, {"CL(2)", 17}, {"O(3)", 8}};
  ASSERT_EQ(run.atoms.ia, 5);
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(run.atoms.itype[i], want[i - 1].z) << want[i - 1].label;
    EXPECT_NEAR(run.at_uij.u[i][0], 0.018998f, 1e-6f) << want[i - 1].label;
  }
}

// The operator table of a space-group symbol is the group gemmi knows, stored as LATT and cards.
TEST_F(Cif, SymbolsGiveTheWholeGroupAsLatticeAndCards) {
  const struct {
    const char* hm;
    const char* latt;
  } cases[] = {{"P 1 21/c 1", "LATT C P"}, {"C 1 2/c 1", "LATT C C"}, {"P 21 21 21", "LATT A P"}, {"P 61", "LATT A P"},
               {"R -3:H", "LATT C R"},     {"I 41", "LATT A I"},      {"F d d d:1", "LATT A F"}};
  for (const auto& c : cases) {
    const std::string ops = std::string("_symmetry_space_group_name_H-M '") + c.hm + "'\n";
    ASSERT_EQ(read(cif(kCell, ops, "C1 C 0.11 0.21 0.31 0.02\n")), "") << c.hm;
    EXPECT_NE(test::slurp("xd_vorn.mas").find(std::string(c.latt) + "\n"), std::string::npos) << c.hm;
    std::set<std::string> got, want;
    for (int n = 1; n <= run.symm.ns; ++n) {
      gemmi::Op op;
      for (int j = 0; j < 3; ++j) {
        op.tran[j] = static_cast<int>(std::lround(run.symm.ts[n][j] * 24));
        for (int i = 0; i < 3; ++i) op.rot[j][i] = static_cast<int>(std::lround(run.symm.fs[n][i][j] * 24));
      }
      got.insert(op.wrap().triplet());
    }
    for (const auto& op : gemmi::find_spacegroup_by_name(c.hm)->operations()) want.insert(op.triplet());
    EXPECT_EQ(static_cast<int>(got.size()), run.symm.ns) << c.hm;
    EXPECT_EQ(got, want) << c.hm;
  }
}

// SHELXL's CIF carries the .res it came from: both give the same atoms, to the CIF's rounding.
// (The shared sucrose CIF embeds a .res whose H lines have five U values; SHELX refuses it.)
TEST_F(Cif, EmbeddedShelxFileGivesTheSameAtoms) {
  const std::string src = test::data_path("cif/p212121_chloromethanol.cif");
  gemmi::cif::Document doc = gemmi::cif::read_file(src);
  const std::string* res = doc.find_block("chloromethanol")->find_value("_shelx_res_file");
  ASSERT_NE(res, nullptr);
  test::write_file("s.res", gemmi::cif::as_string(*res));
  vorn::Run shelx;
  test::open_reader_outputs(shelx, dir_, console, ".shelx");
  readshelx(shelx, "s.res");
  ASSERT_EQ(read("", src), "");
  ASSERT_GT(run.atoms.ia, 0);
  ASSERT_EQ(run.atoms.ia, shelx.atoms.ia);
  for (int i = 1; i <= run.atoms.ia; ++i) {
    SCOPED_TRACE(shelx.atoms.atom[i]);
    EXPECT_EQ(run.atoms.atom[i], shelx.atoms.atom[i]);
    EXPECT_EQ(run.atoms.itype[i], shelx.atoms.itype[i]);
    EXPECT_EQ(run.atoms1.isft[i], shelx.atoms1.isft[i]);
    EXPECT_EQ(run.atoms1.iut[i], shelx.atoms1.iut[i]);
    EXPECT_NEAR(run.atoms1.occ[i], shelx.atoms1.occ[i], 1e-4);
    EXPECT_EQ(run.atoms1.iaf[i], shelx.atoms1.iaf[i]);
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(run.atoms.xf[i][j], shelx.atoms.xf[i][j], 1e-4);
    for (int j = 0; j < 6; ++j) EXPECT_NEAR(run.at_uij.u[i][j], shelx.at_uij.u[i][j], 1e-4);
  }
}
