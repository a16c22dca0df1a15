// Crowded atoms: the neighbour limits of hydrogen and heavier atoms, each crowded atom tallied once.
#include <gtest/gtest.h>

#include "model/log.h"
#include "model/run.h"
#include "topology/bondwarnings.h"

using namespace vorn;

TEST(BondWarnings, CrowdedAtomsPastTheirElementsLimit) {
  struct Row {
    int z, nnei;
    bool warned;
  };
  const Row rows[] = {{1, 1, false}, {1, 2, false}, {1, 3, true},   {6, 4, false},
                      {16, 6, false}, {26, 7, true}, {6, 20, true}, {8, 0, false}};
  vorn::Run run;
  resize_atoms(run, static_cast<int>(std::size(rows)));
  run.atoms.ia = static_cast<int>(std::size(rows));
  std::vector<std::string> expect;
  for (int i = 1; i <= run.atoms.ia; ++i) {
    const Row& r = rows[i - 1];
    run.atoms.itype[i] = r.z;
    run.atoms.atom[i] = "X(" + std::to_string(i) + ")   ";
    run.neighbors.nnei[i] = r.nnei;
    if (r.warned) expect.push_back("X(" + std::to_string(i) + ")");
  }
  warn_crowded(run);
  ASSERT_EQ(run.warnings.kinds.size(), 1u);
  EXPECT_EQ(run.warnings.kinds[0].second, expect);
}
