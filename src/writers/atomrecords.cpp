// The atom pass writing xd_vorn.inp, the MoPro atom records of mopro_vorn.par and fixedH.ins.
#include "writers/atomrecords.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "model/log.h"
#include "model/widen.h"
#include "util/format.h"
#include "util/text.h"

namespace vorn {

namespace {

// (l, m) of the 25 multipole populations in file order; pv comes before them.
constexpr std::array<std::pair<int, int>, 25> kPopOrder{{
    {0, 0},
    {1, 1}, {1, -1}, {1, 0},
    {2, 0}, {2, 1}, {2, -1}, {2, 2}, {2, -2},
    {3, 0}, {3, 1}, {3, -1}, {3, 2}, {3, -2}, {3, 3}, {3, -3},
    {4, 0}, {4, 1}, {4, -1}, {4, 2}, {4, -2}, {4, 3}, {4, -3}, {4, 4}, {4, -4},
}};

float plm_at(const Plm& p, int k) { return p[kPopOrder[k].first][kPopOrder[k].second + 4]; }

// Writes the values as fixed fields, per lines of at most `per` values, each line after `lead`.
void write_rows(std::ostream& out, const float* v, int count, int per, int w, int d,
                const std::string& lead = "", const std::string& after = "") {
  for (int k = 0; k < count; k += per) {
    std::string line = lead;
    for (int j = k; j < count && j < k + per; ++j) line += fmt::f(v[j], w, d) + after;
    out << line << '\n';
  }
}

// Entry i of a per-atom text table in a field of the given width; an entry that widened past
// it (a MoPro name with its conformer and chain) is kept whole: cutting it lost the residue.
std::string field(const std::vector<std::string>& table, int i, int width) {
  return i >= 0 && i < static_cast<int>(table.size()) ? fmt::wide(table[i], width) : std::string(width, ' ');
}

// ---- xd_vorn.inp ----

constexpr const char* kXp = "xd_vorn.inp";
constexpr const char* kPro = "mopro_vorn.par";

// XD's array sizes: 300 atoms and 30 dummies, raised only for a structure that needs more.
std::string limits(Run& run) {
  const int nat = std::max(300, run.atoms.ia), nzz = std::max(30, run.dummy.ndum);
  if (nat > 300 || nzz > 30)
    logl(run, "\n Note : LIMITS of xd_vorn.inp raised to nat " + std::to_string(nat) + " nzz " + std::to_string(nzz));
  return "LIMITS nat " + std::to_string(nat) + " ntx 31 lmx 4 nzz " + std::to_string(nzz) +
         " nto 0 nsc 20 ntb 20 nov 2500";
}

void xd_head(Run& run) {
  std::ostream& o = run.ixp;
  o << fmt::rep('!', 80) << '\n'
    << "!" << fmt::x(19) << "CREATED BY PROGRAM << VORN >>\n"
    << fmt::rep('!', 80) << '\n'
    << "XDPARFILE VERSION  2\n"
    << "  " << fmt::trim(run.amodel) << "   MODEL  4  2  1  0\n"
    << limits(run) << '\n'
    << "USAGE " << idfield(run, kXp, "USAGE atoms", run.atoms.ia, 4) << " 2 4 "
    << idfield(run, kXp, "USAGE kappa sets", run.kappas.nkap, 4) << " 0 1 0 0 " << fmt::i(run.nsft, 4) << " 0 0 0 0 "
    << idfield(run, kXp, "USAGE dummies", run.dummy.ndum, 4) << '\n';
  const float zeros[14] = {};
  write_rows(o, zeros, 8, 8, 10, 6);
  write_rows(o, zeros + 8, 6, 6, 10, 6);
  for (int j = 1; j <= run.dummy.ndum; ++j) {
    const Vec3& x = run.dummy.xdum[j];
    o << fmt::f(x[0], 13, 6) << fmt::f(x[1], 13, 6) << fmt::f(x[2], 13, 6) << '\n';
  }
}

void xd_atom(Run& run, int i) {
  std::ostream& o = run.ixp;
  const auto& iar = run.mpoles.iar[i];
  std::string line = fmt::pad(run.atoms.atom[i], labw);
  for (int k = 1; k <= 2; ++k) line += fmt::i(iar[k], 3);
  for (int k = 3; k <= 5; ++k) line += idfield(run, kXp, "axis atom number", iar[k], 5);
  line += "  ";
  // iar 6..11: displacement type, scattering type, kappa set, lmax, fixed flag, constraint atom
  static const char* const kNames[] = {"displacement type", "scattering type", "kappa set",
                                       "lmax",              "fixed flag",      "constraint atom number"};
  for (int k = 6; k <= 11; ++k) line += idfield(run, kXp, kNames[k - 6], iar[k], 5);
  const Vec3& x = run.atoms.xf[i];
  line += fmt::f(x[0], 9, 5) + fmt::f(x[1], 9, 5) + fmt::f(x[2], 9, 5) + fmt::f(run.atoms1.occ[i], 8, 4);
  o << line << '\n';
  write_rows(o, run.at_uij.u[i].data(), 6, 6, 10, 6);
  float pop[26];
  pop[0] = run.mpoles.pv[i];
  for (int k = 0; k < 25; ++k) pop[k + 1] = plm_at(run.mpoles.plm[i], k);
  write_rows(o, pop, 26, 10, 8, 4);
}

void xd_tail(Run& run) {
  std::ostream& o = run.ixp;
  for (int k = 1; k <= run.kappas.nkap; ++k) {
    const auto& r = run.kappas.rkappa[k];
    const float v[6] = {r[0], r[1], r[1], r[1], r[1], r[1]};
    std::string line = fmt::i(run.kappas.nkapsf[k], 3);
    for (float x : v) line += fmt::f(x, 10, 6);
    o << line << '\n';
  }
  const auto& fv = run.shelx1.fvar;
  std::string l1, l2;
  for (int k = 2; k <= 8; ++k) l1 += fmt::e(fv[k], 11, 4);
  l2 = fmt::e(fv[9], 11, 4);
  o << l1 << '\n' << l2 << '\n' << fmt::e(fv[1], 13, 6) << '\n';
}

// ---- fixedH.ins ----

// Only the X-H extension writes this file, and never in a plain conversion.
void write_fixedh_line(Run& run, int i) {
  if (!run.set.lfh || run.set.lsx) return;
  const Vec3& x = run.atoms.xf[i];
  run.ifh << fmt::pad(run.atoms.atom[i], labw) << ' ' << fmt::i(run.atoms1.isft[i], 4) << "  " << fmt::f(x[0], 12, 6)
          << fmt::f(x[1], 12, 6) << fmt::f(x[2], 12, 6) << "  " << fmt::f(run.atoms1.occ[i], 10, 5) << ' '
          << fmt::f(run.at_uij.u[i][0], 8, 4) << '\n';
}

// ---- mopro_vorn.par ----

void mopro_head(Run& run) {
  std::ostream& o = run.ipro;
  o << "DUMMY " << idfield(run, kPro, "DUMMY count", run.dummy.ndum, 3) << '\n';
  for (int j = 1; j <= run.dummy.ndum; ++j) {
    const Vec3& x = run.dummy.xdum[j];
    o << "DUMY " << fmt::f(x[0], 12, 6) << fmt::f(x[1], 12, 6) << fmt::f(x[2], 12, 6) << "  D"
      << fmt::pad(std::to_string(j), 5) << " 0\n";
  }
  o << '\n' << "KAPPA " << idfield(run, kPro, "KAPPA count", run.kappas.nkap, 3) << '\n';
  for (int k = 1; k <= run.kappas.nkap; ++k)
    o << fmt::f(run.kappas.rkappa[k][0], 10, 6) << fmt::f(run.kappas.rkappa[k][1], 10, 6) << '\n';
  o << '\n' << "ATOMS " << idfield(run, kPro, "ATOMS count", run.atoms.ia, 4) << '\n' << '\n';
}

void mopro_atom(Run& run, int i) {
  std::ostream& o = run.ipro;
  std::string elem = fmt::pad(run.atoms.atom[i], 10);
  ernum(elem);
  const bool hydrogen = fmt::trim(elem) == "H";
  const Vec3& x = run.atoms.xf[i];
  const float occ = run.atoms1.occ[i];
  const std::string coords = fmt::f(x[0], 12, 6) + fmt::f(x[1], 12, 6) + fmt::f(x[2], 12, 6);
  std::string line = "ATOM " + idfield(run, kPro, "atom number", i, 3) + " ";
  if (run.resi1.resi11) {
    line += field(run.resi1.resi1, i, 17);
  } else {
    std::string plain = fmt::pad(run.atoms.atom[i], 10);
    erbras(plain);
    line += plain + "MOL   1";
  }
  line += coords + fmt::f(occ, 6, 3) + " " + " 1 " + elem;
  o << line << '\n' << field(run.text.mopro, i, 90) << '\n';

  const auto& u = run.at_uij.u[i];
  if (hydrogen) {
    o << "UISO   " << fmt::f(u[0], 10, 6) << '\n';
  } else {
    o << "UANI   ";
    for (float v : u) o << fmt::f(v, 10, 6);
    o << '\n';
  }

  // MoPro holds populations per fully occupied atom. An empty site (occupancy 0) carries no
  // density: its populations are written as zeros rather than as 0/0.
  const bool scale_ok = occ != 0.0f;
  auto per_atom = [&](float v) { return scale_ok ? v / occ : 0.0f; };
  float pop[26];
  pop[0] = per_atom(run.mpoles.pv[i]);
  for (int k = 0; k < 25; ++k) pop[k + 1] = per_atom(plm_at(run.mpoles.plm[i], k));
  // MoPro's (3,-3) and (4,-3) functions have the opposite sign to XD's
  pop[16] = -pop[16];
  pop[23] = -pop[23];

  std::string first = fmt::f(pop[0], 8, 5) + fmt::f(pop[1], 8, 5) + "  ";
  for (int k = 2; k <= 9; ++k) first += fmt::f(pop[k], 5, 3) + "  ";
  o << first << '\n';
  if (!hydrogen) {
    write_rows(o, pop + 10, 7, 7, 5, 3, "  ", "  ");
    write_rows(o, pop + 17, 9, 9, 5, 3, "  ", "  ");
  }
  o << '\n';
}

void mopro_tail(Run& run) {
  run.ipro << '\n'
           << "ANHAR    0    3         !  #atoms #order \n"
           << "! 1         ! atom number \n"
           << "! 0. 0. 0. 0. 0. 0. 0. 0. \n"
           << "! 0. 0. \n"
           << '\n'
           << "STOP \n";
}

}  // namespace

void write_atom_records(Run& run) {
  xd_head(run);
  mopro_head(run);
  for (int i = 1; i <= run.atoms.ia; ++i) {
    xd_atom(run, i);
    write_fixedh_line(run, i);
    mopro_atom(run, i);
  }
  xd_tail(run);
  mopro_tail(run);
}

}  // namespace vorn
