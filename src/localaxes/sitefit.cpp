// Site fit of a label: its refined multipoles tested for invariance under the site group, numerically on the sphere.
#include "localaxes/sitefit.h"

#include <cmath>

#include "localaxes/xdmas.h"

namespace vorn {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Values of the harmonics below are at most 35 on the unit sphere; the site matrices come
// from single-precision cells and are good to about 1e-6.
constexpr double val_eps = 1e-3;
constexpr int first_lm = 2;  // the two monopole entries (Pv, P00) of a key are always invariant
constexpr int nfun = 26;

// The multipoles of one key, in its order, as real harmonics (unnormalised, l = 1..4).
void harmonics(const DVec3& r, double* f) {
  const double x = r[0], y = r[1], z = r[2], r2 = x * x + y * y + z * z;
  const double v[nfun] = {1, 1,
                          x, y, z,
                          3 * z * z - r2, x * z, y * z, x * x - y * y, x * y,
                          z * (5 * z * z - 3 * r2), x * (5 * z * z - r2), y * (5 * z * z - r2), z * (x * x - y * y),
                          x * y * z, x * (x * x - 3 * y * y), y * (3 * x * x - y * y),
                          35 * z * z * z * z - 30 * z * z * r2 + 3 * r2 * r2, x * z * (7 * z * z - 3 * r2),
                          y * z * (7 * z * z - 3 * r2), (x * x - y * y) * (7 * z * z - r2), x * y * (7 * z * z - r2),
                          x * z * (x * x - 3 * y * y), y * z * (3 * x * x - y * y),
                          x * x * x * x - 6 * x * x * y * y + y * y * y * y, x * y * (x * x - y * y)};
  for (int i = 0; i < nfun; ++i) f[i] = v[i];
}

// Points on the sphere in no special orientation (a spiral with irrational steps), more
// than the 9 functions of one degree need to be told apart.
const std::vector<DVec3>& samples() {
  static const std::vector<DVec3> s = [] {
    std::vector<DVec3> p;
    const int n = 24;
    for (int i = 0; i < n; ++i) {
      const double z = 1.0 - (2.0 * i + 1.0) / n;
      const double rho = std::sqrt(1.0 - z * z), phi = 2.399963229728653 * i + 0.3183098861837907;
      p.push_back({rho * std::cos(phi), rho * std::sin(phi), z});
    }
    return p;
  }();
  return s;
}

// Number of functions of degree l invariant under the group: the mean of its characters.
int invariant_dim(const std::vector<DMat3>& site, int l) {
  double sum = 0;
  for (const DMat3& g : site) {
    const OpKind k = op_kind(g);
    const double theta = 2 * kPi / k.n;
    double chi = 1;
    for (int m = 1; m <= l; ++m) chi += 2 * std::cos(m * (k.n == 1 ? 0.0 : theta));
    if (k.det < 0 && l % 2 == 1) chi = -chi;
    sum += chi;
  }
  return static_cast<int>(std::lround(sum / static_cast<double>(site.size())));
}

}  // namespace

const std::vector<std::string>& multipole_names() {
  static const std::vector<std::string> n = {"Pv",  "P00", "D1+", "D1-", "D0",  "Q0",  "Q1+", "Q1-", "Q2+",
                                             "Q2-", "O0",  "O1+", "O1-", "O2+", "O2-", "O3+", "O3-", "H0",
                                             "H1+", "H1-", "H2+", "H2-", "H3+", "H3-", "H4+", "H4-"};
  return n;
}

SiteFit site_fit(const std::string& label, const LocalFrame& frame, const std::vector<DMat3>& site) {
  SiteFit fit;
  std::string key;
  for (char ch : site_key(label))
    if (ch != ' ') key += ch;
  if (static_cast<int>(key.size()) != nfun) return fit;
  fit.known = true;
  // the site operations in the local frame: F^T g F, F's columns the local axes
  const DVec3* ax[3] = {&frame.x, &frame.y, &frame.z};
  std::vector<DMat3> local;
  for (const DMat3& g : site) {
    DMat3 m{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int a = 0; a < 3; ++a)
          for (int b = 0; b < 3; ++b) m[i][j] += (*ax[i])[a] * g[a][b] * (*ax[j])[b];
    local.push_back(m);
  }
  std::vector<bool> variant(nfun, false), nonzero_mean(nfun, false);
  for (const DVec3& r : samples()) {
    double f0[nfun], mean[nfun] = {};
    harmonics(r, f0);
    for (const DMat3& g : local) {
      const DVec3 gr{g[0][0] * r[0] + g[0][1] * r[1] + g[0][2] * r[2], g[1][0] * r[0] + g[1][1] * r[1] + g[1][2] * r[2],
                     g[2][0] * r[0] + g[2][1] * r[1] + g[2][2] * r[2]};
      double f[nfun];
      harmonics(gr, f);
      for (int i = first_lm; i < nfun; ++i) {
        if (std::fabs(f[i] - f0[i]) > val_eps) variant[i] = true;
        mean[i] += f[i];
      }
    }
    for (int i = first_lm; i < nfun; ++i)
      if (std::fabs(mean[i] / static_cast<double>(local.size())) > val_eps) nonzero_mean[i] = true;
  }
  fit.compatible = true;
  fit.covers = true;
  for (int i = first_lm; i < nfun; ++i) {
    if (key[static_cast<size_t>(i)] == '1') {
      ++fit.refined;
      if (variant[i]) {
        fit.compatible = false;
        fit.broken.push_back(i);
      }
    } else if (nonzero_mean[i]) {
      // the site keeps a part of a multipole the label fixes at zero
      fit.covers = false;
    }
  }
  for (int l = 1; l <= 4; ++l) fit.invariant += invariant_dim(site, l);
  return fit;
}

bool frame_of_axes(char ax1, const DVec3& p1, char ax2, const DVec3& p2, const DVec3& x, LocalFrame& f) {
  const int a = ax1 - 'X', b = ax2 - 'X';
  if (a < 0 || a > 2 || b < 0 || b > 2 || a == b) return false;
  DVec3 u{p1[0] - x[0], p1[1] - x[1], p1[2] - x[2]}, v{p2[0] - x[0], p2[1] - x[1], p2[2] - x[2]};
  const double lu = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
  if (lu == 0) return false;
  for (double& c : u) c /= lu;
  const double d = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
  for (int i = 0; i < 3; ++i) v[i] -= d * u[i];
  const double lv = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (lv < 1e-6 * (1 + lu)) return false;
  for (double& c : v) c /= lv;
  DVec3 e[3];
  e[a] = u;
  e[b] = v;
  // the third axis completes a right-handed set: e(m) = e(m+1) x e(m+2)
  const int m = 3 - a - b;
  const DVec3& p = e[(m + 1) % 3];
  const DVec3& q = e[(m + 2) % 3];
  e[m] = {p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0]};
  f.x = e[0];
  f.y = e[1];
  f.z = e[2];
  return true;
}

}  // namespace vorn
