// The element table: symbols, atomic numbers, default covalent radii and valence electron counts.
#pragma once
#include <array>
#include <string>
#include <string_view>

namespace vorn {

// Covalent radii and configurations are known for H to U; heavier elements stop the bonding stages.
constexpr int maxcovz = 92;
inline bool has_covrad(int z) { return z >= 1 && z <= maxcovz; }

// Default covalent radii (Angstrom) for z = 1..92; H is 0.40 on purpose.
extern const std::array<float, maxcovz + 1> covrad_default;

// symbat(z), z = 1..92: mixed case, one-letter symbols padded with a blank; "  " otherwise.
std::string symbat(int z);

// Atomic number of a two-character element symbol (case ignored), 0 if unknown (1..109).
int iatnum(std::string_view sym);

// Number of valence electrons of atomic number z.
float pval(int z);

// The 18 orbital occupations of the XD SCAT table for atomic number z (1..maxcovz), in the
// order 1S 2S 3S 4S 2P 3P 4P 3D 4D 4F 5S 5P 6S 6P 5D 7S 6D 5F; a negative number is a valence
// population, a positive one a core population. Stops the run for other z.
std::array<int, 18> getsft(int z);

}  // namespace vorn
