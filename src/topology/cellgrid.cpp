// Cell list over Cartesian positions for neighbour searches.
#include "topology/cellgrid.h"

#include <algorithm>
#include <cmath>

#include "util/geometry.h"

namespace vorn {

CellGrid::CellGrid(const std::vector<Vec3>& xc, int n, float cell) {
  if (n < 1) return;
  double hi[3];
  double amax = 0.0;
  for (int a = 0; a < 3; ++a) {
    lo_[a] = xc[1][a];
    hi[a] = xc[1][a];
  }
  for (int i = 1; i <= n; ++i)
    for (int a = 0; a < 3; ++a) {
      const double x = xc[i][a];
      if (!std::isfinite(x)) return;
      lo_[a] = std::min(lo_[a], x);
      hi[a] = std::max(hi[a], x);
      amax = std::max(amax, std::fabs(x));
    }
  // A computed float distance within r still allows each true coordinate difference to exceed
  // r by a few ulps; the margin covers that with room to spare.
  margin_ = 1e-4 + 1e-6 * amax;
  double span = 0.0;
  for (int a = 0; a < 3; ++a) span = std::max(span, hi[a] - lo_[a]);
  // One cell wider than the box holds every atom: a larger (or infinite) preferred edge would
  // only turn the index arithmetic into inf/inf.
  span_ = span;
  cs_ = std::min(std::max(static_cast<double>(cell), 0.1), span + 1.0);
  if (!std::isfinite(cs_)) cs_ = span + 1.0;
  // Beyond about four cells per atom the empty cells cost more than the candidates they save.
  const double cap = 4.0 * n + 64.0;
  for (;;) {
    double total = 1.0;
    for (int a = 0; a < 3; ++a) total *= std::floor((hi[a] - lo_[a]) / cs_) + 1.0;
    if (total <= cap) break;
    cs_ *= 1.5;
  }
  for (int a = 0; a < 3; ++a) dim_[a] = static_cast<long long>(std::floor((hi[a] - lo_[a]) / cs_)) + 1;
  const long long ncell = dim_[0] * dim_[1] * dim_[2];
  std::vector<long long> cellof(static_cast<size_t>(n) + 1);
  start_.assign(static_cast<size_t>(ncell) + 1, 0);
  for (int i = 1; i <= n; ++i) {
    const long long c = cell_of(xc[i]);
    cellof[i] = c;
    ++start_[c + 1];
  }
  for (long long c = 0; c < ncell; ++c) start_[c + 1] += start_[c];
  atoms_.resize(static_cast<size_t>(n));
  std::vector<int> fill(start_.begin(), start_.end() - 1);
  for (int i = 1; i <= n; ++i) atoms_[fill[cellof[i]]++] = i;  // ascending: i runs upward
  usable_ = true;
}

long long CellGrid::index(int axis, double x) const {
  const double t = std::floor((x - lo_[axis]) / cs_);
  if (std::isnan(t) || t < 0) return 0;
  if (t >= static_cast<double>(dim_[axis])) return dim_[axis] - 1;
  return static_cast<long long>(t);
}

long long CellGrid::cell_of(const Vec3& x) const {
  return (index(2, x[2]) * dim_[1] + index(1, x[1])) * dim_[0] + index(0, x[0]);
}

void CellGrid::move(int i, const Vec3& from, const Vec3& to) {
  if (!usable_ || i < 1 || i > static_cast<int>(atoms_.size())) return;
  for (int a = 0; a < 3; ++a)
    if (!std::isfinite(to[a])) {
      usable_ = false;  // as at construction: the searches fall back to the full scan
      return;
    }
  // Outside the box the edge cells take the atom (index clamps), and a query reaching past
  // the box clamps to the same cells, so no atom is lost; only the margin may need to grow.
  for (int a = 0; a < 3; ++a) margin_ = std::max(margin_, 1e-4 + 1e-6 * std::fabs(static_cast<double>(to[a])));
  const long long c1 = cell_of(from), c2 = cell_of(to);
  if (c1 == c2) return;
  auto first = atoms_.begin();
  const auto pos = std::lower_bound(first + start_[c1], first + start_[c1 + 1], i);
  if (pos == first + start_[c1 + 1] || *pos != i) return;
  // The cells between the two keep their order; i lands at its ascending place in c2.
  if (c2 > c1) {
    const auto q = std::lower_bound(first + start_[c2], first + start_[c2 + 1], i);
    std::rotate(pos, pos + 1, q);
    for (long long c = c1 + 1; c <= c2; ++c) --start_[c];
  } else {
    const auto q = std::lower_bound(first + start_[c2], first + start_[c2 + 1], i);
    std::rotate(q, pos, pos + 1);
    for (long long c = c2 + 1; c <= c1; ++c) ++start_[c];
  }
}

template <class Keep>
void CellGrid::collect(const Vec3& p, float r, std::vector<int>& out, Keep&& keep) const {
  out.clear();
  if (!usable_) return;
  // a reach past the whole box (an overflowing sum of radii) takes every cell, no more
  double reach = (r > 0.0f ? static_cast<double>(r) : 0.0) + margin_;
  if (!(reach < span_ + cs_)) reach = span_ + cs_;
  long long a[3], b[3];
  for (int ax = 0; ax < 3; ++ax) {
    a[ax] = index(ax, static_cast<double>(p[ax]) - reach);
    b[ax] = index(ax, static_cast<double>(p[ax]) + reach);
  }
  for (long long z = a[2]; z <= b[2]; ++z)
    for (long long y = a[1]; y <= b[1]; ++y) {
      const long long row = (z * dim_[1] + y) * dim_[0];
      const int* first = atoms_.data() + start_[row + a[0]];
      const int* last = atoms_.data() + start_[row + b[0] + 1];
      for (const int* j = first; j != last; ++j)
        if (keep(*j)) out.push_back(*j);
    }
  std::sort(out.begin(), out.end());
}

void CellGrid::gather(const Vec3& p, float r, std::vector<int>& out) const {
  collect(p, r, out, [](int) { return true; });
}

void CellGrid::gather_within(const Vec3& p, float r, const std::vector<Vec3>& xc, std::vector<int>& out) const {
  collect(p, r, out, [&](int j) { return dist(p, xc[static_cast<size_t>(j)]) <= r; });
}

}  // namespace vorn
