// Fractional <-> Cartesian conversion through the cell matrices, and the stored convention.
#pragma once
#include "model/records.h"

namespace vorn {

inline Vec3 to_cart(const Transf& t, const Vec3& frac) { return mat_vec(t.rm, frac); }
inline Vec3 to_frac(const Transf& t, const Vec3& cart) { return mat_vec(t.rm1, cart); }

// Positions of generated points (dummies) are kept fractional for SHELX and XD input
// (ifra = frac_stored) and Cartesian for the Cartesian formats (ifra = cart_stored).
constexpr int cart_stored = 0;
constexpr int frac_stored = 1;

// The Cartesian position of a point held in the stored convention ifra.
inline Vec3 stored_to_cart(const Transf& t, int ifra, const Vec3& p) {
  return ifra == frac_stored ? to_cart(t, p) : p;
}

}  // namespace vorn
