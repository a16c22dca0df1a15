// Valence-population scaling to fragment charges.
#pragma once
#include "model/run.h"

namespace vorn {

void rescalepv(Run& run);

}  // namespace vorn
