// Fractional/Cartesian transformation, distances and degree trigonometry in single precision.
#pragma once
#include <cmath>

#include "model/records.h"

namespace vorn {

// iflag 0: rm (fractional -> Cartesian); 1: rm1 (Cartesian -> fractional).
Vec3 rabs(const Transf& t, int iflag, const Vec3& x);

inline Vec3 mat_vec(const Mat3& m, const Vec3& x) {
  return {m[0][0] * x[0] + m[0][1] * x[1] + m[0][2] * x[2],
          m[1][0] * x[0] + m[1][1] * x[1] + m[1][2] * x[2],
          m[2][0] * x[0] + m[2][1] * x[1] + m[2][2] * x[2]};
}

inline float dist(const Vec3& a, const Vec3& b) {
  const float dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

inline float rlength(const Vec3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

inline Vec3 vmult(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

constexpr float deg2rad = 0.017453292f;
constexpr float rad2deg = 57.295776f;
inline float sind(float x) { return std::sin(x * deg2rad); }
inline float cosd(float x) { return std::cos(x * deg2rad); }
inline float asind(float x) { return std::asin(x) * rad2deg; }

}  // namespace vorn
