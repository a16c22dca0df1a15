// Covalent neighbour lists of every atom, grouped by element and ranked for the later stages.
#pragma once
#include "model/run.h"

namespace vorn {

// Fills record neighbors for atoms 1..natoms and logs every atom's ranked neighbours.
// Slots are 0-based: jnei/rnei[i][0..nnei-1], types janei/jnnei[i][0..jtnei-1] in ascending
// atomic number, jsnei[i][t][0..jnnei-1] ordered by own neighbour count, then distance.
// Searches run on a cell list; the result is the one of the plain all-pairs scan.
void findallneighbors(Run& run);

// The same stage scanning all atoms for every atom (quadratic); kept as the yardstick for
// the cell-list version.
void findallneighbors_reference(Run& run);

}  // namespace vorn
