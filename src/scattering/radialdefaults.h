// The Slater radial functions of the deformation multipoles: per-element defaults and the settings that override them.
#pragma once
#include <array>
#include <string>

namespace vorn {

// R_l(r) = zeta_l^(n_l+3)/(n_l+2)! r^n_l exp(-zeta_l r), l = 0..4, zeta in 1/bohr.
struct SlaterRadial {
  std::array<int, 5> n{};
  std::array<double, 5> zeta{};
};

// Defaults of element z (1..92): zeta (one for every l) twice the mean single-zeta exponent
// (z - sigma)/n of the outer s and p orbitals, or of the (n-1)d orbital for an open d shell;
// n_l 0 1 2 3 4 for H and He, 2 2 2 3 4 for Li-Ne, 4 4 4 4 4 for an open d shell, 4 4 4 6 8
// for the rest.
SlaterRadial default_radial(int z);

// Whether n_l can go with order l: the transform needs n_l >= l (the density at the nucleus
// stays finite) and the tables stop at n_l = 12.
bool radial_orders_valid(const SlaterRadial& r);

}  // namespace vorn
