// Shared records: constant tables, defaults and the atom capacity.
#include <gtest/gtest.h>

#include "model/run.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"

using namespace vorn;

TEST(ModelTables, SymbolsAndRadii) {
  EXPECT_EQ(symbat(52), "Te");
  EXPECT_EQ(symbat(1), "H ");
  EXPECT_EQ(symbat(92), "U ");
  EXPECT_EQ(symbat(17), "Cl");
  EXPECT_FLOAT_EQ(covrad_default[1], 0.40f);
  EXPECT_FLOAT_EQ(covrad_default[6], 0.77f);
  EXPECT_FLOAT_EQ(covrad_default[36], 1.89f);
  EXPECT_FLOAT_EQ(covrad_default[54], 1.31f);
  // an O-H pair at 1.33 A is bonded with the default tolerance
  EXPECT_LE(1.33f, covrad_default[8] + covrad_default[1] + 0.2f);
}

TEST(ModelRun, Defaults) {
  vorn::Run run;
  EXPECT_FLOAT_EQ(run.shelx1.fvar[1], 1.0f);
  EXPECT_FLOAT_EQ(run.shelx1.wght[1], -2.0f);
  EXPECT_FLOAT_EQ(run.shelx1.wght[6], 1.0f / 3.0f);
  EXPECT_EQ(run.set.ncells, -1);
  EXPECT_EQ(run.set.iverbose, 1);
  EXPECT_TRUE(run.set.lhyd && run.set.lheav);
  EXPECT_EQ(run.amodel.size(), 20u);
  EXPECT_EQ(run.transf.rm, unit_matrix());
}

TEST(ModelRun, NewAtomsAreCleared) {
  vorn::Run run;
  int i = add_atom(run, "Test");
  EXPECT_EQ(i, 1);
  EXPECT_EQ(add_atom(run, "Test"), 2);
  EXPECT_FLOAT_EQ(run.atoms1.occ[2], 1.0f);
  EXPECT_EQ(run.atoms.atom[2], std::string(8, ' '));
  EXPECT_EQ(run.atoms.asym[2].size(), 5u);
  EXPECT_EQ(fmt::pad(run.except.group[2], 40), std::string(40, ' '));
  EXPECT_EQ(run.mpoles.iar[2][11], 0);
}

TEST(ModelRun, TooManyAtoms) {
  EXPECT_NO_THROW(check_atom_capacity(nat, "ReadShelx"));
  try {
    check_atom_capacity(nat + 1LL, "ReadShelx");
    FAIL() << "atom past the capacity accepted";
  } catch (const Fatal& f) {
    EXPECT_EQ(f.where, "ReadShelx");
    EXPECT_EQ(f.message, "Too many atoms");
  }
}
