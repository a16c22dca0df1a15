// Hansen-Coppens form factors: spherical core and valence, multipoles in the atom's local frame.
#include "scattering/formfactor.h"

#include <cmath>

#include "scattering/harmonics.h"

namespace vorn {

RadialValues radial_values(const RadialKind& kind, double h_length) {
  RadialValues v;
  const double k = 2.0 * pi * bohr * h_length;  // momentum in 1/bohr
  v.fc = kind.core(k);
  v.fv = kind.valence(k / kind.kappa);
  for (int l = 0; l <= 4; ++l) v.phi[l] = 4.0 * pi * kind.phi[l](k / kind.kappa_prime);
  return v;
}

std::complex<double> form_factor(const AtomModel& atom, const RadialValues& rv, const std::array<double, 3>& h) {
  double re = atom.pc * rv.fc + atom.pv * rv.fv, im = 0;
  const double len = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
  std::array<double, 3> u{0, 0, 1};
  if (len > 0)
    for (int a = 0; a < 3; ++a)
      u[a] = (atom.axes[a][0] * h[0] + atom.axes[a][1] * h[1] + atom.axes[a][2] * h[2]) / len;
  const std::array<double, 25> d = dlm(u[0], u[1], u[2]);
  for (int l = 0; l <= 4; ++l) {
    double sum = 0;
    for (int k = l * l; k < (l + 1) * (l + 1); ++k) sum += atom.plm[k] * d[k];
    const double t = rv.phi[l] * sum;
    // i^l: 1, i, -1, -i, 1
    switch (l % 4) {
      case 0: re += t; break;
      case 1: im += t; break;
      case 2: re -= t; break;
      default: im -= t; break;
    }
  }
  return {re, im};
}

bool local_frame(const std::array<double, 3>& p, const std::array<double, 3>& q1, int ax1,
                 const std::array<double, 3>& q2, int ax2, std::array<std::array<double, 3>, 3>& axes) {
  if (ax1 < 1 || ax1 > 3 || ax2 < 1 || ax2 > 3 || ax1 == ax2) return false;
  auto sub = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return std::array<double, 3>{a[0] - b[0], a[1] - b[1], a[2] - b[2]};
  };
  auto dot = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  };
  auto cross = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return std::array<double, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  };
  std::array<double, 3> e1 = sub(q1, p), e2 = sub(q2, p);
  const double n1 = std::sqrt(dot(e1, e1));
  if (!(n1 > 1e-6)) return false;
  for (double& c : e1) c /= n1;
  const double d = dot(e2, e1);
  for (int a = 0; a < 3; ++a) e2[a] -= d * e1[a];
  const double n2 = std::sqrt(dot(e2, e2));
  // a second point on the line of the first axis, or nearly so, defines no plane
  if (!(n2 > 1e-4 * std::sqrt(dot(sub(q2, p), sub(q2, p))))) return false;
  for (double& c : e2) c /= n2;
  const int a1 = ax1 - 1, a2 = ax2 - 1, a3 = 3 - a1 - a2;
  axes[a1] = e1;
  axes[a2] = e2;
  // right-handed: e(a3) = e(a3+1) x e(a3+2), indices cyclic
  axes[a3] = cross(axes[(a3 + 1) % 3], axes[(a3 + 2) % 3]);
  return true;
}

}  // namespace vorn
