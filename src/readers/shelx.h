// SHELX instruction/result files: two passes, free-variable codes, riding Uiso, label rebuilding.
#pragma once
#include <array>
#include <string>

#include "model/run.h"
#include "util/elements.h"  // getsft

namespace vorn {

// Reads the SHELX file into the structure records; writes the head of xd_vorn.mas and the
// cell and symmetry block of mopro_vorn.par.
void readshelx(Run& run, const std::string& fname);

// Decodes the free-variable codes of the numbers after the type number.
float decode_fvar(const Run& run, float c);

// Equivalent isotropic U of atom i.
float calcueq(const Run& run, int i);

// Reciprocal lengths a*, b*, c* of the cell.
std::array<float, 3> r_cell(const std::array<float, 6>& uc);

}  // namespace vorn
