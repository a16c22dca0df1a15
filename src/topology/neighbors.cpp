// Covalent neighbour lists of every atom: search, copy into record neighbors, ranking and log.
#include "topology/neighbors.h"

#include <algorithm>

#include "topology/environment.h"
#include "util/err.h"
#include "util/format.h"
#include "model/log.h"

namespace vorn {

namespace {

void check_structure(const Run& run) {
  const int n = run.cryst.natoms;
  if (n < 0 || n >= atom_slots(run))
    err("FindAllNeighbors", "natoms = " + std::to_string(n) + " does not match the " +
                                std::to_string(atom_slots(run) - 1) + " atoms stored");
  for (int i = 1; i <= n; ++i) covrad_of(run, i, "FindAllNeighbors");
}

// The environment just found becomes atom i's entry of record neighbors.
void store(Run& run, int i, const Neig& g) {
  Neighbors& nb = run.neighbors;
  if (g.inei > nbond)
    err("FindAllNeighbors", "atom " + std::to_string(i) + " " + fmt::trim(run.atoms.atom[i]) + " has " +
                                std::to_string(g.inei) + " covalent neighbours; at most " +
                                std::to_string(nbond) + " can be stored");
  nb.nnei[i] = g.inei;
  nb.jnei[i].fill(0);
  nb.rnei[i].fill(0.0f);
  for (int n = 1; n <= g.inei; ++n) {
    nb.jnei[i][n - 1] = g.iatn[n];
    nb.rnei[i][n - 1] = g.rnd[n];
  }
  nb.jtnei[i] = g.ity;
  nb.janei[i].fill(0);
  nb.jnnei[i].fill(0);
  nb.jsnei[i].assign(static_cast<size_t>(g.ity), {});
  for (int t = 1; t <= g.ity; ++t) {
    nb.janei[i][t - 1] = g.natnum[t];
    nb.jnnei[i][t - 1] = g.ndt[t];
    nb.jsnei[i][t - 1].assign(g.ndtnum[t].begin() + 1, g.ndtnum[t].end());
  }
}

float distance_in_list(const Run& run, int i, int j) {
  const Neighbors& nb = run.neighbors;
  for (int n = 0; n < nb.nnei[i]; ++n)
    if (nb.jnei[i][n] == j) return nb.rnei[i][n];
  return 0.0f;
}

// Ranks each element's members and logs them, heaviest element first.
void rank_and_report(Run& run) {
  Neighbors& nb = run.neighbors;
  logl(run, "\n Printout of neighbors of all atoms sorted by \n    1) atomic number (descending)\n"
            "    2) hybridization ( ascending)\n    3) distance      ( ascending)");
  std::string s;
  for (int i = 1; i <= run.cryst.natoms; ++i) {
    s = "\n Atom # " + fmt::i(i, 6) + " = " + run.atoms.atom[i] + " :";
    for (int t = nb.jtnei[i] - 1; t >= 0; --t) {
      auto& mem = nb.jsnei[i][t];
      // lower own coordination first (a terminal or sp partner before a saturated one),
      // then the nearer one; full ties keep the distance (then atom-number) order
      std::stable_sort(mem.begin(), mem.end(), [&](int a, int b) {
        if (nb.nnei[a] != nb.nnei[b]) return nb.nnei[a] < nb.nnei[b];
        return distance_in_list(run, i, a) < distance_in_list(run, i, b);
      });
      for (int j : mem)
        s += "\n" + fmt::x(5) + fmt::i(run.atoms.itype[j], 4) + fmt::i(nb.nnei[j], 4) +
             fmt::f(distance_in_list(run, i, j), 11, 3) + fmt::i(j, 8) + fmt::x(3) + run.atoms.atom[j];
    }
    logl(run, s);
  }
}

template <class Setup, class Search>
void build(Run& run, Setup&& setup, Search&& search) {
  logl(run, "\n" + rule('-', 79));
  both(run, "\n IDENTIFYING COVALENTLY-BONDED NEIGHBORS FOR EACH ATOM");
  check_structure(run);
  setup();
  // one table per atom would swamp the log: the searches are silent, the ranked list follows
  for (int i = 1; i <= run.cryst.natoms; ++i) {
    store(run, i, search(i));
    progress_tick(run.progress, i, run.cryst.natoms);
  }
  rank_and_report(run);
}

}  // namespace

void findallneighbors(Run& run) {
  NeighborGrid grid;
  build(run, [&] { grid = make_neighbor_grid(run); }, [&](int i) { return findnei(run, i, 0.0f, false, &grid); });
}

void findallneighbors_reference(Run& run) {
  build(run, [] {}, [&](int i) { return findnei(run, i, 0.0f, false); });
}

}  // namespace vorn
