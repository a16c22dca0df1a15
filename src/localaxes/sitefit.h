// Whether a site-symmetry label, on given local axes, fits the crystallographic site symmetry of its atom.
#pragma once
#include <string>
#include <vector>

#include "symmetry/sitesym.h"

namespace vorn {

// A right-handed local frame: unit vectors of X, Y and Z in Cartesian coordinates.
struct LocalFrame {
  DVec3 x{}, y{}, z{};
};

// The multipoles of the key table in its order: M0, D1+ D1- D0, Q0 Q1+ Q1- Q2+ Q2-, ...
const std::vector<std::string>& multipole_names();

// How the multipoles a label refines (its key-table entry, read in the local frame) meet
// the functions the site group leaves invariant. The label is compatible when every multipole
// it refines is invariant under the site group (its own symmetry contains the site's); it
// covers the site when every invariant function is a combination of multipoles it refines
// (the label's symmetry is a subgroup of the site's, so the refinement only has to constrain
// the extra ones). A label that both fits exactly.
struct SiteFit {
  bool known = false;       // the key table knows the label
  bool compatible = false;
  bool covers = false;
  int refined = 0;          // multipoles the label refines
  int invariant = 0;        // dimension of the functions invariant under the site, l = 0..4
  std::vector<int> broken;  // refined multipoles (indices into multipole_names) not invariant
  bool exact() const { return compatible && covers; }
};
SiteFit site_fit(const std::string& label, const LocalFrame& frame, const std::vector<DMat3>& site);

// The frame that axes (ax1 towards p1, ax2 towards p2, both from the atom at x) define,
// as XD builds it; false when the two directions are parallel or an axis letter repeats.
bool frame_of_axes(char ax1, const DVec3& p1, char ax2, const DVec3& p2, const DVec3& x, LocalFrame& f);

}  // namespace vorn
