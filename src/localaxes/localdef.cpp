// The local-axes stage: every atom's axes, then the atom, dummy and key sections of xd_vorn.mas and vorn.ang.
#include "localaxes/localdef.h"

#include <fstream>
#include <string>
#include <vector>

#include "localaxes/defloc.h"
#include "localaxes/xdmas.h"
#include "readers/xd.h"
#include "util/err.h"
#include "util/format.h"
#include "model/outfile.h"
#include "model/coords.h"
#include "util/geometry.h"
#include "model/log.h"

namespace vorn {

namespace {

constexpr const char* kTableHeader =
    "ATOM     ATOM0    AX1 ATOM1    ATOM2   AX2 R/L TP TBL KAP LMX SITESYM  CHEMCON";

// Dummy numbers above 9 widen the field so that every dummy keeps its own label.
std::string dummy_number(int j) { return fmt::i(j, j < 10 ? 1 : static_cast<int>(std::to_string(j).size())); }

std::string xyz(const Vec3& p, int w, int d) { return fmt::f(p[0], w, d) + fmt::f(p[1], w, d) + fmt::f(p[2], w, d); }

void put_lines(std::ostream& out, const std::vector<std::string>& lines) {
  for (const auto& l : lines) out << l << '\n';
}

}  // namespace

void localdef(Run& run) {
  const Settings& s = run.set;
  Atoms& at = run.atoms;
  run.dummy.ndum = 0;
  std::ofstream ang("vorn.ang", std::ios::out | std::ios::trunc);
  if (!ang) err("LocalDef", "Unable to open output file vorn.ang");
  ang << "ANGSTROM\n";
  // XD input keeps the old master file's head, its lines after the atom table and its tail
  XdCarried old;
  if (s.iform == iform_xd) {
    old = xd_carried(run.xdold, fmt::trim(s.mas));
    put_lines(run.imas, old.head);
  }

  conl(run, "");
  conl(run, kTableHeader);
  run.imas << kTableHeader << '\n';

  // The searches reach 20 A at most; cells of 4 A keep a 10 A hydrogen search to a few
  // hundred cells. Only the X-H extension moves atoms, and it moves them in the grid too.
  LocalContext ctx{make_neighbor_grid(run, 4.0f), {}};
  for (int k = 1; k <= at.ia; ++k) {
    logl(run, "\n" + rule('-', 79));
    logl(run, "\n Working with atom " + fmt::i(k, 7) + " : [" + fmt::pad(at.atom[k], labw) + "]" + fmt::x(5) +
                  "occ =" + fmt::f(run.atoms1.occ[k], 11, 4));
    defloc(run, k, ctx);
    progress_tick(run.progress, k, at.ia);
    ang << "ATOM " << fmt::pad(at.atom[k], labw) << "   " << xyz(at.xc[k], 14, 4) << '\n';
  }
  for (int j = 1; j <= run.dummy.ndum; ++j) {
    const Vec3& xd = run.dummy.xdum[j];
    run.imas << run.dummy.dlab[j] << "  " << xyz(xd, 12, 6) << '\n';
    const Vec3 xcart = stored_to_cart(run.transf, s.ifra, xd);
    ang << "ATOM Li(" << dummy_number(j) << ")  " << xyz(xcart, 14, 4) << '\n';
  }
  run.imas << "END ATOM\n";
  close_out(ang, "vorn.ang", "LocalDef");

  if (s.iform == iform_xd) put_lines(run.imas, old.mid);
  if (shelx_like(s.iform)) wrxdmas1(run.imas, run, run.kappaset.itkset);
  run.imas << key_header << '\n';
  for (int k = 1; k <= at.ia; ++k) run.imas << fmt::pad(at.atom[k], labw) << getkey(run, k) << '\n';
  for (int j = 1; j <= run.kappaset.itkset; ++j) run.imas << kappa_key(run, j) << '\n';
  if (shelx_like(s.iform) || s.iform == iform_aim2tab) run.imas << "EXTCN   0000000\nOVTHP   0\nSCALE   1\nEND KEY\n";
  if (s.iform == iform_xd) put_lines(run.imas, old.tail);
  if (shelx_like(s.iform)) {
    run.imas << "!" << fmt::rep('-', 78) << "\n!\n   END XDLSM\n!\n" << fmt::rep('!', 79) << '\n';
    wrxdmas2(run.imas, run);
  }
}

}  // namespace vorn
