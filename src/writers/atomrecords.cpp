// The atom pass writing xd_vorn.inp, the MoPro atom records and fixedH.ins. (not built yet: the stage logs that it was skipped).
#include "writers/atomrecords.h"

#include "util/log.h"

namespace vorn {

void write_atom_records(Run& run) { stage_pending(run, "write_atom_records"); }

}  // namespace vorn
