// What the crystallographic readers share: the heads of xd_vorn.mas and mopro_vorn.par, the symmetry set-up, labels and the atom listing.
#pragma once
#include <string>
#include <vector>

#include "model/run.h"

namespace vorn {

// The lattice as the SHELX LATT and SYMM records give it: centring letter, inversion at the
// origin, and the cards that the centring and the inversion do not generate.
struct Lattice {
  char letter = 'P';
  bool centro = true;
  std::vector<std::string> symlist;  // card text after SYMM, 30 characters each
};

// The banner and title that open xd_vorn.mas.
void write_mas_banner(Run& run);

// CELL and WAVE of xd_vorn.mas and the CELL line of mopro_vorn.par, from uc and the wavelength.
void write_cell(Run& run, float rlam);

// "LATT C P" for a centrosymmetric primitive lattice, "LATT A ..." for an acentric one.
std::string latt_line(const Lattice& lat);

// The least-squares opening and the SCAT table of xd_vorn.mas, one line per element type.
void write_scat(Run& run);

// The SYMM block and the global lines of mopro_vorn.par.
void write_mopro_symm(Run& run, const Lattice& lat);

// The log lines on cell and lattice that precede the operators.
void log_lattice(Run& run, const Lattice& lat);

// After the cards are in the operator table: centring, inversion, the final listing, the
// element types and the cell matrices. More operators than the table holds stop the run from `place`.
void finish_symmetry(Run& run, const Lattice& lat, const std::string& place);

// Atom label: prefix "(" rest ")" as read (an empty rest is the count within the type), or,
// when renaming, the element and the atom's serial number (irs 0) or its count within its
// type; blank-padded, cut at 8 characters.
std::string build_label(const Run& run, const std::string& prefix, const std::string& rest, int z, int ia, int count);

// The header of the atom listing and the listing line of atom i.
extern const char* const kAtomListHeader;
void list_atom(Run& run, int i);

// After the atoms of a crystallographic file: every atom gets (blank) residue names, the total
// " Total atoms read from <what> file = " is logged, repeated labels are renamed, then the
// occupancy check and the listing.
void finish_atoms(Run& run, const std::string& what);

// Atom i of element z: its atomic number, its SFAC type (z must be among the types) and its
// highest multipole level, 2 for hydrogen and 4 otherwise. Returns the type.
int set_atom_element(Run& run, int i, int z);

}  // namespace vorn
