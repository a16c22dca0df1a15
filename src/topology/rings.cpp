// Ring search: elimination of open atoms, a depth-first walk over the reduced bond graph, and the
// relevant cycles that make the ring set independent of the atom order.
#include "topology/rings.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "util/elements.h"
#include "topology/cellgrid.h"
#include "topology/planarity.h"
#include "topology/relevant.h"
#include "util/err.h"
#include "util/format.h"
#include "util/geometry.h"
#include "model/disorder.h"
#include "model/outfile.h"
#include "model/log.h"

namespace vorn {

namespace {

constexpr int maxr = 1000000;  // positions of the search path

float covrad_ring(const Run& run, int m) { return covrad_of(run, m, "Connect4Rings"); }

void writeconn(Run& run) {
  const Newat& na = run.newat;
  for (int k = 1; k <= na.ia1; ++k) {
    std::string line = fmt::i(k, 7) + " " + fmt::pad(run.atoms.atom[na.iaref[k]], labw) + " -";
    const int nb = run.conmat.nba[k];
    for (int j = 0; j < nb; ++j) {
      // past ten partners the format starts over at its repeated group, as a Fortran list does
      if (j > 0 && j % 10 == 0) {
        logl(run, line);
        line.clear();
      }
      line += " " + fmt::pad(run.atoms.atom[na.iaref[run.conmat.icmat[k][j]]], labw);
    }
    logl(run, line);
  }
}

// One elimination cycle: partner lists over the current reduced atoms, then the atoms with at
// least two partners are kept (iaref compacted). Returns their number.
int eliminate(Run& run, int cycle) {
  Newat& na = run.newat;
  Conmat& cm = run.conmat;
  const int n = na.ia1;
  cm.nba.assign(static_cast<size_t>(n) + 1, 0);
  cm.icmat.assign(static_cast<size_t>(n) + 1, std::array<int, nbond>{});
  std::vector<Vec3> xr(static_cast<size_t>(n) + 1, Vec3{0, 0, 0});
  std::vector<float> cov(static_cast<size_t>(n) + 1, 0.0f);
  float maxcov = 0.0f;
  for (int k = 1; k <= n; ++k) {
    xr[k] = run.atoms.xc[na.iaref[k]];
    cov[k] = covrad_ring(run, na.iaref[k]);
    maxcov = std::max(maxcov, cov[k]);
  }
  // The cell list only narrows the candidates; the bond test below is the plain one, and the
  // candidates come in ascending order, so the partner lists equal those of a full scan.
  const CellGrid grid(xr, n, cov.empty() ? 1.0f : maxcov + maxcov + run.set.tol1);
  std::vector<int> cand;
  for (int k = 1; k <= n; ++k) {
    const int m = na.iaref[k];
    // Without part information a disordered atom cannot be placed in one component, so it
    // stays out of every ring; with parts each component's rings are found, kept apart below.
    if (!run.atoms1.lpart && run.atoms1.iaf[m] == -1) continue;
    const float reach = cov[k] + maxcov + run.set.tol1;
    const bool use_grid = grid.usable() && std::isfinite(reach);
    if (use_grid) {
      grid.gather(xr[k], reach, cand);
    } else {
      cand.resize(static_cast<size_t>(n));
      for (int j = 1; j <= n; ++j) cand[j - 1] = j;
    }
    for (int j : cand) {
      if (j == k) continue;
      if (dist(xr[k], xr[j]) <= cov[k] + cov[j] + run.set.tol1 && may_bond(run, m, na.iaref[j])) {
        if (cm.nba[k] == nbond)
          err("Connect4Rings", "atom " + fmt::trim(run.atoms.atom[m]) + " has more than " + std::to_string(nbond) +
                                   " bonded partners (check the bond tolerance and overlapping atoms)");
        cm.icmat[k][cm.nba[k]++] = j;
      }
    }
  }
  if (run.set.iverbose > 2 && cycle == 0) writeconn(run);
  int kept = 0;
  for (int k = 1; k <= n; ++k)
    if (cm.nba[k] >= 2) na.iaref[++kept] = na.iaref[k];
  return kept;
}

void write_ang(Run& run, const std::string& name, bool element_names) {
  std::ofstream out(name);
  if (!out) err("Connect4Rings", "cannot open " + name + " for writing");
  out << "ANGSTROM\n";
  for (int k = 1; k <= run.newat.ia1; ++k) {
    const int m = run.newat.iaref[k];
    std::string lab;
    if (element_names) {
      std::string s = symbat(run.atoms.itype[m]) + std::to_string(k);
      s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
      lab = fmt::pad(s, labw);
    } else {
      lab = fmt::pad(run.atoms.atom[m], labw);
    }
    const Vec3& x = run.atoms.xc[m];
    out << "ATOM " << lab << fmt::f(x[0], 12, 4) << fmt::f(x[1], 12, 4) << fmt::f(x[2], 12, 4) << '\n';
  }
  close_out(out, name, "Connect4Rings");
}

// State of the walk. Besides the path itself it keeps, per atom, the path positions it holds
// (so the latest earlier occurrence of an atom is found in constant time) and a stack of the
// positions of branching atoms (so the backtrack does not rescan the path). Both give exactly
// the answers of a backward scan of the path.
struct Walk {
  std::vector<int> path{0};                 // path[1..L]
  std::vector<std::vector<int>> where;      // where[a]: positions of atom a, ascending
  std::vector<int> branching;               // positions whose atom has more than 2 partners
  std::vector<int> nfree;                   // free branches left per atom
  std::vector<std::vector<int>> found;       // closed paths in range, members in path order
  std::set<std::vector<int>> seen;           // their sorted members
  int L() const { return static_cast<int>(path.size()) - 1; }
};

void push(Run& run, Walk& w, int a) {
  if (w.L() >= maxr)
    err("FindRings", "search path longer than " + std::to_string(maxr) + " positions (maxr)");
  w.path.push_back(a);
  w.where[a].push_back(w.L());
  if (run.conmat.nba[a] > 2) w.branching.push_back(w.L());
  run.choices.ivis[a] = 1;
}

void cut(Walk& w, int len) {
  while (w.L() > len) {
    w.where[w.path.back()].pop_back();
    w.path.pop_back();
  }
  while (!w.branching.empty() && w.branching.back() > len) w.branching.pop_back();
}

void use_branch(Run& run, Walk& w, int a, int j) {
  run.choices.nbaf[a][j] = 0;
  --w.nfree[a];
}

// Next free branch of cur whose partner is not prev, marked used; 0 when there is none.
int ichoice(Run& run, Walk& w, int prev, int cur) {
  for (int j = 0; j < run.conmat.nba[cur]; ++j) {
    const int d = run.conmat.icmat[cur][j];
    if (run.choices.nbaf[cur][j] == 1 && d != prev) {
      use_branch(run, w, cur, j);
      return d;
    }
  }
  return 0;
}

// Backtrack to the last branching atom with a free branch, below the path end.
bool go2lcp(Walk& w) {
  const int lim = w.L() - 1;
  while (!w.branching.empty()) {
    const int p = w.branching.back();
    if (p <= lim && w.nfree[w.path[p]] > 0) {
      cut(w, p);
      return true;
    }
    // no free branch now means none ever again; position L itself goes with the cut
    w.branching.pop_back();
  }
  return false;
}

// Whether every two members may bond: a closed path through common atoms may still join two
// disorder components (C5-C6A-C1-C6B), which is no ring of either.
bool one_component(const Run& run, const std::vector<int>& members) {
  if (!run.atoms1.lpart) return true;  // disordered atoms never reach the walk then
  for (size_t a = 0; a < members.size(); ++a)
    for (size_t b = a + 1; b < members.size(); ++b)
      if (!may_bond(run, members[a], members[b])) return false;
  return true;
}

// A closed path of the walk, path(p..L-1); kept, in the walk's order, when its size is in range,
// it does not go straight back along the bond just walked, and its atoms are new.
void checkring(Run& run, Walk& w, int p) {
  const int L = w.L();
  const int size = L - p;
  if (size > run.set.nrmax || size < run.set.nrmin) return;
  if (w.path[p + 1] == w.path[L - 1]) return;  // straight back along the bond just walked
  std::vector<int> members(static_cast<size_t>(size));
  for (int i = 0; i < size; ++i) members[i] = run.newat.iaref[w.path[p + i]];
  if (!one_component(run, members)) return;
  std::vector<int> s = members;
  std::sort(s.begin(), s.end());
  if (!w.seen.insert(std::move(s)).second) return;
  w.found.push_back(std::move(members));
}

// Records ring members (structure atom numbers in ring order), logs it and tests its planarity.
void record_ring(Run& run, const std::vector<int>& members) {
  const int size = static_cast<int>(members.size());
  if (size > maxmem)
    err("FindRings", "Ring of " + std::to_string(size) + " atoms found: at most " + std::to_string(maxmem) +
                         " atoms per ring can be stored");
  Rings& rg = run.rings;
  if (rg.nor + 1 > maxrings) err("FindRings", "Too many rings (maxrings): more than " + std::to_string(maxrings) + " rings found");
  ++rg.nor;
  rg.noar.push_back(size);
  rg.nra.push_back(members);
  rg.planar.push_back(true);
  rg.ipldum.push_back(0);

  logl(run, "");
  logl(run, "");
  logl(run, " **********  FOUND RING # " + fmt::i(rg.nor, 4) + " ---> " + fmt::i(size, 3) + " - MEMBERED  **********");
  logl(run, "");
  std::string labs, nums;
  for (int m : members) {
    labs += "  " + run.atoms.atom[m];
    nums += fmt::i(m, 6) + fmt::x(4);
  }
  logl(run, labs);
  logl(run, nums);
  if (size >= 4) {
    bool planar = true;
    planarity(run, 1, planar, size, members, 2);
    rg.planar[rg.nor] = planar;
  }
}

// Which closed paths count as rings must not depend on the atom order: the walk alone finds, in
// a fused 5+5 system, the 8-membered envelope for one atom order and not for another, so two
// copies of one molecule (Z' = 2) would get different rings, kappa sets and groups. The rings
// recorded are therefore exactly the relevant cycles in the size range: every simple cycle that
// is not the sum of smaller cycles (smaller ones below the range included). The envelope of two
// fused rings is their sum and never counts; naphthalene has two rings, not three, and its
// fusion atoms lie in two planar rings. Rings of equal size that sum to one another (the three
// rings of bicyclo[2.2.2]octane) all count. The walk's rings that qualify keep its order and
// member order; the qualifying cycles it missed follow, by size and then by their atom numbers.
void select_rings(Run& run, const Walk& w) {
  const int n = run.newat.ia1;
  const Conmat& cm = run.conmat;
  // vertices numbered by ascending structure atom, so the appended rings' order is the atoms'
  std::vector<int> by_atom(static_cast<size_t>(n));
  for (int k = 1; k <= n; ++k) by_atom[k - 1] = k;
  std::sort(by_atom.begin(), by_atom.end(),
            [&](int a, int b) { return run.newat.iaref[a] < run.newat.iaref[b]; });
  std::vector<int> vertex(static_cast<size_t>(n) + 1), atom_of(static_cast<size_t>(n) + 1);
  for (int v = 1; v <= n; ++v) {
    vertex[by_atom[v - 1]] = v;
    atom_of[v] = run.newat.iaref[by_atom[v - 1]];
  }
  std::vector<std::vector<int>> adj(static_cast<size_t>(n) + 1);
  for (int k = 1; k <= n; ++k)
    for (int j = 0; j < cm.nba[k]; ++j) {
      const int a = vertex[k], b = vertex[cm.icmat[k][j]];
      adj[a].push_back(b);
      adj[b].push_back(a);
    }
  for (auto& l : adj) {
    std::sort(l.begin(), l.end());
    l.erase(std::unique(l.begin(), l.end()), l.end());
  }
  const long long budget = 10000000LL + 1000LL * n;
  std::vector<std::vector<int>> cycles = relevant_cycles(adj, run.set.nrmax, budget);
  std::set<std::vector<int>> wanted;
  for (auto& c : cycles) {
    for (int& v : c) v = atom_of[v];
    if (static_cast<int>(c.size()) < run.set.nrmin) continue;
    std::vector<int> s = c;
    std::sort(s.begin(), s.end());
    wanted.insert(std::move(s));
  }
  for (const std::vector<int>& members : w.found) {
    std::vector<int> s = members;
    std::sort(s.begin(), s.end());
    if (wanted.erase(s) == 1) record_ring(run, members);
  }
  for (const std::vector<int>& c : cycles) {
    if (static_cast<int>(c.size()) < run.set.nrmin) continue;
    // a cycle through both alternatives of a disordered atom is no ring of either component
    if (!one_component(run, c)) continue;
    std::vector<int> s = c;
    std::sort(s.begin(), s.end());
    if (wanted.erase(s) == 1) record_ring(run, c);
  }
}

// Swaps reduced atoms 1 and s: their atoms, partner lists and every reference to them.
void exchange(Run& run, int s) {
  Conmat& cm = run.conmat;
  std::swap(run.newat.iaref[1], run.newat.iaref[s]);
  std::swap(cm.icmat[1], cm.icmat[s]);
  std::swap(cm.nba[1], cm.nba[s]);
  for (int k = 1; k <= run.newat.ia1; ++k)
    for (int j = 0; j < cm.nba[k]; ++j) {
      int& v = cm.icmat[k][j];
      if (v == 1)
        v = s;
      else if (v == s)
        v = 1;
    }
}

// Starts a walk at atom a: position 1 = a, position 2 = its first partner.
void start_walk(Run& run, Walk& w, int a) {
  if (run.choices.nbaf[a][0] != 1) err("CheckVisited", "Internal error: the first branch of a fresh start atom is already used");
  cut(w, 0);
  push(run, w, a);
  use_branch(run, w, a, 0);
  push(run, w, run.conmat.icmat[a][0]);
}

}  // namespace

void connect4rings(Run& run) {
  Newat& na = run.newat;
  na.ia1 = run.cryst.natoms;
  na.iaref.assign(static_cast<size_t>(na.ia1) + 1, 0);
  for (int k = 1; k <= na.ia1; ++k) na.iaref[k] = k;

  logl(run, "");
  logl(run, fmt::rep('-', 80));
  both(run, " CREATING CONNECTIVITY TABLE AND ELIMINATING OPEN ATOMS");
  for (int c = 0;; ++c) {
    both(run, " **** ELIMINATION CYCLE =" + fmt::i(c, 5) + fmt::x(5) + "NUMBER OF ATOMS =" + fmt::i(na.ia1, 7));
    const int kept = eliminate(run, c);
    both(run, fmt::x(8) + "NUMBER OF ATOMS REMOVED FROM THE TABLE = " + fmt::i(na.ia1 - kept, 7));
    const bool done = kept == na.ia1;
    na.ia1 = kept;
    if (done) break;
  }
  na.iaref.resize(static_cast<size_t>(na.ia1) + 1);
  if (run.set.iverbose > 1) {
    logl(run, "");
    logl(run, " CONNECTIVITY TABLE AFTER THE FINAL ELIMINATION CYCLE :");
    writeconn(run);
  }
  write_ang(run, "reduced.ang", false);
  write_ang(run, "reduced_1.ang", true);
}

void findrings(Run& run) {
  const int nrmin = run.set.nrmin, nrmax = run.set.nrmax;
  Rings& rg = run.rings;
  rg = Rings{};
  const int n = run.newat.ia1;
  Choices& ch = run.choices;
  ch.ivis.assign(static_cast<size_t>(std::max(n, 0)) + 1, 0);
  ch.nbaf.assign(static_cast<size_t>(std::max(n, 0)) + 1, std::array<int, nbond>{});

  logl(run, "");
  logl(run, fmt::rep('-', 80));
  const std::string head = " AUTOMATED SEARCH FOR " + fmt::i(nrmin, 3) + " -" + fmt::i(nrmax, 3) + " - MEMBERED RINGS";
  cboth(run, "");
  cboth(run, head);
  conl(run, "");
  // a ring closes with three atoms at the least: such a range is searched and records nothing
  if (nrmax < 3 || nrmin > nrmax)
    logl(run, " Warning : no ring has between " + std::to_string(nrmin) + " and " + std::to_string(nrmax) + " members");
  if (n <= 2) {
    both(run, " THERE ARE NO ATOMS IN THE REDUCED CONNECTIVITY TABLE");
    both(run, "");
    both(run, " SEARCH FOR RINGS WILL NOT BE PERFORMED...");
    return;
  }
  Conmat& cm = run.conmat;
  if (static_cast<int>(cm.nba.size()) <= n || static_cast<int>(run.newat.iaref.size()) <= n)
    err("FindRings", "the reduced connectivity table has not been built (connect4rings first)");
  for (int k = 1; k <= n; ++k)
    if (cm.nba[k] > 2) {
      if (k != 1) exchange(run, k);
      break;
    }

  Walk w;
  w.where.assign(static_cast<size_t>(n) + 1, {});
  w.nfree.assign(static_cast<size_t>(n) + 1, 0);
  for (int k = 1; k <= n; ++k) {
    for (int j = 0; j < cm.nba[k]; ++j) ch.nbaf[k][j] = 1;
    w.nfree[k] = cm.nba[k];
  }

  int next_unvisited = 1;
  int start = 1;
  for (;;) {
    if (cm.nba[start] > 0) {
      start_walk(run, w, start);
      for (;;) {
        const int L = w.L();
        const int d = ichoice(run, w, w.path[L - 1], w.path[L]);
        if (d != 0) {
          const std::vector<int>& pos = w.where[d];
          const int p = pos.empty() ? 0 : pos.back();  // latest earlier occurrence
          push(run, w, d);
          if (p > 0) checkring(run, w, p);
        } else if (!go2lcp(w)) {
          break;
        }
      }
    }
    cut(w, 0);
    while (next_unvisited <= n && (ch.ivis[next_unvisited] == 1 || cm.nba[next_unvisited] == 0)) ++next_unvisited;
    if (next_unvisited > n) break;
    start = next_unvisited;
  }

  select_rings(run, w);
  both(run, fmt::rep('-', 79));
  both(run, " TOTAL RINGS FOUND (nor)  = " + fmt::i(rg.nor, 6));
}

}  // namespace vorn
