// Ring search on the reduced structure. (not built yet: the stage logs that it was skipped).
#include "topology/rings.h"

#include "util/log.h"

namespace vorn {

void connect4rings(Run& run) { stage_pending(run, "connect4rings"); }
void findrings(Run& run) { stage_pending(run, "findrings"); }

}  // namespace vorn
