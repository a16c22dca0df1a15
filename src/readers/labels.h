// Unique atom labels: later atoms whose label repeats an earlier one are renamed.
#pragma once
#include <string>

#include "model/run.h"

namespace vorn {

// The form two labels are compared in: upper case, without the first "(" and ")" (C(1) and
// c1 are one name, as MoPro writes them).
std::string label_key(const std::string& label);

// Gives every asymmetric-unit atom a label of its own. SHELX repeats names across residues
// (C1 in every RESI), solvent and complex may both number from 1, and the cut to 8 characters
// or the bracket-free MoPro form can make two names equal. The first atom keeps a repeated
// label; each later one becomes its element and the next number free for that element
// (C(41) after C(1) .. C(40)), logged and counted as a warning "duplicate label renamed".
// With residues, the MoPro names (file name and residue number) are made unique the same way.
void unique_labels(Run& run);

}  // namespace vorn
