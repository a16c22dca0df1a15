// Kappa sets, chemical constraints, the XD and MoPro axis lines, plot records and starting populations.
#include "localaxes/atomsetup.h"

#include <algorithm>
#include <cmath>

#include "chemistry/equivalence.h"
#include "localaxes/symcopies.h"
#include "chemistry/groups.h"
#include "databank/readdb.h"
#include "topology/planarity.h"
#include "util/elements.h"
#include "util/format.h"
#include "util/geometry.h"
#include "model/log.h"
#include "model/widen.h"
#include "util/text.h"
#include "writers/plotfile.h"

namespace vorn {

namespace {

// Everything sameatoms(k, i, 1, 1, 0, 1) compares.
std::string heavy_key(const Run& run, int k) {
  const Neighbors& nb = run.neighbors;
  std::string s = std::to_string(run.atoms.itype[k]) + "/" + std::to_string(nb.nnei[k]) + "/" +
                  std::to_string(nb.jtnei[k]);
  for (int t = 0; t < nb.jtnei[k]; ++t) s += "/" + std::to_string(nb.janei[k][t]) + ":" + std::to_string(nb.jnnei[k][t]);
  s += "/" + std::to_string(planar_ring_size(run, k)) + "|" + fmt::pad(run.atoms.asym[k], 5) + "|" +
       fmt::pad(run.except.group[k], 40);
  return s;
}

// Everything the hydrogen test compares.
std::string hyd_key(const Run& run, int k) {
  return fmt::pad(run.except.group[k], 40) + "|" + std::to_string(run.atoms1.isft[k]) + "/" +
         std::to_string(run.forh.ihp[k]) + "/" + std::to_string(run.forh.isp[k]) + "/" +
         std::to_string(run.forh.ihnei[k]);
}

bool same_hydrogen(const Run& run, int i, int k) { return hyd_key(run, i) == hyd_key(run, k); }

// The earlier atom whose kappa set atom k shares, or 0. Above verbosity 2 every comparison is
// made (and explained in the log) one by one; otherwise the index gives the same first match.
int earlier_equivalent(Run& run, int k, const KappaIndex& index, const std::string& hkey, const std::string& ykey) {
  const bool hydrogen = run.atoms.itype[k] == 1;
  if (hydrogen ? !run.set.lhyd : !run.set.lheav) return 0;
  if (run.set.iverbose > 2) {
    for (int i = 1; i < k; ++i)
      if (hydrogen ? same_hydrogen(run, i, k) : sameatoms(run, k, i, 1, 1, 0, 1)) return i;
    return 0;
  }
  const auto& map = hydrogen ? index.hyd : index.heavy;
  auto f = map.find(hydrogen ? ykey : hkey);
  return f == map.end() ? 0 : f->second;
}

void new_kappa_set(Run& run, int k) {
  Kappaset& ks = run.kappaset;
  ++ks.itkset;
  logl(run, "\n New kappa set = " + fmt::i(ks.itkset, 4));
  ks.kset[k] = ks.itkset;
}

// An IAM kappa set (both kappas 1) of this scattering table, or 0.
int iam_kappa_set(const Run& run, int isft) {
  const Kappas& kp = run.kappas;
  for (int s = 1; s <= kp.nkap; ++s)
    if (kp.nkapsf[s] == isft && std::fabs(kp.rkappa[s][0] - 1.0f) <= 0.0001f &&
        std::fabs(kp.rkappa[s][1] - 1.0f) <= 0.0001f)
      return s;
  return 0;
}

void ensure_kappa_slot(Kappas& kp, int s) {
  if (static_cast<int>(kp.rkappa.size()) <= s) {
    kp.rkappa.resize(static_cast<size_t>(s) + 1, {0.0f, 0.0f});
    kp.nkapsf.resize(static_cast<size_t>(s) + 1, 0);
  }
}

std::string bare(std::string_view label, bool drop_um) {
  std::string s = fmt::pad(label, 10);
  if (drop_um) erum(s);
  erbras(s);
  return s;
}

// An axis point as MoPro names it. With residues an atom is its record's name, the file's
// name and the residue number, since bare names repeat from residue to residue; a generated
// atom that kept its label is named as its asymmetric-unit atom. Dummies and input without
// residues use the bare label.
std::string mopro_point(const Run& run, const std::string& at, int pt) {
  const Resi1& r = run.resi1;
  if (r.resi11 && pt > 0 && pt < static_cast<int>(run.atoms.atom.size()) &&
      fmt::pad(run.atoms.atom[pt], labw) == fmt::pad(at, labw)) {
    const int j = pt > run.atoms.ia ? run.cryst.isymeq[pt] : pt;
    if (j > 0 && j < static_cast<int>(r.resi2.size())) return fmt::wide(r.resi2[j], 10);
  }
  return bare(at, true);
}

int axis_number(char ax) { return ax == 'X' ? 1 : ax == 'Y' ? 2 : ax == 'Z' ? 3 : 0; }

// An axis point as XD numbers it: the atom, or ia + the dummy's number. The point the rules
// chose is used while its label still names it: a structure may repeat labels, and a search
// by label would then pick another atom. A point whose label was replaced (a symmetry copy
// turned dummy) is found by its new label; the last match wins.
int point_code(const Run& run, KappaIndex& index, const std::string& at, int pt) {
  const int ia = run.atoms.ia;
  if (pt > 0 && pt <= ia && fmt::pad(run.atoms.atom[pt], labw) == at) return pt;
  if (pt < 0 && fmt::pad(run.dummy.dlab[-pt], labw) == at) return ia - pt;
  if (!index.atoms_labelled) {
    for (int i = 1; i <= ia; ++i) index.atom_label[fmt::pad(run.atoms.atom[i], labw)] = i;
    index.atoms_labelled = true;
  }
  if (index.dummies_labelled > run.dummy.ndum) {
    index.dummy_label.clear();
    index.dummies_labelled = 0;
  }
  for (int j = index.dummies_labelled + 1; j <= run.dummy.ndum; ++j)
    index.dummy_label[fmt::pad(run.dummy.dlab[j], labw)] = j;
  index.dummies_labelled = run.dummy.ndum;
  if (const auto d = index.dummy_label.find(at); d != index.dummy_label.end()) return ia + d->second;
  const auto a = index.atom_label.find(at);
  return a == index.atom_label.end() ? 0 : a->second;
}

void populations(Run& run, int k, const AxisChoice& c, const NeighborGrid* grid) {
  const Settings& s = run.set;
  Kappas& kp = run.kappas;
  const int ks = run.kappaset.kset[k];
  const float occ = run.atoms1.occ[k];
  const bool read = s.ldb && ((!c.lkdis && !c.lndis) || (s.ldd && c.lkdis));
  logl(run, "\n Atom " + fmt::trim(run.atoms.atom[k]) +
                (read ? " :: will now read databank" : " :: will skip reading databank"));
  ensure_kappa_slot(kp, ks);
  if (!read) {
    run.mpoles.pv[k] = pval(run.atoms.itype[k]) * occ;
    kp.nkap = std::max(kp.nkap, ks);
    kp.rkappa[ks] = {1.0f, 1.0f};
    kp.nkapsf[ks] = run.atoms1.isft[k];
    return;
  }
  readdb(run, k, c.lpg, grid);
  const Mpoles1& m = run.mpoles1;
  if (k == 1) {
    kp.nkap = 1;
    ensure_kappa_slot(kp, 1);
    kp.nkapsf[1] = run.atoms1.isft[k];
  } else if (kp.nkap < ks) {
    kp.nkap = ks;
    kp.nkapsf[ks] = run.atoms1.isft[k];
  }
  kp.rkappa[ks] = m.rkap1;
  run.mpoles.pv[k] = m.pv1 * occ;
  run.mpoles.spv[k] = m.spv1;
  for (int l = 0; l <= 4; ++l)
    for (int mm = -l; mm <= l; ++mm) run.mpoles.plm[k][l][mm + 4] = occ * m.plm1[l][mm + 4];
}

}  // namespace

std::string xd_axis_line(Run& run, int k, const AxisChoice& c, int ichem) {
  const std::string& lab = fmt::pad(run.atoms.atom[k], labw);
  std::string s = lab + " " + fmt::pad(c.at1, labw) + "  " + c.ax1 + "  " + lab + " " + fmt::pad(c.at2, labw) + " " + c.ax2 +
                  "   R " + fmt::i(run.atoms1.iut[k], 3) + fmt::i(run.atoms1.isft[k], 3) +
                  idfield(run, "xd_vorn.mas", "KAP", run.kappaset.kset[k], 4) + fmt::i(run.atoms1.lmx[k], 4) + "   " +
                  fmt::pad(run.atoms.asym[k], 5) + "   " +
                  (ichem > 0 ? fmt::pad(run.atoms.atom[ichem], labw) : std::string(labw, ' '));
  return fmt::pad(s, 80);
}

std::string mopro_axis_line(const Run& run, int k, const AxisChoice& c) {
  std::string el = fmt::pad(run.atoms.atom[k], 10);
  ernum(el);
  const char* model = fmt::trim(el) == "H" ? " QUA " : " HEX ";
  const std::string kap = " K" + ljust(fmt::iw(run.kappaset.kset[k], 5), 5);
  std::string s = std::string(1, c.ax1) + c.ax2 + "   " + mopro_point(run, c.at1, c.pt1) + "   " +
                  mopro_point(run, c.at2, c.pt2) + "   " + model +
                  "   " + kap + "   " + "V0  M0  Q0";
  return fmt::pad(fmt::pad(s, 80), 90);
}

std::string mopro_con_line(const Run& run, int k, int ichem) {
  const Resi1& r = run.resi1;
  std::string s = r.resi11 ? "! CONPVM  " + fmt::wide(r.resi2[k], 10) + "  " + fmt::wide(r.resi2[ichem], 10)
                           : "! CONPVM  " + bare(run.atoms.atom[k], false) + "  1 " + bare(run.atoms.atom[ichem], false) + " 1";
  return fmt::pad(s, 90);
}

// MoPro reads each code in the atom's own axes: "mx" is the mirror perpendicular to x (the
// (Y,Z) plane), "mxmy" the two mirrors whose intersection, the twofold axis, is z; "3m" and "cy"
// have their threefold or cylinder axis along z, "3m" with a mirror through x. The code is
// therefore derived from the letters actually written:
// - "m": the mirror holds both written axes, so its normal is the third one;
// - "mm2": the twofold lies along the first written axis (every rule writes it first: Z to a
//   pair midpoint or to the odd neighbour), the mirrors are normal to the other two axes;
// - "3m": the threefold is Z, either written (methyl: Z to the unique neighbour) or the normal
//   of two written axes to equivalent neighbours (X, Y); the mirror holds the other written
//   axis, or the first one when Z is not written;
// - "cyl": the cylinder axis is the first written axis.
// An orientation MoPro's codes cannot express gets no code (as the labels without one), rather
// than a code that would constrain the wrong multipoles.
std::string symplm_code(const std::string& sym, char ax1, char ax2) {
  const std::string axes = "XYZ";
  if (ax1 == ax2 || axes.find(ax1) == std::string::npos || axes.find(ax2) == std::string::npos) return "";
  const char third = static_cast<char>('X' + 'Y' + 'Z' - ax1 - ax2);
  const auto m = [](char a) { return std::string("m") + static_cast<char>(a - 'A' + 'a'); };
  if (sym == "m") return m(third);
  if (sym == "mm2") return m(std::min(ax2, third)) + m(std::max(ax2, third));
  if (sym == "3m") {
    const char in_mirror = ax1 == 'Z' ? ax2 : ax1;
    return in_mirror == 'X' ? "3m" : "";
  }
  if (sym == "cyl") return ax1 == 'Z' ? "cy" : "";
  return "";
}

std::string symplm_line(const Run& run, int k, const AxisChoice& c) {
  const std::string sym = fmt::trim(run.atoms.asym[k]);
  if (sym == "NO") return "";
  const std::string code = symplm_code(sym, c.ax1, c.ax2);
  if (run.resi1.resi11) return "SYMPLM  " + fmt::a(fmt::pad(code, 4), 6) + " " + fmt::wide(run.resi1.resi2[k], 10);
  return "SYMPLM  " + fmt::pad(code, 4) + " " + bare(run.atoms.atom[k], false) + " 1";
}

void setup_atom(Run& run, int k, AxisChoice& c, KappaIndex& index, const NeighborGrid* grid) {
  Settings& s = run.set;
  Kappaset& ks = run.kappaset;
  int ichem = 0;
  // Atom k's class keys, final once its site symmetry and group are known; built once.
  std::string hkey, ykey;
  const auto keys = [&] {
    hkey = heavy_key(run, k);
    ykey = hyd_key(run, k);
  };
  // An axis towards a symmetry copy would name the original atom, somewhere else: every
  // branch, not only the analysed one, gets a dummy at the copy's place.
  if (run.cryst.natoms != run.atoms.ia) {
    const std::string_view a1(&c.ax1, 1), a2(&c.ax2, 1);
    if (grid)
      checksymeq(run, c.xca1, c.xca2, c.at1, c.at2, a1, a2, grid->cells);
    else
      checksymeq(run, c.xca1, c.xca2, c.at1, c.at2, a1, a2);
  }
  if (s.lsx) {
    ks.kset[k] = run.atoms1.isft[k];
    ks.itkset = std::max(ks.itkset, ks.kset[k]);
  } else if (!c.lkdis && c.lndis) {
    if (const int old = iam_kappa_set(run, run.atoms1.isft[k])) {
      logl(run, "\n Using old [IAM] kappa set = " + fmt::i(old, 4));
      ks.kset[k] = old;
    } else {
      new_kappa_set(run, k);
    }
  } else {
    logl(run, "\n Calling DetExcept...");
    detexcept(run, k);
    upcase(run.except.group[k]);
    if (run.except.iexp[k] == 1)
      logl(run, "\n Exception identified for " + fmt::trim(run.atoms.atom[k]) + " : Functional group = [" +
                    fmt::trim(run.except.group[k]) + "]");
    keys();
    if (k > 1) {
      logl(run, "\n Trying to determine the KAPPA SET : ");
      ichem = earlier_equivalent(run, k, index, hkey, ykey);
    }
    if (ichem > 0) {
      ks.kset[k] = ks.kset[ichem];
      logl(run, "\n Old kappa set = " + fmt::i(ks.kset[ichem], 4));
    } else {
      new_kappa_set(run, k);
    }
  }
  // Atom k's key values are final now; the first atom of a class keeps its place.
  if (hkey.empty()) keys();
  index.heavy.emplace(hkey, k);
  index.hyd.emplace(ykey, k);

  run.ichemcon[k] = ichem > 0;
  logl(run, "\n Symmetry = [" + fmt::pad(run.atoms.asym[k], 5) + "]");

  const std::string line = fmt::trim(xd_axis_line(run, k, c, ichem));
  run.text.mopro[k] = mopro_axis_line(run, k, c);
  if (ichem > 0) run.text.mcon[k] = mopro_con_line(run, k, ichem);
  conl(run, " " + line);
  run.imas << line << '\n';
  logl(run, "\n Local coordinate system definition : \n");
  logl(run, " " + line);
  const std::string sym = symplm_line(run, k, c);
  if (!sym.empty()) run.icon << sym << '\n';

  loc2plat(run, k, c.xca1, c.xca2, c.ax1, c.ax2);
  populations(run, k, c, grid);
  logl(run, "\n CKS :: Atom=" + fmt::i(k, 6) + "  kset=" + fmt::i(ks.kset[k], 4) +
                "  nsft=" + fmt::i(run.kappas.nkapsf[ks.kset[k]], 4));

  auto& iar = run.mpoles.iar[k];
  iar[1] = axis_number(c.ax1);
  iar[2] = axis_number(c.ax2);
  iar[3] = point_code(run, index, c.at1, c.pt1);
  iar[4] = k;
  iar[5] = point_code(run, index, c.at2, c.pt2);
  iar[6] = run.atoms1.iut[k];
  iar[7] = run.atoms1.isft[k];
  iar[8] = ks.kset[k];
  iar[9] = iar_lmax;
  iar[10] = iar_fixed10;
  iar[11] = ichem;
}

}  // namespace vorn
