// The local-axes stage over every atom of the asymmetric unit.
#pragma once
#include "model/run.h"

namespace vorn {

void localdef(Run& run);

}  // namespace vorn
