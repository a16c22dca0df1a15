// Core and valence densities of the free atom from the Slater tables, and their transforms.
#include "scattering/freeatom.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "scattering/atomic_data.h"
#include "scattering/slater.h"
#include "util/elements.h"
#include "util/err.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "FreeAtom";

// The SCAT slots in getsft's order.
constexpr const char* kSlots[18] = {"1S", "2S", "3S", "4S", "2P", "3P", "4P", "3D", "4D",
                                    "4F", "5S", "5P", "6S", "6P", "5D", "7S", "6D", "5F"};

double norm(int n, double zeta) {
  double f = 1;
  for (int j = 2; j <= 2 * n; ++j) f *= j;
  return std::pow(2 * zeta, n + 0.5) / std::sqrt(f);
}

// Adds occ times the radial density of one orbital: products of its basis functions, the pair
// (i, j) and (j, i) as one term.
void add_orbital(std::vector<DensityTerm>& out, const KogaShell& sh, int col, double occ) {
  const auto basis = koga_basis();
  for (int i = 0; i < sh.nbasis; ++i) {
    const KogaBasis& a = basis[static_cast<size_t>(sh.first + i)];
    for (int j = i; j < sh.nbasis; ++j) {
      const KogaBasis& b = basis[static_cast<size_t>(sh.first + j)];
      const double w = (i == j ? 1.0 : 2.0) * occ * a.coef[col] * b.coef[col] * norm(a.n, a.zeta) * norm(b.n, b.zeta);
      out.push_back({a.n + b.n, a.zeta + b.zeta, w});
    }
  }
}

}  // namespace

FreeAtom free_atom(int z) {
  FreeAtom fa;
  fa.z = z;
  const auto occ = getsft(z);
  std::string core, valence;
  for (int k = 0; k < 18; ++k) {
    if (occ[k] == 0) continue;
    const std::string name = kSlots[k];
    bool found = false;
    for (const KogaShell& sh : koga_shells()) {
      if (sh.z != z) continue;
      std::istringstream in(sh.orbitals);
      int col = 0;
      for (std::string w; in >> w; ++col) {
        if (w != name) continue;
        found = true;
        const double e = std::abs(occ[k]);
        add_orbital(occ[k] > 0 ? fa.core : fa.valence, sh, col, e);
        (occ[k] > 0 ? fa.pc : fa.nv) += e;
        std::string t = std::string(1, name[0]) + static_cast<char>(std::tolower(name[1])) + std::to_string(std::abs(occ[k]));
        (occ[k] > 0 ? core : valence) += (occ[k] > 0 ? core : valence).empty() ? t : " " + t;
      }
    }
    if (!found)
      err(kPlace, "No Hartree-Fock orbital " + name + " for " + symbat(z) + " in the free-atom tables");
  }
  for (auto& t : fa.core) t.weight /= fa.pc;
  for (auto& t : fa.valence) t.weight /= fa.nv;
  fa.configuration = "core " + (core.empty() ? "-" : core) + " valence " + (valence.empty() ? "-" : valence);
  return fa;
}

double density_transform(const std::vector<DensityTerm>& terms, double k) {
  // the transform of r^n exp(-alpha r) is (n-1)! Im[(alpha + iK)^n] / (K (alpha^2 + K^2)^n)
  const double u = k * k;
  double sum = 0;
  for (const DensityTerm& t : terms) {
    double s = 0, binom = 1, fact = 1;
    for (int j = 2; j < t.n; ++j) fact *= j;
    double upow = 1;
    for (int j = 1; j <= t.n; ++j) {
      binom = binom * (t.n - j + 1) / j;
      if (j % 2 == 1) {
        const double sign = ((j - 1) / 2) % 2 == 0 ? 1.0 : -1.0;
        s += sign * binom * std::pow(t.alpha, t.n - j) * upow;
        upow *= u;
      }
    }
    sum += t.weight * fact * s / std::pow(t.alpha * t.alpha + u, t.n);
  }
  return sum;
}

double RadialGrid::operator()(double k) const {
  const double x = k / h;
  long i = static_cast<long>(x) - 1;
  const long last = static_cast<long>(f.size()) - 4;
  if (i < 0) i = 0;
  if (i > last) i = last;
  const double t = x - static_cast<double>(i);  // position from point i, in steps
  const double* y = &f[static_cast<size_t>(i)];
  // Lagrange cubic through points i .. i+3
  const double t1 = t - 1, t2 = t - 2, t3 = t - 3;
  return -y[0] * t1 * t2 * t3 / 6 + y[1] * t * t2 * t3 / 2 - y[2] * t * t1 * t3 / 2 + y[3] * t * t1 * t2 / 6;
}

RadialGrid radial_grid(const std::vector<DensityTerm>& terms, double kmax, double h) {
  RadialGrid g;
  g.h = h;
  const size_t n = static_cast<size_t>(std::ceil(kmax / h)) + 4;
  g.f.resize(n);
  for (size_t i = 0; i < n; ++i) g.f[i] = terms.empty() ? 0.0 : density_transform(terms, h * static_cast<double>(i));
  return g;
}

}  // namespace vorn
