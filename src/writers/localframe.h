// The local frame XD builds from an atom's axis definition: three right-handed unit vectors.
#pragma once
#include <array>

#include "util/geometry.h"

namespace vorn {

struct LocalFrame {
  bool defined = false;
  std::array<Vec3, 3> axis{};  // X, Y, Z (Cartesian unit vectors)
};

// The frame of the atom at x0 whose axis ax1 ('X', 'Y' or 'Z') points to p1 and whose axis ax2
// lies in the plane of x0, p1 and p2, on the side of p2; the third axis makes the set
// right-handed (the R of the XD atom table). Undefined when the axis names are not two
// different letters of X, Y, Z, when p1 sits on the atom, or when p2 lies on the first axis.
LocalFrame xd_frame(const Vec3& x0, const Vec3& p1, char ax1, const Vec3& p2, char ax2);

}  // namespace vorn
