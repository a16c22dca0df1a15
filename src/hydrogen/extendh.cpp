// Extension of an X-H bond to its neutron distance (not built yet: hydrogens keep their positions).
#include "hydrogen/extendh.h"

namespace vorn {

void extendh(Run&, int, int) {}

}  // namespace vorn
