// Free-atom scattering factors against International Tables, Slater transforms against quadrature, d_lm normalisation.
#include <gemmi/elem.hpp>
#include <gemmi/it92.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "scattering/formfactor.h"
#include "scattering/freeatom.h"
#include "scattering/harmonics.h"
#include "scattering/radialdefaults.h"
#include "scattering/slater.h"
#include "util/elements.h"

namespace vorn {
namespace {

double k_of_s(double s) { return 4.0 * pi * bohr * s; }

// The spherical free atom Pc fc + Nv fv at sin(theta)/lambda = s.
double spherical(const FreeAtom& fa, double s) {
  return fa.pc * density_transform(fa.core, k_of_s(s)) + fa.nv * density_transform(fa.valence, k_of_s(s));
}

TEST(FreeAtom, MatchesInternationalTablesUpToOneOverAngstrom) {
  for (int z : {6, 7, 8, 14, 17, 26}) {
    SCOPED_TRACE(symbat(z));
    const FreeAtom fa = free_atom(z);
    EXPECT_NEAR(fa.pc + fa.nv, z, 1e-12);
    const auto* coef = gemmi::IT92<double>::get_ptr(gemmi::El(z));
    ASSERT_NE(coef, nullptr);
    double worst = 0;
    for (double s = 0; s <= 1.0 + 1e-9; s += 0.02) {
      const double it = coef->calculate_sf(s * s);
      worst = std::max(worst, std::abs(spherical(fa, s) - it) / it);
    }
    EXPECT_LT(worst, 0.015);
  }
}

TEST(FreeAtom, HydrogenIsTheExactOneSOrbital) {
  const FreeAtom fa = free_atom(1);
  EXPECT_EQ(fa.pc, 0.0);
  EXPECT_EQ(fa.nv, 1.0);
  for (double s = 0; s <= 2.0; s += 0.05) {
    const double x = 2.0 * pi * s * bohr;
    EXPECT_NEAR(spherical(fa, s), 1.0 / ((1 + x * x) * (1 + x * x)), 1e-4) << s;
  }
}

TEST(FreeAtom, ConfigurationFollowsTheScatTable) {
  // carbon: 1s2 core, 2s2 2p2 valence; iron: argon core, 3d6 4s2 valence
  const FreeAtom c = free_atom(6), fe = free_atom(26);
  EXPECT_EQ(c.pc, 2.0);
  EXPECT_EQ(c.nv, 4.0);
  EXPECT_EQ(fe.pc, 18.0);
  EXPECT_EQ(fe.nv, 8.0);
  for (const FreeAtom* fa : {&c, &fe}) {
    EXPECT_NEAR(density_transform(fa->core, 0), 1.0, 1e-6);
    EXPECT_NEAR(density_transform(fa->valence, 0), 1.0, 1e-6);
  }
}

TEST(FreeAtom, EveryScatOrbitalHasATable) {
  for (int z = 1; z <= maxcovz; ++z) EXPECT_NO_THROW(free_atom(z)) << symbat(z);
}

TEST(RadialGrid, InterpolatesTheExactTransform) {
  const FreeAtom fe = free_atom(26), h = free_atom(1);
  for (const auto* terms : {&fe.core, &fe.valence, &h.valence}) {
    const RadialGrid g = radial_grid(*terms, 20.0);
    for (double k = 0; k <= 20.0; k += 0.0371) EXPECT_NEAR(g(k), density_transform(*terms, k), 1e-9) << k;
  }
}

// Composite Simpson on [0, rmax] in bohr.
double quad(const std::function<double(double)>& f, double rmax, int n = 200000) {
  const double h = rmax / n;
  double s = f(0) + f(rmax);
  for (int i = 1; i < n; ++i) s += f(i * h) * (i % 2 ? 4 : 2);
  return s * h / 3;
}

double sph_bessel(int l, double x) {
  if (x < 1e-4) return l == 0 ? 1 - x * x / 6 : 0;
  double j0 = std::sin(x) / x, j1 = std::sin(x) / (x * x) - std::cos(x) / x;
  if (l == 0) return j0;
  for (int k = 1; k < l; ++k) {
    const double j2 = (2 * k + 1) / x * j1 - j0;
    j0 = j1, j1 = j2;
  }
  return j1;
}

TEST(Slater, PhiMatchesQuadrature) {
  struct Case { int n; double zeta; int l; };
  const Case cases[] = {{0, 2.0, 0}, {1, 2.0, 1}, {2, 2.0, 2}, {3, 2.0, 3}, {4, 2.0, 4}, {2, 3.176, 0},
                        {2, 3.176, 1}, {2, 3.176, 2}, {3, 3.176, 3}, {4, 3.176, 4}, {4, 4.395, 0},
                        {6, 4.395, 3}, {8, 4.395, 4}, {4, 7.45, 4}, {12, 9.0, 2}};
  for (const Case& c : cases) {
    const SlaterTransform t = phi_transform(c.n, c.zeta, c.l);
    double fact = 1;
    for (int j = 2; j <= c.n + 2; ++j) fact *= j;
    for (double k : {0.0, 0.05, 0.7, 2.5, 6.0, 13.0}) {
      auto f = [&](double r) {
        return std::pow(c.zeta, c.n + 3) / fact * std::pow(r, c.n + 2) * std::exp(-c.zeta * r) * sph_bessel(c.l, k * r);
      };
      const double ref = quad(f, 60.0 / c.zeta + 10);
      EXPECT_NEAR(t(k), ref, 1e-6 * std::max(std::abs(ref), 1e-3)) << c.n << " " << c.zeta << " " << c.l << " " << k;
    }
  }
  EXPECT_NEAR(phi_transform(2, 3.0, 0)(0.0), 1.0, 1e-14);
}

TEST(Harmonics, DensityNormalised) {
  // the two given in closed form, then |d_lm| over the sphere by a plain product grid
  const double t = 0.3;
  EXPECT_NEAR(dlm(std::sin(t), 0, std::cos(t))[dlm_index(1, 0)], std::cos(t) / pi, 1e-12);
  EXPECT_NEAR(dlm(0, 0, 1)[dlm_index(2, 0)], 3 * std::sqrt(3.0) / (8 * pi) * 2, 1e-12);
  EXPECT_NEAR(dlm(0, 0, 1)[0], 1 / (4 * pi), 1e-15);
  const int nt = 600, np = 1200;
  std::array<double, 25> sum{};
  for (int i = 0; i < nt; ++i) {
    const double th = pi * (i + 0.5) / nt;
    for (int j = 0; j < np; ++j) {
      const double ph = 2 * pi * (j + 0.5) / np;
      const auto d = dlm(std::sin(th) * std::cos(ph), std::sin(th) * std::sin(ph), std::cos(th));
      for (int k = 0; k < 25; ++k) sum[k] += std::abs(d[k]) * std::sin(th) * (pi / nt) * (2 * pi / np);
    }
  }
  EXPECT_NEAR(sum[0], 1.0, 1e-5);
  for (int k = 1; k < 25; ++k) EXPECT_NEAR(sum[k], 2.0, 1e-4) << k;
  // signs: positive multiples of x, y, xz, yz, x^2-y^2, xy
  const double a = 0.5, b = 0.4, c = std::sqrt(1 - a * a - b * b);
  const auto d = dlm(a, b, c);
  for (int k : {dlm_index(1, 1), dlm_index(1, -1), dlm_index(2, 1), dlm_index(2, -1), dlm_index(2, 2), dlm_index(2, -2)})
    EXPECT_GT(d[k], 0) << k;
  EXPECT_NEAR(d[dlm_index(1, 1)] / d[dlm_index(1, -1)], a / b, 1e-12);
}

TEST(RadialDefaults, IssueValuesAndPowers) {
  struct Case { int z; double zeta; std::array<int, 5> n; };
  const Case cases[] = {{6, 3.176, {2, 2, 2, 3, 4}}, {7, 3.841, {2, 2, 2, 3, 4}}, {8, 4.472, {2, 2, 2, 3, 4}},
                        {17, 4.395, {4, 4, 4, 6, 8}}, {1, 2.0, {0, 1, 2, 3, 4}}, {35, 0, {4, 4, 4, 6, 8}},
                        {26, 2 * (26 - 14.8202) / 3, {4, 4, 4, 4, 4}}};
  for (const Case& c : cases) {
    const SlaterRadial r = default_radial(c.z);
    if (c.zeta > 0) {
      EXPECT_NEAR(r.zeta[0], c.zeta, 1e-3) << c.z;
    }
    EXPECT_EQ(r.n, c.n) << c.z;
    EXPECT_TRUE(radial_orders_valid(r));
  }
  // zinc's filled 3d shell does not count: its exponent comes from 4s
  EXPECT_EQ(default_radial(30).n, (std::array<int, 5>{4, 4, 4, 6, 8}));
  SlaterRadial bad = default_radial(6);
  bad.n[3] = 2;
  EXPECT_FALSE(radial_orders_valid(bad));
}

}  // namespace
}  // namespace vorn
