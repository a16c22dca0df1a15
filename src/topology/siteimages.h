// Site symmetry of every asymmetric-unit atom, and the symmetry images its environment search must see.
#pragma once
#include "model/run.h"

namespace vorn {

// Images are placed this far (Angstrom) around an atom on a special position: past the
// isolated-atom search's first radius (5 A), so an ion in a salt finds its counter-ions.
constexpr float site_reach = 6.0f;

// Computes the site group of every atom 1..ia (run.sites), logs each atom on a special
// position with its point group and symmetry elements (a warning counted for the closing
// summary), and appends to the atom table the symmetry images of all atoms that lie within
// site_reach of an atom on a special position and are not already there. Fragment
// completion, when asked for, has run before.
void findsites(Run& run);

}  // namespace vorn
