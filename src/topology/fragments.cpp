// Completion of fragments across cell boundaries: symmetry images bonded to present atoms, log and complete.ang.
#include "topology/fragments.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <queue>
#include <vector>

#include "topology/cellgrid.h"
#include "util/err.h"
#include "util/format.h"
#include "model/outfile.h"
#include "model/coords.h"
#include "util/geometry.h"
#include "model/log.h"

namespace vorn {

namespace {

const char* const kWhere = "GenCompleteFrags";
constexpr float kCoincide = 0.001f;  // an image this close to a present atom is that atom
// Above this many candidate images the incremental tables would take more than about a
// gigabyte; such a search falls back to the rescanning one, which stores nothing.
constexpr long long kMaxCandidates = 40000000;

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

void add_image(Run& run, int i, const Vec3& xf, const Vec3& xc) {
  const int n = add_atom(run, kWhere);
  run.atoms.atom[n] = run.atoms.atom[i];
  run.atoms.itype[n] = run.atoms.itype[i];
  run.atoms1.occ[n] = run.atoms1.occ[i];
  run.atoms1.iaf[n] = run.atoms1.iaf[i];
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
              for (int p = 1; p <= run.cryst.natoms; ++p)
                if (dist(xc, run.atoms.xc[p]) <= cutoff(run, zi, run.atoms.itype[p])) {
                  add_image(run, i, xf, xc);
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
    const int r = k - 1;
    const int i = r / per_atom + 1;
    const int s = (r % per_atom) / per_op + 1;
    const int t = r % per_op;
    const Vec3 xf = image_xf(run, i, s, t / (side * side) - nc, (t / side) % side - nc, t % side - nc);
    add_image(run, i, xf, cxc[k]);
    arrive(run.cryst.natoms);
  }
}

}  // namespace

void gencompletefrags(Run& run) {
  check_structure(run);
  start(run);
  if (run.set.ncells < 0 || run.atoms.ia == 0) return;
  const long long side = 2LL * run.set.ncells + 1;
  const long long total = static_cast<long long>(run.atoms.ia) * run.symm.ns * side * side * side;
  if (total > kMaxCandidates) complete_by_rescan(run);
  else complete_incrementally(run, total);
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
