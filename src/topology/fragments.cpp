// Completion of fragments across cell boundaries: symmetry images bonded to present atoms, log and complete.ang.
#include "topology/fragments.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <queue>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "topology/cellgrid.h"
#include "util/err.h"
#include "util/format.h"
#include "model/outfile.h"
#include "model/coords.h"
#include "model/disorder.h"
#include "util/geometry.h"
#include "model/log.h"

namespace vorn {

namespace {

const char* const kWhere = "GenCompleteFrags";
constexpr float kCoincide = 0.001f;  // an image this close to a present atom is that atom
// Above this many candidate images the search draws the candidates near each new atom from
// the images of one cell instead of tabulating them all, so that its cost follows the images
// added, not the translations allowed: for the 2.7 million candidates of a 100000-atom P1
// supercell that took 0.5 s against 0.8 s, and for a protein of that size 0.2 s against 0.4 s
// (the two searches give the same atoms in the same order; tests compare them).
constexpr long long kMaxCandidates = 1000000;

void check_structure(const Run& run) {
  const int ia = run.atoms.ia;
  if (ia < 0 || ia >= atom_slots(run))
    err(kWhere, "ia = " + std::to_string(ia) + " does not match the " + std::to_string(atom_slots(run) - 1) +
                    " atoms stored");
  if (run.symm.ns < 1 || run.symm.ns >= static_cast<int>(run.symm.fs.size()) ||
      run.symm.ns >= static_cast<int>(run.symm.ts.size()))
    err(kWhere, "no symmetry operators set up (ns = " + std::to_string(run.symm.ns) + ")");
  for (int i = 1; i <= ia; ++i) covrad_of(run, i, kWhere);
}

// Drops images of an earlier completion and sets natoms = ia with no images counted.
void start(Run& run) {
  const int ia = run.atoms.ia;
  resize_atoms(run, ia);
  run.cryst.natoms = ia;
  for (int i = 1; i <= ia; ++i) {
    run.cryst.isymeq[i] = 0;
    run.cryst.nsymeq[i] = 0;
  }
}

// Fractional coordinates of the image of atom i under operator s and translation t. Both
// searches take every image from here, so they compare bit-identical positions.
[[gnu::noinline]] Vec3 image_xf(const Run& run, int i, int s, int t1, int t2, int t3) {
  const Mat3& f = run.symm.fs[s];
  const Vec3& t = run.symm.ts[s];
  const Vec3& x = run.atoms.xf[i];
  const float tr[3] = {static_cast<float>(t1), static_cast<float>(t2), static_cast<float>(t3)};
  Vec3 r;
  for (int j = 0; j < 3; ++j) r[j] = f[0][j] * x[0] + f[1][j] * x[1] + f[2][j] * x[2] + t[j] + tr[j];
  return r;
}

inline float cutoff(const Run& run, int zi, int zp) { return run.set.covrad[zi] + run.set.covrad[zp] + run.set.tol1; }

// The image of atom i made by operator s and translation (t1, t2, t3).
SymCopy copy_of(int s, int t1, int t2, int t3) { return SymCopy{s, {t1, t2, t3}}; }

void add_image(Run& run, int i, const SymCopy& copy, const Vec3& xf, const Vec3& xc) {
  const int n = add_atom(run, kWhere);
  run.atoms.atom[n] = run.atoms.atom[i];
  run.atoms.itype[n] = run.atoms.itype[i];
  run.atoms1.occ[n] = run.atoms1.occ[i];
  run.atoms1.iaf[n] = run.atoms1.iaf[i];
  run.atoms1.part[n] = run.atoms1.part[i];
  run.cryst.icopy[n] = copy;
  run.atoms.xf[n] = xf;
  run.atoms.xc[n] = xc;
  run.cryst.isymeq[n] = i;
  ++run.cryst.nsymeq[i];
  run.cryst.natoms = n;
}

void report(Run& run) {
  if (run.cryst.natoms <= run.atoms.ia) return;
  logl(run, "\n List of atoms in complete fragment(s) :");
  std::string head = "\n";
  head += fmt::x(7);
  head += "ATOM";
  head += fmt::x(8);
  head += "------ FRACTIONAL ------";
  head += fmt::x(4);
  head += "----- CARTESIAN -----";
  head += fmt::x(5);
  head += "ISQ NSQ";
  logl(run, head);
  std::string s;
  for (int n = 1; n <= run.cryst.natoms; ++n) {
    s = fmt::i(n, 6);
    s += ' ';
    s += run.atoms.atom[n];
    s += ' ';
    for (int k = 0; k < 3; ++k) s += fmt::f(run.atoms.xf[n][k], 9, 4);
    s += " ";
    for (int k = 0; k < 3; ++k) s += fmt::f(run.atoms.xc[n][k], 8, 3);
    s += fmt::i(run.cryst.isymeq[n], 8);
    s += fmt::i(run.cryst.nsymeq[n], 4);
    logl(run, s);
  }
  std::ofstream ang("complete.ang");
  if (!ang) err(kWhere, "cannot open complete.ang");
  for (int n = 1; n <= run.cryst.natoms; ++n) {
    ang << "ATOM " << fmt::a(run.atoms.atom[n], 10) << fmt::x(3);
    for (int k = 0; k < 3; ++k) ang << fmt::f(run.atoms.xc[n][k], 12, 4);
    ang << '\n';
  }
  close_out(ang, "complete.ang", kWhere);
  logl(run, "\n File with complete fragment(s) in PLATON format : complete.ang");
}

// The addition loop by full rescans: after every added image the scan starts again.
void complete_by_rescan(Run& run) {
  const int ia = run.atoms.ia, ns = run.symm.ns, nc = run.set.ncells;
  for (;;) {
    bool added = false;
    for (int i = 1; i <= ia && !added; ++i) {
      const int zi = run.atoms.itype[i];
      for (int s = 1; s <= ns && !added; ++s)
        for (int t1 = -nc; t1 <= nc && !added; ++t1)
          for (int t2 = -nc; t2 <= nc && !added; ++t2)
            for (int t3 = -nc; t3 <= nc && !added; ++t3) {
              if (s == 1 && t1 == 0 && t2 == 0 && t3 == 0) continue;
              const Vec3 xf = image_xf(run, i, s, t1, t2, t3);
              const Vec3 xc = to_cart(run.transf, xf);
              if (dist(xc, run.atoms.xc[i]) < kCoincide) continue;
              bool present = false;
              for (int p = 1; p <= run.cryst.natoms && !present; ++p)
                present = dist(xc, run.atoms.xc[p]) < kCoincide;
              if (present) continue;
              const SymCopy copy = copy_of(s, t1, t2, t3);
              for (int p = 1; p <= run.cryst.natoms; ++p)
                if (dist(xc, run.atoms.xc[p]) <= cutoff(run, zi, run.atoms.itype[p]) &&
                    image_may_bond(run, i, copy, p)) {
                  add_image(run, i, copy, xf, xc);
                  added = true;
                  break;
                }
            }
    }
    if (!added) return;
  }
}

// The same additions in the same order without rescans. Every candidate image (atom,
// operator, translation) gets a number in scan order. An image is addable while no present
// atom coincides with it and some present atom bonds to it; both conditions, once true, stay
// true, so each newly present atom only has to update the candidates around it. The smallest
// addable number is the image a rescan would find first.
void complete_incrementally(Run& run, long long total) {
  const int ia = run.atoms.ia, ns = run.symm.ns, nc = run.set.ncells;
  const int side = 2 * nc + 1;
  const int per_op = side * side * side;
  const int per_atom = ns * per_op;
  const int m = static_cast<int>(total);

  // candidate c (1-based) = ((i - 1) * ns + (s - 1)) * per_op + translation index + 1
  std::vector<Vec3> cxc(static_cast<size_t>(m) + 1);
  int c = 0;
  for (int i = 1; i <= ia; ++i)
    for (int s = 1; s <= ns; ++s)
      for (int t1 = -nc; t1 <= nc; ++t1)
        for (int t2 = -nc; t2 <= nc; ++t2)
          for (int t3 = -nc; t3 <= nc; ++t3) cxc[++c] = to_cart(run.transf, image_xf(run, i, s, t1, t2, t3));

  enum : std::uint8_t { kDead = 1, kQueued = 2 };
  std::vector<std::uint8_t> state(static_cast<size_t>(m) + 1, 0);
  const int zero = nc * side * side + nc * side + nc;  // index of translation (0, 0, 0)
  for (int i = 1; i <= ia; ++i) state[static_cast<size_t>(i - 1) * per_atom + zero + 1] = kDead;

  // atom and copy of candidate k, as numbered above
  auto candidate = [&](int k, int& i) {
    const int r = k - 1;
    i = r / per_atom + 1;
    const int t = r % per_op;
    return copy_of((r % per_atom) / per_op + 1, t / (side * side) - nc, (t / side) % side - nc, t % side - nc);
  };

  float rad_max = 0.0f;
  for (int i = 1; i <= ia; ++i) rad_max = std::max(rad_max, run.set.covrad[run.atoms.itype[i]]);
  // the widest reach of an atom of element z towards any candidate
  auto reach = [&](int z) { return std::max(run.set.covrad[z] + rad_max + run.set.tol1, kCoincide); };

  const CellGrid grid(cxc, m, std::max(rad_max + rad_max + run.set.tol1, kCoincide));
  std::vector<int> near;
  std::priority_queue<int, std::vector<int>, std::greater<int>> addable;

  auto arrive = [&](int p) {
    const Vec3 xp = run.atoms.xc[p];
    const int zp = run.atoms.itype[p];
    if (grid.usable()) {
      grid.gather(xp, reach(zp), near);
    } else {  // a coordinate is not finite: look at every candidate
      near.resize(static_cast<size_t>(m));
      for (int k = 0; k < m; ++k) near[k] = k + 1;
    }
    for (int k : near) {
      std::uint8_t& st = state[k];
      if (st & kDead) continue;
      const float d = dist(cxc[k], xp);
      if (d < kCoincide) {
        st |= kDead;
      } else if (!(st & kQueued) && d <= cutoff(run, run.atoms.itype[(k - 1) / per_atom + 1], zp)) {
        int i = 0;
        const SymCopy copy = candidate(k, i);
        if (!image_may_bond(run, i, copy, p)) continue;
        st |= kQueued;
        addable.push(k);
      }
    }
  };

  for (int p = 1; p <= ia; ++p) arrive(p);
  while (!addable.empty()) {
    const int k = addable.top();
    addable.pop();
    if (state[k] & kDead) continue;
    int i = 0;
    const SymCopy copy = candidate(k, i);
    const Vec3 xf = image_xf(run, i, copy.s, copy.t[0], copy.t[1], copy.t[2]);
    add_image(run, i, copy, xf, cxc[k]);
    arrive(run.cryst.natoms);
  }
}

// One candidate image in scan order: atom, operator, translation.
struct Cand {
  int i, s, t1, t2, t3;
  auto key() const { return std::tuple(i, s, t1, t2, t3); }
  bool operator==(const Cand& o) const { return key() == o.key(); }
  bool operator>(const Cand& o) const { return key() > o.key(); }
};
struct CandHash {
  size_t operator()(const Cand& c) const {
    size_t h = static_cast<size_t>(c.i) * 1000003u ^ static_cast<size_t>(c.s);
    for (int t : {c.t1, c.t2, c.t3}) h = h * 1000033u ^ static_cast<size_t>(static_cast<unsigned>(t));
    return h;
  }
};

// The incremental additions with candidates made on demand. The untranslated images of every
// atom and operator are binned by their place in the unit cell; the candidates near a new atom
// are the binned images shifted by whole cells into a box around it, kept when the translation
// lies within ncells. States live in a hash map, so only candidates near present atoms cost
// anything. The order is the scan order, as in complete_incrementally.
void complete_on_demand(Run& run) {
  const int ia = run.atoms.ia, ns = run.symm.ns, nc = run.set.ncells;
  float rad_max = 0.0f;
  for (int i = 1; i <= ia; ++i) rad_max = std::max(rad_max, run.set.covrad[run.atoms.itype[i]]);
  auto reach = [&](int z) { return std::max(run.set.covrad[z] + rad_max + run.set.tol1, kCoincide); };
  const double rmax = double(rad_max + rad_max + run.set.tol1) + kCoincide;

  // fractional half-widths of a sphere of radius 1 A along each axis
  std::array<double, 3> unit{};
  for (int j = 0; j < 3; ++j) {
    const auto& r = run.transf.rm1[j];
    unit[j] = std::sqrt(double(r[0]) * r[0] + double(r[1]) * r[1] + double(r[2]) * r[2]);
  }
  struct Entry {
    int i, s;
    std::array<int, 3> k;  // whole cells between the image and its place in the unit cell
  };
  std::array<int, 3> g{};
  for (int j = 0; j < 3; ++j) g[j] = static_cast<int>(std::clamp(1.0 / std::max(rmax * unit[j], 1e-9), 1.0, 64.0));
  std::vector<std::vector<Entry>> bins(static_cast<size_t>(g[0]) * g[1] * g[2]);
  for (int i = 1; i <= ia; ++i)
    for (int s = 1; s <= ns; ++s) {
      const Vec3 x0 = image_xf(run, i, s, 0, 0, 0);
      Entry e{i, s, {}};
      std::array<int, 3> b{};
      for (int j = 0; j < 3; ++j) {
        const double fl = std::floor(double(x0[j]));
        if (!(std::fabs(fl) < 1e6))
          err(kWhere, "atom " + std::to_string(i) + " has a coordinate that is not a number or lies far outside the cell");
        e.k[j] = static_cast<int>(fl);
        b[j] = std::clamp(static_cast<int>((double(x0[j]) - fl) * g[j]), 0, g[j] - 1);
      }
      bins[(static_cast<size_t>(b[0]) * g[1] + b[1]) * g[2] + b[2]].push_back(e);
    }

  enum : std::uint8_t { kDead = 1, kQueued = 2 };
  std::unordered_map<Cand, std::uint8_t, CandHash> state;
  std::priority_queue<Cand, std::vector<Cand>, std::greater<Cand>> addable;
  for (int i = 1; i <= ia; ++i) state[Cand{i, 1, 0, 0, 0}] = kDead;

  auto floordiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  auto arrive = [&](int p) {
    const Vec3 xp = run.atoms.xc[p];
    const Vec3& fp = run.atoms.xf[p];
    const int zp = run.atoms.itype[p];
    const double r = reach(zp);
    std::array<int, 3> lo{}, hi{};
    for (int j = 0; j < 3; ++j) {
      // single-precision images far from the origin are rounded: widen the box by that much
      const double w = r * unit[j] + 1e-4 * (1.0 + std::fabs(double(fp[j])));
      lo[j] = static_cast<int>(std::floor((double(fp[j]) - w) * g[j]));
      hi[j] = static_cast<int>(std::floor((double(fp[j]) + w) * g[j]));
    }
    for (int a = lo[0]; a <= hi[0]; ++a)
      for (int b = lo[1]; b <= hi[1]; ++b)
        for (int c = lo[2]; c <= hi[2]; ++c) {
          const int sh[3] = {floordiv(a, g[0]), floordiv(b, g[1]), floordiv(c, g[2])};
          const size_t bin = (static_cast<size_t>(a - sh[0] * g[0]) * g[1] + (b - sh[1] * g[1])) * g[2] +
                             (c - sh[2] * g[2]);
          for (const Entry& e : bins[bin]) {
            const int t1 = sh[0] - e.k[0], t2 = sh[1] - e.k[1], t3 = sh[2] - e.k[2];
            if (std::abs(t1) > nc || std::abs(t2) > nc || std::abs(t3) > nc) continue;
            const Cand cand{e.i, e.s, t1, t2, t3};
            std::uint8_t& st = state[cand];
            if (st & kDead) continue;
            const float d = dist(to_cart(run.transf, image_xf(run, e.i, e.s, t1, t2, t3)), xp);
            if (d < kCoincide) {
              st |= kDead;
            } else if (!(st & kQueued) && d <= cutoff(run, run.atoms.itype[e.i], zp) &&
                       image_may_bond(run, e.i, copy_of(e.s, t1, t2, t3), p)) {
              st |= kQueued;
              addable.push(cand);
            }
          }
        }
  };

  for (int p = 1; p <= ia; ++p) arrive(p);
  while (!addable.empty()) {
    const Cand c = addable.top();
    addable.pop();
    if (state[c] & kDead) continue;
    const Vec3 xf = image_xf(run, c.i, c.s, c.t1, c.t2, c.t3);
    add_image(run, c.i, copy_of(c.s, c.t1, c.t2, c.t3), xf, to_cart(run.transf, xf));
    arrive(run.cryst.natoms);
  }
}

}  // namespace

void gencompletefrags(Run& run) {
  check_structure(run);
  start(run);
  if (run.set.ncells < 0 || run.atoms.ia == 0) return;
  const double side = 2.0 * run.set.ncells + 1.0;
  const double total = double(run.atoms.ia) * run.symm.ns * side * side * side;
  // NCELLS 0 to 2, the usual settings, keep the tables of every candidate
  if (run.set.ncells > 2 || total > double(kMaxCandidates)) complete_on_demand(run);
  else complete_incrementally(run, static_cast<long long>(total));
  report(run);
}

void gencompletefrags_on_demand(Run& run) {
  check_structure(run);
  start(run);
  if (run.set.ncells < 0 || run.atoms.ia == 0) return;
  complete_on_demand(run);
  report(run);
}

void gencompletefrags_reference(Run& run) {
  check_structure(run);
  start(run);
  if (run.set.ncells < 0) return;
  complete_by_rescan(run);
  report(run);
}

}  // namespace vorn
