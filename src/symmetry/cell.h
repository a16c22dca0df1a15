// Orthogonalisation matrices from the cell (a along x, b in the xy plane) and 3x3 inverse.
#pragma once
#include "model/run.h"

namespace vorn {

// Builds rm and rm1 from uc and prints both on the log.
void tranmat(Run& run);

// Inverse by adjugate over determinant; a determinant exactly 0 stops the run.
Mat3 inverse(const Mat3& m);

}  // namespace vorn
