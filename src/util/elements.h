// The element table: symbols, atomic numbers, default covalent radii and valence electron counts.
#pragma once
#include <array>
#include <string>
#include <string_view>

namespace vorn {

// Covalent radii are known for H to Xe; heavier elements stop the bonding stages.
constexpr int maxcovz = 54;
inline bool has_covrad(int z) { return z >= 1 && z <= maxcovz; }

// Default covalent radii (Angstrom) for z = 1..54; H is 0.40 on purpose.
extern const std::array<float, maxcovz + 1> covrad_default;

// symbat(z), z = 1..92: mixed case, one-letter symbols padded with a blank; "  " otherwise.
std::string symbat(int z);

// Atomic number of a two-character element symbol (case ignored), 0 if unknown (1..109).
int iatnum(std::string_view sym);

// Number of valence electrons of atomic number z.
float pval(int z);

}  // namespace vorn
