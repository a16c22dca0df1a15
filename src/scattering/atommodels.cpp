// Per-atom Hansen-Coppens models from the local axes, the populations and the kappa sets of the run.
#include "scattering/atommodels.h"

#include <cmath>
#include <map>

#include "model/coords.h"
#include "model/log.h"
#include "scattering/harmonics.h"
#include "util/elements.h"
#include "util/format.h"

namespace vorn {

SlaterRadial radial_for(const Run& run, int z) {
  for (auto it = run.set.radial.rbegin(); it != run.set.radial.rend(); ++it)
    if (it->z == z) return SlaterRadial{it->n, it->zeta};
  return default_radial(z);
}

namespace {

double occ_factor(const Run& run, int i) {
  const float occ = run.atoms1.occ[i];
  return occ > 0.0f ? 1.0 / occ : 0.0;
}

std::array<double, 3> cart_of_point(const Run& run, int code, bool& ok) {
  const int ia = run.atoms.ia;
  Vec3 p{};
  ok = true;
  if (code >= 1 && code <= ia)
    p = run.atoms.xc[code];
  else if (code > ia && code <= ia + run.dummy.ndum)
    p = stored_to_cart(run.transf, run.set.ifra, run.dummy.xdum[code - ia]);
  else
    ok = false;
  return {p[0], p[1], p[2]};
}

}  // namespace

double full_pv(const Run& run, int i) {
  const double f = occ_factor(run, i);
  return f > 0 ? run.mpoles.pv[i] * f : pval(run.atoms.itype[i]);
}

double full_plm(const Run& run, int i, int l, int m) { return run.mpoles.plm[i][l][m + 4] * occ_factor(run, i); }

AtomModels atom_models(Run& run, double hmax) {
  AtomModels out;
  std::map<int, FreeAtom> free;
  const double kmax = 2.0 * pi * bohr * hmax + 0.1;
  for (int i = 1; i <= run.atoms.ia; ++i) {
    const int z = run.atoms.itype[i];
    if (!free.count(z)) free.emplace(z, free_atom(z));
    const FreeAtom& fa = free.at(z);
    const int ks = run.kappaset.kset.size() > static_cast<size_t>(i) ? run.kappaset.kset[i] : 0;
    const bool known = ks >= 1 && ks < static_cast<int>(run.kappas.rkappa.size());
    // a kappa of 0 or less would put the density at infinity: such a set scatters as the free atom
    double kappa = known ? run.kappas.rkappa[ks][0] : 1.0, kprime = known ? run.kappas.rkappa[ks][1] : 1.0;
    if (!(kappa > 0)) kappa = 1.0;
    if (!(kprime > 0)) kprime = 1.0;
    AtomModel m;
    m.kind = -1;
    for (size_t k = 0; k < out.kinds.size(); ++k)
      if (out.kinds[k].z == z && out.kinds[k].kappa == kappa && out.kinds[k].kappa_prime == kprime)
        m.kind = static_cast<int>(k);
    if (m.kind < 0) {
      RadialKind kind;
      kind.z = z;
      kind.kappa = kappa;
      kind.kappa_prime = kprime;
      kind.slater = radial_for(run, z);
      kind.core = radial_grid(fa.core, kmax);
      kind.valence = radial_grid(fa.valence, kmax / kind.kappa);
      for (int l = 0; l <= 4; ++l) kind.phi[l] = phi_transform(kind.slater.n[l], kind.slater.zeta[l], l);
      out.kinds.push_back(kind);
      m.kind = static_cast<int>(out.kinds.size()) - 1;
    }
    m.pc = fa.pc;
    m.pv = full_pv(run, i);
    bool multipoles = false;
    for (int l = 0; l <= 4; ++l)
      for (int mm = -l; mm <= l; ++mm) {
        m.plm[dlm_index(l, mm)] = full_plm(run, i, l, mm);
        multipoles = multipoles || (l >= 1 && m.plm[dlm_index(l, mm)] != 0.0);
      }
    const auto& iar = run.mpoles.iar[i];
    bool ok1 = false, ok2 = false;
    const auto q1 = cart_of_point(run, iar[3], ok1), q2 = cart_of_point(run, iar[5], ok2);
    const Vec3& xc = run.atoms.xc[i];
    if (!(ok1 && ok2 && local_frame({xc[0], xc[1], xc[2]}, q1, iar[1], q2, iar[2], m.axes)) && multipoles) {
      const std::string label = fmt::trim(run.atoms.atom[i]);
      logl(run, " Warning: the local axes of " + label + " are undefined; its multipoles are taken on the Cartesian axes");
      tally_warning(run, "undefined local axes in vorn.tsc", label);
    }
    out.atoms.push_back(m);
  }
  return out;
}

}  // namespace vorn
