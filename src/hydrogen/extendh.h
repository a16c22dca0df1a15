// Extension of X-H bonds to standard (neutron) distances and the restraint lines that go with it.
#pragma once
#include <string>

#include "model/run.h"
#include "topology/environment.h"

namespace vorn {

// Point 1 fixed, point 2 moved along the line from point 1 to the distance rnew; rold is the
// distance before. A point 2 on top of point 1 has no direction and stays where it is.
void extendbond(const Vec3& p1, Vec3& p2, float rnew, float& rold);

// The point halfway between a and b.
Vec3 midpoint(const Vec3& a, const Vec3& b);

// The X-H group of hydrogen k on parent l and its standard distance; name empty when the
// geometry is not one of the known groups. Reads forh(k), the neighbour lists, the rings and
// the group planarity of an NH2 nitrogen. Stops the run on an impossible Y-O-H environment.
struct XHGroup {
  std::string name;
  float rnew = 0.0f;
};
XHGroup classify_xh(Run& run, int l, int k);

// URATIO ratio of a hydrogen's Uiso to its parent's, by the parent's atomic number.
float uratio(int parent_z);

// Moves hydrogen k along its bond from parent l to its group's distance (xf kept in step
// with stored-fractional input, grid kept in step when given) and writes its lines to the
// log, reset.bond, const.bond and res_mopro.inp; keeps its URATIO line in text.res(k).
void extendh(Run& run, int l, int k, NeighborGrid* grid = nullptr);

}  // namespace vorn
