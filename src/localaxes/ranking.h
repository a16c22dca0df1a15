// Environment searches around one atom and the ranking of its neighbours for the axis rules.
#pragma once
#include <array>
#include <ostream>

#include "model/run.h"
#include "topology/cellgrid.h"

namespace vorn {

constexpr float tooclose = 0.5f;   // closer than this two atoms are never neighbours (A)
constexpr float samexyz = 0.01f;   // two candidates closer than this are one position (A)
constexpr float occmatch = 0.01f;  // disordered atoms of one component share the occupancy

// Fills run.neig (inei, iatn, rnd) with the atoms around atom k, nearest first, equal
// distances in atom-number order. rmax <= 0: covalently bonded atoms; rmax > 0: every atom
// within rmax. Returns true when at least one atom found is disordered. iatn/rnd are 1-based
// and sized inei + 1. More than maxnei atoms stop the run.
bool getnei(Run& run, int k, float rmax);

// A cell list of atoms 1..natoms for repeated searches, with the largest covalent radius
// present so that a covalent search knows how far to look.
struct NeighborGrid {
  CellGrid cells;
  float maxcov = 0.0f;
};
// Cells sized to the largest covalent cut-off of the structure, or to rmax when that is larger.
NeighborGrid make_neighbor_grid(const Run& run, float rmax = 0.0f);

// The same search drawing its candidates from the cell list (identical result and order).
bool getnei(Run& run, int k, float rmax, const NeighborGrid& grid);

// getnei, the optional log table (iprint = 1), then the grouping into element types:
// natnum/ndt are 1-based and sized ity + 1, types in ascending atomic number; ndtnum[t] is
// 1-based and sized ndt[t] + 1, members in distance order.
void findnei(Run& run, int k, float rmax);
void findnei(Run& run, int k, float rmax, const NeighborGrid& grid);

// run.isn (0-based, sized nnei(k)) = the neighbours of k, heaviest element first, then
// lower own coordination, shorter distance, lower atom number (the stored jsnei order).
void sortnei(Run& run, int k);

// Atom i's neighbour table from record neighbors.
void prtatomnei(const Run& run, int i, std::ostream& io);

// id[0..nn-1] = the neighbours of k followed by k itself; the rest of id is cleared. Returns nn.
int collectnei(const Run& run, int k, std::array<int, 100>& id);

// Angle in degrees at point 2 between the directions to points 1 and 3.
float calcang(const Vec3& p1, const Vec3& p2, const Vec3& p3);

// " Angle   I - J - K =   ang deg." after a blank line, with trimmed labels.
void prtang(const Run& run, std::ostream& io, int i, int j, int k, float ang);

}  // namespace vorn
