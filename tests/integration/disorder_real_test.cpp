// Published SHELX files with disorder parts, completed across cells: no bond joins two components and no atom has more neighbours than its element can.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>

#include "../support.h"
#include "readers/shelx.h"
#include "readers/summary.h"
#include "topology/fragments.h"
#include "topology/neighbors.h"
#include "util/elements.h"
#include "util/format.h"

using namespace vorn;

namespace {

// The most covalent neighbours an atom of element z may have. Hydrogen: one, two for a bridge.
// Carbon, nitrogen, boron: four. Oxygen: three (oxonium, a bridging alkoxide with its carbon).
// Fluorine: two (a fluoride bridging two metals). Chlorine: four (perchlorate). Anything
// heavier: six, as in the octahedral metals and PF6 of the published files.
int cap(int z) {
  switch (z) {
    case 1: return 2;
    case 5: case 6: case 7: return 4;
    case 8: return 3;
    case 9: return 2;
    case 17: return 4;
    default: return 6;
  }
}

struct Tally {
  int files = 0, atoms = 0, over_cap = 0, across = 0;
  std::string first;  // the first offending atom, for the message
};

// Neighbours of atom i in the one conformation that gives it most. An atom of a part has them
// all (once components are kept apart); a common atom those of part 0 and those of one part
// (for a negative part, of one copy): holding a ligand disordered over three parts it bonds to
// all three places, but only one is there at a time.
int conformation_neighbours(const Run& run, int i) {
  if (run.atoms1.part[i] != 0) return run.neighbors.nnei[i];
  std::map<std::pair<int, int>, int> by_part;  // (part, copy key) -> neighbours
  int common = 0;
  for (int k = 0; k < run.neighbors.nnei[i]; ++k) {
    const int j = run.neighbors.jnei[i][k];
    const int p = run.atoms1.part[j];
    const SymCopy& c = run.cryst.icopy[j];
    if (p == 0) ++common;
    else ++by_part[{p, p < 0 ? ((c.s * 97 + c.t[0]) * 97 + c.t[1]) * 97 + c.t[2] : 0}];
  }
  int most = 0;
  for (const auto& [key, n] : by_part) most = std::max(most, n);
  return common + most;
}

// Reads, completes with NCELLS 1 and builds the neighbours; parts = false takes the part
// information away, so the occupancy rule decides as for a file without PART.
void check(const std::filesystem::path& p, bool parts, Tally& t) {
  Run run;
  std::ostringstream con;
  test::open_reader_outputs(run, ".", con);
  readshelx(run, p.string());
  if (!run.atoms1.lpart) return;
  ++t.files;
  run.atoms1.lpart = parts;
  checkocc(run);  // classed again as the reader would have without parts
  run.set.ncells = 1;
  gencompletefrags(run);
  findallneighbors(run);
  const auto& part = run.atoms1.part;
  for (int i = 1; i <= run.cryst.natoms; ++i) {
    ++t.atoms;
    const std::string where = p.filename().string() + " " + fmt::trim(run.atoms.atom[i]) + " (atom " +
                              std::to_string(i) + ", " + std::to_string(conformation_neighbours(run, i)) + " neighbours)";
    if (conformation_neighbours(run, i) > cap(run.atoms.itype[i])) {
      if (t.over_cap++ == 0) t.first = where;
    }
    for (int k = 0; k < run.neighbors.nnei[i]; ++k) {
      const int j = run.neighbors.jnei[i][k];
      const bool two_parts = part[i] != 0 && part[j] != 0 && part[i] != part[j];
      const bool own_image = part[i] < 0 && part[i] == part[j] && !(run.cryst.icopy[i] == run.cryst.icopy[j]);
      if (two_parts || own_image) {
        if (t.across++ == 0 && t.first.empty()) t.first = where + " bonded to " + fmt::trim(run.atoms.atom[j]);
      }
    }
  }
}

class RealDisorder : public test::InTempDir {};

}  // namespace

TEST_F(RealDisorder, PartsKeepComponentsApart) {
  const auto files = test::shared_shelx_files();
  if (files.empty()) GTEST_SKIP() << "no shared SHELX data at " << VORN_SHARED_DATA << "/shelx";
  Tally with, without;
  for (const auto& p : files) {
    SCOPED_TRACE(p.filename().string());
    check(p, true, with);
    check(p, false, without);
  }
  // the disordered files of the set (PART 1/2 on free variables, PART -1 about an axis,
  // a disordered perchlorate on a threefold axis) are all there
  EXPECT_GE(with.files, 8);
  EXPECT_EQ(with.over_cap, 0) << with.first;
  EXPECT_EQ(with.across, 0) << with.first;
  // the same structures by occupancy alone bond across components: the check above can fail
  EXPECT_GT(without.across, 0);
  EXPECT_GT(without.over_cap, 0) << "the occupancy rule no longer overbonds: " << without.first;
  std::cout << "[ disorder ] " << with.files << " files with parts, " << with.atoms << " atoms; by occupancy alone "
            << without.over_cap << " atoms over their cap and " << without.across << " bonds across components\n";
}
