// A multipole atom's form factor against the Fourier transform of its density on a grid; local frames.
#include <gtest/gtest.h>

#include <cmath>

#include "scattering/formfactor.h"
#include "scattering/freeatom.h"
#include "scattering/harmonics.h"
#include "scattering/slater.h"

namespace vorn {
namespace {

using V3 = std::array<double, 3>;

// Gauss-Legendre nodes and weights on [-1, 1] by Newton iteration on P_n.
void gauss_legendre(int n, std::vector<double>& x, std::vector<double>& w) {
  x.resize(n), w.resize(n);
  for (int i = 0; i < n; ++i) {
    double z = std::cos(pi * (i + 0.75) / (n + 0.5)), dp = 0;
    for (int it = 0; it < 100; ++it) {
      double p0 = 1, p1 = z;
      for (int k = 2; k <= n; ++k) {
        const double p2 = ((2 * k - 1) * z * p1 - (k - 1) * p0) / k;
        p0 = p1, p1 = p2;
      }
      dp = n * (z * p1 - p0) / (z * z - 1);
      const double dz = p1 / dp;
      z -= dz;
      if (std::abs(dz) < 1e-15) break;
    }
    x[i] = z, w[i] = 2 / ((1 - z * z) * dp * dp);
  }
}

// A carbon atom with a dipole, quadrupoles, an octupole and a hexadecapole, kappa' = 0.9, in a
// frame turned away from the Cartesian axes: its f from the closed forms against the integral of
// rho(r) exp(2 pi i H.r) over a spherical grid (r in bohr from Gauss-Legendre t in [-1, 1] by
// r = 4(1+t)/(1-t); cos theta by Gauss-Legendre; phi evenly).
TEST(Multipole, FormFactorIsTheFourierTransformOfTheDensity) {
  AtomModel atom;
  atom.pc = 0, atom.pv = 0;  // the multipole part alone; the spherical parts are checked elsewhere
  atom.plm[dlm_index(0, 0)] = 0.3;
  atom.plm[dlm_index(1, 0)] = 0.12;
  atom.plm[dlm_index(1, -1)] = -0.05;
  atom.plm[dlm_index(2, 2)] = 0.09;
  atom.plm[dlm_index(2, 1)] = -0.07;
  atom.plm[dlm_index(3, -2)] = 0.2;
  atom.plm[dlm_index(3, 3)] = 0.15;
  atom.plm[dlm_index(4, 0)] = 0.1;
  atom.plm[dlm_index(4, -3)] = -0.08;
  ASSERT_TRUE(local_frame({0, 0, 0}, {0.3, 1.2, 0.4}, 3, {1.0, -0.2, 0.5}, 1, atom.axes));
  RadialKind kind;
  kind.kappa_prime = 0.9;
  kind.slater = {{2, 2, 2, 3, 4}, {3.176, 3.176, 3.176, 3.176, 3.176}};
  for (int l = 0; l <= 4; ++l) kind.phi[l] = phi_transform(kind.slater.n[l], kind.slater.zeta[l], l);
  kind.core = radial_grid({}, 30), kind.valence = radial_grid({}, 30);

  // the density at a Cartesian point (bohr)
  auto rho = [&](const V3& p) {
    const double r = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    if (r == 0) return 0.0;
    V3 u{};
    for (int a = 0; a < 3; ++a) u[a] = (atom.axes[a][0] * p[0] + atom.axes[a][1] * p[1] + atom.axes[a][2] * p[2]) / r;
    const auto d = dlm(u[0], u[1], u[2]);
    double sum = 0;
    for (int l = 0; l <= 4; ++l) {
      const int n = kind.slater.n[l];
      const double z = kind.slater.zeta[l], kp = kind.kappa_prime;
      double fact = 1;
      for (int j = 2; j <= n + 2; ++j) fact *= j;
      const double radial = kp * kp * kp * std::pow(z, n + 3) / fact * std::pow(kp * r, n) * std::exp(-z * kp * r);
      double ang = 0;
      for (int k = l * l; k < (l + 1) * (l + 1); ++k) ang += atom.plm[k] * d[k];
      sum += radial * ang;
    }
    return sum;
  };
  std::vector<double> tx, tw, cx, cw;
  gauss_legendre(120, tx, tw);
  gauss_legendre(40, cx, cw);
  const int nphi = 60;
  for (const V3 h : {V3{0.3, 0.0, 0.0}, V3{0.1, -0.25, 0.35}, V3{-0.4, 0.5, 0.2}, V3{0.0, 0.0, 0.0}}) {
    // H in 1/A; the phase 2 pi H.r with r in A
    double re = 0, im = 0;
    for (size_t i = 0; i < tx.size(); ++i) {
      const double t = tx[i];
      const double r = 4.0 * (1 + t) / (1 - t), drdt = 8.0 / ((1 - t) * (1 - t));
      for (size_t j = 0; j < cx.size(); ++j) {
        const double ct = cx[j], st = std::sqrt(1 - ct * ct);
        for (int k = 0; k < nphi; ++k) {
          const double ph = 2 * pi * (k + 0.5) / nphi;
          const V3 p{r * st * std::cos(ph), r * st * std::sin(ph), r * ct};
          const double wgt = tw[i] * drdt * r * r * cw[j] * (2 * pi / nphi);
          const double arg = 2 * pi * bohr * (h[0] * p[0] + h[1] * p[1] + h[2] * p[2]);
          const double v = rho(p) * wgt;
          re += v * std::cos(arg), im += v * std::sin(arg);
        }
      }
    }
    const double len = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
    const std::complex<double> f = form_factor(atom, radial_values(kind, len), h);
    EXPECT_NEAR(f.real(), re, 2e-4) << h[0] << " " << h[1] << " " << h[2];
    EXPECT_NEAR(f.imag(), im, 2e-4) << h[0] << " " << h[1] << " " << h[2];
    if (len == 0) {
      EXPECT_NEAR(f.real(), 0.3, 1e-12);  // only the monopole carries charge
    }
  }
}

TEST(Multipole, SphericalPartsScaleWithKappa) {
  const FreeAtom c = free_atom(6);
  RadialKind kind;
  kind.kappa = 1.1;
  kind.core = radial_grid(c.core, 20);
  kind.valence = radial_grid(c.valence, 20);
  for (int l = 0; l <= 4; ++l) kind.phi[l] = phi_transform(2, 3.176, l);
  AtomModel atom;
  atom.pc = 2, atom.pv = 4;
  const V3 h{0.2, 0.1, 0.3};
  const double len = std::sqrt(0.14);
  const auto f = form_factor(atom, radial_values(kind, len), h);
  const double k = 2 * pi * bohr * len;
  EXPECT_NEAR(f.real(), 2 * density_transform(c.core, k) + 4 * density_transform(c.valence, k / 1.1), 1e-9);
  EXPECT_EQ(f.imag(), 0.0);
}

TEST(LocalFrame, AxesAsTheMasterFileDefinesThem) {
  struct Case { int ax1, ax2; };
  const V3 p{1, 1, 1}, q1{1, 1, 3}, q2{2, 1.5, 1.2};
  for (const Case c : {Case{1, 2}, Case{2, 1}, Case{3, 1}, Case{1, 3}, Case{2, 3}, Case{3, 2}}) {
    std::array<V3, 3> e{};
    ASSERT_TRUE(local_frame(p, q1, c.ax1, q2, c.ax2, e));
    const V3& a = e[c.ax1 - 1];
    // first axis towards q1
    EXPECT_NEAR(a[2], 1.0, 1e-12);
    // second axis in the plane of the three points, on q2's side
    const V3& b = e[c.ax2 - 1];
    EXPECT_NEAR(b[2], 0.0, 1e-12);
    EXPECT_GT(b[0] * 1 + b[1] * 0.5, 0.0);
    // right-handed and orthonormal: X x Y = Z
    const V3 z{e[0][1] * e[1][2] - e[0][2] * e[1][1], e[0][2] * e[1][0] - e[0][0] * e[1][2],
               e[0][0] * e[1][1] - e[0][1] * e[1][0]};
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(z[k], e[2][k], 1e-12);
  }
  std::array<V3, 3> e{};
  EXPECT_FALSE(local_frame(p, q1, 1, {1, 1, 5}, 2, e));  // second point on the first axis
  EXPECT_FALSE(local_frame(p, p, 1, q2, 2, e));           // first point on the atom
  EXPECT_FALSE(local_frame(p, q1, 3, q2, 3, e));          // one letter twice
}

}  // namespace
}  // namespace vorn
