// Transfer of one atom's pseudoatom parameters from the databank.
#pragma once
#include "model/run.h"
#include "topology/environment.h"

namespace vorn {

// Fills mpoles1 for atom ik from the first databank entry that matches its environment
// (the free atom when none does), counts the search in dbcount and reports it in the log.
// The databank is run.idb; run.dbsearch chooses between the index, read from idb at the
// first call, and reading idb again. lpg: the atom and its neighbours are coplanar (from the
// axis rules). grid, when given, serves the neighbour search.
void readdb(Run& run, int ik, bool lpg, const NeighborGrid* grid = nullptr);

}  // namespace vorn
