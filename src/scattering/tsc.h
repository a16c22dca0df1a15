// vorn.tsc and vorn.tscb: the aspherical form factor of every atom at every reflection, for olex2.refine, NoSpherA2 and cctbx.
#pragma once
#include <string>
#include <vector>

#include "model/run.h"

namespace vorn {

// The table's file: vorn.tscb for NoSpherA2's binary layout (TSC file BINARY), else vorn.tsc.
const char* tsc_file(const Settings& s);

// The scatterer names of atoms 1..ia as the refinement program names them: the input file's
// own label (else the XD label without parentheses, C(1A) -> C1A); a label that repeats takes
// SHELX's residue form C1_3; one still repeated takes its atom number (C1_#12), warned.
std::vector<std::string> tsc_labels(Run& run);

// Reads the reflection file of the TSC line, expands it by the Laue group and writes the table
// (text or binary) row by row.
void write_tsc(Run& run);

}  // namespace vorn
