// Frames of the MoPro files: parameter-file header, constraint and restraint file blocks.
#pragma once
#include "model/run.h"

namespace vorn {

void mopro_par_header(Run& run);     // mopro_vorn.par, at start-up
void con_header(Run& run);           // con_mopro.inp, at start-up
void res_header(Run& run);           // res_mopro.inp, first three lines
void res_uratio_and_close(Run& run); // res_mopro.inp, URATIO block and end
void con_similarity_and_close(Run& run);  // con_mopro.inp, similarity block and end

}  // namespace vorn
