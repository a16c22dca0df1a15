// SHELX instruction/result files: two passes, free-variable codes, riding Uiso, label rebuilding.
#pragma once
#include <array>
#include <string>

#include "model/run.h"

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

// The 18 orbital occupations of the XD SCAT table for atomic number z; a negative number is
// a valence population. Stops the run for z > 36 other than I.
std::array<int, 18> getsft(int z);

}  // namespace vorn
