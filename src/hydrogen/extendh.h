// Extension of an X-H bond to its neutron distance.
#pragma once
#include "model/run.h"

namespace vorn {

// Moves hydrogen k along the bond from its parent l. Not built yet: the hydrogen stays
// where it is (the local-axes stage logs once that the stage was skipped).
void extendh(Run& run, int l, int k);

}  // namespace vorn
