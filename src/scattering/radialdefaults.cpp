// Default Slater exponents and powers of the multipole radial functions per element.
#include "scattering/radialdefaults.h"

#include <cstdlib>

#include "scattering/atomic_data.h"
#include "util/elements.h"

namespace vorn {

namespace {

// Electrons in the d orbital of principal number n, core and valence alike (SCAT slots 3D, 4D, 5D, 6D).
int d_electrons(int z, int n) {
  const auto occ = getsft(z);
  const int slot = n == 3 ? 7 : n == 4 ? 8 : n == 5 ? 14 : n == 6 ? 16 : -1;
  return slot < 0 ? 0 : std::abs(occ[slot]);
}

}  // namespace

SlaterRadial default_radial(int z) {
  SlaterRadial r;
  int nmax = 0;
  for (const Screening& s : screening())
    if (s.z == z && (s.l == 's' || s.l == 'p') && s.n > nmax) nmax = s.n;
  const int nd = d_electrons(z, nmax - 1);
  double sum = 0;
  int count = 0;
  bool open_d = false;
  if (nd > 0 && nd < 10) {
    for (const Screening& s : screening())
      if (s.z == z && s.l == 'd' && s.n == nmax - 1) sum += (z - s.sigma) / s.n, ++count, open_d = true;
  }
  if (!open_d)
    for (const Screening& s : screening())
      if (s.z == z && (s.l == 's' || s.l == 'p') && s.n == nmax) sum += (z - s.sigma) / s.n, ++count;
  // elements past the screening table (Z > 86) have no single-zeta exponents: 2 bohr^-1, a
  // diffuse valence guess, until a RADIAL line sets theirs
  const double zeta = count > 0 ? 2.0 * sum / count : 2.0;
  r.zeta.fill(zeta);
  if (z <= 2)
    r.n = {0, 1, 2, 3, 4};
  else if (z <= 10)
    r.n = {2, 2, 2, 3, 4};
  else if (open_d)
    r.n = {4, 4, 4, 4, 4};
  else
    r.n = {4, 4, 4, 6, 8};
  return r;
}

bool radial_orders_valid(const SlaterRadial& r) {
  for (int l = 0; l <= 4; ++l)
    if (r.n[l] < l || r.n[l] > 12 || !(r.zeta[l] > 0.0) || r.zeta[l] > 1e3) return false;
  return true;
}

}  // namespace vorn
