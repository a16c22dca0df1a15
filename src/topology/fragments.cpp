// Completion of fragments across cell boundaries by symmetry images. (not built yet: the stage logs that it was skipped).
#include "topology/fragments.h"

#include "util/log.h"

namespace vorn {

void gencompletefrags(Run& run) { stage_pending(run, "gencompletefrags"); }

}  // namespace vorn
