// Density-normalised real spherical harmonics d_lm up to l = 4.
#pragma once
#include <array>

namespace vorn {

// Index of (l, m) in the 25 values: l*l + the m order 0, 1, -1, 2, -2, 3, -3, 4, -4.
constexpr int dlm_index(int l, int m) { return l * l + (m == 0 ? 0 : m > 0 ? 2 * m - 1 : -2 * m); }

// d_lm of a unit vector (x, y, z): m > 0 with cos m phi, m < 0 with sin |m| phi, z the polar axis,
// phi from x towards y, no Condon-Shortley phase (each a positive multiple of its Cartesian
// polynomial: d_11 ~ x, d_1-1 ~ y, d_21 ~ xz, d_22 ~ x^2 - y^2, d_2-2 ~ xy); d_00 = 1/(4 pi)
// and the integral of |d_lm| over the sphere is 2 for l >= 1.
std::array<double, 25> dlm(double x, double y, double z);

// The factor that turns the Cartesian polynomial of (l, m) into d_lm.
double dlm_norm(int l, int m);

}  // namespace vorn
