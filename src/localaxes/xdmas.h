// The XD master file's key table and its fixed refinement, property and geometry blocks.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "model/run.h"

namespace vorn {

inline constexpr const char* key_header =
    "KEY     XYZ --U2-- ----U3---- ------U4------- M- -D- --Q-- ---O--- ----H----";

// The 68-character refinement key of atom k: XYZ, U2, U3, U4 (38 characters), then
// M, D, Q, O, H from the site-symmetry table (30 characters).
std::string getkey(const Run& run, int k);

// The M D Q O H part of the key table for a site-symmetry label (30 characters, a "1" for
// each refined multipole), or an empty text for a label the table does not know.
std::string site_key(const std::string& label);

// The labels of the key table, in its order.
std::vector<std::string> site_labels();

// The KAPPA line of kappa set j (1..itkset).
std::string kappa_key(const Run& run, int j);

// The refinement-instruction block; nkap is the number of kappa sets.
void wrxdmas1(std::ostream& imas, const Run& run, int nkap);

// The property and geometry block.
void wrxdmas2(std::ostream& nm, const Run& run);

}  // namespace vorn
