// Site symmetry and the images around atoms on special positions: one scan over operators and lattice translations.
#include "topology/siteimages.h"

#include <cmath>
#include <unordered_map>
#include <vector>

#include "model/coords.h"
#include "model/log.h"
#include "symmetry/sitesym.h"
#include "topology/environment.h"
#include "util/err.h"
#include "util/format.h"
#include "util/geometry.h"

namespace vorn {

namespace {

constexpr const char* kWhere = "FindSites";
// Lattice translations searched along one axis, each way, and images placed in all: a real
// cell reaches site_reach in a few cells, and a crowded one holds some ten atoms per cubic
// Angstrom, about 10000 within reach of each atom on a special position.
constexpr float max_cells = 50.0f;
constexpr int max_images = 1000000;

// Positions already in the table, binned for the duplicate test.
class Occupied {
 public:
  explicit Occupied(float cell) : cell_(cell) {}
  void add(int i, const Vec3& x) { bins_[key(x, 0, 0, 0)].push_back({i, x}); }
  bool near(const Vec3& x, float r) const {
    for (int a = -1; a <= 1; ++a)
      for (int b = -1; b <= 1; ++b)
        for (int c = -1; c <= 1; ++c) {
          auto it = bins_.find(key(x, a, b, c));
          if (it == bins_.end()) continue;
          for (const auto& e : it->second)
            if (dist(e.second, x) < r) return true;
        }
    return false;
  }

 private:
  unsigned long long key(const Vec3& x, int a, int b, int c) const {
    const auto q = [&](float v, int d) {
      return static_cast<unsigned long long>(static_cast<long long>(std::floor(v / cell_)) + d + (1LL << 20)) &
             0x1FFFFFULL;
    };
    return (q(x[0], a) << 42) | (q(x[1], b) << 21) | q(x[2], c);
  }
  float cell_;
  std::unordered_map<unsigned long long, std::vector<std::pair<int, Vec3>>> bins_;
};

std::string dir_text(const DVec3& d) {
  std::string s;
  for (double v : d) s += fmt::f(static_cast<float>(v), 8, 4);
  return s;
}

void log_site(Run& run, int k, const SiteSym& s) {
  const std::string lab = fmt::trim(run.atoms.atom[k]);
  std::string t = "\n Atom " + lab + " is on a special position : site symmetry " + s.name + " (order " +
                  std::to_string(s.order()) + ")\n    operators :";
  for (size_t i = 0; i < s.ops.size(); ++i) t += fmt::i(s.ops[i], 4);
  if (s.inversion) t += "\n    centre of symmetry on the atom";
  for (const SiteAxis& a : s.axes) t += "\n    " + fmt::pad(axis_text(a), 5) + " along" + dir_text(a.dir);
  both(run, t);
  tally_warning(run, "atom on a special position", lab);
}

}  // namespace

void findsites(Run& run) {
  const int ia = run.atoms.ia;
  Sites& st = run.sites;
  st.order.assign(static_cast<size_t>(ia) + 1, 1);
  st.name.assign(static_cast<size_t>(ia) + 1, "1");
  st.nbase = 0;
  std::vector<int> special;
  for (int k = 1; k <= ia; ++k) {
    const SiteSym s = site_symmetry(run, run.atoms.xf[k]);
    st.order[k] = std::max(1, s.order());
    st.name[k] = s.name;
    if (!s.special()) continue;
    if (special.empty()) both(run, "\n ATOMS ON SPECIAL POSITIONS");
    special.push_back(k);
    log_site(run, k, s);
  }
  if (special.empty()) return;

  const int nbase = run.cryst.natoms;
  Occupied occ(0.5f);
  for (int i = 1; i <= nbase; ++i) occ.add(i, run.atoms.xc[i]);
  const Mat3& rm1 = run.transf.rm1;
  float ext[3];
  for (int j = 0; j < 3; ++j)
    ext[j] = site_reach * std::sqrt(rm1[j][0] * rm1[j][0] + rm1[j][1] * rm1[j][1] + rm1[j][2] * rm1[j][2]);
  // A cell edge of a few hundredths of an Angstrom would put millions of images in reach:
  // such a cell is no crystal, and its atoms keep the surroundings the input gives.
  for (float e : ext)
    if (!(e <= max_cells)) {
      both(run, "\n The cell is too small to place symmetry images around atoms on special positions");
      return;
    }
  const int ns = std::max(1, run.symm.ns);
  for (int k : special) {
    const Vec3 xk = run.atoms.xf[k];
    const Vec3 ck = run.atoms.xc[k];
    for (int i = 1; i <= ia; ++i) {
      const Vec3 x = run.atoms.xf[i];  // a copy: adding images reallocates the table
      for (int n = 1; n <= ns && n < static_cast<int>(run.symm.fs.size()); ++n) {
        const Mat3& f = run.symm.fs[n];
        const Vec3& tr = run.symm.ts[n];
        Vec3 img;
        for (int j = 0; j < 3; ++j) img[j] = f[0][j] * x[0] + f[1][j] * x[1] + f[2][j] * x[2] + tr[j];
        int lo[3], hi[3];
        bool finite = true;
        for (int j = 0; j < 3; ++j) {
          const float d = xk[j] - img[j];
          finite = finite && std::isfinite(d) && std::fabs(d) < 1e4f && ext[j] < 1e4f;
          if (!finite) break;
          lo[j] = static_cast<int>(std::ceil(d - ext[j]));
          hi[j] = static_cast<int>(std::floor(d + ext[j]));
        }
        if (!finite) continue;
        for (int a = lo[0]; a <= hi[0]; ++a)
          for (int b = lo[1]; b <= hi[1]; ++b)
            for (int c = lo[2]; c <= hi[2]; ++c) {
              const Vec3 xf{img[0] + static_cast<float>(a), img[1] + static_cast<float>(b),
                            img[2] + static_cast<float>(c)};
              const Vec3 xc = to_cart(run.transf, xf);
              if (!(dist(xc, ck) <= site_reach) || occ.near(xc, samexyz)) continue;
              if (run.cryst.natoms - nbase >= max_images)
                err(kWhere, "more than " + std::to_string(max_images) +
                                " symmetry images around atoms on special positions");
              const int m = add_atom(run, kWhere);
              run.atoms.atom[m] = run.atoms.atom[i];
              run.atoms.itype[m] = run.atoms.itype[i];
              run.atoms1.occ[m] = run.atoms1.occ[i];
              run.atoms1.iaf[m] = run.atoms1.iaf[i];
              if (m < static_cast<int>(run.atoms1.part.size()) && i < static_cast<int>(run.atoms1.part.size()))
                run.atoms1.part[m] = run.atoms1.part[i];
              run.atoms.xf[m] = xf;
              run.atoms.xc[m] = xc;
              run.cryst.isymeq[m] = i;
              ++run.cryst.nsymeq[i];
              run.cryst.natoms = m;
              occ.add(m, xc);
            }
      }
    }
  }
  st.nbase = nbase;
  both(run, "\n Symmetry images placed around atoms on special positions = " +
                fmt::i(run.cryst.natoms - nbase, 6));
}

}  // namespace vorn
