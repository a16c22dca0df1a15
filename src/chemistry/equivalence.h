// Chemical equivalence of two atoms.
#pragma once
#include <string>

#include "model/run.h"

namespace vorn {

// True when atoms ia1 and ia2 are chemically equivalent. Switches, on when nonzero:
// ics compares site symmetry (asym), icg functional groups, isimple skips the
// neighbour-class and ring comparisons, irg compares planar-ring membership.
// Above verbosity 2 the log explains the first criterion that fails.
bool sameatoms(Run& run, int ia1, int ia2, int ics, int icg, int isimple, int irg);

}  // namespace vorn
