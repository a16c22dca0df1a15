// Reflection lists: SHELX HKLF 4 files and CIF reflection data, expanded by the Laue group.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "model/records.h"

namespace vorn {

using Hkl = std::array<int, 3>;

// The indices of a reflection file in file order: SHELX HKLF 4 (3I4, F^2, sigma, optional
// batch; the line 0 0 0 ends it) or a CIF with _shelx_hkl_file or an _refln_index_h/k/l loop.
// A file that cannot be read, a line that is no reflection and a file without reflections
// stop the run.
std::vector<Hkl> read_reflections(const std::string& path);

// The reflections of HKLF 4 text, the name used in messages.
std::vector<Hkl> parse_hklf4(const std::string& text, const std::string& name);

// Every distinct h R and -h R for R in the rotations of the operators, in the order first met:
// each reflection with its equivalents and Friedel mates right after it.
std::vector<Hkl> expand_laue(const std::vector<Hkl>& hkl, const Symm& symm);

}  // namespace vorn
