// A cell list over Cartesian positions that returns, in ascending atom order, every atom near a point.
#pragma once
#include <vector>

#include "model/records.h"

namespace vorn {

// Atoms 1..n binned into cubic cells. A query returns a superset of the atoms whose
// single-precision distance to the point is within the radius, sorted by atom number, so a
// scan over the returned atoms visits the accepted ones in the same order as a scan over all.
class CellGrid {
 public:
  CellGrid() = default;
  // cell: the preferred edge (the largest cut-off used); it grows when the box would need
  // more cells than a few per atom, which keeps sparse or widely spread structures cheap.
  CellGrid(const std::vector<Vec3>& xc, int n, float cell);

  // False when a coordinate is not finite: such a structure is scanned atom by atom.
  bool usable() const { return usable_; }
  float cell() const { return static_cast<float>(cs_); }

  // Atoms 1..n (the point's own atom included) in the cells that reach within r of p.
  void gather(const Vec3& p, float r, std::vector<int>& out) const;

  // Of those, only the atoms j with dist(p, xc[j]) <= r, the distance a search computes and
  // compares: the cells offer ten times more atoms than lie within a bond, and sorting
  // them all was most of a search.
  void gather_within(const Vec3& p, float r, const std::vector<Vec3>& xc, std::vector<int>& out) const;

  // Atom i, held at `from`, now lies at `to`: it changes cells when it crosses a border.
  // Atoms past n are not held and are ignored.
  void move(int i, const Vec3& from, const Vec3& to);

 private:
  bool usable_ = false;
  double cs_ = 1.0;
  double lo_[3] = {0, 0, 0};
  double margin_ = 0.0;
  double span_ = 0.0;  // the box's longest edge
  long long dim_[3] = {1, 1, 1};
  std::vector<int> start_;  // CSR: cell c holds atoms_[start_[c] .. start_[c+1])
  std::vector<int> atoms_;  // ascending within each cell

  template <class Keep>
  void collect(const Vec3& p, float r, std::vector<int>& out, Keep&& keep) const;
  long long index(int axis, double x) const;
  long long cell_of(const Vec3& x) const;
};

}  // namespace vorn
