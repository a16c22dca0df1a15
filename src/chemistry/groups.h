// Functional-group recognition of one atom.
#pragma once
#include "model/run.h"

namespace vorn {

// Sets iexp(k) and group(k). Not built yet: every atom belongs to no group (iexp 0, blank).
void detexcept(Run& run, int k);

}  // namespace vorn
