// X-H groups by parent environment, the move to the standard distance, and the bond-reset, constraint and restraint lines.
#include "hydrogen/extendh.h"

#include <array>
#include <span>
#include <vector>

#include "model/coords.h"
#include "model/log.h"
#include "topology/planarity.h"
#include "util/err.h"
#include "util/format.h"
#include "util/geometry.h"
#include "util/text.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "ExtendH";

// What the group table asks about the parent X of one hydrogen.
struct Parent {
  int z = 0, n = 0, nh = 0;  // element, neighbours, hydrogens (record forh)
  bool others_ch = false;    // every neighbour of X is C or H
  bool ring = false;         // X lies in a planar ring
  int c3 = 0;                // neighbours of X that are carbons with three neighbours
  bool planar = false;       // X with its neighbours passes the group planarity test (NH2 only)
  int cn = 0;                // neighbours of the last carbon on X; 0: X has no carbon
  bool c_ring = false;       // that carbon lies in a planar ring
  bool c_oxo = false;        // that carbon carries an oxygen with one neighbour
  bool y_c = false;          // Y, the other partner of an OH oxygen, is carbon
  int y_o = 0;               // oxygens on Y
  bool y_ring = false;       // Y lies in a planar ring
  int y_n = 0;               // neighbours of Y
  bool y_o1 = false;         // the second oxygen of a carbon Y has one neighbour
};

using Test = bool (*)(const Parent&);

// One row: parent element, its neighbour count (0 any), its hydrogens (-1 any), the further
// condition, the group and its standard distance (Angstrom).
struct Row {
  int z, n, nh;
  Test when;
  const char* name;
  float rnew;
};

constexpr Test any = [](const Parent&) { return true; };

// Tested in this order, the first match wins: the "otherwise" rows rely on the rows above.
constexpr std::array<Row, 27> kGroups{{
    {6, 4, 3, [](const Parent& p) { return p.others_ch; }, "C-C-H3", 1.077f},
    {6, 4, 3, any, "X-C-H3", 1.077f},
    {6, 4, 2, [](const Parent& p) { return p.others_ch; }, "C2-C-H2", 1.092f},
    {6, 4, 2, any, "X2-C-H2", 1.091f},
    {6, 4, 1, [](const Parent& p) { return p.others_ch; }, "C3-C-H", 1.099f},
    {6, 4, 1, any, "X3-C-H", 1.098f},
    {6, 3, 1, [](const Parent& p) { return p.ring; }, "aromatic C-H", 1.083f},
    {6, 3, -1, any, "C-C=C-H", 1.082f},
    {7, 3, 1, [](const Parent& p) { return p.c3 == 2; }, "C2-N-H", 1.030f},
    {7, 3, 1, any, "X2-N-H", 1.027f},
    {7, 3, 2, [](const Parent& p) { return !p.planar && p.cn == 3 && p.c_ring; }, "C(ar)-N-H2py", 1.024f},
    {7, 3, 2, [](const Parent& p) { return !p.planar && p.cn == 3; }, "X-N-H2", 1.015f},
    {7, 3, 2, [](const Parent& p) { return p.planar && p.cn == 3 && p.c_ring; }, "C(ar)-N-H2pl", 1.010f},
    {7, 3, 2, [](const Parent& p) { return p.planar && p.cn == 3 && p.c_oxo; }, "C-N-H2 amido", 1.010f},
    {7, 3, 2, [](const Parent& p) { return p.planar && p.cn == 3; }, "C-N-H2pl", 1.012f},
    {7, 3, 2, [](const Parent& p) { return p.planar && p.cn == 4; }, "Csp3-N-H2pl", 1.002f},
    {7, 3, 2, [](const Parent& p) { return p.planar && p.cn == 0; }, "X-N-H2pl", 1.015f},
    {7, 4, -1, any, "N+-H", 1.036f},
    {8, 2, 2, any, "water", 0.9584f},
    {8, 2, 1, [](const Parent& p) { return p.y_c && p.y_o == 1 && !p.y_ring && p.y_n == 4; }, "Csp3-O-H in alcohol", 0.970f},
    {8, 2, 1, [](const Parent& p) { return p.y_c && p.y_o == 1 && !p.y_ring; }, "C-O-H any", 0.980f},
    {8, 2, 1, [](const Parent& p) { return p.y_c && p.y_o == 1; }, "O-H in phenol", 0.992f},
    {8, 2, 1, [](const Parent& p) { return p.y_c && p.y_o == 2 && p.y_o1; }, "O-H in acid", 1.018f},
    {8, 2, 1, [](const Parent& p) { return p.y_c && p.y_o == 2; }, "O-H in ether", 0.980f},
    {8, 2, 1, [](const Parent& p) { return !p.y_c && (p.y_o == 3 || p.y_o == 4); }, "O-H in Pacid", 1.015f},
    {8, 2, 1, [](const Parent& p) { return !p.y_c; }, "X-OH", 0.983f},
    {16, 0, -1, any, "S-H", 1.338f},
}};

// URATIO by parent element; every other element 0.
constexpr std::array<std::pair<int, float>, 4> kRatio{{{6, 1.2f}, {7, 1.5f}, {8, 1.5f}, {16, 1.5f}}};

bool known_parent(int z) { return z == 6 || z == 7 || z == 8 || z == 16; }

bool in_planar_ring(const Run& run, int a) {
  bool cyclic = false, plane = false, plane2 = false;
  int iring = 0, mem = 0;
  isitcyclic(run, a, cyclic, plane, plane2, iring, mem);
  return cyclic && plane;
}

// Slot of element z among the neighbour types of atom a, or -1.
int type_slot(const Run& run, int a, int z) {
  const Neighbors& nb = run.neighbors;
  for (int t = 0; t < nb.jtnei[a]; ++t)
    if (nb.janei[a][t] == z) return t;
  return -1;
}

Parent parent_facts(Run& run, int l, int k) {
  const Neighbors& nb = run.neighbors;
  const auto& itype = run.atoms.itype;
  Parent p;
  p.z = run.forh.ihp[k];
  p.n = run.forh.isp[k];
  p.nh = run.forh.ihnei[k];
  p.others_ch = true;
  int c = 0;
  for (int m = 0; m < nb.nnei[l]; ++m) {
    const int j = nb.jnei[l][m];
    if (itype[j] != 1 && itype[j] != 6) p.others_ch = false;
    if (itype[j] == 6) {
      c = j;
      if (nb.nnei[j] == 3) ++p.c3;
    }
  }
  if (p.z == 6 && p.n == 3) p.ring = in_planar_ring(run, l);
  if (p.z == 7 && p.n == 3 && p.nh == 2) {
    std::array<int, 100> id{};
    int nn = 0;
    for (int m = 0; m < nb.nnei[l] && nn < 99; ++m) id[nn++] = nb.jnei[l][m];
    id[nn++] = l;
    planarity(run, 0, p.planar, nn, std::span<const int>(id.data(), nn), 3);
    if (c != 0) {
      p.cn = nb.nnei[c];
      p.c_ring = in_planar_ring(run, c);
      for (int m = 0; m < nb.nnei[c]; ++m) {
        const int j = nb.jnei[c][m];
        if (itype[j] == 8 && nb.nnei[j] == 1) p.c_oxo = true;
      }
    }
  }
  if (p.z == 8 && p.n == 2 && p.nh == 1) {
    // Y is the oxygen's partner other than this hydrogen: the farther neighbour as a rule,
    // but an O-H drawn longer than the O-Y bond must not make the hydrogen its own Y.
    int y = 0;
    for (int m = 0; m < nb.nnei[l]; ++m)
      if (nb.jnei[l][m] != k) y = nb.jnei[l][m];
    const int t = y == 0 ? -1 : type_slot(run, y, 8);
    if (t < 0) err(kPlace, "Error 1 in Y-O-H");
    p.y_c = itype[y] == 6;
    p.y_o = nb.jnnei[y][t];
    p.y_n = nb.nnei[y];
    if (p.y_c) p.y_ring = in_planar_ring(run, y);
    if (p.y_c && p.y_o == 2) {
      int other = 0;
      for (int j : nb.jsnei[y][t])
        if (j != l) other = j;
      if (other == 0) err(kPlace, "Error 2 in Y-O-H");
      p.y_o1 = nb.nnei[other] == 1;
    }
  }
  return p;
}

// The X-H log line; without distances it ends after the text.
std::string xh_line(const Run& run, int l, int k, const std::string& text) {
  return "   X-H group : " + fmt::trim(run.atoms.atom[l]) + "-" + fmt::trim(run.atoms.atom[k]) + " >  " + text;
}

// The label as the MoPro restraints give it: brackets removed, the original length kept.
std::string mopro_label(const Run& run, int i) {
  const std::string label = fmt::pad(run.atoms.atom[i], 8);
  std::string s = label;
  erbras(s);
  return fmt::a(s.substr(0, fmt::trim(label).size()), 5);
}

// The residue-style MoPro name; a symmetry image takes its original's.
std::string residue_name(const Run& run, int i) {
  if (i > run.atoms.ia && i < static_cast<int>(run.cryst.isymeq.size()) && run.cryst.isymeq[i] > 0)
    i = run.cryst.isymeq[i];
  const auto& r = run.resi1.resi2;
  return i >= 0 && i < static_cast<int>(r.size()) ? fmt::wide(r[i], 10) : std::string(10, ' ');
}

std::string axis_ref(char axis, int atom) {
  std::string s = std::string(1, axis) + "/" + fmt::i(atom, 8);
  rmblanks(s);
  return fmt::trim(s);
}

void write_files(Run& run, int l, int k, float rnew) {
  const std::string xl = fmt::trim(run.atoms.atom[l]), hl = fmt::trim(run.atoms.atom[k]);
  run.irb << fmt::trim("RESET BOND  " + xl + " " + hl + fmt::f(rnew, 6, 3)) << '\n';

  const float ratio = uratio(run.atoms.itype[l]);
  std::string res = "URATIO" + fmt::x(6);
  if (run.resi1.resi11) {
    const std::string rx = residue_name(run, l), rh = residue_name(run, k);
    run.ires << "DISTAN   " << rx << "  " << rh << " " << fmt::f(rnew, 6, 3) << "  0.001\n";
    res += rx + "  " + rh + " " + fmt::f(ratio, 6, 1) + "  0.01";
  } else {
    const std::string mx = mopro_label(run, l), mh = mopro_label(run, k);
    run.ires << "DISTAN   " << mx << " 1  " << mh << " 1 " << fmt::f(rnew, 6, 3) << " 0.001\n";
    res += mx + " 1  " + mh + " 1 " + fmt::f(ratio, 6, 1) + " 0.01";
  }
  run.text.res[k] = fmt::pad(res, 100);

  run.icb << "!\n! " << fmt::pad(run.atoms.atom[l], 8) << " - " << fmt::pad(run.atoms.atom[k], 8) << " = "
          << fmt::f(rnew, 9, 3) << " Angstroms\n!\n";
  for (char axis : {'X', 'Y', 'Z'}) run.icb << "CON 1 " << axis_ref(axis, l) << " -1 " << axis_ref(axis, k) << " = 0\n";
}

}  // namespace

void extendbond(const Vec3& p1, Vec3& p2, float rnew, float& rold) {
  rold = dist(p1, p2);
  if (!(rold > 0.0f)) return;
  const float s = rnew / rold;
  for (int a = 0; a < 3; ++a) p2[a] = p1[a] + s * (p2[a] - p1[a]);
}

Vec3 midpoint(const Vec3& a, const Vec3& b) { return {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2}; }

float uratio(int parent_z) {
  for (const auto& [z, r] : kRatio)
    if (z == parent_z) return r;
  return 0.0f;
}

XHGroup classify_xh(Run& run, int l, int k) {
  const Parent p = parent_facts(run, l, k);
  for (const Row& r : kGroups)
    if (r.z == p.z && (r.n == 0 || r.n == p.n) && (r.nh < 0 || r.nh == p.nh) && r.when(p)) return {r.name, r.rnew};
  return {};
}

void extendh(Run& run, int l, int k, NeighborGrid* grid) {
  if (!run.set.led && run.atoms1.iaf[k] == -1) {
    // left at its X-ray distance unless DISORD asks otherwise: the closing summary counts it
    logl(run, xh_line(run, l, k, "H-ATOM IS DISORDERED"));
    tally_warning(run, "disordered hydrogen not extended", fmt::trim(run.atoms.atom[k]));
    return;
  }
  logl(run, "\n Trying to extend hydrogen " + fmt::pad(run.atoms.atom[k], 8) + " to standard distance :");
  if (!known_parent(run.forh.ihp[k])) {
    logl(run, xh_line(run, l, k, "DON'T KNOW HOW TO HANDLE"));
    return;
  }
  const XHGroup g = classify_xh(run, l, k);
  float rnew = dist(run.atoms.xc[l], run.atoms.xc[k]);
  if (g.name.empty()) {
    logl(run, xh_line(run, l, k, "NOT IDENTIFIED"));
  } else {
    Vec3 h = run.atoms.xc[k];
    float rold = 0.0f;
    extendbond(run.atoms.xc[l], h, g.rnew, rold);
    move_atom(run, k, h, grid);
    rnew = g.rnew;
    logl(run, xh_line(run, l, k, g.name + " =" + fmt::f(rold, 7, 3) + " /" + fmt::f(rnew, 7, 3) + " Angstroms"));
    if (run.set.ifra == frac_stored) run.atoms.xf[k] = to_frac(run.transf, run.atoms.xc[k]);
    // The parent's covalent environment at the new distance: a standard distance beyond
    // the bond criterion (small radii or tolerance) would leave later searches without it.
    const Neig env = findnei(run, l, 0.0f, false, grid);
    bool bonded = false;
    for (int m = 1; m <= env.inei; ++m) bonded = bonded || env.iatn[m] == k;
    if (!bonded)
      both(run, " Warning: " + fmt::trim(run.atoms.atom[k]) + " is no longer bonded to " +
                    fmt::trim(run.atoms.atom[l]) + " by the covalent criterion");
  }
  write_files(run, l, k, rnew);
}

}  // namespace vorn
