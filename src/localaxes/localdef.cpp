// The local-axes stage over every atom of the asymmetric unit. (not built yet: the stage logs that it was skipped).
#include "localaxes/localdef.h"

#include "util/log.h"

namespace vorn {

void localdef(Run& run) { stage_pending(run, "localdef"); }

}  // namespace vorn
