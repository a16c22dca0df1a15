// Element numbers from symbols and valence electron counts.
#pragma once
#include <string_view>

namespace vorn {

// Atomic number of a two-character element symbol (case ignored), 0 if unknown.
int iatnum(std::string_view sym);

// Number of valence electrons of atomic number z.
float pval(int z);

}  // namespace vorn
