// The ranking of an atom's neighbours for the axis rules, and its neighbour and angle log lines.
#include "localaxes/ranking.h"

#include "topology/environment.h"
#include "util/err.h"
#include "util/format.h"

namespace vorn {

std::vector<int> sortnei(const Run& run, int k) {
  const Neighbors& nb = run.neighbors;
  std::vector<int> isn;
  for (int t = nb.jtnei[k] - 1; t >= 0; --t)
    for (int m = 0; m < nb.jnnei[k][t]; ++m) isn.push_back(nb.jsnei[k][t][m]);
  if (static_cast<int>(isn.size()) != nb.nnei[k]) err("SortNei", "l.ne.nnei(k)");
  return isn;
}

void prtatomnei(const Run& run, int i, std::ostream& io) {
  const Neighbors& nb = run.neighbors;
  io << "\n Covalently-bonded neighbors to " << fmt::trim(run.atoms.atom[i]) << " = " << fmt::i(nb.nnei[i], 4)
     << "\n\n";
  io << neighbor_table_header() << '\n';
  for (int n = 0; n < nb.nnei[i]; ++n) io << neighbor_table_row(run, n + 1, nb.jnei[i][n], nb.rnei[i][n]) << '\n';
  if (run.set.iverbose >= 2) {
    const int ity = nb.jtnei[i];
    std::vector<int> natnum(nb.janei[i].begin(), nb.janei[i].begin() + ity);
    std::vector<int> ndt(nb.jnnei[i].begin(), nb.jnnei[i].begin() + ity);
    std::vector<std::vector<int>> members(static_cast<size_t>(ity));
    for (int t = 0; t < ity; ++t)
      members[t].assign(nb.jsnei[i][t].begin(), nb.jsnei[i][t].begin() + nb.jnnei[i][t]);
    io << neighbor_types_block(run, ity, natnum, ndt, members, 0, 0) << '\n';
  }
}

int collectnei(const Run& run, int k, std::array<int, 100>& id) {
  id.fill(0);
  const int n = run.neighbors.nnei[k];
  for (int m = 0; m < n; ++m) id[m] = run.neighbors.jnei[k][m];
  id[n] = k;
  return n + 1;
}

void prtang(const Run& run, std::ostream& io, int i, int j, int k, float ang) {
  io << "\n Angle   " << fmt::trim(run.atoms.atom[i]) << " - " << fmt::trim(run.atoms.atom[j]) << " - "
     << fmt::trim(run.atoms.atom[k]) << " = " << fmt::f(ang, 8, 2) << " deg.\n";
}

}  // namespace vorn
