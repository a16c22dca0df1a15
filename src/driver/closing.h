// The closing summary of a run: what the model holds and every warning counted, on the log and the console.
#pragma once
#include <string>
#include <vector>

#include "model/run.h"

namespace vorn {

// Atoms named per warning kind before " ..." ends the list.
constexpr int summary_named = 5;

// The summary's lines: atoms, site symmetries by label, dummies, kappa sets, databank
// matches (when a databank is used) and each warning kind of run.warnings with its count
// and its first atoms.
std::vector<std::string> closing_lines(const Run& run);

// Writes closing_lines to the log and the console.
void closing_summary(Run& run);

}  // namespace vorn
