// Constant element tables: symbols by atomic number and default covalent radii.
#pragma once
#include <array>
#include <string>

namespace vorn {

// symbat(z), z = 1..92: mixed case, one-letter symbols padded with a blank.
extern const std::array<const char*, 93> symbat_table;
inline std::string symbat(int z) { return (z >= 1 && z <= 92) ? symbat_table[z] : "  "; }

// Default covalent radii (Angstrom) for z = 1..54; H is 0.40 on purpose.
extern const std::array<float, 55> covrad_default;

}  // namespace vorn
