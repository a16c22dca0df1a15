// Closed-form Fourier-Bessel transforms of Slater functions as rational functions of K^2.
#include "scattering/slater.h"

#include <cmath>

namespace vorn {

double SlaterTransform::operator()(double k) const {
  const double u = k * k;
  double num = 0;
  for (size_t j = b.size(); j-- > 0;) num = num * u + b[j];
  const double den = std::pow(c + u, p);
  double kl = 1;
  for (int j = 0; j < l; ++j) kl *= -2.0 * k;
  return scale * kl * num / den;
}

SlaterTransform slater_transform(int n_power, double alpha, int l, double scale) {
  SlaterTransform t;
  t.l = l;
  t.c = alpha * alpha;
  t.scale = scale;
  const int n0 = n_power - l;  // power of r left for the j_0 integral
  // S(u) = sum over odd j of C(n0, j) alpha^(n0-j) (-1)^((j-1)/2) u^((j-1)/2), times (n0-1)!
  double fact = 1;
  for (int j = 2; j < n0; ++j) fact *= j;
  t.b.assign(static_cast<size_t>((n0 - 1) / 2 + 1), 0.0);
  double binom = 1;  // C(n0, j)
  for (int j = 0; j <= n0; ++j) {
    if (j > 0) binom = binom * (n0 - j + 1) / j;
    if (j % 2 == 1) {
      const double sign = ((j - 1) / 2) % 2 == 0 ? 1.0 : -1.0;
      t.b[static_cast<size_t>((j - 1) / 2)] = fact * sign * binom * std::pow(alpha, n0 - j);
    }
  }
  t.p = n0;
  // d/du [B / (c + u)^p] = (B' (c + u) - p B) / (c + u)^(p+1)
  for (int d = 0; d < l; ++d) {
    std::vector<double> nb(t.b.size() + 1, 0.0);
    for (size_t j = 0; j < t.b.size(); ++j) {
      nb[j] -= t.p * t.b[j];
      if (j >= 1) {
        nb[j - 1] += t.c * static_cast<double>(j) * t.b[j];
        nb[j] += static_cast<double>(j) * t.b[j];
      }
    }
    while (nb.size() > 1 && nb.back() == 0.0) nb.pop_back();
    t.b = nb;
    ++t.p;
  }
  return t;
}

SlaterTransform phi_transform(int n, double zeta, int l) {
  double fact = 1;
  for (int j = 2; j <= n + 2; ++j) fact *= j;
  return slater_transform(n + 2, zeta, l, std::pow(zeta, n + 3) / fact);
}

}  // namespace vorn
