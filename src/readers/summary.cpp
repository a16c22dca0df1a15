// Structure summary: occupancy classes, element types and the atom listing.
#include "readers/summary.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "util/elements.h"
#include "util/format.h"
#include "model/coords.h"
#include "util/geometry.h"
#include "model/log.h"

namespace vorn {

namespace {

// Two disorder parts may put an atom at (nearly) one place on purpose.
bool other_parts(const Atoms1& a, int i, int j) {
  if (!a.lpart || static_cast<size_t>(std::max(i, j)) >= a.part.size()) return false;
  return a.part[i] != 0 && a.part[j] != 0 && a.part[i] != a.part[j];
}

}  // namespace

void warn_same_position(Run& run) {
  // The twin named is the one the scan over bins of the tolerance's size finds first: among
  // the earlier atoms within the tolerance, the first by the offset of its bin (dx, then dy,
  // then dz from -1 to 1) and then by atom number. The candidates come from a sweep along the
  // axis of the widest spread (a flat or linear structure spreads along another): a close pair
  // differs by less than the tolerance along every axis, so it lies in the same or a
  // neighbouring bin in each.
  const int ia = run.atoms.ia;
  const auto& xc = run.atoms.xc;
  auto bin = [](float v) { return static_cast<long long>(std::floor(v / kSamePosition)); };
  std::vector<int> order;
  order.reserve(static_cast<size_t>(ia));
  for (int i = 1; i <= ia; ++i)
    if (std::isfinite(xc[i][0]) && std::isfinite(xc[i][1]) && std::isfinite(xc[i][2])) order.push_back(i);
  int sweep = 0;
  float spread[3] = {};
  for (int ax = 0; ax < 3 && !order.empty(); ++ax) {
    const auto [lo, hi] = std::minmax_element(order.begin(), order.end(), [&](int p, int q) { return xc[p][ax] < xc[q][ax]; });
    spread[ax] = xc[*hi][ax] - xc[*lo][ax];
    if (spread[ax] > spread[sweep]) sweep = ax;
  }
  std::sort(order.begin(), order.end(),
            [&](int p, int q) { return xc[p][sweep] < xc[q][sweep] || (xc[p][sweep] == xc[q][sweep] && p < q); });
  std::vector<int> twin(static_cast<size_t>(ia) + 1, 0);
  std::vector<int> rank(static_cast<size_t>(ia) + 1, 0);  // the bin offset's place in the scan
  for (size_t m = 0; m < order.size(); ++m)
    for (size_t n = m + 1; n < order.size() && xc[order[n]][sweep] - xc[order[m]][sweep] < kSamePosition; ++n) {
      const int j = std::min(order[m], order[n]), i = std::max(order[m], order[n]);
      if (!(dist(xc[j], xc[i]) < kSamePosition) || other_parts(run.atoms1, i, j)) continue;
      int r = 0;
      for (int ax = 0; ax < 3; ++ax) r = r * 3 + static_cast<int>(bin(xc[j][ax]) - bin(xc[i][ax]) + 1);
      if (twin[i] == 0 || r < rank[i] || (r == rank[i] && j < twin[i])) twin[i] = j, rank[i] = r;
    }
  for (int i = 1; i <= ia; ++i) {
    if (twin[i] == 0) continue;
    const std::string label = fmt::trim(run.atoms.atom[i]);
    logl(run, " Warning : atom " + label + " is at the same position as atom " + fmt::trim(run.atoms.atom[twin[i]]));
    tally_warning(run, "atoms at the same position", label);
  }
}

void warn_same_position_reference(Run& run) {
  // bins of the tolerance's size: a close pair lies in the same or a neighbouring bin, so the
  // check stays linear also for a flat or linear structure
  using Key = std::tuple<long long, long long, long long>;
  struct Hash {
    size_t operator()(const Key& k) const {
      const auto [a, b, c] = k;
      return std::hash<long long>()(a * 73856093LL ^ b * 19349663LL ^ c * 83492791LL);
    }
  };
  // hashed: the 27 look-ups per atom of an ordered map took a sixth of a second per 100000 atoms
  std::unordered_map<Key, std::vector<int>, Hash> bins;
  bins.reserve(static_cast<size_t>(run.atoms.ia));
  auto key = [](const Vec3& x) {
    return Key{static_cast<long long>(std::floor(x[0] / kSamePosition)), static_cast<long long>(std::floor(x[1] / kSamePosition)),
               static_cast<long long>(std::floor(x[2] / kSamePosition))};
  };
  for (int i = 1; i <= run.atoms.ia; ++i) {
    const Vec3& x = run.atoms.xc[i];
    if (!std::isfinite(x[0]) || !std::isfinite(x[1]) || !std::isfinite(x[2])) continue;
    const auto [a, b, c] = key(x);
    int twin = 0;
    for (long long da = -1; da <= 1 && twin == 0; ++da)
      for (long long db = -1; db <= 1 && twin == 0; ++db)
        for (long long dc = -1; dc <= 1 && twin == 0; ++dc) {
          const auto it = bins.find(Key{a + da, b + db, c + dc});
          if (it == bins.end()) continue;
          for (int j : it->second)
            if (dist(run.atoms.xc[j], x) < kSamePosition && !other_parts(run.atoms1, i, j)) {
              twin = j;
              break;
            }
        }
    bins[Key{a, b, c}].push_back(i);
    if (twin == 0) continue;
    const std::string label = fmt::trim(run.atoms.atom[i]);
    logl(run, " Warning : atom " + label + " is at the same position as atom " + fmt::trim(run.atoms.atom[twin]));
    tally_warning(run, "atoms at the same position", label);
  }
}

void checkocc(Run& run) {
  const Symm& sy = run.symm;
  for (int i = 1; i <= run.atoms.ia; ++i) {
    int& iaf = run.atoms1.iaf[i];
    iaf = 0;
    // an atom of a disorder part is one component's, whatever occupancy the file gives it
    const bool in_part = run.atoms1.lpart && run.atoms1.part[i] != 0;
    if (run.atoms1.occ[i] == 1.0f && !in_part) continue;
    const Vec3& x = run.atoms.xf[i];
    bool special = false;
    for (int j = 1; j <= sy.ns && !special; ++j) {
      Vec3 r{};
      for (int c = 0; c < 3; ++c)
        r[c] = sy.fs[j][0][c] * x[0] + sy.fs[j][1][c] * x[1] + sy.fs[j][2][c] * x[2] + sy.ts[j][c];
      // two cells each way: an image that needs more is not seen, and the atom counts as disordered
      for (int k = -2; k <= 2 && !special; ++k)
        for (int l = -2; l <= 2 && !special; ++l)
          for (int m = -2; m <= 2 && !special; ++m) {
            if (j == 1 && k == 0 && l == 0 && m == 0) continue;
            const Vec3 img{r[0] + static_cast<float>(k), r[1] + static_cast<float>(l), r[2] + static_cast<float>(m)};
            if (dist(to_cart(run.transf, img), run.atoms.xc[i]) < 0.001f) special = true;
          }
    }
    iaf = special ? 1 : -1;
  }
}

void prattyp(Run& run) {
  logl(run, "\n Number of atom types = " + fmt::i(run.at_types.ntyp, 4));
  for (int t = 1; t <= run.at_types.ntyp; ++t) {
    const int z = run.at_types.iatype[t];
    logl(run, "   atom type = " + symbat(z) + "    atomic number = " + fmt::i(z, 3));
  }
}

void printatoms(Run& run, std::ostream& out) {
  out << "\n" << fmt::x(9) << "ATOM" << fmt::x(6) << "------- FRACTIONAL -------" << fmt::x(4)
      << "------- CARTESIAN -------  FLAG" << '\n';
  int n0 = 0, n1 = 0, nm = 0;
  for (int i = 1; i <= run.atoms.ia; ++i) {
    std::string s = fmt::i(i, 7) + fmt::x(2) + fmt::pad(run.atoms.atom[i], labw) + fmt::x(1);
    for (int c = 0; c < 3; ++c) s += fmt::f(run.atoms.xf[i][c], 9, 5);
    s += fmt::x(2);
    for (int c = 0; c < 3; ++c) s += fmt::f(run.atoms.xc[i][c], 9, 4);
    s += fmt::i(run.atoms1.iaf[i], 6);
    out << s << '\n';
    const int f = run.atoms1.iaf[i];
    (f == 0 ? n0 : f == 1 ? n1 : nm) += 1;
  }
  out << '\n'
      << " FLAG =  0 : normal atoms ( " << fmt::i(n0, 5) << " )" << '\n'
      << "      =  1 : atoms in special positions ( " << fmt::i(n1, 5) << " ) " << '\n'
      << "      = -1 : disordered atoms ( " << fmt::i(nm, 5) << " ) " << '\n';
  if (run.atoms1.lpart) printparts(run, out);
}

void printparts(Run& run, std::ostream& out) {
  std::map<int, int> count;  // part -> atoms
  for (int i = 1; i <= run.atoms.ia; ++i) ++count[run.atoms1.part[i]];
  out << "\n Disorder parts: atoms of two different parts never bond, part 0 bonds to every part,"
      << "\n a negative part never bonds to symmetry images of its own atoms\n"
      << fmt::x(5) << "PART   ATOMS" << '\n';
  for (const auto& [p, n] : count) out << fmt::i(p, 9) << fmt::i(n, 8) << '\n';
}

}  // namespace vorn
