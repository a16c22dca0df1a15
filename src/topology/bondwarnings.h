// Warnings about the bonding found: crowded atoms, and molecules that symmetry cuts when NCELLS is off.
#pragma once
#include <vector>

#include "model/run.h"

namespace vorn {

// Most bonded neighbours an atom of element z has in a sound model: 2 for hydrogen (a
// bridging H), 6 for every other element (an octahedral centre).
int max_bonded(int z);

// Logs and tallies each asymmetric-unit atom with more bonded neighbours than max_bonded
// (the neighbour lists must be filled).
void warn_crowded(Run& run);

// Asymmetric-unit atoms bonded to a symmetry image (another operator or cell) of an
// asymmetric-unit atom, in atom order: their molecules are incomplete without completion.
std::vector<int> cut_by_symmetry(const Run& run);

// For crystal input without fragment completion: logs and tallies the atoms of
// cut_by_symmetry, naming the NCELLS line that completes them.
void warn_incomplete(Run& run);

}  // namespace vorn
