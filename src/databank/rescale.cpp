// Valence-population scaling to fragment charges. (not built yet: the stage logs that it was skipped).
#include "databank/rescale.h"

#include "model/log.h"

namespace vorn {

void rescalepv(Run& run) { stage_pending(run, "rescalepv"); }

}  // namespace vorn
