// Functional-group recognition (not built yet: every atom belongs to no group).
#include "chemistry/groups.h"

#include <string>

namespace vorn {

void detexcept(Run& run, int k) {
  run.except.iexp[k] = 0;
  run.except.group[k] = std::string(40, ' ');
}

}  // namespace vorn
