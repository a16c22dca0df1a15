// Chemical equivalence: element, neighbour classes, rings, site symmetry and group; symmetry copies.
#include "chemistry/equivalence.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "localaxes/dummy.h"
#include "topology/planarity.h"
#include "util/format.h"
#include "util/geometry.h"
#include "util/log.h"

namespace vorn {

namespace {

// The first failing criterion, or an empty text when the atoms are equivalent.
std::string first_difference(const Run& run, int a, int b, int ics, int icg, int isimple, int irg) {
  const Atoms& at = run.atoms;
  const Neighbors& nb = run.neighbors;
  if (at.itype[a] != at.itype[b]) return " Diff. atomic numbers";
  if (nb.nnei[a] != nb.nnei[b]) return " Diff. number of neighbors";
  if (isimple == 0) {
    if (nb.jtnei[a] != nb.jtnei[b]) return " Diff. number of neighbor types";
    // Classes are in ascending element order, so equal patterns line up slot by slot.
    for (int t = 0; t < nb.jtnei[a]; ++t) {
      if (nb.janei[a][t] != nb.janei[b][t]) return fmt::pad(" Diff. atomic numbers of " + fmt::i(t + 1, 2) + "-th type", 40);
      if (nb.jnnei[a][t] != nb.jnnei[b][t]) return fmt::pad(" Diff. num. of nei. of " + fmt::i(t + 1, 2) + "-th type", 40);
    }
    if (irg != 0 && planar_ring_size(run, a) != planar_ring_size(run, b)) return " Diff. ring memb numbers";
  }
  if (ics != 0 && fmt::pad(at.asym[a], 5) != fmt::pad(at.asym[b], 5)) return " Diff. local symmetry";
  // Hook: run.except.group is filled by the functional-group recognition. Until that stage
  // runs, every label is blank, so this criterion cannot separate two atoms.
  if (icg != 0 && fmt::pad(run.except.group[a], 40) != fmt::pad(run.except.group[b], 40))
    return " Diff. functional groups";
  return "";
}

}  // namespace

bool sameatoms(Run& run, int ia1, int ia2, int ics, int icg, int isimple, int irg) {
  const bool trace = run.set.iverbose > 2;
  if (trace)
    logl(run, "\n Checking if atoms " + fmt::trim(run.atoms.atom[ia1]) + " and " + fmt::trim(run.atoms.atom[ia2]) +
                  " are chemically equivalent:");
  const std::string why = first_difference(run, ia1, ia2, ics, icg, isimple, irg);
  if (!why.empty()) {
    if (trace) logl(run, "   atoms are NOT chemically equivalent : " + why);
    return false;
  }
  if (trace) logl(run, "  YES, these atoms are chemically equivalent !");
  return true;
}

namespace {

// Replaces label at by a new dummy at generated atom i when xca sits on it.
void replace_if_on(Run& run, int i, const Vec3& xca, std::string& at, std::string_view ax) {
  if (dist(xca, run.atoms.xc[i]) > thresh) return;
  // Generated atoms exist only with fragment completion, which needs fractional storage;
  // the stored convention is kept anyway so the dummy table stays uniform.
  const Vec3 xs = run.set.ifra == 1 ? run.atoms.xf[i] : run.atoms.xc[i];
  const int n = appenddummy(run, xs, "CheckSymEq");
  logl(run, "\n Atom " + fmt::trim(at) + " used in definition of " + std::string(ax) +
                "-axis is symmetry-generated; replace with dummy " + fmt::i(n, 4));
  at = fmt::pad(run.dummy.dlab[n], 8);
}

}  // namespace

void checksymeq(Run& run, const Vec3& xca1, const Vec3& xca2, std::string& at1, std::string& at2,
                std::string_view ax1, std::string_view ax2) {
  // Every copy within the threshold gets its own dummy: the loop does not stop at a match.
  for (int i = run.atoms.ia + 1; i <= run.cryst.natoms; ++i) {
    replace_if_on(run, i, xca1, at1, ax1);
    replace_if_on(run, i, xca2, at2, ax2);
  }
}

void checksymeq(Run& run, const Vec3& xca1, const Vec3& xca2, std::string& at1, std::string& at2,
                std::string_view ax1, std::string_view ax2, const CellGrid& cells) {
  if (!cells.usable()) return checksymeq(run, xca1, xca2, at1, at2, ax1, ax2);
  // Both points' candidates in one ascending list, so the dummies come in the scan's order.
  std::vector<int> near1, near2, both;
  cells.gather(xca1, thresh, near1);
  cells.gather(xca2, thresh, near2);
  std::merge(near1.begin(), near1.end(), near2.begin(), near2.end(), std::back_inserter(both));
  both.erase(std::unique(both.begin(), both.end()), both.end());
  for (int i : both) {
    if (i <= run.atoms.ia || i > run.cryst.natoms) continue;
    replace_if_on(run, i, xca1, at1, ax1);
    replace_if_on(run, i, xca2, at2, ax2);
  }
}

}  // namespace vorn
