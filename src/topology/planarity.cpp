// Least-squares plane through atoms (smallest eigenvector of the scatter matrix) and ring membership.
#include "topology/planarity.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "topology/eigen.h"
#include "util/err.h"
#include "util/format.h"
#include "model/log.h"

namespace vorn {

float planarity(Run& run, int iprt, bool& planar, int imem, std::span<const int> id, int ipt) {
  if (imem < 1 || imem > maxmem || static_cast<int>(id.size()) < imem)
    err("Planarity", "cannot test " + std::to_string(imem) + " atoms (1 to 100 atoms, all given, are allowed)");
  const bool ring = ipt == 2;
  const std::string label = ring ? "ring" : "group";
  const float tol = ring ? run.set.tol2 : run.set.tol3;
  const bool prt = iprt == 1;
  const bool detail = prt && run.set.iverbose > 1;
  planar = true;

  if (prt) {
    logl(run, "");
    logl(run, " Planarity test for " + fmt::i(imem, 3) + "-atom " + label + " : ");
    logl(run, "");
    std::string line;
    for (int i = 0; i < imem; ++i) {
      line += "  " + fmt::pad(run.atoms.atom[id[i]], labw);
      if (i % 6 == 5 || i == imem - 1) {
        logl(run, line);
        line.clear();
      }
    }
  }

  Vec3 c{0, 0, 0};
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < imem; ++i) c[k] += run.atoms.xc[id[i]][k];
    c[k] /= static_cast<float>(imem);
  }
  SqMat<3> a{};
  for (int i = 0; i < imem; ++i) {
    const Vec3& x = run.atoms.xc[id[i]];
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) a[j][k] += (x[j] - c[j]) * (x[k] - c[k]);
  }
  std::array<float, 3> eval{}, e{};
  SqMat<3> evec{};
  tred2<3>(a, eval, e, evec);
  (void)tql2<3>(eval, e, evec);  // a stalled iteration still leaves a usable first column

  const float p = evec[0][0], q = evec[1][0], r = evec[2][0];
  const float s = p * c[0] + q * c[1] + r * c[2];
  if (detail) {
    logl(run, "");
    logl(run, "     P Q R S = " + fmt::f(p, 12, 4) + fmt::f(q, 12, 4) + fmt::f(r, 12, 4) + fmt::f(s, 12, 4));
    logl(run, "");
  }
  float sum = 0.0f;
  for (int i = 0; i < imem; ++i) {
    const Vec3& x = run.atoms.xc[id[i]];
    const float d = p * x[0] + q * x[1] + r * x[2] - s;
    if (detail)
      logl(run, "       dist. from " + run.atoms.atom[id[i]] + " to lsq plane =" + fmt::f(d, 11, 3) + " Ang");
    sum += d * d;
  }
  // Three points define a plane exactly: with no degree of freedom left the deviation is zero
  // (the textbook quotient would be 0/0 or x/0, i.e. a verdict decided by rounding noise).
  const float sigpln = imem > 3 ? std::sqrt(sum / static_cast<float>(imem - 3)) : 0.0f;
  if (sigpln > tol) planar = false;
  if (prt) {
    logl(run, "");
    logl(run, "     Esd atoms from the plane (sigpln) = " + fmt::f(sigpln, 12, 4) + " ( tol = " + fmt::f(tol, 8, 4) +
                  " )");
    logl(run, "");
    logl(run, "     This " + label + " is planar = ." + fmt::l(planar) + ".");
  }
  return sigpln;
}

const std::vector<int>& rings_of(const Run& run, int k) {
  const Rings& rg = run.rings;
  auto& ix = rg.by_atom;
  if (ix.indexed > rg.nor) ix = Rings::ByAtom();
  for (int r = ix.indexed + 1; r <= rg.nor; ++r)
    for (int m = 0; m < rg.noar[r]; ++m) {
      const int a = rg.nra[r][m];
      if (a < 0) continue;
      if (static_cast<int>(ix.of.size()) <= a) ix.of.resize(static_cast<size_t>(a) + 1);
      if (ix.of[a].empty() || ix.of[a].back() != r) ix.of[a].push_back(r);
    }
  ix.indexed = rg.nor;
  static const std::vector<int> none;
  return k >= 0 && k < static_cast<int>(ix.of.size()) ? ix.of[k] : none;
}

void isitcyclic(const Run& run, int k, bool& cyclic, bool& plane, bool& plane2, int& iring, int& mem) {
  cyclic = plane = plane2 = false;
  iring = mem = 0;
  const Rings& rg = run.rings;
  std::vector<int> every;  // the literal scan over all rings
  if (run.algorithms == Algorithms::literal)
    for (int r = 1; r <= rg.nor; ++r)
      if (std::find(rg.nra[r].begin(), rg.nra[r].begin() + rg.noar[r], k) != rg.nra[r].begin() + rg.noar[r])
        every.push_back(r);
  const std::vector<int>& mine = run.algorithms == Algorithms::literal ? every : rings_of(run, k);
  const int count = static_cast<int>(mine.size());
  const int r1 = count >= 1 ? mine[0] : 0, r2 = count >= 2 ? mine[1] : 0;
  if (count == 0) return;
  cyclic = true;
  if (count == 1) {
    if (rg.planar[r1]) {
      plane = true;
      iring = r1;
      mem = rg.noar[r1];
    }
  } else if (count == 2) {
    const bool p1 = rg.planar[r1], p2 = rg.planar[r2];
    if (p1 && p2) {
      plane2 = true;
      iring = r1 + r2;
      mem = rg.noar[r1] + rg.noar[r2];
    } else if (p1 || p2) {
      const int r = p1 ? r1 : r2;
      plane = true;
      iring = r;
      mem = rg.noar[r];
    }
  }
}

int planar_ring_size(const Run& run, int k) {
  bool cyclic = false, plane = false, plane2 = false;
  int iring = 0, mem = 0;
  isitcyclic(run, k, cyclic, plane, plane2, iring, mem);
  return mem;
}

}  // namespace vorn
