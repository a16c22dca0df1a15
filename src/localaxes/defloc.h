// One atom's local coordinate system: the axis rules, then its kappa set and records.
#pragma once
#include "localaxes/atomsetup.h"
#include "topology/environment.h"
#include "model/run.h"

namespace vorn {

// What the per-atom work shares across the atoms of one run.
struct LocalContext {
  NeighborGrid grid;  // candidates for the environment searches
  KappaIndex kappas;  // first atom of each equivalence class
};

// Chooses atom k's axes and site symmetry, then fills its kappa set, table lines and records.
void defloc(Run& run, int k, LocalContext& ctx);

}  // namespace vorn
