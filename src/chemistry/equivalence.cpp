// Chemical equivalence: element, neighbour classes, rings, site symmetry and functional group.
#include "chemistry/equivalence.h"

#include <algorithm>
#include <vector>

#include "topology/planarity.h"
#include "util/format.h"
#include "util/geometry.h"
#include "model/log.h"

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

}  // namespace vorn
