// CIF structure files: cell, wavelength, symmetry operators or space-group symbol, and atom sites, read with gemmi.
#pragma once
#include <string>

#include "model/run.h"

namespace vorn {

// Reads the data block named in run.set.cifblock, or else the first block with atom sites,
// into the structure records and writes the same heads of xd_vorn.mas and mopro_vorn.par as
// the SHELX reader.
void readcif(Run& run, const std::string& fname);

// Operators of the full table (centring and inversion included) that map atom i onto itself
// within 0.001 A, the identity counted: 1 on a general position.
int site_order(const Run& run, int i);

}  // namespace vorn
