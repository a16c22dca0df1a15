// PDB and mmCIF macromolecular models (plain or gzipped): cell, space group, first model's atoms with residues and alternate conformations, read with gemmi.
#pragma once
#include <string>

#include "model/run.h"

namespace vorn {

// Reads the first model of a PDB (iform_pdb) or mmCIF (iform_mmcif) file into the structure
// records, fills run.idents and the residue-style MoPro names, and writes the same heads of
// xd_vorn.mas and mopro_vorn.par as the SHELX reader.
void readpdb(Run& run, const std::string& fname);

}  // namespace vorn
