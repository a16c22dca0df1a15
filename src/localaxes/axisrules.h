// The choice of an atom's two local axes and its site-symmetry label from its surroundings.
#pragma once
#include <string>

#include "topology/environment.h"
#include "model/run.h"

namespace vorn {

// Limits shared by every rule that picks a second axis point (degrees).
constexpr float linear_angle = 170.0f;   // two neighbours at this angle or more are linear
constexpr float collinear_max = 160.0f;  // a partner beyond this lies on the first axis
constexpr float coincide_max = 10.0f;    // a partner at this or less points along the first axis

// The two axes of one atom: ax1 points from the atom towards at1 (Cartesian xca1), ax2 lies
// in the plane of the atom, at1 and at2. Labels are 8 characters, blank padded.
struct AxisChoice {
  std::string at1 = std::string(labw, ' '), at2 = std::string(labw, ' ');
  char ax1 = ' ', ax2 = ' ';
  Vec3 xca1{}, xca2{};
  // What at1/at2 name: an atom number (a generated atom past ia included), or minus a dummy
  // number. Labels need not be unique in a structure file; these numbers are.
  int pt1 = 0, pt2 = 0;
  bool lkdis = false;  // the atom is disordered
  bool lndis = false;  // a neighbour is disordered
  bool lpg = false;    // the atom and its neighbours are coplanar
};

// A partner accepted for the second axis: more than 10 and at most 160 degrees off the first.
inline bool partner_ok(float ang) { return ang > coincide_max && ang <= collinear_max; }

// Runs the axis rules for atom k: sets asym(k), forring, forh (hydrogens) and may add
// dummy atoms. The searches draw their candidates from grid; a hydrogen moved by the X-H
// extension is moved in the grid too.
AxisChoice choose_axes(Run& run, int k, NeighborGrid& grid);

}  // namespace vorn
