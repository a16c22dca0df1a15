// vorn.cif: cell, symmetry, atom sites with the dummy atoms, local axes, multipole populations and kappas in the IUCr rhoCIF names.
#pragma once
#include <string>

#include "model/run.h"

namespace vorn {

// The rhoCIF data name of the population of level l and index m: P00, P21, P2_1 (m = -1) ...
std::string rho_coeff_name(int l, int m);

// Writes vorn.cif from the records as they stand after the atom pass.
void write_rhocif(const Run& run);

}  // namespace vorn
