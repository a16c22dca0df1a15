// Completion of fragments across cell boundaries by symmetry images.
#pragma once
#include "model/run.h"

namespace vorn {

// Appends to the atom table the symmetry images (operators 1..ns, lattice translations
// -ncells..+ncells) of asymmetric-unit atoms that bond to an atom already present, until no
// further image bonds; sets natoms, isymeq and nsymeq, logs the table and writes complete.ang.
// Each step adds the first addable image in scan order (atom, operator, translation); the
// candidates are tracked incrementally on a cell list.
void gencompletefrags(Run& run);

// The same result by rescanning every image after each addition (kept to check the above).
void gencompletefrags_reference(Run& run);

// The same result with the candidates near each new atom made on demand, as gencompletefrags
// does when the tables of every candidate would be too large (a large NCELLS).
void gencompletefrags_on_demand(Run& run);

}  // namespace vorn
