// The run's fixed set of output files: which ones a run writes, stale ones removed, the list of files written.
#pragma once
#include <string>
#include <vector>

#include "model/run.h"

namespace vorn {

// Whether the run writes xd_vorn.inp (and with it vorn.cif and the MoPro atom records).
bool writes_xd_parameters(const Settings& s);

// Removes each output of the fixed set that this run will not write (or may not: the ones a
// stage writes only when it has something to say) and that is not one of its inputs, so that
// the files in the directory always belong together. Returns the names removed.
std::vector<std::string> remove_stale_outputs(Run& run);

// The closing list of the files this run wrote, console and log; then the removed files that
// the run did not write again, and the grep hints.
void files_summary(Run& run, const std::vector<std::string>& removed);

// The names of the files in the list, in order (for the tests).
std::vector<std::string> files_written(const Run& run);

}  // namespace vorn
