// Crowded atoms and molecules cut by symmetry: log lines and tallies for the closing summary.
#include "topology/bondwarnings.h"

#include <cmath>
#include <limits>

#include "model/coords.h"
#include "model/log.h"
#include "topology/cellgrid.h"
#include "topology/environment.h"
#include "util/format.h"
#include "util/geometry.h"

namespace vorn {

namespace {
const char* const kCrowded = "more bonded neighbours than the element allows";
const char* const kCut = "molecule incomplete across symmetry (NCELLS not given)";
constexpr float kOccDiff = 0.01f;  // disordered atoms of one component share the occupancy
}  // namespace

int max_bonded(int z) { return z == 1 ? 2 : 6; }

void warn_crowded(Run& run) {
  for (int i = 1; i <= run.atoms.ia; ++i) {
    const int n = run.neighbors.nnei[i];
    const int most = max_bonded(run.atoms.itype[i]);
    if (n <= most) continue;
    logl(run, " WARNING : atom " + fmt::trim(run.atoms.atom[i]) + " has " + std::to_string(n) +
                  " bonded neighbours (at most " + std::to_string(most) + " expected) : check disorder and radii");
    tally_warning(run, kCrowded, fmt::trim(run.atoms.atom[i]));
  }
}

std::vector<int> cut_by_symmetry(const Run& run) {
  const int ia = run.atoms.ia;
  std::vector<int> cut;
  if (ia == 0 || run.symm.ns < 1) return cut;
  float maxcov = 0;
  for (int i = 1; i <= ia; ++i) {
    const int z = run.atoms.itype[i];
    if (z < 1 || z >= static_cast<int>(run.set.covrad.size())) return cut;  // no radius: nothing to judge
    maxcov = std::max(maxcov, run.set.covrad[z]);
  }
  const float reach = maxcov + maxcov + run.set.tol1;
  const CellGrid grid(run.atoms.xc, ia, reach);
  if (!grid.usable()) return cut;
  // bounding boxes of the asymmetric unit: fractional, for the translations tried, and
  // Cartesian with the bond reach, for the images worth a look
  Vec3 flo{}, fhi{}, clo{}, chi{};
  for (int k = 0; k < 3; ++k) {
    flo[k] = clo[k] = std::numeric_limits<float>::max();
    fhi[k] = chi[k] = std::numeric_limits<float>::lowest();
  }
  for (int i = 1; i <= ia; ++i)
    for (int k = 0; k < 3; ++k) {
      flo[k] = std::min(flo[k], run.atoms.xf[i][k]), fhi[k] = std::max(fhi[k], run.atoms.xf[i][k]);
      clo[k] = std::min(clo[k], run.atoms.xc[i][k]), chi[k] = std::max(chi[k], run.atoms.xc[i][k]);
    }
  std::vector<char> flagged(static_cast<size_t>(ia) + 1, 0);
  std::vector<int> near;
  for (int j = 1; j <= ia; ++j) {
    for (int s = 1; s <= run.symm.ns; ++s) {
      const Mat3& f = run.symm.fs[static_cast<size_t>(s)];
      const Vec3& t = run.symm.ts[static_cast<size_t>(s)];
      const Vec3& x = run.atoms.xf[j];
      Vec3 img;
      for (int k = 0; k < 3; ++k) img[k] = f[0][k] * x[0] + f[1][k] * x[1] + f[2][k] * x[2] + t[k];
      int lo[3], hi[3];
      for (int k = 0; k < 3; ++k) {
        lo[k] = static_cast<int>(std::floor(flo[k] - img[k])) - 1;
        hi[k] = static_cast<int>(std::ceil(fhi[k] - img[k])) + 1;
      }
      for (int t1 = lo[0]; t1 <= hi[0]; ++t1)
        for (int t2 = lo[1]; t2 <= hi[1]; ++t2)
          for (int t3 = lo[2]; t3 <= hi[2]; ++t3) {
            if (s == 1 && t1 == 0 && t2 == 0 && t3 == 0) continue;  // the atom itself
            const Vec3 xf{img[0] + static_cast<float>(t1), img[1] + static_cast<float>(t2),
                          img[2] + static_cast<float>(t3)};
            const Vec3 xc = to_cart(run.transf, xf);
            bool inside = true;
            for (int k = 0; k < 3; ++k) inside = inside && xc[k] >= clo[k] - reach && xc[k] <= chi[k] + reach;
            if (!inside) continue;
            grid.gather(xc, reach, near);
            for (int i : near) {
              const float d = dist(run.atoms.xc[i], xc);
              if (d < tooclose) continue;  // the image sits on the atom: a special position
              if (d > run.set.covrad[run.atoms.itype[i]] + run.set.covrad[run.atoms.itype[j]] + run.set.tol1) continue;
              const bool both_disordered = run.atoms1.iaf[i] == -1 && run.atoms1.iaf[j] == -1;
              if (both_disordered && std::fabs(run.atoms1.occ[i] - run.atoms1.occ[j]) > kOccDiff) continue;
              flagged[static_cast<size_t>(i)] = 1;
            }
          }
    }
  }
  for (int i = 1; i <= ia; ++i)
    if (flagged[static_cast<size_t>(i)]) cut.push_back(i);
  return cut;
}

void warn_incomplete(Run& run) {
  const Settings& s = run.set;
  if (s.ifra != frac_stored || s.ncells >= 0) return;
  const std::vector<int> cut = cut_by_symmetry(run);
  if (cut.empty()) return;
  logl(run, "");
  for (int i : cut) {
    logl(run, " WARNING : atom " + fmt::trim(run.atoms.atom[i]) +
                  " bonds to a symmetry image : its molecule is incomplete (NCELLS 1 completes it)");
    tally_warning(run, kCut, fmt::trim(run.atoms.atom[i]));
  }
}

}  // namespace vorn
