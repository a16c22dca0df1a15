// Ring search on the reduced structure.
#pragma once
#include "model/run.h"

namespace vorn {

void connect4rings(Run& run);
void findrings(Run& run);

}  // namespace vorn
