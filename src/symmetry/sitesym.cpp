// Site symmetry: operators fixing a point, their Cartesian matrices, point group and symmetry directions.
#include "symmetry/sitesym.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "model/coords.h"

namespace vorn {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Rotations are compared element by element; cell matrices of single-precision cells are
// orthogonal to about 1e-6, so this leaves room without merging distinct operations.
constexpr double mat_eps = 1e-3;
// Two directions are one when their unit vectors differ by less than this (about 0.3 degrees).
constexpr double dir_eps = 5e-3;

DMat3 mul(const DMat3& a, const DMat3& b) {
  DMat3 c{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) c[i][j] += a[i][k] * b[k][j];
  return c;
}

bool same(const DMat3& a, const DMat3& b) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (std::fabs(a[i][j] - b[i][j]) > mat_eps) return false;
  return true;
}

double det(const DMat3& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

DVec3 unit(DVec3 v) {
  const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (l == 0.0) return v;
  for (double& x : v) x /= l;
  // one sign for a direction: its first component that is not zero is positive
  for (double x : v) {
    if (std::fabs(x) < 1e-6) continue;
    if (x < 0)
      for (double& y : v) y = -y;
    break;
  }
  return v;
}

DMat3 diag(double a, double b, double c) { return DMat3{{{a, 0, 0}, {0, b, 0}, {0, 0, c}}}; }

DMat3 rot_z(int n) {
  const double t = 2 * kPi / n, c = std::cos(t), s = std::sin(t);
  return DMat3{{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}

DMat3 neg(DMat3 m) {
  for (auto& r : m)
    for (double& x : r) x = -x;
  return m;
}

// The threefold along [111] of the cubic groups.
constexpr DMat3 kThree111{{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}};

std::vector<DMat3> closure(const std::vector<DMat3>& gens) {
  std::vector<DMat3> g{diag(1, 1, 1)};
  for (size_t i = 0; i < g.size(); ++i)
    for (const DMat3& h : gens) {
      const DMat3 p = mul(g[i], h);
      if (std::none_of(g.begin(), g.end(), [&](const DMat3& q) { return same(p, q); })) g.push_back(p);
    }
  return g;
}

// The 32 point groups, each from generators in a standard setting.
const std::vector<std::pair<std::string, std::vector<DMat3>>>& group_table() {
  static const std::vector<std::pair<std::string, std::vector<DMat3>>> t = [] {
    const DMat3 i = diag(-1, -1, -1), c2z = diag(-1, -1, 1), c2x = diag(1, -1, -1), mz = diag(1, 1, -1),
                mx = diag(-1, 1, 1), c4 = rot_z(4), c3 = rot_z(3), c6 = rot_z(6);
    const DMat3 s4 = neg(c4), s6 = neg(c6);
    std::vector<std::pair<std::string, std::vector<DMat3>>> r = {
        {"1", {}},          {"-1", {i}},           {"2", {c2z}},          {"m", {mz}},
        {"2/m", {c2z, i}},  {"222", {c2z, c2x}},   {"mm2", {c2z, mx}},    {"mmm", {c2z, c2x, i}},
        {"4", {c4}},        {"-4", {s4}},          {"4/m", {c4, i}},      {"422", {c4, c2x}},
        {"4mm", {c4, mx}},  {"-42m", {s4, c2x}},   {"4/mmm", {c4, c2x, i}}, {"3", {c3}},
        {"-3", {c3, i}},    {"32", {c3, c2x}},     {"3m", {c3, mx}},      {"-3m", {c3, c2x, i}},
        {"6", {c6}},        {"-6", {s6}},          {"6/m", {c6, i}},      {"622", {c6, c2x}},
        {"6mm", {c6, mx}},  {"-6m2", {s6, mx}},    {"6/mmm", {c6, c2x, i}}, {"23", {c2z, kThree111}},
        {"m-3", {c2z, kThree111, i}}, {"432", {c4, kThree111}}, {"-43m", {s4, kThree111}},
        {"m-3m", {c4, kThree111, i}}};
    for (auto& e : r) e.second = closure(e.second);
    return r;
  }();
  return t;
}

// The count of each kind of operation (det, n): it tells the 32 point groups apart.
std::map<std::pair<int, int>, int> signature(const std::vector<DMat3>& rot) {
  std::map<std::pair<int, int>, int> s;
  for (const DMat3& r : rot) {
    const OpKind k = op_kind(r);
    ++s[{k.det, k.n}];
  }
  return s;
}

}  // namespace

OpKind op_kind(const DMat3& r) {
  OpKind k;
  k.det = det(r) < 0 ? -1 : 1;
  DMat3 p = r;
  if (k.det < 0) p = neg(r);
  const double c = std::clamp((p[0][0] + p[1][1] + p[2][2] - 1.0) / 2.0, -1.0, 1.0);
  const double theta = std::acos(c);
  if (theta < 1e-3) return k;  // identity or inversion: no direction
  k.n = static_cast<int>(std::lround(2 * kPi / theta));
  DVec3 a{p[2][1] - p[1][2], p[0][2] - p[2][0], p[1][0] - p[0][1]};
  if (std::fabs(kPi - theta) < 1e-3) {
    // a half turn: p + 1 = 2 a a^T, whose largest column is along a
    int best = 0;
    double bl = -1;
    for (int j = 0; j < 3; ++j) {
      const double l = (p[0][j] + (j == 0)) * (p[0][j] + (j == 0)) + (p[1][j] + (j == 1)) * (p[1][j] + (j == 1)) +
                       (p[2][j] + (j == 2)) * (p[2][j] + (j == 2));
      if (l > bl) bl = l, best = j;
    }
    a = {p[0][best] + (best == 0), p[1][best] + (best == 1), p[2][best] + (best == 2)};
  }
  k.axis = unit(a);
  return k;
}

std::string axis_text(const SiteAxis& a) {
  if (a.mirror && a.n > 1) return std::to_string(a.n) + "/m";
  if (a.rotoinv >= 3 && a.rotoinv >= a.n) return "-" + std::to_string(a.rotoinv);
  if (a.n > 1) return std::to_string(a.n);
  return a.mirror ? "m" : "1";
}

std::string point_group_name(const std::vector<DMat3>& rot) {
  const auto s = signature(rot);
  for (const auto& [name, g] : group_table())
    if (g.size() == rot.size() && signature(g) == s) return name;
  return "?";
}

std::vector<DMat3> point_group(const std::string& name) {
  for (const auto& [n, g] : group_table())
    if (n == name) return g;
  return {};
}

SiteSym site_symmetry(const Run& run, const Vec3& xf, double tol) {
  SiteSym s;
  const Mat3& rm = run.transf.rm;
  const Mat3& rm1 = run.transf.rm1;
  const int ns = std::min(run.symm.ns, static_cast<int>(run.symm.fs.size()) - 1);
  for (int n = 1; n <= std::max(ns, 1); ++n) {
    const bool identity = n > ns;  // no operators read: the identity alone
    DMat3 m{};                      // fractional: x'(j) = sum_i m[j][i] x(i) + t(j)
    DVec3 img{};
    for (int j = 0; j < 3; ++j) {
      for (int i = 0; i < 3; ++i) m[j][i] = identity ? (i == j) : run.symm.fs[n][i][j];
      img[j] = (identity ? 0.0 : run.symm.ts[n][j]) + m[j][0] * xf[0] + m[j][1] * xf[1] + m[j][2] * xf[2];
    }
    std::array<int, 3> t{};
    DVec3 df{};
    bool finite = true;
    for (int j = 0; j < 3; ++j) {
      const double d = xf[j] - img[j];
      finite = finite && std::isfinite(d) && std::fabs(d) < 1e6;
      if (!finite) break;
      t[j] = static_cast<int>(std::lround(d));
      df[j] = img[j] + t[j] - xf[j];
    }
    if (!finite) continue;
    double d2 = 0;
    for (int j = 0; j < 3; ++j) {
      const double c = rm[j][0] * df[0] + rm[j][1] * df[1] + rm[j][2] * df[2];
      d2 += c * c;
    }
    if (std::sqrt(d2) >= tol) continue;
    // Cartesian matrix rm * m * rm1
    DMat3 a{}, b{}, r{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) a[i][j] = rm[i][j], b[i][j] = rm1[i][j];
    r = mul(mul(a, m), b);
    if (std::any_of(s.rot.begin(), s.rot.end(), [&](const DMat3& q) { return same(q, r); })) continue;
    s.ops.push_back(identity ? 1 : n);
    s.shift.push_back(t);
    s.rot.push_back(r);
  }
  s.name = point_group_name(s.rot);
  for (const DMat3& r : s.rot) {
    const OpKind k = op_kind(r);
    if (k.n == 1) {
      s.inversion = s.inversion || k.det < 0;
      continue;
    }
    auto it = std::find_if(s.axes.begin(), s.axes.end(), [&](const SiteAxis& a) {
      return std::fabs(a.dir[0] - k.axis[0]) + std::fabs(a.dir[1] - k.axis[1]) + std::fabs(a.dir[2] - k.axis[2]) <
             dir_eps;
    });
    if (it == s.axes.end()) {
      s.axes.push_back(SiteAxis{k.axis, 1, 0, false});
      it = s.axes.end() - 1;
    }
    if (k.det > 0) it->n = std::max(it->n, k.n);
    else {
      it->rotoinv = std::max(it->rotoinv, k.n);
      if (k.n == 2) it->mirror = true;
    }
  }
  return s;
}

}  // namespace vorn
