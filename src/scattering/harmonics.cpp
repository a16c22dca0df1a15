// Real spherical harmonics as Cartesian polynomials, scaled once so that |d_lm| integrates to 2.
#include "scattering/harmonics.h"

#include <cmath>
#include <vector>

#include "scattering/slater.h"

namespace vorn {

namespace {

// The 25 Cartesian polynomials, each a positive multiple of P_l^|m|(cos theta) cos or sin (|m| phi).
std::array<double, 25> polynomials(double x, double y, double z) {
  const double x2 = x * x, y2 = y * y, z2 = z * z;
  std::array<double, 25> p{};
  p[dlm_index(0, 0)] = 1;
  p[dlm_index(1, 0)] = z;
  p[dlm_index(1, 1)] = x;
  p[dlm_index(1, -1)] = y;
  p[dlm_index(2, 0)] = 3 * z2 - 1;
  p[dlm_index(2, 1)] = x * z;
  p[dlm_index(2, -1)] = y * z;
  p[dlm_index(2, 2)] = x2 - y2;
  p[dlm_index(2, -2)] = x * y;
  p[dlm_index(3, 0)] = z * (5 * z2 - 3);
  p[dlm_index(3, 1)] = x * (5 * z2 - 1);
  p[dlm_index(3, -1)] = y * (5 * z2 - 1);
  p[dlm_index(3, 2)] = z * (x2 - y2);
  p[dlm_index(3, -2)] = x * y * z;
  p[dlm_index(3, 3)] = x * (x2 - 3 * y2);
  p[dlm_index(3, -3)] = y * (3 * x2 - y2);
  p[dlm_index(4, 0)] = 35 * z2 * z2 - 30 * z2 + 3;
  p[dlm_index(4, 1)] = x * z * (7 * z2 - 3);
  p[dlm_index(4, -1)] = y * z * (7 * z2 - 3);
  p[dlm_index(4, 2)] = (x2 - y2) * (7 * z2 - 1);
  p[dlm_index(4, -2)] = x * y * (7 * z2 - 1);
  p[dlm_index(4, 3)] = x * z * (x2 - 3 * y2);
  p[dlm_index(4, -3)] = y * z * (3 * x2 - y2);
  p[dlm_index(4, 4)] = x2 * x2 - 6 * x2 * y2 + y2 * y2;
  p[dlm_index(4, -4)] = x * y * (x2 - y2);
  return p;
}

// The integral of |polynomial| over the sphere. The polynomial is A(theta) times cos(m phi) or
// sin(|m| phi), so it separates: the phi integral of |cos m phi| is 4 (2 pi for m = 0), and
// A(theta) sin(theta) is integrated between its zeros by 16-point Gauss-Legendre, which is exact
// to rounding on each smooth piece.
double abs_integral(int l, int m) {
  static const double gx[8] = {0.0950125098376374, 0.2816035507792589, 0.4580167776572274, 0.6178762444026438,
                               0.7554044083550030, 0.8656312023878318, 0.9445750230732326, 0.9894009349916499};
  static const double gw[8] = {0.1894506104550685, 0.1826034150449236, 0.1691565193950025, 0.1495959888165767,
                               0.1246289712555339, 0.0951585116824928, 0.0622535239386479, 0.0271524594117541};
  const double phi0 = m >= 0 ? 0.0 : pi / (2.0 * -m);  // where the phi factor is 1
  const int k = dlm_index(l, m);
  auto a = [&](double t) {
    return polynomials(std::sin(t) * std::cos(phi0), std::sin(t) * std::sin(phi0), std::cos(t))[k] * std::sin(t);
  };
  // zeros of A on (0, pi) by bisection between sign changes of a fine sampling
  std::vector<double> cuts{0.0};
  const int steps = 2000;
  for (int i = 0; i < steps; ++i) {
    double lo = pi * i / steps, hi = pi * (i + 1) / steps;
    const double flo = a(lo), fhi = a(hi);
    if (i == 0 || i == steps - 1 || flo * fhi > 0 || flo == 0) continue;
    for (int it = 0; it < 100; ++it) {
      const double mid = 0.5 * (lo + hi);
      (a(mid) * flo > 0 ? lo : hi) = mid;
    }
    cuts.push_back(0.5 * (lo + hi));
  }
  cuts.push_back(pi);
  double sum = 0;
  for (size_t c = 0; c + 1 < cuts.size(); ++c) {
    const double mid = 0.5 * (cuts[c] + cuts[c + 1]), half = 0.5 * (cuts[c + 1] - cuts[c]);
    for (int g = 0; g < 8; ++g) sum += gw[g] * half * (std::abs(a(mid - half * gx[g])) + std::abs(a(mid + half * gx[g])));
  }
  return sum * (m == 0 ? 2.0 * pi : 4.0);
}

std::array<double, 25> norms() {
  std::array<double, 25> n{};
  n[0] = 1.0 / (4.0 * pi);
  for (int l = 1; l <= 4; ++l)
    for (int m = -l; m <= l; ++m) n[dlm_index(l, m)] = 2.0 / abs_integral(l, m);
  return n;
}

const std::array<double, 25>& norm_table() {
  static const std::array<double, 25> n = norms();
  return n;
}

}  // namespace

double dlm_norm(int l, int m) { return norm_table()[dlm_index(l, m)]; }

std::array<double, 25> dlm(double x, double y, double z) {
  std::array<double, 25> p = polynomials(x, y, z);
  const auto& n = norm_table();
  for (int k = 0; k < 25; ++k) p[k] *= n[k];
  return p;
}

}  // namespace vorn
