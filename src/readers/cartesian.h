// PLATON coordinate files and AIM2TAB atom tables: Cartesian atoms without cell or symmetry.
#pragma once
#include <string>

#include "model/run.h"

namespace vorn {

// ATOM lines of a PLATON file, coordinates in Angstrom; every other line is passed over.
void readplaton(Run& run, const std::string& fname);

// The atom table of an AIM2TAB output file, coordinates in bohr, stored in Angstrom.
void readaim2tab(Run& run, const std::string& fname);

// Bohr radius in Angstrom.
constexpr float bohr = 0.52917725f;

}  // namespace vorn
