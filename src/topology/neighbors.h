// Covalent neighbour lists of every atom.
#pragma once
#include "model/run.h"

namespace vorn {

void findallneighbors(Run& run);

}  // namespace vorn
