// Environment searches around one atom: covalent partners or every atom within a radius, grouped by element.
#pragma once
#include <string>
#include <vector>

#include "model/disorder.h"
#include "model/run.h"
#include "topology/cellgrid.h"

namespace vorn {

constexpr float tooclose = 0.5f;   // closer than this two atoms are never neighbours (A)
constexpr float samexyz = 0.01f;   // two candidates closer than this are one position (A)

// A cell list of atoms 1..natoms for repeated searches, with the largest covalent radius
// present so that a covalent search knows how far to look. Positions must not move while a
// grid is in use, except through move_atom.
struct NeighborGrid {
  CellGrid cells;
  float maxcov = 0.0f;
};
// Cells sized to the largest covalent cut-off of the structure, or to rmax when that is larger.
NeighborGrid make_neighbor_grid(const Run& run, float rmax = 0.0f);

// Puts atom k at the Cartesian position xc and keeps the grid, when given, in step, so that
// every later search through it finds what the scan over all atoms finds.
void move_atom(Run& run, int k, const Vec3& xc, NeighborGrid* grid);

// Whether the searches around atom k see the symmetry images placed around atoms on special
// positions (Sites): the atoms on special positions and the images themselves do.
bool sees_site_images(const Run& run, int k);

// The atoms around atom k (inei, iatn, rnd, ldis), nearest first, equal distances in
// atom-number order. rmax <= 0: covalently bonded atoms; rmax > 0: every atom within rmax.
// iatn/rnd are 1-based and sized inei + 1. More than maxnei atoms stop the run. With a
// grid the candidates come from its cells; the result is the one of the scan over all atoms.
Neig getnei(Run& run, int k, float rmax, const NeighborGrid* grid = nullptr);

// getnei, the log table when print is on, then the grouping into element types:
// natnum/ndt are 1-based and sized ity + 1, types in ascending atomic number; ndtnum[t] is
// 1-based and sized ndt[t] + 1, members in distance order.
Neig findnei(Run& run, int k, float rmax, bool print, const NeighborGrid* grid = nullptr);

// The neighbour table of the log: header, one row (position n, atom j at distance r), and
// the block of element types (members[t][first..], types t0..t0+ity-1).
std::string neighbor_table_header();
std::string neighbor_table_row(const Run& run, int n, int j, float r);
std::string neighbor_types_block(const Run& run, int ity, const std::vector<int>& natnum, const std::vector<int>& ndt,
                                 const std::vector<std::vector<int>>& members, size_t first, int t0);

}  // namespace vorn
