// Cell list over Cartesian positions for neighbour searches.
#include "topology/cellgrid.h"

#include <algorithm>
#include <cmath>

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
  cs_ = std::max(static_cast<double>(cell), 0.1);
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
    const long long c = (index(2, xc[i][2]) * dim_[1] + index(1, xc[i][1])) * dim_[0] + index(0, xc[i][0]);
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
  if (t < 0) return 0;
  if (t >= static_cast<double>(dim_[axis])) return dim_[axis] - 1;
  return static_cast<long long>(t);
}

void CellGrid::gather(const Vec3& p, float r, std::vector<int>& out) const {
  out.clear();
  if (!usable_) return;
  const double reach = static_cast<double>(std::max(r, 0.0f)) + margin_;
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
      out.insert(out.end(), first, last);
    }
  std::sort(out.begin(), out.end());
}

}  // namespace vorn
