// Completion of fragments across cell boundaries by symmetry images.
#pragma once
#include "model/run.h"

namespace vorn {

void gencompletefrags(Run& run);

}  // namespace vorn
