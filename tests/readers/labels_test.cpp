// Unique labels: renaming of repeated labels, residue names, identifiers as written, Q peaks, bare-element CIF labels.
#include "readers/labels.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "../support.h"
#include "readers/cif.h"
#include "readers/shelx.h"
#include "util/err.h"
#include "util/format.h"

using namespace vorn;

namespace {

class Labels : public test::InTempDir {
 protected:
  void read(const std::string& name, bool cif = false) {
    test::open_reader_outputs(run, dir_, console);
    const std::string path = std::string(VORN_TEST_DATA) + (cif ? "/cif/" : "/shelx/") + name;
    if (cif)
      readcif(run, path);
    else
      readshelx(run, path);
    run.nout.close();
    log = test::slurp(dir_ / "vorn.out");
  }
  std::string label(int i) const { return fmt::trim(run.atoms.atom[i]); }
  std::vector<std::string> all_labels() const {
    std::vector<std::string> v;
    for (int i = 1; i <= run.atoms.ia; ++i) v.push_back(label(i));
    return v;
  }
  vorn::Run run;
  std::ostringstream console;
  std::string log;
};

// A run holding only labels and elements, for unique_labels alone.
vorn::Run with_labels(const std::vector<std::pair<std::string, int>>& atoms) {
  vorn::Run run;
  resize_atoms(run, static_cast<int>(atoms.size()));
  run.atoms.ia = static_cast<int>(atoms.size());
  for (size_t k = 0; k < atoms.size(); ++k) {
    run.atoms.atom[k + 1] = fmt::pad(atoms[k].first, labw);
    run.atoms.itype[k + 1] = atoms[k].second;
  }
  return run;
}

}  // namespace

TEST_F(Labels, ResidueCollisionsAreRenamedAfterTheHighestNumberOfTheirElement) {
  read("resi_collide.res");
  // the Q peak after END is never an atom; the complex keeps its names, the solvent and the
  // second O1 take the numbers after the highest of their element (C3 is already taken)
  EXPECT_EQ(all_labels(), (std::vector<std::string>{"AL(1)", "O(1)", "C(1)", "C(2)", "O(2)", "C(4)", "C(5)", "O(3)", "C(3)"}));
  EXPECT_NE(log.find(" Warning : atom 5 (O1 of residue 1 CPX) repeats the label O(1) of atom 2: renamed O(2)"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(" Warning : atom 6 (C1 of residue 2 THF) repeats the label C(1) of atom 3: renamed C(4)"),
            std::string::npos);
  ASSERT_EQ(run.warnings.kinds.size(), 1u);
  EXPECT_EQ(run.warnings.kinds[0].first, "duplicate label renamed");
  EXPECT_EQ(run.warnings.kinds[0].second, (std::vector<std::string>{"O(2)", "C(4)", "C(5)", "O(3)"}));
}

TEST_F(Labels, ShelxIdentifiersAndMoproNamesCarryTheResidue) {
  read("resi_collide.res");
  ASSERT_EQ(run.atoms.ia, 9);
  const struct {
    int i;
    std::string label, resname, resnum, resi1, resi2;
  } want[] = {
      // before the first RESI: residue 0, named MOL in the MoPro records, never blank
      {1, "AL1", "", "", "AL1      0  MOL  ", "AL1      0"},
      {2, "O1", "", "", "O1       0  MOL  ", "O1       0"},
      {3, "C1", "CPX", "1", "C1       1  CPX  ", "C1       1"},
      {5, "O1", "CPX", "1", "O1       1  CPX  ", "O1       1"},
      {6, "C1", "THF", "2", "C1       2  THF  ", "C1       2"},
      {9, "C3", "THF", "2", "C3       2  THF  ", "C3       2"},
  };
  for (const auto& w : want) {
    SCOPED_TRACE(w.i);
    const AtomIdent& id = run.idents.id[w.i];
    EXPECT_EQ(id.label, w.label);
    EXPECT_EQ(id.resname, w.resname);
    EXPECT_EQ(id.resnum, w.resnum);
    EXPECT_EQ(run.resi1.resi1[w.i], w.resi1);
    EXPECT_EQ(run.resi1.resi2[w.i], w.resi2);
  }
}

TEST_F(Labels, QPeaksArePassedOverAndCounted) {
  read("qpeaks.res");
  EXPECT_EQ(all_labels(), (std::vector<std::string>{"C(1)", "O(1)", "C(2)"}));
  EXPECT_NE(log.find(" Difference-map peaks (Q) passed over : 3"), std::string::npos) << log;
  EXPECT_FLOAT_EQ(run.atoms.xf[3][1], 0.25f);  // the continued peak took its own line along
  EXPECT_TRUE(run.warnings.kinds.empty());
}

TEST_F(Labels, BareElementCifLabelsAreNumberedWithinTheirType) {
  read("unnumbered_labels.cif", true);
  // O is O(1); O1 then repeats it and takes the number after O2's
  EXPECT_EQ(all_labels(), (std::vector<std::string>{"P(1)", "O(1)", "O(3)", "O(2)", "I(1)"}));
  EXPECT_EQ(run.idents.id[1].label, "P");
  EXPECT_EQ(run.idents.id[3].label, "O1");
  EXPECT_EQ(log.find("()"), std::string::npos);
}

TEST_F(Labels, MissingShelxFileIsNamedInTheMessage) {
  test::open_reader_outputs(run, dir_, console);
  try {
    readshelx(run, "no such file.res");
    FAIL() << "read a missing file";
  } catch (const Fatal& f) {
    EXPECT_EQ(f.message, "Error opening SHELX file no such file.res");
  }
}

TEST(UniqueLabels, RenamesOnlyRepeatsOfTheComparedForm) {
  const struct {
    const char* what;
    std::vector<std::pair<std::string, int>> in;
    std::vector<std::string> out;
  } cases[] = {
      {"distinct labels stay", {{"C(1)", 6}, {"C(2)", 6}, {"H(1)", 1}}, {"C(1)", "C(2)", "H(1)"}},
      {"bracket-free forms compare equal", {{"C(12)", 6}, {"C1(2)", 6}}, {"C(12)", "C(13)"}},
      {"deuterium keeps its letter", {{"D(1)", 1}, {"D(1)", 1}}, {"D(1)", "D(2)"}},
      {"case does not tell labels apart", {{"Cl(3)", 17}, {"CL(3)", 17}}, {"Cl(3)", "CL(4)"}},
      {"suffixes count by their number", {{"C(12A)", 6}, {"C(12A)", 6}, {"C(12B)", 6}}, {"C(12A)", "C(13)", "C(12B)"}},
      {"labels without parentheses take the element", {{"C1", 6}, {"C1", 6}, {"C1", 6}}, {"C1", "C(2)", "C(3)"}},
      {"a new name skips every taken one", {{"O(1)", 8}, {"O(1)", 8}, {"O2", 8}}, {"O(1)", "O(3)", "O2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    vorn::Run run = with_labels(c.in);
    unique_labels(run);
    std::vector<std::string> got;
    std::set<std::string> keys;
    for (int i = 1; i <= run.atoms.ia; ++i) {
      got.push_back(fmt::trim(run.atoms.atom[i]));
      keys.insert(label_key(run.atoms.atom[i]));
    }
    EXPECT_EQ(got, c.out);
    EXPECT_EQ(static_cast<int>(keys.size()), run.atoms.ia);
  }
}

TEST(UniqueLabels, NumbersThatNoLongerFitFillTheGapsAndThenStopTheRun) {
  // after CL(9999) no 8-character number is left above: the first free one from 1 is taken
  vorn::Run run = with_labels({{"CL(9999)", 17}, {"CL(2)", 17}, {"CL(9999)", 17}, {"H(123456", 1}, {"H(123456", 1}});
  unique_labels(run);
  EXPECT_EQ(run.atoms.atom[3], "CL(1)   ");
  EXPECT_EQ(run.atoms.atom[5], "H(1)    ");
  // every CL(n) that fits is taken: the next repeat has no name left
  std::vector<std::pair<std::string, int>> full;
  for (int n = 1; n <= 9999; ++n) full.emplace_back("CL(" + std::to_string(n) + ")", 17);
  full.emplace_back("CL(5)", 17);
  run = with_labels(full);
  try {
    unique_labels(run);
    FAIL() << "renamed past 8 characters: " << run.atoms.atom[10000];
  } catch (const Fatal& f) {
    EXPECT_EQ(f.where, "UniqueLabels");
    EXPECT_NE(f.message.find("No unique label of 8 characters left for atom 10000"), std::string::npos) << f.message;
  }
}

TEST(UniqueLabels, RepeatedMoproResidueNamesTakeTheUniqueLabel) {
  // two atoms of one residue cut to the same six characters
  vorn::Run run = with_labels({{"C(1234A)", 6}, {"C(1234B)", 6}});
  run.resi1.resi11 = true;
  const std::string name = fmt::pad("C1234", 6), num = " " + fmt::i(3, 3);
  run.resi1.resi1 = {std::string(17, ' '), name + num + "  ABC  ", name + num + "  ABC  "};
  run.resi1.resi2 = {std::string(10, ' '), name + num, name + num};
  unique_labels(run);
  EXPECT_EQ(run.resi1.resi2[1], "C1234    3");
  EXPECT_EQ(run.resi1.resi2[2], "C1234B   3");
  EXPECT_EQ(run.resi1.resi1[2].substr(0, 6), "C1234B");
  EXPECT_EQ(run.resi1.resi1[2].substr(6), run.resi1.resi1[1].substr(6));
}

// A repeated name that had widened past six characters (conformer and chain, residue 1234) is
// replaced whole: none of its tail is left in front of the residue number.
TEST(UniqueLabels, RepeatedWidenedMoproNamesAreReplacedWhole) {
  vorn::Run run = with_labels({{"H(21A)", 1}, {"H(21B)", 1}});
  run.resi1.resi11 = true;
  run.resi1.resi1 = {std::string(17, ' '), "HD21BAA  1234  ASN  ", "HD21BAA  1234  ASN  "};
  run.resi1.resi2 = {std::string(10, ' '), "HD21BAA  1234", "HD21BAA  1234"};
  unique_labels(run);
  EXPECT_EQ(run.resi1.resi2[1], "HD21BAA  1234");
  EXPECT_EQ(run.resi1.resi2[2], "H21B    1234");
  EXPECT_EQ(run.resi1.resi1[2], "H21B    1234  ASN  ");
}
