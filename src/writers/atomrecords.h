// The atom pass writing xd_vorn.inp, the MoPro atom records and fixedH.ins.
#pragma once
#include "model/run.h"

namespace vorn {

void write_atom_records(Run& run);

}  // namespace vorn
