// Valence-population scaling to fragment charges.
#pragma once
#include "model/run.h"

namespace vorn {

// Rescales pv of the atoms of every fragment (NFRAG, FRAG and CHFRAG lines of vorn.inp in the
// current directory; all atoms when there are none) so that each fragment's sum of Pv is its
// free-atom sum less its net charge, by the method isca (asked for when 0). Charges that
// CHFRAG does not give are asked for on run.input.
void rescalepv(Run& run);

}  // namespace vorn
