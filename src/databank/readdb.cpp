// Databank transfer for one atom (not built yet: neutral parameters stand in for the entry).
#include "databank/readdb.h"

#include "util/elements.h"

namespace vorn {

void readdb(Run& run, int ik) {
  Mpoles1& m = run.mpoles1;
  m = Mpoles1{};
  m.pv1 = pval(run.atoms.itype[ik]);
  m.rkap1 = {1.0f, 1.0f};
}

}  // namespace vorn
