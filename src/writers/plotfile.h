// The PLATON plot file vorn.spf: head, the axis sticks of every atom, and the tail.
#pragma once
#include <array>
#include <string>

#include "model/run.h"

namespace vorn {

void spf_head(Run& run);
void spf_tail(Run& run);

// The four records of atom i: the atom and the end points of its X, Y and Z sticks.
// pa is the point the ax1 axis points to; pb lies in the plane of the ax2 axis (Cartesian).
void loc2plat(Run& run, int i, const Vec3& pa, const Vec3& pb, char ax1, char ax2);

// The three points 0.2 Angstrom from x0 along ex, ey and ez.
std::array<Vec3, 3> getdummy(const Vec3& x0, const Vec3& ex, const Vec3& ey, const Vec3& ez);

// Atom number i without blanks ("12").
std::string getdummylabel(int i);

}  // namespace vorn
