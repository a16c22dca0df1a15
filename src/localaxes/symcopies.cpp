// Symmetry copies on an axis: each one found within the threshold becomes a dummy, a new one unless one is there already.
#include "localaxes/symcopies.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "localaxes/dummy.h"
#include "model/log.h"
#include "util/format.h"
#include "util/geometry.h"

namespace vorn {

namespace {

// Replaces label at by a new dummy at generated atom i when xca sits on it.
void replace_if_on(Run& run, int i, const Vec3& xca, std::string& at, std::string_view ax) {
  if (dist(xca, run.atoms.xc[i]) > thresh) return;
  // Generated atoms exist only with fragment completion, which needs fractional storage;
  // the stored convention is kept anyway so the dummy table stays uniform.
  const Vec3 xs = run.set.ifra == frac_stored ? run.atoms.xf[i] : run.atoms.xc[i];
  // Copies that coincide (the images of an atom on a special position) or a point that already
  // has a dummy get that dummy again: two dummies at one place would be two XD atoms there.
  int n = 0;
  Vec3 xcart{};
  adddummyatom(run, PointIn::stored, xs, n, xcart);
  logl(run, "\n Atom " + fmt::trim(at) + " used in definition of " + std::string(ax) +
                "-axis is symmetry-generated; replace with dummy " + fmt::i(n, 4));
  at = fmt::pad(run.dummy.dlab[n], labw);
}

}  // namespace

void checksymeq(Run& run, const Vec3& xca1, const Vec3& xca2, std::string& at1, std::string& at2,
                std::string_view ax1, std::string_view ax2) {
  // Every copy within the threshold is replaced: the loop does not stop at a match.
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
