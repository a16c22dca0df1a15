// Environment searches around one atom, their log tables, and the neighbour ranking.
#include "localaxes/ranking.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "util/err.h"
#include "util/format.h"
#include "util/geometry.h"
#include "util/log.h"

namespace vorn {

namespace {

// Covalent radius of atom j; heavier than Xe (or no element) has none and stops the run.
float covrad_of(const Run& run, int j, const char* place) {
  const int z = run.atoms.itype[j];
  if (z < 1 || z > 54)
    err(place, "atom " + std::to_string(j) + " " + fmt::trim(run.atoms.atom[j]) + " has atomic number " +
                   std::to_string(z) + ": covalent radii are known for H to Xe (1-54) only");
  return run.set.covrad[z];
}

void check_atom(const Run& run, int k, const char* place) {
  if (k < 1 || k > run.cryst.natoms || k >= atom_slots(run))
    err(place, "atom number " + std::to_string(k) + " is outside 1.." + std::to_string(run.cryst.natoms));
  if (run.cryst.natoms >= atom_slots(run))
    err(place, "natoms = " + std::to_string(run.cryst.natoms) + " exceeds the atom tables");
}

void clear_neig(Neig& g) {
  g.inei = 0;
  g.iatn.assign(1, 0);
  g.rnd.assign(1, 0.0f);
  g.ity = 0;
  g.natnum.assign(1, 0);
  g.ndt.assign(1, 0);
  g.ndtnum.assign(1, {});
}

// The search proper. `each` hands the candidates to the visitor in ascending atom number;
// it may offer more atoms than qualify, never fewer.
template <class Each>
bool scan(Run& run, int k, float rmax, Each&& each) {
  check_atom(run, k, "GetNei");
  Neig& g = run.neig;
  clear_neig(g);
  const auto& xc = run.atoms.xc;
  const auto& occ = run.atoms1.occ;
  const auto& iaf = run.atoms1.iaf;
  const bool covalent = rmax <= 0.0f;
  const float rk = covalent ? covrad_of(run, k, "GetNei") : 0.0f;
  const bool kdis = iaf[k] == -1;
  bool ldis = false;
  each([&](int j) {
    if (j == k) return;
    // different disorder components never see each other
    if (kdis && iaf[j] == -1 && std::fabs(occ[k] - occ[j]) > occmatch) return;
    const float d = dist(xc[k], xc[j]);
    const float cut = covalent ? run.set.tol1 + rk + covrad_of(run, j, "GetNei") : rmax;
    if (!(d >= tooclose && d <= cut)) return;  // written so that a NaN distance never bonds
    // a second copy of a position already taken (symmetry expansion) is the same atom
    for (int m = 1; m <= g.inei; ++m)
      if (dist(xc[j], xc[g.iatn[m]]) < samexyz) return;
    if (g.inei + 1 > maxnei) {
      both(run, "\n GetNei :: atom = " + fmt::i(k, 8) + "  " + run.atoms.atom[k] + "\n           rmax = " +
                    fmt::f(rmax, 12, 3) + "\n           inei exceeds dimension maxnei ( " + fmt::i(maxnei, 6) +
                    " )\n");
      err("GetNei", "atom " + std::to_string(k) + " " + fmt::trim(run.atoms.atom[k]) + " has more than " +
                        std::to_string(maxnei) + " atoms within the search radius");
    }
    ++g.inei;
    g.iatn.push_back(j);
    g.rnd.push_back(d);
    if (iaf[j] == -1) ldis = true;
  });
  // nearest first; equal distances keep the scan (atom-number) order
  if (g.inei > 1) {
    std::vector<int> ord(static_cast<size_t>(g.inei));
    std::iota(ord.begin(), ord.end(), 1);
    std::stable_sort(ord.begin(), ord.end(), [&](int a, int b) { return g.rnd[a] < g.rnd[b]; });
    std::vector<int> at(1, 0);
    std::vector<float> rd(1, 0.0f);
    for (int o : ord) {
      at.push_back(g.iatn[o]);
      rd.push_back(g.rnd[o]);
    }
    g.iatn.swap(at);
    g.rnd.swap(rd);
  }
  return ldis;
}

std::string label_list(const Run& run, const std::vector<int>& members, size_t first) {
  // six labels per line; a full line is always followed by a line break
  std::string s = fmt::x(6) + "atoms : ";
  int n = 0;
  for (size_t m = first; m < members.size(); ++m) {
    if (n == 6) {
      s += "\n" + fmt::x(14);
      n = 0;
    }
    if (n > 0) s += " ";
    s += run.atoms.atom[members[m]];
    ++n;
  }
  if (n == 6) s += "\n";
  return s;
}

std::string types_block(const Run& run, int ity, const std::vector<int>& natnum, const std::vector<int>& ndt,
                        const std::vector<std::vector<int>>& members, size_t first, int t0) {
  std::string s = "\n" + fmt::x(4) + "There is(are) " + fmt::i(ity, 4) + " atom type(s) among neighbors";
  for (int t = 1; t <= ity; ++t) {
    const int ti = t - 1 + t0;
    s += "\n\n" + fmt::x(4) + "Type = " + fmt::i(t, 4);
    s += "\n" + fmt::x(4) + "  atomic number = " + fmt::i(natnum[ti], 4);
    s += "\n" + fmt::x(4) + "  neighbors of this type = " + fmt::i(ndt[ti], 4);
    s += "\n" + label_list(run, members[ti], first);
  }
  return s;
}

std::string table_header() { return fmt::x(5) + "i" + fmt::x(7) + "n" + fmt::x(5) + "r(Ang)" + fmt::x(4) + "atom" + fmt::x(7) + "occ"; }

std::string table_row(const Run& run, int n, int j, float r) {
  return fmt::i(n, 6) + fmt::i(j, 8) + fmt::x(2) + fmt::f(r, 9, 3) + fmt::x(4) + run.atoms.atom[j] + fmt::x(2) +
         fmt::f(run.atoms1.occ[j], 7, 4);
}

void group_and_report(Run& run, int k, float rmax, bool ldis) {
  Neig& g = run.neig;
  const bool print = run.set.iprint == 1;
  if (print) {
    std::string s = rmax <= 0.0f ? "\n Covalently-bonded neighbors to " + fmt::trim(run.atoms.atom[k]) + " = " +
                                       fmt::i(g.inei, 4) + "\n"
                                 : "\n Neighbors of " + run.atoms.atom[k] + " within " + fmt::f(rmax, 7, 3) +
                                       " Ang = " + fmt::i(g.inei, 4) + "\n";
    s += "\n" + table_header();
    for (int n = 1; n <= g.inei; ++n) s += "\n" + table_row(run, n, g.iatn[n], g.rnd[n]);
    if (ldis) s += "\n\n" + fmt::x(4) + "Note : at least 1 neighbor is disordered";
    logl(run, s);
  }
  // element types in order of first appearance, members in distance order
  for (int n = 1; n <= g.inei; ++n) {
    const int j = g.iatn[n];
    const int z = run.atoms.itype[j];
    int t = 1;
    while (t <= g.ity && g.natnum[t] != z) ++t;
    if (t > g.ity) {
      ++g.ity;
      g.natnum.push_back(z);
      g.ndt.push_back(0);
      g.ndtnum.push_back(std::vector<int>(1, 0));
    }
    ++g.ndt[t];
    g.ndtnum[t].push_back(j);
  }
  // then ascending atomic number (the numbers are distinct, so the order is total)
  std::vector<int> ord(static_cast<size_t>(g.ity));
  std::iota(ord.begin(), ord.end(), 1);
  std::stable_sort(ord.begin(), ord.end(), [&](int a, int b) { return g.natnum[a] < g.natnum[b]; });
  std::vector<int> nat(1, 0), nd(1, 0);
  std::vector<std::vector<int>> mem(1);
  for (int o : ord) {
    nat.push_back(g.natnum[o]);
    nd.push_back(g.ndt[o]);
    mem.push_back(std::move(g.ndtnum[o]));
  }
  g.natnum.swap(nat);
  g.ndt.swap(nd);
  g.ndtnum.swap(mem);
  if (run.set.iverbose > 1 && print) logl(run, types_block(run, g.ity, g.natnum, g.ndt, g.ndtnum, 1, 1));
}

}  // namespace

bool getnei(Run& run, int k, float rmax) {
  const int n = run.cryst.natoms;
  return scan(run, k, rmax, [n](auto&& visit) {
    for (int j = 1; j <= n; ++j) visit(j);
  });
}

NeighborGrid make_neighbor_grid(const Run& run, float rmax) {
  NeighborGrid g;
  const int n = std::min(run.cryst.natoms, atom_slots(run) - 1);
  for (int i = 1; i <= n; ++i) {
    const int z = run.atoms.itype[i];
    if (z >= 1 && z <= 54) g.maxcov = std::max(g.maxcov, run.set.covrad[z]);
  }
  const float cov = run.set.tol1 + g.maxcov + g.maxcov;
  g.cells = CellGrid(run.atoms.xc, n, std::max(cov, rmax));
  return g;
}

bool getnei(Run& run, int k, float rmax, const NeighborGrid& grid) {
  if (!grid.cells.usable()) return getnei(run, k, rmax);
  check_atom(run, k, "GetNei");
  const float reach = rmax <= 0.0f ? run.set.tol1 + covrad_of(run, k, "GetNei") + grid.maxcov : rmax;
  static thread_local std::vector<int> cand;
  grid.cells.gather(run.atoms.xc[k], reach, cand);
  return scan(run, k, rmax, [](auto&& visit) {
    for (int j : cand) visit(j);
  });
}

void findnei(Run& run, int k, float rmax) { group_and_report(run, k, rmax, getnei(run, k, rmax)); }

void findnei(Run& run, int k, float rmax, const NeighborGrid& grid) {
  group_and_report(run, k, rmax, getnei(run, k, rmax, grid));
}

void sortnei(Run& run, int k) {
  const Neighbors& nb = run.neighbors;
  run.isn.clear();
  for (int t = nb.jtnei[k] - 1; t >= 0; --t)
    for (int m = 0; m < nb.jnnei[k][t]; ++m) run.isn.push_back(nb.jsnei[k][t][m]);
  if (static_cast<int>(run.isn.size()) != nb.nnei[k]) err("SortNei", "l.ne.nnei(k)");
}

void prtatomnei(const Run& run, int i, std::ostream& io) {
  const Neighbors& nb = run.neighbors;
  io << "\n Covalently-bonded neighbors to " << fmt::trim(run.atoms.atom[i]) << " = " << fmt::i(nb.nnei[i], 4)
     << "\n\n";
  io << table_header() << '\n';
  for (int n = 0; n < nb.nnei[i]; ++n) io << table_row(run, n + 1, nb.jnei[i][n], nb.rnei[i][n]) << '\n';
  if (run.set.iverbose >= 2) {
    const int ity = nb.jtnei[i];
    std::vector<int> natnum(nb.janei[i].begin(), nb.janei[i].begin() + ity);
    std::vector<int> ndt(nb.jnnei[i].begin(), nb.jnnei[i].begin() + ity);
    std::vector<std::vector<int>> members(static_cast<size_t>(ity));
    for (int t = 0; t < ity; ++t)
      members[t].assign(nb.jsnei[i][t].begin(), nb.jsnei[i][t].begin() + nb.jnnei[i][t]);
    io << types_block(run, ity, natnum, ndt, members, 0, 0) << '\n';
  }
}

int collectnei(const Run& run, int k, std::array<int, 100>& id) {
  id.fill(0);
  const int n = run.neighbors.nnei[k];
  for (int m = 0; m < n; ++m) id[m] = run.neighbors.jnei[k][m];
  id[n] = k;
  return n + 1;
}

float calcang(const Vec3& p1, const Vec3& p2, const Vec3& p3) {
  const Vec3 u{p1[0] - p2[0], p1[1] - p2[1], p1[2] - p2[2]};
  const Vec3 v{p3[0] - p2[0], p3[1] - p2[1], p3[2] - p2[2]};
  const float dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
  float c = dot / (rlength(u) * rlength(v));
  // rounding can carry the cosine of a straight or zero angle just past +-1
  c = std::clamp(c, -1.0f, 1.0f);
  return 57.29577791868205f * std::acos(c);
}

void prtang(const Run& run, std::ostream& io, int i, int j, int k, float ang) {
  io << "\n Angle   " << fmt::trim(run.atoms.atom[i]) << " - " << fmt::trim(run.atoms.atom[j]) << " - "
     << fmt::trim(run.atoms.atom[k]) << " = " << fmt::f(ang, 8, 2) << " deg.\n";
}

}  // namespace vorn
