// The local frame XD builds from an atom's axis definition: three right-handed unit vectors.
#include "writers/localframe.h"

#include <cmath>

namespace vorn {

namespace {

using D3 = std::array<double, 3>;

// Below these the direction is lost in the single-precision coordinates (Angstrom, and the
// sine of the angle between the two axis points).
constexpr double kMinLength = 1e-4;
constexpr double kMinSine = 1e-4;

int axis_index(char ax) { return ax == 'X' ? 0 : ax == 'Y' ? 1 : ax == 'Z' ? 2 : -1; }

D3 diff(const Vec3& a, const Vec3& b) { return {double(a[0]) - b[0], double(a[1]) - b[1], double(a[2]) - b[2]}; }
double dot(const D3& a, const D3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
D3 cross(const D3& a, const D3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vec3 single(const D3& v) { return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])}; }

}  // namespace

LocalFrame xd_frame(const Vec3& x0, const Vec3& p1, char ax1, const Vec3& p2, char ax2) {
  LocalFrame f;
  const int i1 = axis_index(ax1), i2 = axis_index(ax2);
  if (i1 < 0 || i2 < 0 || i1 == i2) return f;
  const D3 a = diff(p1, x0), b = diff(p2, x0);
  const double la = std::sqrt(dot(a, a)), lb = std::sqrt(dot(b, b));
  if (!(la > kMinLength) || !(lb > kMinLength) || !std::isfinite(la) || !std::isfinite(lb)) return f;
  const D3 u1{a[0] / la, a[1] / la, a[2] / la};
  const double along = dot(b, u1);
  D3 w{b[0] - along * u1[0], b[1] - along * u1[1], b[2] - along * u1[2]};
  const double lw = std::sqrt(dot(w, w));
  if (!(lw > kMinSine * lb)) return f;
  const D3 u2{w[0] / lw, w[1] / lw, w[2] / lw};
  // (ax1, ax2) in cyclic order X->Y->Z->X: the third axis is ax1 x ax2, otherwise ax2 x ax1
  const bool cyclic = (i2 - i1 + 3) % 3 == 1;
  const D3 u3 = cyclic ? cross(u1, u2) : cross(u2, u1);
  f.axis[i1] = single(u1);
  f.axis[i2] = single(u2);
  f.axis[3 - i1 - i2] = single(u3);
  f.defined = true;
  return f;
}

}  // namespace vorn
