// Vectors, 3x3 matrices, distances, angles and degree trigonometry in single precision.
#pragma once
#include <algorithm>
#include <array>
#include <cmath>

namespace vorn {

using Vec3 = std::array<float, 3>;
using Mat3 = std::array<std::array<float, 3>, 3>;  // m[row][column]

constexpr Mat3 unit_matrix() { return Mat3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}; }

inline Vec3 mat_vec(const Mat3& m, const Vec3& x) {
  return {m[0][0] * x[0] + m[0][1] * x[1] + m[0][2] * x[2],
          m[1][0] * x[0] + m[1][1] * x[1] + m[1][2] * x[2],
          m[2][0] * x[0] + m[2][1] * x[1] + m[2][2] * x[2]};
}

// Every interatomic distance: in double precision, rounded once to single, so that distances
// equal by symmetry (whose float coordinates differ in the last bit) compare equal and the
// lower atom number keeps its place in a ranking.
inline float dist(const Vec3& a, const Vec3& b) {
  const double dx = double(a[0]) - b[0], dy = double(a[1]) - b[1], dz = double(a[2]) - b[2];
  return static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
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

// Angle in degrees at point 2 between the directions to points 1 and 3.
inline float calcang(const Vec3& p1, const Vec3& p2, const Vec3& p3) {
  const Vec3 u{p1[0] - p2[0], p1[1] - p2[1], p1[2] - p2[2]};
  const Vec3 v{p3[0] - p2[0], p3[1] - p2[1], p3[2] - p2[2]};
  const float dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
  float c = dot / (rlength(u) * rlength(v));
  // rounding can carry the cosine of a straight or zero angle just past +-1
  c = std::clamp(c, -1.0f, 1.0f);
  return rad2deg * std::acos(c);
}

}  // namespace vorn
