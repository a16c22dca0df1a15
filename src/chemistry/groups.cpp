// Functional-group recognition: per element an ordered list of patterns, each with its variants.
#include "chemistry/groups.h"

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <string>

#include "model/log.h"
#include "model/outfile.h"
#include "topology/planarity.h"
#include "util/err.h"
#include "util/format.h"

namespace vorn {

namespace {

constexpr int H = 1, B = 5, C = 6, N = 7, O = 8, F = 9, P = 15, S = 16, Cl = 17, Zn = 30, Br = 35;

// ---- neighbour classes ----

// One element class of a neighbour pattern; count 0 accepts any count.
struct Cls {
  int z, c;
};

// Which classes a shape describes: all of them (nothing else present), the lightest ones
// (class 1, 2, ...) or the heaviest one(s).
enum class Part { all, lightest, heaviest };

// A neighbour pattern: the neighbour count (0: any) and element classes.
struct Shape {
  int n;
  Part part;
  std::vector<Cls> cls;
};

int nn(const Run& run, int a) { return a > 0 ? run.neighbors.nnei[a] : 0; }
int nei(const Run& run, int a, int i) { return run.neighbors.jnei[a][i - 1]; }  // i-th in list order
int ntypes(const Run& run, int a) { return run.neighbors.jtnei[a]; }
int zcls(const Run& run, int a, int t) { return run.neighbors.janei[a][t - 1]; }
int ccls(const Run& run, int a, int t) { return run.neighbors.jnnei[a][t - 1]; }
int z_of(const Run& run, int a) { return run.atoms.itype[a]; }

// Class t of a, members ordered as the neighbour lists rank them.
const std::vector<int>& members(const Run& run, int a, int t) { return run.neighbors.jsnei[a][t - 1]; }

// The class of element z around a, 0 when a has no such neighbour.
int class_of(const Run& run, int a, int z) {
  for (int t = 1; t <= ntypes(run, a); ++t)
    if (zcls(run, a, t) == z) return t;
  return 0;
}
int count_of(const Run& run, int a, int z) {
  const int t = class_of(run, a, z);
  return t ? ccls(run, a, t) : 0;
}
int heaviest_z(const Run& run, int a) { return ntypes(run, a) ? zcls(run, a, ntypes(run, a)) : 0; }

// The first neighbour of a of element z in list order, 0 if none.
int first_of(const Run& run, int a, int z) {
  for (int i = 1; i <= nn(run, a); ++i)
    if (z_of(run, nei(run, a, i)) == z) return nei(run, a, i);
  return 0;
}

// The last neighbour of a in list order other than atom not_this, 0 if none.
int last_other_nei(const Run& run, int a, int not_this) {
  int r = 0;
  for (int i = 1; i <= nn(run, a); ++i)
    if (nei(run, a, i) != not_this) r = nei(run, a, i);
  return r;
}

// The first member of a's class of element z (the only one when it counts one).
int member_of(const Run& run, int a, int z) {
  const int t = class_of(run, a, z);
  return t ? members(run, a, t).front() : 0;
}

// The last member of a's class of element z other than atom not, 0 if none.
int other_member(const Run& run, int a, int z, int not_this) {
  const int t = class_of(run, a, z);
  int r = 0;
  if (t)
    for (int m : members(run, a, t))
      if (m != not_this) r = m;
  return r;
}

bool fits(const Run& run, int a, const Shape& s) {
  if (s.n != 0 && nn(run, a) != s.n) return false;
  const int nt = ntypes(run, a), m = static_cast<int>(s.cls.size());
  if (nt < m || (s.part == Part::all && nt != m)) return false;
  for (int i = 0; i < m; ++i) {
    const int t = s.part == Part::heaviest ? nt - m + 1 + i : i + 1;
    if (zcls(run, a, t) != s.cls[i].z) return false;
    if (s.cls[i].c != 0 && ccls(run, a, t) != s.cls[i].c) return false;
  }
  return true;
}

// Every neighbour of a is carbon or hydrogen.
bool only_c_or_h(const Run& run, int a) {
  for (int t = 1; t <= ntypes(run, a); ++t)
    if (zcls(run, a, t) != C && zcls(run, a, t) != H) return false;
  return true;
}

// ---- rings ----

struct RingFlags {
  bool cyclic = false, plane = false, plane2 = false;
  int iring = 0, mem = 0;
  bool planar() const { return cyclic && plane; }
};

RingFlags ring_flags(const Run& run, int a) {
  RingFlags r;
  isitcyclic(run, a, r.cyclic, r.plane, r.plane2, r.iring, r.mem);
  return r;
}

// b lies in the same planar ring as the atom whose flags are ra.
bool same_planar_ring(const RingFlags& rb, const RingFlags& ra) { return rb.iring == ra.iring && rb.planar(); }

bool group_planar(Run& run, int a, int iprt) {
  const std::vector<int> id = collectnei(run, a);
  bool planar = false;
  planarity(run, iprt, planar, static_cast<int>(id.size()), id, 3);
  return planar;
}

// ---- outcomes ----

struct Outcome {
  enum Kind { label, unknown, reset, blank } kind;
  std::string text;   // the group label, or the name of the unknown group
  bool file = false;  // an unknown group also written to group.ang
};

Outcome group(const char* s) { return {Outcome::label, s}; }
Outcome unknown(const char* s, bool file) { return {Outcome::unknown, s, file}; }
Outcome reset() { return {Outcome::reset, ""}; }
Outcome group_or_reset(const char* s) { return s ? group(s) : reset(); }

// The atom being classified with its own ring flags (and, for nitrogen, its planarity).
struct Ctx {
  Run& run;
  int k;
  RingFlags rk;
  bool planar = false;
};

void checking(Run& run, const std::string& check) { logl(run, "\n DetExcept :: checking " + check + " group..."); }

std::string ints(std::initializer_list<int> v) {
  std::string s;
  for (int x : v) s += fmt::i(x, 6);
  return s;
}

// ---- label tables ----

// A label chosen by the neighbour counts of some atoms: their sum, largest and smallest
// (0: any).
struct CountRule {
  int sum, hi, lo;
  const char* label;
};

template <size_t M>
const char* by_counts(const Run& run, const std::vector<int>& atoms, const CountRule (&rules)[M]) {
  int s = 0, hi = 0, lo = 0;
  for (size_t i = 0; i < atoms.size(); ++i) {
    const int c = nn(run, atoms[i]);
    s += c;
    hi = i ? std::max(hi, c) : c;
    lo = i ? std::min(lo, c) : c;
  }
  for (const CountRule& r : rules)
    if ((r.sum == 0 || r.sum == s) && (r.hi == 0 || r.hi == hi) && (r.lo == 0 || r.lo == lo)) return r.label;
  return nullptr;
}

constexpr CountRule triazine_c[] = {{7, 3, 0, "3N-sp2(232)"}, {0, 0, 3, "3N-sp2(333)"}, {8, 3, 0, "3N-sp2(233)"}};
constexpr CountRule nitro_ring_c[] = {{8, 3, 2, "nitro-n2n3c3"}, {9, 3, 3, "nitro-n3n3c3"}};
constexpr CountRule amidine_ring_c[] = {{8, 3, 2, "n2n3c3"}, {9, 3, 3, "n3n3c3"}};
constexpr CountRule planar_n_c3[] = {{11, 4, 3, "csp2sp3sp3"}, {10, 4, 3, "csp3sp2sp2"}};
// by the sum of the neighbour counts of a phosphorus' oxygens (or of all four neighbours)
constexpr CountRule cpo3_p[] = {{4, 0, 0, "CPO2(O-X)"}, {5, 0, 0, "CPO(O-X)2"}, {3, 0, 0, "CPO3"}};
constexpr CountRule po4_p[] = {{5, 0, 0, "o3-P(ox)"}, {6, 0, 0, "o2-P(ox)2"}, {7, 0, 0, "o-P(ox)3"}};
constexpr CountRule po4_o[] = {{4, 0, 0, "pO4"}, {7, 0, 0, "O-p(ox)3"}, {5, 0, 0, "O3-p(ox)"}};
// by the neighbour count of the sulfur of a thiocarbonyl carbon
constexpr CountRule thio_c[] = {{1, 0, 0, "THIO"}, {4, 0, 0, "SX4"}, {2, 0, 0, "THIO-X"}};

// A label chosen by the first shape that fits.
struct ShapeLabel {
  Shape shape;
  const char* label;
};

const char* by_shape(const Run& run, int a, const std::vector<ShapeLabel>& rows) {
  for (const ShapeLabel& r : rows)
    if (fits(run, a, r.shape)) return r.label;
  return nullptr;
}

// The oxygen's view of its carbonyl carbon: in a planar ring first, then anywhere.
const std::vector<ShapeLabel> carbonyl_in_ring = {
    {{0, Part::lightest, {{N, 2}}}, "aromaturea"},
    {{0, Part::lightest, {{C, 2}}}, "aromatketone"},
    {{0, Part::all, {{C, 1}, {O, 2}}}, "aromatester"},
    {{0, Part::all, {{C, 0}, {N, 0}, {O, 0}}}, "aromatamide"},
};
const std::vector<ShapeLabel> carbonyl_simple = {
    {{0, Part::lightest, {{H, 0}, {C, 0}}}, "aldehyde"},
    {{0, Part::lightest, {{C, 2}}}, "ketone"},
    {{0, Part::lightest, {{N, 2}}}, "urea"},
};
const std::vector<ShapeLabel> nitroso_nitro = {
    {{2, Part::all, {{C, 1}, {O, 1}}}, "NO"},
    {{3, Part::all, {{C, 1}, {O, 2}}}, "NO2"},
    {{3, Part::all, {{N, 1}, {O, 2}}}, "NO2N"},
};
const std::vector<ShapeLabel> thiocarbonyl_in_ring = {
    {{0, Part::lightest, {{N, 2}}}, "PHthiourea"},
    {{0, Part::lightest, {{C, 2}}}, "PH=S"},
    {{0, Part::all, {{C, 0}, {N, 0}, {S, 0}}}, "aromathioamide"},
};

// Carboxyl-like groups: the carbon's partner on the carbonyl side is carbon or nitrogen.
struct AcidLabels {
  Shape carbon;           // the carbonyl carbon's neighbours
  const char* ion;        // both oxygens terminal
  const char* acid;       // an O-H
  const char* anhydride;  // O bonded to a three-coordinate atom (none: not recognised)
  const char* ester;      // O bonded to a four-coordinate atom
};
const AcidLabels carboxyl = {{3, Part::all, {{C, 1}, {O, 2}}}, "carboxylate", "carboxylic", "anhydride", "ester"};
const AcidLabels carbamoyl = {{3, Part::all, {{N, 1}, {O, 2}}}, "carbamate", "carbamic acid", nullptr,
                              "carbamate ester"};

// The group of a halogen on a carbon in a planar ring.
struct Halide {
  int z;
  const char* label;
};
constexpr Halide halides[] = {{F, "PH-F"}, {Cl, "PH-Cl"}, {Br, "PH-Br"}};

// ---- hydrogen ----

bool x_is(const Ctx& x, int z, int n) {
  const int a = nei(x.run, x.k, 1);
  return z_of(x.run, a) == z && nn(x.run, a) == n;
}

Outcome h_on_oxygen(Ctx& x) {
  const Run& run = x.run;
  const int o = nei(run, x.k, 1);
  if (ntypes(run, o) != 2) return unknown("x-o-H [1]", false);
  const int y = members(run, o, 2).front();
  switch (z_of(run, y)) {
    case C:
      if (nn(run, y) == 4) return group("alcohol");
      if (nn(run, y) == 3) {
        const RingFlags ry = ring_flags(run, y);
        if (ry.planar()) return group("phenol");
        if (!ry.cyclic && fits(run, y, {0, Part::heaviest, {{O, 2}}})) return group("carboxylic");
      }
      return unknown("c-o-H", false);
    case B:
      return group("b-o-H");
    case P:
      return nn(run, y) == 4 ? group("phosp... acid") : unknown("p-o-H", false);
    default:
      return unknown("x-o-H [2]", false);
  }
}

Outcome h_on_nitrogen(Ctx& x) {
  const int n = nei(x.run, x.k, 1);
  if (!group_planar(x.run, n, x.run.set.iverbose > 2 ? 1 : 0)) return group("pyramidal amine");
  return group(ring_flags(x.run, n).planar() ? "aromatic" : "planar amine");
}

// ---- carbon ----

Outcome ketone_c(Ctx& x) {
  const Run& run = x.run;
  const int o = members(run, x.k, ntypes(run, x.k)).front();
  return nn(run, o) == 1 ? group("ketone") : unknown("c2--C--o-", true);
}

Outcome acid_c(Ctx& x, const AcidLabels& lab) {
  const Run& run = x.run;
  int o1 = 0, o2 = 0;
  for (int i = 1; i <= nn(run, x.k); ++i) {
    const int a = nei(run, x.k, i);
    if (z_of(run, a) != O) continue;
    (o1 ? o2 : o1) = a;
    if (o2) break;
  }
  if (std::max(nn(run, o1), nn(run, o2)) == 1) return group(lab.ion);
  const int oh = nn(run, o2) == 2 ? o2 : nn(run, o1) == 2 ? o1 : 0;
  if (!oh) return unknown("cOO(?)", true);
  if (zcls(run, oh, 1) == H) return group(lab.acid);
  if (zcls(run, oh, 1) == C && ntypes(run, oh) == 1) {
    int r = 0;
    for (int i = 1; i <= nn(run, oh) && !r; ++i)
      if (nei(run, oh, i) != x.k) r = nei(run, oh, i);
    if (nn(run, r) == 3 && lab.anhydride) return group(lab.anhydride);
    if (nn(run, r) == 4) return group(lab.ester);
  }
  return unknown("cOO(?)", true);
}
Outcome carboxyl_c(Ctx& x) { return acid_c(x, carboxyl); }
Outcome carbamoyl_c(Ctx& x) { return acid_c(x, carbamoyl); }

Outcome aminomethyl_c(Ctx& x) {
  Run& run = x.run;
  for (int t = 1; t < ntypes(run, x.k); ++t)
    if (zcls(run, x.k, t) != C && zcls(run, x.k, t) != H) return unknown("n-C-(x/y/z)", false);
  const int n = member_of(run, x.k, N);
  logl(run, "\n Checking connected N-atom = " + run.atoms.atom[n]);
  if (nn(run, n) == 4) return group("ammonium");
  if (nn(run, n) == 3) return group(group_planar(run, n, 0) ? "planar amine" : "pyramidal amine");
  return unknown("n-C-(c/h)3", false);
}

Outcome ring_c_oxygen(Ctx& x) {
  const Run& run = x.run;
  const int o = member_of(run, x.k, O);
  const bool two = nn(run, o) == 2;
  if (!same_planar_ring(ring_flags(run, o), x.rk)) {
    if (nn(run, o) == 1) return group("phenolate");
    if (two && (ntypes(run, o) == 1 || zcls(run, o, 1) == H)) return group("phenolic");
  } else if (two && zcls(run, o, 1) == C) {
    if (ntypes(run, o) == 1) return group("furano");
    if (zcls(run, o, 2) == N) return group("furanoN");
  }
  return reset();
}

Outcome boron_c(Ctx& x) {
  const Run& run = x.run;
  const int b = member_of(run, x.k, B);
  for (int i = 1; i <= nn(run, b); ++i) {
    const int a = nei(run, b, i);
    if (a == x.k) continue;
    return z_of(run, a) == F ? group("C-b-F3") : unknown("(?)", true);
  }
  return reset();
}

std::vector<int> neighbours(const Run& run, int a) {
  return std::vector<int>(run.neighbors.jnei[a].begin(), run.neighbors.jnei[a].begin() + nn(run, a));
}

int count_sum(const Run& run, const std::vector<int>& atoms) {
  int s = 0;
  for (int a : atoms) s += nn(run, a);
  return s;
}

Outcome triazine_ring_c(Ctx& x) { return group_or_reset(by_counts(x.run, neighbours(x.run, x.k), triazine_c)); }

Outcome diaza_ring_c(Ctx& x) {
  Run& run = x.run;
  const std::vector<int> around = neighbours(run, x.k);
  int m = 0, n1 = 0, n2 = 0;
  for (int b : around) {
    const RingFlags rb = ring_flags(run, b);
    logl(run, " iatr, iCr = " + ints({rb.iring, x.rk.iring}));
    if (z_of(run, b) != N) continue;
    if (!rb.planar()) {
      checking(run, " n-=Cn=-c (?) ");
      const bool oxy = std::any_of(around.begin(), around.end(), [&](int a) { return heaviest_z(run, a) == O; });
      logl(run, (oxy ? " ia1, ia2, ia3 = " : " ia4, ia5, ia6 = ") + ints({around[0], around[1], around[2]}));
      return group_or_reset(by_counts(run, around, oxy ? nitro_ring_c : amidine_ring_c));
    }
    ++m;
    if (rb.iring != x.rk.iring) {
      return group(count_sum(run, around) == 8 ? "NNring1" : "NNring2");
    }
    (m == 1 ? n1 : n2) = b;
  }
  logl(run, " i1N, i2N = " + ints({n1, n2}));
  // Both ring nitrogens are needed for the counts below; without them there is no group.
  if (!n1 || !n2) return reset();
  logl(run, " i1Nn, i2Nn = " + ints({nn(run, n1), nn(run, n2)}));
  const int hi = std::max(nn(run, n1), nn(run, n2)), lo = std::min(nn(run, n1), nn(run, n2));
  if (hi == 2) return group("non-substituted nitrogens");
  if (lo == 3) return group(heaviest_z(run, n1) == Zn || heaviest_z(run, n2) == Zn ? "ZNnCn" : "substituted nitrogens");
  if (hi == 3 && lo == 2) return group("mixed nitrogens");
  return reset();
}

Outcome urea_ring_c(Ctx& x) {
  const Run& run = x.run;
  const int o = member_of(run, x.k, O);
  const bool same = same_planar_ring(ring_flags(run, o), x.rk);
  if (!same && nn(run, o) == 1) return group("aromaturea");
  if (same && nn(run, o) == 2) return group("pirofurano");
  return reset();
}

Outcome amide_ring_c(Ctx& x) {
  Run& run = x.run;
  const int a1 = nei(run, x.k, 1), a2 = nei(run, x.k, 2);
  int o = 0;
  if (z_of(run, a1) == N && z_of(run, a2) == O) o = a2;
  if (z_of(run, a1) == O && z_of(run, a2) == N) o = a1;
  if (!o) {
    logl(run, ":(");
    return reset();
  }
  if (ring_flags(run, o).iring == x.rk.iring) return group("o-Cc-n");
  if (nn(run, o) == 1) return group("amido");
  if (nn(run, o) == 2) return group("amidoH");
  return {Outcome::blank, ""};
}

Outcome ring_c_nitrogen(Ctx& x) {
  const Run& run = x.run;
  const int n = member_of(run, x.k, N);
  const int c = nn(run, n);
  if (same_planar_ring(ring_flags(run, n), x.rk)) {
    if (c == 3 && only_c_or_h(run, n)) return group("substituted nitrogen");
    if (c == 2) return group("non-substituted nitrogen");
    return unknown("C(cyc)-n=", false);
  }
  if (c == 3 && fits(run, n, {0, Part::heaviest, {{O, 2}}})) return group("nitrophenyl");
  if (c == 2 && fits(run, n, {0, Part::heaviest, {{O, 1}}})) return group("ph-noh");
  if (c == 3 || c == 4) {
    if (!only_c_or_h(run, n)) return unknown("C(cyc)-n=", false);
    return group(c == 3 ? "aminophenyl" : "protonated aminophenyl");
  }
  return reset();
}

Outcome fused_ring_c_nitrogen(Ctx& x) {
  const RingFlags rn = ring_flags(x.run, member_of(x.run, x.k, N));
  return rn.planar() && rn.mem == 5 ? group("C(2cyc)-n5") : reset();
}

Outcome ring_c_sp3_carbon(Ctx& x) {
  const Run& run = x.run;
  const int b = first_of(run, x.k, C);
  if (!b) return unknown("c(sp3,cyc)-C(cyc)=x", false);
  return ring_flags(run, b).iring == x.rk.iring && nn(run, b) == 4 ? group("cycloene") : reset();
}

Outcome thiomethyl_c(Ctx& x) {
  const Run& run = x.run;
  const int s = first_of(run, x.k, S);
  const bool zn = zcls(run, s, 1) == Zn || (ntypes(run, s) >= 2 && zcls(run, s, 2) == Zn);
  return zn ? group("C-s-Zn") : unknown("c-s-(?)", true);
}

Outcome thioamide_c(Ctx& x) {
  const char* l = by_counts(x.run, {first_of(x.run, x.k, S)}, thio_c);
  return l ? group(l) : unknown("c-C(=s)-n(?)", true);
}

// ---- nitrogen ----

Outcome planar_n_c3_n(Ctx& x) {
  const char* l = by_counts(x.run, neighbours(x.run, x.k), planar_n_c3);
  return l ? group(l) : unknown("c-Nc1-c1 planar", true);
}

Outcome oxime_n(Ctx& x) {
  const Run& run = x.run;
  const int o = member_of(run, x.k, O);
  if (fits(run, o, {2, Part::lightest, {{H, 0}, {N, 0}}})) return group("N-OH");
  if (nn(run, o) == 1) return group("N=O");
  return unknown("c--N--c?", true);
}

// ---- oxygen ----

Outcome hydroxy_o(Ctx& x) {
  const Run& run = x.run;
  const int c = member_of(run, x.k, C);
  const int q = count_of(run, c, O);
  if (q == 1) {
    if (nn(run, c) == 3 && ring_flags(run, c).planar()) return group("phenol");
    if (nn(run, c) == 3 || nn(run, c) == 4) return group("alcohol");
    return unknown("c-O-h", true);
  }
  if (q == 2) {
    const int other = other_member(run, c, O, x.k);
    if (!other) err("DetExcept", "Could not identify \"other\" O-atom");
    return group(nn(run, other) == 1 ? "carboxylic" : "alcohol");
  }
  return unknown("x-O-h", true);
}

// The terminal oxygen of a carboxyl-like carbon c.
Outcome acid_o(Ctx& x, int c, const AcidLabels& lab) {
  const Run& run = x.run;
  const int other = other_member(run, c, O, x.k);
  if (nn(run, other) == 1) return group(lab.ion);
  if (nn(run, other) == 2 && zcls(run, other, 1) == H) return group(lab.acid);
  const int r = last_other_nei(run, other, c);
  if (nn(run, r) == 3 && lab.anhydride) return count_of(run, r, O) == 2 ? group(lab.anhydride) : reset();
  if (nn(run, r) == 4) return group(lab.ester);
  return unknown("(?)c=O [2]", true);
}

Outcome carbonyl_o(Ctx& x) {
  const Run& run = x.run;
  const int c = nei(run, x.k, 1);
  if (nn(run, c) != 3) return unknown("(?)c=O [1]", true);
  if (ring_flags(run, c).planar())
    if (const char* l = by_shape(run, c, carbonyl_in_ring)) return group(l);
  if (const char* l = by_shape(run, c, carbonyl_simple)) return group(l);
  for (const AcidLabels* lab : {&carboxyl, &carbamoyl})
    if (fits(run, c, lab->carbon)) return acid_o(x, c, *lab);
  if (fits(run, c, {0, Part::heaviest, {{S, 1}}})) return group("thioester");
  if (fits(run, c, {0, Part::all, {{C, 0}, {N, 0}, {O, 0}}}) && nn(run, member_of(run, c, N)) > 2)
    return group("amide");
  return unknown("(?)c=O [3]", true);
}

Outcome ether_o(Ctx& x) {
  const Run& run = x.run;
  const int c1 = nei(run, x.k, 1), c2 = nei(run, x.k, 2);
  auto is = [&](int c, const AcidLabels& lab) { return fits(run, c, lab.carbon); };
  if (is(c1, carboxyl) && is(c2, carboxyl)) return group("anhydride");
  const int lo = std::min(nn(run, c1), nn(run, c2)), hi = std::max(nn(run, c1), nn(run, c2));
  if (lo == 3 && (hi == 3 || hi == 4)) {
    if (is(c1, carboxyl) || is(c2, carboxyl)) return group("ester");
    if (is(c1, carbamoyl) || is(c2, carbamoyl)) return group("carbamate ester");
  }
  return unknown("c-O-c", true);
}

Outcome nitro_o(Ctx& x) {
  const Run& run = x.run;
  const int n = nei(run, x.k, 1);
  if (nn(run, n) != 2 && nn(run, n) != 3) return unknown("(?)N-O [1]", true);
  return group_or_reset(by_shape(run, n, nitroso_nitro));
}

Outcome phosphoryl_o(Ctx& x) {
  Run& run = x.run;
  const int p = nei(run, x.k, 1);
  if (nn(run, p) != 4) return unknown("(?)p=O [1]", true);
  if (fits(run, p, {4, Part::all, {{C, 3}, {O, 1}}})) return group("C3PO");
  // the phosphorus is an exception too, whatever becomes of this oxygen
  run.except.iexp[p] = 1;
  if (fits(run, p, {4, Part::all, {{C, 1}, {O, 3}}})) {
    checking(run, "cpOoo(?)");
    const char* l = by_counts(run, members(run, p, class_of(run, p, O)), cpo3_p);
    return l ? group(l) : unknown("cpOoo(?)", true);
  }
  checking(run, "pOooo(?)");
  const char* l = by_counts(run, neighbours(run, p), po4_o);
  return l ? group(l) : unknown("pOooo(?)", true);
}

// ---- phosphorus, sulfur, halogens ----

Outcome cpo3_phosphorus(Ctx& x) {
  const char* l = by_counts(x.run, members(x.run, x.k, class_of(x.run, x.k, O)), cpo3_p);
  return l ? group(l) : unknown("cPooo(?)", true);
}

Outcome po4_phosphorus(Ctx& x) {
  const char* l = by_counts(x.run, neighbours(x.run, x.k), po4_p);
  return l ? group(l) : unknown("Poooo(?)", true);
}

Outcome thiocarbonyl_s(Ctx& x) {
  const Run& run = x.run;
  const int c = nei(run, x.k, 1);  // 0 for a lone sulfur: no carbon, reported like a wrong one
  if (nn(run, c) != 3) return unknown("(?)c=S [1]", true);
  if (ring_flags(run, c).planar()) return group_or_reset(by_shape(run, c, thiocarbonyl_in_ring));
  return reset();
}

Outcome halide(Ctx& x) {
  for (const Halide& h : halides)
    if (h.z == z_of(x.run, x.k)) return ring_flags(x.run, nei(x.run, x.k, 1)).planar() ? group(h.label) : reset();
  return reset();
}

// ---- the tree ----

// Which planar-ring state the classified atom needs.
enum class InRing { any, planar, not_planar, two_planar };

// A pattern: its neighbour shape and ring state, an extra test where the shape is not all,
// the check label written when it is entered, and its variants.
struct Pattern {
  const char* id;
  Shape shape;
  InRing ring;
  bool (*extra)(const Ctx&);
  const char* check;
  Outcome (*variants)(Ctx&);
};

bool any_atom(const Ctx&) { return true; }
bool h_on_o2(const Ctx& x) { return x_is(x, O, 2); }
bool h_on_n3(const Ctx& x) { return x_is(x, N, 3); }
bool n_planar(const Ctx& x) { return x.planar; }

const Shape any_classes{0, Part::lightest, {}};

const std::vector<Pattern> h_tree = {
    {"H1", any_classes, InRing::any, h_on_o2, "x-o-H",  h_on_oxygen},
    {"H2", any_classes, InRing::any, h_on_n3, "x2-n-H", h_on_nitrogen},
};
const std::vector<Pattern> c_tree = {
    {"C1",  {3, Part::all,      {{C, 2}, {O, 1}}},         InRing::not_planar, any_atom, "c2Co",                     ketone_c},
    {"C2",  {3, Part::all,      {{C, 1}, {O, 2}}},         InRing::any,        any_atom, "Coo(?)",                   carboxyl_c},
    {"C3",  {3, Part::all,      {{N, 1}, {O, 2}}},         InRing::any,        any_atom, "Coo(?)",                   carbamoyl_c},
    {"C4",  {4, Part::heaviest, {{N, 1}}},                 InRing::any,        any_atom, "n-C-(c/h)3",               aminomethyl_c},
    {"C5",  {3, Part::all,      {{C, 2}, {O, 1}}},         InRing::planar,     any_atom, "C(cyc)-o-x",               ring_c_oxygen},
    {"C6",  {3, Part::all,      {{B, 1}, {C, 2}}},         InRing::any,        any_atom, "c2Cb(?)",                  boron_c},
    {"C7",  {3, Part::heaviest, {{N, 3}}},                 InRing::planar,     any_atom, "n-Cn-n",                   triazine_ring_c},
    {"C8",  {3, Part::heaviest, {{N, 2}}},                 InRing::planar,     any_atom, "n-C(cyc)-n",               diaza_ring_c},
    {"C9",  {3, Part::all,      {{N, 2}, {O, 1}}},         InRing::planar,     any_atom, "Cn2(cyc)=o/Cno(cyc)-n(?)", urea_ring_c},
    {"C10", {3, Part::all,      {{C, 0}, {N, 0}, {O, 0}}}, InRing::planar,     any_atom, "Ccno(?)",                  amide_ring_c},
    {"C11", {3, Part::heaviest, {{N, 1}}},                 InRing::planar,     any_atom, "C(cyc)-n=",                ring_c_nitrogen},
    {"C12", {3, Part::heaviest, {{N, 1}}},                 InRing::two_planar, any_atom, "C(2cyc)-n=",               fused_ring_c_nitrogen},
    {"C13", {3, Part::heaviest, {{C, 2}}},                 InRing::planar,     any_atom, "c(sp3,cyc)-C(cyc)=x",      ring_c_sp3_carbon},
    {"C14", {4, Part::all,      {{H, 3}, {S, 1}}},         InRing::any,        any_atom, "C-s(?)",                   thiomethyl_c},
    {"C15", {4, Part::all,      {{H, 2}, {C, 1}, {S, 1}}}, InRing::any,        any_atom, "C-s(?)",                   thiomethyl_c},
    {"C16", {3, Part::all,      {{C, 1}, {N, 1}, {S, 1}}}, InRing::any,        any_atom, "c-C(=s)-n(?)",             thioamide_c},
};
const std::vector<Pattern> n_tree = {
    {"N1", {3, Part::all, {{C, 0}}},         InRing::any, n_planar, "c-Nc1-c1 N-planar c1=?", planar_n_c3_n},
    {"N2", {2, Part::all, {{C, 1}, {O, 1}}}, InRing::any, any_atom, "c--N--o(?)",             oxime_n},
};
const std::vector<Pattern> o_tree = {
    {"O1", {2, Part::all, {{H, 1}, {C, 1}}}, InRing::any, any_atom, "c-O-h",  hydroxy_o},
    {"O2", {1, Part::all, {{C, 1}}},         InRing::any, any_atom, "(?)c=O", carbonyl_o},
    {"O3", {2, Part::all, {{C, 2}}},         InRing::any, any_atom, "c-O-c",  ether_o},
    {"O4", {1, Part::all, {{N, 1}}},         InRing::any, any_atom, "(?)N-O", nitro_o},
    {"O5", {1, Part::all, {{P, 1}}},         InRing::any, any_atom, "(?)p=O", phosphoryl_o},
};
const std::vector<Pattern> p_tree = {
    {"P1", {4, Part::all, {{C, 1}, {O, 3}}}, InRing::any, any_atom, "cPooo(?)", cpo3_phosphorus},
    {"P2", {4, Part::all, {{O, 4}}},         InRing::any, any_atom, "Poooo(?)", po4_phosphorus},
};
const std::vector<Pattern> s_tree = {
    {"S1", any_classes, InRing::any, any_atom, "(?)c=S", thiocarbonyl_s},
};
const std::vector<Pattern> f_tree  = {{"F1",  {1, Part::all, {{C, 1}}}, InRing::any, any_atom, "(?)c-F",  halide}};
const std::vector<Pattern> cl_tree = {{"Cl1", {1, Part::all, {{C, 1}}}, InRing::any, any_atom, "(?)c-Cl", halide}};
const std::vector<Pattern> br_tree = {{"Br1", {1, Part::all, {{C, 1}}}, InRing::any, any_atom, "(?)c-Br", halide}};

struct Branch {
  int z;
  const std::vector<Pattern>* tree;
};
const Branch branches[] = {{H, &h_tree}, {C, &c_tree}, {N, &n_tree}, {O, &o_tree}, {F, &f_tree},
                           {P, &p_tree}, {S, &s_tree}, {Cl, &cl_tree}, {Br, &br_tree}};

bool ring_ok(InRing need, const RingFlags& r) {
  switch (need) {
    case InRing::planar: return r.planar();
    case InRing::not_planar: return !r.planar();
    case InRing::two_planar: return r.cyclic && r.plane2;
    case InRing::any: break;
  }
  return true;
}

bool holds(const Pattern& p, const Ctx& x) {
  return fits(x.run, x.k, p.shape) && ring_ok(p.ring, x.rk) && p.extra(x);
}

void clear(Run& run, int k) {
  run.except.iexp[k] = 0;
  run.except.group[k] = std::string(40, ' ');
}

}  // namespace

std::vector<int> collectnei(const Run& run, int k) {
  std::vector<int> id = neighbours(run, k);
  id.push_back(k);
  return id;
}

int checkat(int nda, std::vector<int>& idum, int l) {
  if (std::find(idum.begin(), idum.end(), l) != idum.end()) return 1;
  if (static_cast<int>(idum.size()) >= nda) return -1;
  idum.push_back(l);
  return 0;
}

void printgroup(Run& run, int k) {
  std::string& out = run.except.group_ang;
  out = "ANGSTROM\n";
  std::vector<int> list;
  bool full = checkat(maxgroupatoms, list, k) < 0;
  for (int b : neighbours(run, k)) {
    for (int c : neighbours(run, b)) {
      for (int d : neighbours(run, c)) full |= checkat(maxgroupatoms, list, d) < 0;
      full |= checkat(maxgroupatoms, list, c) < 0;
    }
    full |= checkat(maxgroupatoms, list, b) < 0;
  }
  for (int a : list) {
    const Vec3& x = run.atoms.xc[a];
    out += "ATOM " + fmt::pad(run.atoms.atom[a], 8) + "  " + fmt::f(x[0], 12, 4) + fmt::f(x[1], 12, 4) +
           fmt::f(x[2], 12, 4) + '\n';
  }
  if (full)
    logl(run, " DetExcept :: more than " + std::to_string(maxgroupatoms) +
                  " atoms within three bonds; group.ang lists the first " + std::to_string(maxgroupatoms));
}

void write_group_ang(const Run& run) {
  if (run.except.group_ang.empty()) return;
  std::ofstream out("group.ang", std::ios::out | std::ios::trunc);
  if (!out) err("PrintGroup", "Unable to open output file group.ang");
  out << run.except.group_ang;
  close_out(out, "group.ang", "PrintGroup");
}

void detexcept(Run& run, int k) {
  clear(run, k);
  const int z = run.atoms.itype[k];
  const Branch* br = nullptr;
  for (const Branch& b : branches)
    if (b.z == z) br = &b;
  if (!br || (z == H && nn(run, k) == 0)) return;

  Ctx x{run, k, ring_flags(run, k)};
  if (z == N) {
    // a lone or terminal nitrogen has no plane to speak of
    const std::vector<int> id = collectnei(run, k);
    if (id.size() > 2) planarity(run, 0, x.planar, static_cast<int>(id.size()), id, 3);
  }
  for (const Pattern& p : *br->tree) {
    if (!holds(p, x)) continue;
    run.except.iexp[k] = 1;
    checking(run, p.check);
    const Outcome o = p.variants(x);
    switch (o.kind) {
      case Outcome::label:
        run.except.group[k] = fmt::pad(o.text, 40);
        break;
      case Outcome::unknown:
        logl(run, "\n DetExcept :: Unknown " + o.text + " functional group\n\n See file group.ang for more info...\n");
        if (o.file) printgroup(run, k);
        clear(run, k);
        break;
      case Outcome::reset:
        clear(run, k);
        break;
      case Outcome::blank:
        break;
    }
    return;
  }
}

}  // namespace vorn
