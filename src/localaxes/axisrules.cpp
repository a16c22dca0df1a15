// Axis rules: isolated atoms, the unanalysed fallback, planar rings, then rules by neighbour count.
#include "localaxes/axisrules.h"

#include <algorithm>
#include <array>
#include <vector>

#include "chemistry/equivalence.h"
#include "hydrogen/extendh.h"
#include "localaxes/dummy.h"
#include "localaxes/ranking.h"
#include "topology/environment.h"
#include "topology/planarity.h"
#include "util/err.h"
#include "util/format.h"
#include "model/coords.h"
#include "util/geometry.h"
#include "model/log.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "DefLoc";

// Search radii (Angstrom): first, step, last of each widening search.
constexpr float iso_r0 = 5.0f, iso_step = 1.0f, iso_last = 20.0f;         // isolated atom
constexpr float lin_r0 = 2.0f, lin_step = 0.5f, lin_last = 10.0f;         // linear atom
constexpr float term_r0 = 4.0f, term_step = 2.0f, term_last = 10.0f;      // terminal atom
constexpr float hyd_r = 10.0f, hyd_near = 5.0f, hyd_close = 2.5f;         // hydrogen
constexpr float hyd_angle = 170.0f;

// Fixed axis points (stored convention): origin, cell centre, then face and edge centres.
constexpr std::array<Vec3, 8> kFixed = {{{0, 0, 0},
                                         {0.5f, 0.5f, 0.5f},
                                         {0.5f, 0, 0},
                                         {0, 0.5f, 0},
                                         {0, 0, 0.5f},
                                         {0.5f, 0.5f, 0},
                                         {0.5f, 0, 0.5f},
                                         {0, 0.5f, 0.5f}}};

// One atom's rule evaluation: the atom, its neighbour facts and the choice being built.
struct Rules {
  Run& run;
  int k;
  NeighborGrid& grid;  // kept in step when a hydrogen moves
  AxisChoice c{};
  int n = 0;              // covalent neighbours
  int i1st = 0, i2nd = 0; // nearest and second-nearest
  int ih = 0;             // hydrogen neighbours
  std::vector<int> isn{}; // ranked neighbours
  bool lpg = false;       // the atom and its neighbours are planar
  bool print = true;      // the environment searches write their tables to the log

  const Vec3& xc(int j) const { return run.atoms.xc[j]; }
  bool is_h(int j) const { return run.atoms.itype[j] == 1; }
  std::string lab(int j) const { return run.atoms.atom[j]; }

  void label(const char* s) { run.atoms.asym[k] = fmt::pad(s, 5); }

  void to_atom(int slot, char axis, int j) {
    (slot == 1 ? c.at1 : c.at2) = fmt::pad(lab(j), labw);
    (slot == 1 ? c.ax1 : c.ax2) = axis;
    (slot == 1 ? c.xca1 : c.xca2) = xc(j);
    (slot == 1 ? c.pt1 : c.pt2) = j;
  }
  void to_dummy(int slot, char axis, int idum, const Vec3& xcart) {
    (slot == 1 ? c.at1 : c.at2) = fmt::pad(run.dummy.dlab[idum], labw);
    (slot == 1 ? c.ax1 : c.ax2) = axis;
    (slot == 1 ? c.xca1 : c.xca2) = xcart;
    (slot == 1 ? c.pt1 : c.pt2) = -idum;
  }
  void to_new_dummy(int slot, char axis, PointIn in, const Vec3& p) {
    int idum = 0;
    Vec3 xcart{};
    adddummyatom(run, in, p, idum, xcart);
    to_dummy(slot, axis, idum, xcart);
  }
  void to_midpoint(int slot, char axis, int a, int b) {
    to_new_dummy(slot, axis, PointIn::cartesian, midpoint(xc(a), xc(b)));
  }
  // Two trans ligands have their midpoint on the atom itself, where it defines no direction.
  bool trans(int a, int b) const { return angle(a, k, b) > collinear_max; }
  void log_trans(int a, int b, int instead) {
    logl(run, "\n Midpoint of " + fmt::trim(lab(a)) + " and " + fmt::trim(lab(b)) + " lies on " + fmt::trim(lab(k)) +
                  " : the axis points to " + fmt::trim(lab(instead)) + " instead");
  }
  // The fixed point for an axis when no atom serves: the origin, or for the isolated atom's
  // second axis the cell centre. A point on the atom, or in line with the first axis point,
  // would leave the frame undefined (atoms on special positions often sit on exactly these
  // points), so the next point of kFixed that defines the frame is taken instead.
  void to_fixed(int slot, char axis, size_t first) {
    size_t f = first;
    while (f + 1 < kFixed.size() && !fixed_ok(slot, kFixed[f])) ++f;
    // In a cell of a few tenths of an Angstrom every fixed point lies on the atom, and X and Y
    // would share one dummy: no frame XD could use. (A point merely close in angle to the
    // first axis, as from an atom far from the origin in Angstrom coordinates, still serves.)
    if (!fixed_defines(slot, kFixed[f]))
      err("LocalDef", "No fixed point defines the " + std::string(1, axis) + "-axis of atom " + fmt::trim(lab(k)) +
                          " : the cell is too small");
    if (f != first)
      logl(run, "\n Fixed point " + fixed_text(kFixed[first]) + " lies on or in line with " + fmt::trim(lab(k)) +
                    " : the axis points to " + fixed_text(kFixed[f]) + " instead");
    to_new_dummy(slot, axis, PointIn::stored, kFixed[f]);
  }
  void to_origin(int slot, char axis) { to_fixed(slot, axis, 0); }
  bool fixed_defines(int slot, const Vec3& p) const {
    const Vec3 x = stored_to_cart(run.transf, run.set.ifra, p);
    return dist(x, xc(k)) >= tooclose && (slot == 1 || dist(x, c.xca1) >= dumreuse);
  }
  bool fixed_ok(int slot, const Vec3& p) const {
    const Vec3 x = stored_to_cart(run.transf, run.set.ifra, p);
    if (dist(x, xc(k)) < tooclose) return false;
    return slot == 1 || partner_ok(calcang(c.xca1, xc(k), x));
  }
  static std::string fixed_text(const Vec3& p) {
    std::string s;
    for (float v : p) s += (s.empty() ? "" : ",") + std::string(v == 0.0f ? "0" : "0.5");
    return s;
  }

  // Mean position of atoms ids in the stored convention.
  Vec3 stored_mean(const std::vector<int>& ids) const {
    Vec3 s{0, 0, 0};
    for (int j : ids) {
      const Vec3& p = run.set.ifra == frac_stored ? run.atoms.xf[j] : run.atoms.xc[j];
      for (int a = 0; a < 3; ++a) s[a] += p[a];
    }
    for (int a = 0; a < 3; ++a) s[a] /= static_cast<float>(ids.size());
    return s;
  }

  float angle(int a, int b, int d) const { return calcang(xc(a), xc(b), xc(d)); }
  void accept_angle(int a, int b, int d, float ang) { prtang(run, run.nout, a, b, d, ang); }

  void no_neighbors(int around, float r, const char* what) {
    cboth(run, "\n No neighbors of atom " + lab(around) + " were found within " + fmt::f(r, 10, 2) + " Angstroms");
    cboth(run, what);
  }
};

// ---- second axis points that keep the frame defined ----

// The first of cand[from..] (other than skip) whose angle with `first` at the atom is a valid partner.
int first_partner(Rules& R, int first, const std::vector<int>& cand, size_t from, int skip = 0) {
  for (size_t m = from; m < cand.size(); ++m) {
    const int j = cand[m];
    if (j == first || j == skip) continue;
    const float a = R.angle(first, R.k, j);
    if (partner_ok(a)) {
      R.accept_angle(first, R.k, j, a);
      return j;
    }
  }
  return 0;
}

// Second point for an axis towards atom `first` when the ranked list gives none: the
// isolated-atom search, widening until an atom off the first axis turns up.
void widen_second(Rules& R, int first, char axis) {
  Run& run = R.run;
  float r = iso_r0;
  while (true) {
    const Neig g = findnei(run, R.k, r, R.print, &R.grid);
    const std::vector<int> cand(g.iatn.begin() + 1, g.iatn.end());
    if (const int j = first_partner(R, first, cand, 0)) {
      R.to_atom(2, axis, j);
      return;
    }
    if (r >= iso_last) break;
    r += iso_step;
  }
  R.no_neighbors(R.k, r, " Will make dummy at 0,0,0");
  R.to_origin(2, axis);
}

// X towards list[0] and Y towards list[1]. Two points in line with the atom (the trans
// ligands of an octahedral metal) leave the frame undefined, so the second point is then the
// first further candidate off the first axis; without one, the widening search finds it.
void ranked_pair(Rules& R, const std::vector<int>& list) {
  const int first = list[0];
  R.to_atom(1, 'X', first);
  if (list.size() < 2) {
    logl(R.run, "\n Only one candidate for the axes of " + fmt::trim(R.lab(R.k)) +
                    "; the second axis point comes from a wider search");
    widen_second(R, first, 'Y');
    return;
  }
  const float a = R.angle(first, R.k, list[1]);
  if (partner_ok(a)) {
    R.to_atom(2, 'Y', list[1]);
    return;
  }
  logl(R.run, "\n Axis atoms " + fmt::trim(R.lab(first)) + " and " + fmt::trim(R.lab(list[1])) + " make " +
                  fmt::f(a, 8, 2) + " deg. at " + fmt::trim(R.lab(R.k)) + " : the second axis atom is replaced");
  if (const int j = first_partner(R, first, list, 2)) {
    R.to_atom(2, 'Y', j);
    return;
  }
  widen_second(R, first, 'Y');
}

// ---- step A: too few neighbours ----

void isolated(Rules& R) {
  Run& run = R.run;
  float r = iso_r0;
  Neig g;
  while (true) {
    g = findnei(run, R.k, r, R.print, &R.grid);
    if (g.inei > 1 || r >= iso_last) break;
    r += iso_step;
  }
  R.label("NO");
  if (g.inei < 2) {
    R.no_neighbors(R.k, r, " Will make dummies at 0,0,0 and 0.5,0.5,0.5");
    R.to_fixed(1, 'X', 0);
    R.to_fixed(2, 'Y', 1);
    return;
  }
  ranked_pair(R, std::vector<int>(g.iatn.begin() + 1, g.iatn.end()));
}

// ---- step C: planar rings ----

bool in_ring(const Run& run, int r, int j) {
  const auto& m = run.rings.nra[r];
  return std::find(m.begin(), m.begin() + run.rings.noar[r], j) != m.begin() + run.rings.noar[r];
}

struct Cyc {
  bool cyclic = false, plane = false, plane2 = false;
  int ir = 0, mem = 0;
};
Cyc cyc(const Run& run, int j) {
  Cyc y;
  isitcyclic(run, j, y.cyclic, y.plane, y.plane2, y.ir, y.mem);
  return y;
}

// A ring rule that finds no atom for an axis does not stop the run: the atom falls back to
// the general rules, which always find a frame.
bool ring_gives_up(Rules& R, char axis) {
  logl(R.run, "\n Warning : Could not find atom to direct " + std::string(1, axis) +
                  "-axis; the general rules are used for this atom");
  R.c.at1 = R.c.at2 = std::string(labw, ' ');
  R.c.ax1 = R.c.ax2 = ' ';
  R.c.xca1 = R.c.xca2 = Vec3{};
  R.c.pt1 = R.c.pt2 = 0;
  return false;
}

// True when a ring rule fixed both axes.
bool planar_rings(Rules& R) {
  Run& run = R.run;
  const Cyc y = cyc(run, R.k);
  if (y.plane && y.cyclic) {
    logl(run, "\n Atom belongs to only one planar ring ( #" + fmt::i(y.ir, 5) + " )");
    run.forring.iring = 1;
    run.forring.imemb = y.mem;
    if (!run.set.lspe) return false;
    const int r = y.ir;
    int idum = run.rings.ipldum[r];
    Vec3 xcart{};
    if (idum == 0) {
      const std::vector<int> members(run.rings.nra[r].begin(), run.rings.nra[r].begin() + run.rings.noar[r]);
      adddummyatom(run, PointIn::stored, R.stored_mean(members), idum, xcart);
      run.rings.ipldum[r] = idum;
    } else {
      xcart = stored_to_cart(run.transf, run.set.ifra, run.dummy.xdum[idum]);
    }
    logl(run, "\n Dummy atom which defines the ring center = " + fmt::trim(run.dummy.dlab[idum]));
    auto y_atom = std::find_if(R.isn.begin(), R.isn.end(), [&](int j) { return in_ring(run, r, j); });
    if (y_atom == R.isn.end()) return ring_gives_up(R, 'Y');
    R.label("m");
    R.to_dummy(1, 'X', idum, xcart);
    R.to_atom(2, 'Y', *y_atom);
    return true;
  }
  if (y.cyclic && !y.plane && !y.plane2)
    logl(run,
         "\n This atom belongs to 1 or 2 rings which are NOT planar ' or it belongs to >2 rings\n"
         " Will be treated as if it DOES NOT belong to a ring");
  if (y.plane2 && y.cyclic) {
    logl(run, "\n Atom belongs to 2 planar rings of tot numb ( #" + fmt::i(y.ir, 5) + " )");
    run.forring.iring = 2;
    run.forring.imemb = y.mem;
    if (!run.set.lspe) return false;
    int xj = 0;
    Cyc yx;
    for (int j : R.isn) {
      yx = cyc(run, j);
      if (yx.cyclic && !yx.plane) {
        xj = j;
        break;
      }
    }
    if (xj == 0) return ring_gives_up(R, 'X');
    // two fused planar rings of 6+5 or 6+6 atoms: Y into the six-membered ring
    if (yx.mem != 11 && yx.mem != 12) return false;
    auto y_atom = std::find_if(R.isn.begin(), R.isn.end(), [&](int j) {
      const Cyc yy = cyc(run, j);
      return yy.cyclic && yy.plane && yy.mem == 6;
    });
    if (y_atom == R.isn.end()) return ring_gives_up(R, 'Y');
    R.label("m");
    R.to_atom(1, 'X', xj);
    R.to_atom(2, 'Y', *y_atom);
    return true;
  }
  return false;
}

// ---- step D: general rules ----

using Pairs = std::vector<std::array<int, 2>>;

bool in_pair(const std::array<int, 2>& p, int j) { return p[0] == j || p[1] == j; }

// The neighbour in no pair; the last such in distance order.
int odd_neighbor(const Rules& R, const Pairs& isame) {
  int odd = 0;
  for (int m = 0; m < R.n; ++m) {
    const int j = R.run.neighbors.jnei[R.k][m];
    if (std::none_of(isame.begin(), isame.end(), [&](const auto& p) { return in_pair(p, j); })) odd = j;
  }
  return odd;
}

[[noreturn]] void bad_pair_count(int is) { err(kPlace, " is = " + fmt::i(is, 4) + " is not valid..."); }

void four_neighbors(Rules& R, const Pairs& isame) {
  const int is = static_cast<int>(isame.size());
  if (is == 1) {
    // the unique neighbours first, then the pair, as candidates for a defined frame
    std::vector<int> order;
    for (int j : R.isn)
      if (!in_pair(isame[0], j)) order.push_back(j);
    for (int j : R.isn)
      if (in_pair(isame[0], j)) order.push_back(j);
    R.label("m");
    ranked_pair(R, order);
  } else if (is == 2) {
    auto z = std::find_if(isame.begin(), isame.end(), [&](const auto& p) { return !R.is_h(p[0]); });
    if (z == isame.end()) err(kPlace, "4 neighbors: 2 + 2 case");
    auto y = std::find_if(isame.begin(), isame.end(), [&](const auto& p) { return &p != &*z; });
    if (y == isame.end()) err(kPlace, "4 neighbors: 2 + 2 case");
    R.label("mm2");
    if (R.trans((*z)[0], (*z)[1])) {
      // square-planar trans-MA2B2: the 2-fold axis of mm2 runs along the A-M-A line
      R.log_trans((*z)[0], (*z)[1], (*z)[0]);
      R.to_atom(1, 'Z', (*z)[0]);
    } else {
      R.to_midpoint(1, 'Z', (*z)[0], (*z)[1]);
    }
    R.to_atom(2, 'Y', (*y)[0]);
  } else if (is == 3) {
    R.label("3m");
    R.to_atom(1, 'Z', odd_neighbor(R, isame));
    R.to_atom(2, 'X', isame[0][0]);
  } else if (is >= 4 && is <= 6) {
    // Z along the S4 axis through the midpoint of the first two ranked neighbours, Y towards
    // the third: the two mirror planes are then X-Z and Y-Z, the setting of the -42m key row.
    // In a square-planar MA4 the first two may be trans: the midpoint then pairs the first
    // with the next ranked neighbour cis to it, and Y goes to the first one left over.
    R.label("-42m");
    size_t second = 1;
    while (second + 1 < R.isn.size() && R.trans(R.isn[0], R.isn[second])) ++second;
    if (second != 1) R.log_trans(R.isn[0], R.isn[1], R.isn[second]);
    R.to_midpoint(1, 'Z', R.isn[0], R.isn[second]);
    R.to_atom(2, 'Y', R.isn[second == 1 ? 2 : 1]);
  } else {
    R.label("NO");
    ranked_pair(R, R.isn);
  }
}

void three_neighbors(Rules& R, const Pairs& isame) {
  const int is = static_cast<int>(isame.size());
  if (!R.lpg) {
    const int rule = is == 0 ? 310 : is == 1 ? 311 : is == 3 ? 312 : 0;
    logl(R.run, "\n Label = " + fmt::i(rule, 5));
    if (is == 0) {
      R.label("NO");
      ranked_pair(R, R.isn);
    } else if (is == 1) {
      R.label("m");
      R.to_midpoint(1, 'X', isame[0][0], isame[0][1]);
      R.to_atom(2, 'Y', odd_neighbor(R, isame));
    } else if (is == 3) {
      R.label("3m");
      const auto& jn = R.run.neighbors.jnei[R.k];
      R.to_new_dummy(1, 'Z', PointIn::stored, R.stored_mean({jn[0], jn[1], jn[2]}));
      R.to_atom(2, 'X', R.i1st);
    } else {
      bad_pair_count(is);
    }
    return;
  }
  const int rule = is == 0 ? 300 : is == 1 ? 301 : is == 3 ? 303 : 0;
  logl(R.run, "\n Label = " + fmt::i(rule, 5));
  if (is == 0) {
    R.label("m");
    ranked_pair(R, R.isn);
  } else if (is == 1) {
    R.label("mm2");
    const int odd = odd_neighbor(R, isame);
    // a T-shaped atom with the pair trans: the 2-fold axis runs to the odd neighbour
    const bool on_atom = R.trans(isame[0][0], isame[0][1]);
    if (R.is_h(odd) && on_atom) R.log_trans(isame[0][0], isame[0][1], odd);
    if (R.is_h(odd) && !on_atom)
      R.to_midpoint(1, 'Z', isame[0][0], isame[0][1]);
    else
      R.to_atom(1, 'Z', odd);
    R.to_atom(2, 'X', isame[0][0]);
  } else if (is == 3) {
    R.label("3m");
    R.to_atom(1, 'X', R.i1st);
    R.to_atom(2, 'Y', R.i2nd);
  } else {
    bad_pair_count(is);
  }
}

void two_neighbors(Rules& R, const Pairs& isame) {
  Run& run = R.run;
  const float theta = R.angle(R.i1st, R.k, R.i2nd);
  if (theta >= linear_angle) {
    logl(run, "\n LINEAR conformation !");
    R.label("cyl");
    const int in1 = R.is_h(R.i2nd) ? R.i1st : R.i2nd;
    R.to_atom(1, 'Z', in1);
    float r = lin_r0;
    while (true) {
      const Neig g = findnei(run, R.k, r, R.print, &R.grid);
      if (g.inei > 2) {
        // The coincidence limit applies here as everywhere: an atom straight beyond in1
        // would leave X undefined.
        const std::vector<int> cand(g.iatn.begin() + 3, g.iatn.end());
        if (const int j = first_partner(R, in1, cand, 0)) {
          R.to_atom(2, 'X', j);
          return;
        }
      }
      if (r >= lin_last) break;
      r += lin_step;
    }
    R.no_neighbors(R.k, r, " Will make dummy at 0,0,0");
    R.to_origin(2, 'X');
    return;
  }
  logl(run, "\n BENT conformation !");
  if (isame.size() == 1) {
    R.label("mm2");
    R.to_midpoint(1, 'Z', R.i1st, R.i2nd);
    R.to_atom(2, 'Y', R.i1st);
  } else {
    R.label("m");
    const bool swap = R.ih == 1;
    R.to_atom(1, 'X', swap ? R.i2nd : R.i1st);
    R.to_atom(2, 'Y', swap ? R.i1st : R.i2nd);
  }
}

void terminal_heavy(Rules& R) {
  Run& run = R.run;
  const Neighbors& nb = run.neighbors;
  const int p = R.i1st;
  R.label("m");
  R.to_atom(1, 'X', p);
  const int np = nb.nnei[p];
  if (np > 1) {
    for (int m = 0; m < np; ++m) {
      const int q = nb.jnei[p][m];
      if (q == R.k) continue;
      const float a = R.angle(R.k, p, q);
      if (a <= coincide_max) continue;
      if (a > collinear_max) {
        R.c.ax1 = 'Z';
        R.label("cyl");
        continue;
      }
      R.accept_angle(R.k, p, q, a);
      R.to_atom(2, 'Y', q);
      return;
    }
  }
  const int q0 = np > 1 ? nb.jnei[p][np - 1] : 0;
  float r = term_r0;
  while (true) {
    const Neig g = findnei(run, p, r, R.print, &R.grid);
    if (q0 != 0) {
      for (int m = 1; m <= g.inei; ++m) {
        const int cnd = g.iatn[m];
        if (cnd == R.k || cnd == q0) continue;
        const float a = R.angle(R.k, p, cnd);
        if (!partner_ok(a)) continue;
        R.accept_angle(R.k, p, cnd, a);
        R.to_atom(2, 'Y', cnd);
        return;
      }
    }
    if (r > term_last) break;
    r += term_step;
  }
  R.no_neighbors(p, r, " Will make dummy at 0,0,0");
  R.to_origin(2, 'Y');
}

void terminal_hydrogen(Rules& R) {
  Run& run = R.run;
  const Neighbors& nb = run.neighbors;
  const int p = R.i1st;
  R.label("cyl");
  R.to_atom(1, 'Z', p);
  run.forh.ihp[R.k] = run.atoms.itype[p];
  run.forh.isp[R.k] = nb.nnei[p];
  run.forh.ihnei[R.k] = nb.jtnei[p] > 0 ? nb.jnnei[p][0] : 0;
  logl(run, "\n Hydrogen connected to an atom with " + fmt::i(run.forh.isp[R.k], 2) + " bonds ( " +
                fmt::i(run.forh.ihnei[R.k], 2) + " - Hydrogen(s) )");
  if (nb.nnei[p] > 1 && nb.jtnei[p] == 1) {
    for (int m = 0; m < nb.nnei[p]; ++m)
      if (nb.jnei[p][m] != R.k) {
        R.to_atom(2, 'Y', nb.jnei[p][m]);
        if (run.set.lfh) extendh(run, p, R.k, &R.grid);
        return;
      }
    err(kPlace, "can not happen <1>");
  }
  R.print = false;
  // The nearest fitting atom within hyd_r, found first among the atoms within hyd_close, then
  // hyd_near: the list within a radius is the start of the list within a larger one, up to the
  // copies of one position (which the searches keep by atom number) straddling the radius, so
  // an atom closer than the radius - 10 samexyz (chains of up to ten copies) is the answer of
  // the wide search. Otherwise the next radius is searched. The heavy neighbour of a methyl or
  // amino hydrogen's atom is nearly always found within hyd_close, among a tenth of the atoms.
  auto first_fit = [&](float r, float sure) {
    const Neig g = getnei(run, p, r, &R.grid);
    for (int m = 1; m <= g.inei; ++m) {
      if (g.rnd[m] > sure) return -1;
      const int cnd = g.iatn[m];
      if (run.cryst.isymeq[cnd] != 0 || R.is_h(cnd)) continue;
      const float a = R.angle(R.k, p, cnd);
      // An acceptor straight beyond the hydrogen would leave Y undefined: the coincidence
      // limit of the other rules applies here too.
      if (a <= coincide_max || a > hyd_angle) continue;
      R.accept_angle(R.k, p, cnd, a);
      return cnd;
    }
    return sure < r ? -1 : 0;
  };
  int y = -1;
  if (run.algorithms != Algorithms::literal)
    for (const float r : {hyd_close, hyd_near})
      if ((y = first_fit(r, r - 10 * samexyz)) >= 0) break;
  if (y < 0) y = first_fit(hyd_r, hyd_r + 1.0f);
  if (y != 0) {
    R.to_atom(2, 'Y', y);
  } else {
    R.no_neighbors(p, hyd_r, " Will make dummy at 0,0,0");
    R.to_origin(2, 'Y');
  }
  if (run.set.lfh) extendh(run, p, R.k, &R.grid);
}

void general_rules(Rules& R) {
  Run& run = R.run;
  const Neighbors& nb = run.neighbors;
  if (R.n > 2) {
    std::array<int, 100> id{};
    const int nn = collectnei(run, R.k, id);
    bool planar = false;
    planarity(run, run.set.iverbose > 2 ? 1 : 0, planar, nn, std::span<const int>(id.data(), nn), 1);
    R.lpg = planar;
    logl(run, "\n Atomic group (" + fmt::i(nn, 2) + " atoms) planarity (lPG) = ." + fmt::l(R.lpg) + ".");
  }
  Pairs isame;
  for (int i = 0; i < R.n; ++i)
    for (int j = i + 1; j < R.n; ++j)
      if (sameatoms(run, nb.jnei[R.k][i], nb.jnei[R.k][j], 0, 0, run.set.isimple, 0)) {
        isame.push_back({nb.jnei[R.k][i], nb.jnei[R.k][j]});
        logl(run, "\n Same atoms : " + fmt::i(nb.jnei[R.k][i], 6) + fmt::i(nb.jnei[R.k][j], 6));
      }
  logl(run, "\n is = " + fmt::i(static_cast<int>(isame.size()), 4));
  switch (R.n) {
    case 4: four_neighbors(R, isame); break;
    case 3: three_neighbors(R, isame); break;
    case 2: two_neighbors(R, isame); break;
    default:
      if (R.is_h(R.k))
        terminal_hydrogen(R);
      else
        terminal_heavy(R);
  }
}

}  // namespace

AxisChoice choose_axes(Run& run, int k, NeighborGrid& grid) {
  Rules R{run, k, grid};
  const Neighbors& nb = run.neighbors;
  run.forring = Forring{};
  prtatomnei(run, k, run.nout);
  R.isn = sortnei(run, k);
  R.n = nb.nnei[k];
  R.c.lkdis = run.atoms1.iaf[k] == -1;
  for (int m = 0; m < R.n; ++m)
    if (run.atoms1.iaf[nb.jnei[k][m]] == -1) R.c.lndis = true;
  R.lpg = R.n <= 3;
  R.i1st = R.n > 0 ? nb.jnei[k][0] : 0;
  R.i2nd = R.n > 1 ? nb.jnei[k][1] : 0;
  R.ih = nb.jtnei[k] > 0 && nb.janei[k][0] == 1 ? nb.jnnei[k][0] : 0;
  logl(run, "\n Number of covalently-bonded H-atoms = " + fmt::i(R.ih, 4));

  const bool lsx = run.set.lsx;
  if ((!lsx && R.n == 0) || (lsx && R.n <= 1)) {
    isolated(R);
  } else if ((!R.c.lkdis && R.c.lndis) || R.n > 4 || lsx) {
    R.label("NO");
    ranked_pair(R, R.isn);
  } else if (!planar_rings(R)) {
    general_rules(R);
  }
  R.c.lpg = R.lpg;
  return R.c;
}

}  // namespace vorn
