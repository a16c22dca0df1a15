// Transfer of one atom's pseudoatom parameters from the databank.
#pragma once
#include "model/run.h"

namespace vorn {

// Fills mpoles1 for atom ik. Not built yet: the neutral atom (valence population of the free
// atom, both kappas 1, no multipoles), with ifind 0; the counters are not touched.
void readdb(Run& run, int ik);

}  // namespace vorn
