// Environment searches: candidates from a scan or a cell list, distance filter, order and log table.
#include "topology/environment.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "model/log.h"
#include "util/err.h"
#include "util/format.h"
#include "util/geometry.h"

namespace vorn {

namespace {

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

void check_atom(const Run& run, int k, const char* place) {
  if (k < 1 || k > run.cryst.natoms || k >= atom_slots(run))
    err(place, "atom number " + std::to_string(k) + " is outside 1.." + std::to_string(run.cryst.natoms));
  if (run.cryst.natoms >= atom_slots(run))
    err(place, "natoms = " + std::to_string(run.cryst.natoms) + " exceeds the atom tables");
}

// The positions taken by a search so far. Two positions within samexyz of each other lie at
// distances from the searched atom that differ by less than samexyz, so a candidate is only
// compared with the taken atoms in its own and the next shells of width 2 samexyz (the 10 A
// surroundings of a hydrogen hold hundreds of atoms).
class Taken {
 public:
  Taken(const std::vector<Vec3>& xc, bool linear) : xc_(xc), linear_(linear) {}
  ~Taken() {
    for (int b : used_) head_[static_cast<size_t>(b)] = -1;
  }
  Taken(const Taken&) = delete;
  Taken& operator=(const Taken&) = delete;
  bool near(int j, float d) const {
    const int b = linear_ ? -1 : shell(d);
    if (b < 0) return near_in(j, all_);
    if (near_in(j, off_)) return true;
    for (int s = std::max(b - 1, 0); s <= b + 1 && s < static_cast<int>(head_.size()); ++s)
      for (int e = head_[static_cast<size_t>(s)]; e >= 0; e = next_[static_cast<size_t>(e)])
        if (dist(xc_[j], xc_[all_[static_cast<size_t>(e)]]) < samexyz) return true;
    return false;
  }
  void add(int j, float d) {
    const int b = linear_ ? -1 : shell(d), e = static_cast<int>(all_.size());
    all_.push_back(j);
    next_.push_back(-1);
    if (b < 0) {
      off_.push_back(j);
      return;
    }
    if (b >= static_cast<int>(head_.size())) head_.resize(static_cast<size_t>(b) + 2, -1);
    if (head_[static_cast<size_t>(b)] < 0) used_.push_back(b);
    next_.back() = head_[static_cast<size_t>(b)];
    head_[static_cast<size_t>(b)] = e;
  }

 private:
  static int shell(float d) {
    const float v = d / (2 * samexyz);
    return v >= 0.0f && v < 1e6f ? static_cast<int>(v) : -1;
  }
  bool near_in(int j, const std::vector<int>& list) const {
    for (int m : list)
      if (dist(xc_[j], xc_[m]) < samexyz) return true;
    return false;
  }
  const std::vector<Vec3>& xc_;
  bool linear_;
  std::vector<int> all_, next_, off_, used_;
  // shell -> last taken entry in it; kept between searches, every used shell reset on exit
  static thread_local std::vector<int> head_;
};
thread_local std::vector<int> Taken::head_;

// The search proper. `each` hands the candidates to the visitor in ascending atom number;
// it may offer more atoms than qualify, never fewer.
template <class Each>
Neig scan(Run& run, int k, float rmax, Each&& each) {
  check_atom(run, k, "GetNei");
  Neig g;
  const auto& xc = run.atoms.xc;
  const auto& iaf = run.atoms1.iaf;
  const bool covalent = rmax <= 0.0f;
  const float rk = covalent ? covrad_of(run, k, "GetNei") : 0.0f;
  const int nbase = run.sites.nbase;
  const bool images = sees_site_images(run, k);
  Taken taken(xc, run.algorithms == Algorithms::literal);
  each([&](int j) {
    if (j == k) return;
    if (j > nbase && nbase > 0 && !images) return;
    // different disorder components never see each other
    if (!may_bond(run, k, j)) return;
    const float d = dist(xc[k], xc[j]);
    const float cut = covalent ? run.set.tol1 + rk + covrad_of(run, j, "GetNei") : rmax;
    if (!(d >= tooclose && d <= cut)) return;  // written so that a NaN distance never bonds
    // a second copy of a position already taken (symmetry expansion) is the same atom
    if (taken.near(j, d)) return;
    if (g.inei + 1 > maxnei) {
      both(run, "\n GetNei :: atom = " + fmt::i(k, 8) + "  " + run.atoms.atom[k] + "\n           rmax = " +
                    fmt::f(rmax, 12, 3) + "\n           inei exceeds dimension maxnei ( " + fmt::iw(maxnei, 6) +
                    " )\n");
      err("GetNei", "atom " + std::to_string(k) + " " + fmt::trim(run.atoms.atom[k]) + " has more than " +
                        std::to_string(maxnei) + " atoms within the search radius");
    }
    ++g.inei;
    g.iatn.push_back(j);
    taken.add(j, d);
    g.rnd.push_back(d);
    if (iaf[j] == -1) g.ldis = true;
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
  return g;
}

void group_and_report(Run& run, int k, float rmax, bool print, Neig& g) {
  if (print) {
    std::string s = rmax <= 0.0f ? "\n Covalently-bonded neighbors to " + fmt::trim(run.atoms.atom[k]) + " = " +
                                       fmt::i(g.inei, 4) + "\n"
                                 : "\n Neighbors of " + run.atoms.atom[k] + " within " + fmt::f(rmax, 7, 3) +
                                       " Ang = " + fmt::i(g.inei, 4) + "\n";
    s += "\n" + neighbor_table_header();
    for (int n = 1; n <= g.inei; ++n) s += "\n" + neighbor_table_row(run, n, g.iatn[n], g.rnd[n]);
    if (g.ldis) s += "\n\n" + fmt::x(4) + "Note : at least 1 neighbor is disordered";
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
  if (run.set.iverbose > 1 && print) logl(run, neighbor_types_block(run, g.ity, g.natnum, g.ndt, g.ndtnum, 1, 1));
}

}  // namespace

std::string neighbor_types_block(const Run& run, int ity, const std::vector<int>& natnum, const std::vector<int>& ndt,
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

std::string neighbor_table_header() { return fmt::x(5) + "i" + fmt::x(7) + "n" + fmt::x(5) + "r(Ang)" + fmt::x(4) + "atom" + fmt::x(7) + "occ"; }

std::string neighbor_table_row(const Run& run, int n, int j, float r) {
  return fmt::i(n, 6) + fmt::i(j, 8) + fmt::x(2) + fmt::f(r, 9, 3) + fmt::x(4) + run.atoms.atom[j] + fmt::x(2) +
         fmt::f(run.atoms1.occ[j], 7, 4);
}

namespace {

Neig scan_all(Run& run, int k, float rmax) {
  const int n = run.cryst.natoms;
  return scan(run, k, rmax, [n](auto&& visit) {
    for (int j = 1; j <= n; ++j) visit(j);
  });
}

}  // namespace

bool sees_site_images(const Run& run, int k) {
  const int nbase = run.sites.nbase;
  if (nbase <= 0 || k > nbase) return true;
  return k < static_cast<int>(run.sites.order.size()) && run.sites.order[k] > 1;
}

NeighborGrid make_neighbor_grid(const Run& run, float rmax) {
  NeighborGrid g;
  const int n = std::min(run.cryst.natoms, atom_slots(run) - 1);
  for (int i = 1; i <= n; ++i) {
    const int z = run.atoms.itype[i];
    if (has_covrad(z)) g.maxcov = std::max(g.maxcov, run.set.covrad[z]);
  }
  const float cov = run.set.tol1 + g.maxcov + g.maxcov;
  g.cells = CellGrid(run.atoms.xc, n, std::max(cov, rmax));
  return g;
}

void move_atom(Run& run, int k, const Vec3& xc, NeighborGrid* grid) {
  if (grid) grid->cells.move(k, run.atoms.xc[k], xc);
  run.atoms.xc[k] = xc;
}

Neig getnei(Run& run, int k, float rmax, const NeighborGrid* grid) {
  if (!grid || !grid->cells.usable() || run.algorithms == Algorithms::literal) return scan_all(run, k, rmax);
  check_atom(run, k, "GetNei");
  const float reach = rmax <= 0.0f ? run.set.tol1 + covrad_of(run, k, "GetNei") + grid->maxcov : rmax;
  static thread_local std::vector<int> cand;
  // within reach only: every cut-off of the scan (tol1 + r_k + r_j, or rmax) is at most reach
  grid->cells.gather_within(run.atoms.xc[k], reach, run.atoms.xc, cand);
  return scan(run, k, rmax, [](auto&& visit) {
    for (int j : cand) visit(j);
  });
}

Neig findnei(Run& run, int k, float rmax, bool print, const NeighborGrid* grid) {
  Neig g = getnei(run, k, rmax, grid);
  group_and_report(run, k, rmax, print, g);
  return g;
}

}  // namespace vorn
