// Fourier-Bessel transforms of Slater-type radial functions in closed form.
#pragma once
#include <vector>

namespace vorn {

// Bohr radius in Angstrom: reciprocal lengths in 1/A times 2 pi a0 give the momentum K in 1/bohr.
constexpr double bohr = 0.529177210903;
constexpr double pi = 3.14159265358979323846;

// The integral of r^N exp(-alpha r) j_l(K r) dr over r from 0 to infinity, for N >= l + 1, as
// (-2)^l K^l B(K^2) / (alpha^2 + K^2)^p with the polynomial B built once: the l = 0 integral is
// (N-1)! Im[(alpha + iK)^N] / (K (alpha^2 + K^2)^N), whose numerator is a polynomial in K^2
// without the cancellation of the complex form near K = 0, and j_l(Kr) = (-1)^l K^l r^-l
// ((1/K) d/dK)^l j_0(Kr) turns the higher orders into derivatives with respect to K^2.
struct SlaterTransform {
  int l = 0;
  int p = 0;
  double c = 0;           // alpha^2
  std::vector<double> b;  // B's coefficients, lowest power of K^2 first
  double scale = 1;       // a constant factor folded in (the radial normalisation)
  double operator()(double k) const;
};

SlaterTransform slater_transform(int n_power, double alpha, int l, double scale = 1.0);

// Phi_l(K) of the normalised radial function R(r) = zeta^(n+3)/(n+2)! r^n exp(-zeta r):
// the integral of R(r) j_l(K r) r^2 dr, which is 1 at K = 0 for l = 0.
SlaterTransform phi_transform(int n, double zeta, int l);

}  // namespace vorn
