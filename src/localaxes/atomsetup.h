// Per-atom results once the axes are fixed: kappa set, constraint, table lines, plot and populations.
#pragma once
#include <string>
#include <unordered_map>

#include "localaxes/axisrules.h"
#include "model/run.h"

namespace vorn {

// The first atom of each equivalence class seen so far, so that the search for an earlier
// equivalent atom need not test every earlier atom. The keys hold exactly the quantities the
// equivalence tests compare, so the first match is the same atom the scan would find.
struct KappaIndex {
  std::unordered_map<std::string, int> heavy;  // non-hydrogen criteria -> first atom
  std::unordered_map<std::string, int> hyd;    // hydrogen criteria -> first atom
  // label (8 characters) -> last atom and last dummy with it, for axis points found by label;
  // atoms are indexed once, dummies as they are added
  std::unordered_map<std::string, int> atom_label, dummy_label;
  bool atoms_labelled = false;
  int dummies_labelled = 0;
};

// The XD local-axes table line of atom k (80 columns) for kappa set kset and constraint ichem.
std::string xd_axis_line(Run& run, int k, const AxisChoice& c, int ichem);

// The MoPro local-axes line and, for a constrained atom, the population constraint line.
std::string mopro_axis_line(const Run& run, int k, const AxisChoice& c);
std::string mopro_con_line(const Run& run, int k, int ichem);

// The MoPro symmetry code of site-symmetry label sym for the axes written as (ax1, ax2), or an
// empty text when MoPro has no code for that element in that orientation.
std::string symplm_code(const std::string& sym, char ax1, char ax2);

// The MoPro SYMPLM line of atom k, or an empty text for site symmetry "NO".
std::string symplm_line(const Run& run, int k, const AxisChoice& c);

// Symmetry images, kappa set, output lines, plot records, populations and iar of atom k.
// grid, when given, must hold atoms 1..natoms at their current places.
void setup_atom(Run& run, int k, AxisChoice& c, KappaIndex& index, const NeighborGrid* grid = nullptr);

}  // namespace vorn
