// What the crystallographic readers share: the heads of xd_vorn.mas and mopro_vorn.par, the symmetry set-up, labels and the atom listing.
#include "readers/head.h"

#include <algorithm>

#include "readers/labels.h"
#include "readers/summary.h"
#include "symmetry/cell.h"
#include "symmetry/symop.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"
#include "model/log.h"
#include "util/text.h"

namespace vorn {

namespace {

int lattice_points(char letter) {
  switch (letter) {
    case 'P': return 1;
    case 'F': return 4;
    case 'R': return 3;
    default: return 2;
  }
}

}  // namespace

const char* const kAtomListHeader = "\n    NO.  ATOM     IZ IU SF    XF       YF       ZF    OCCUP  U's -->";

void write_mas_banner(Run& run) {
  run.imas << fmt::rep('!', 79) << '\n'
           << "!                   CREATED BY PROGRAM << VORN >>" << '\n'
           << fmt::rep('!', 79) << '\n'
           << "TITLE TEST" << '\n';
}

void write_cell(Run& run, float rlam) {
  const auto& uc = run.ucell.uc;
  std::string s = "CELL ";
  for (int j = 0; j < 6; ++j) s += fmt::f(uc[j], 12, 4);
  run.imas << s << '\n' << "WAVE " << fmt::f(rlam, 12, 6) << '\n';
  std::string m = "CELL";
  for (int j = 0; j < 3; ++j) m += fmt::f(uc[j], 10, 4);
  for (int j = 3; j < 6; ++j) m += fmt::f(uc[j], 9, 4);
  run.ipro << m << " " << fmt::f(rlam, 8, 5) << "\n\n";
}

std::string latt_line(const Lattice& lat) { return std::string(lat.centro ? "LATT C " : "LATT A ") + lat.letter; }

void write_scat(Run& run) {
  run.imas << fmt::rep('!', 79) << '\n'
           << "!\n"
           << "    MODULE *XDLSM\n"
           << "!\n"
           << "SELECT  *model 4 0 0 0 based_on F test verbose 3\n"
           << "SELECT  cycle 15 dampk 0.6 cmin 0.6 cmax 1. eigcut 1.d-09\n"
           << "SAVE  deriv lsqmat cormat\n"
           << "SOLVE  *inv diag *cond\n"
           << "!" << fmt::rep('-', 78) << '\n'
           << "SCAT CORE SPHV DEFV   1S  2S  3S  4S  2P  3P"
           << "  4P  3D  4D  4F  5S  5P  6S  6P  5D  7S  6D  5F  DELF'"
           << "   DELF''  NSCTL" << '\n';
  for (int t = 1; t <= run.at_types.ntyp; ++t) {
    const int z = run.at_types.iatype[t];
    const auto occ = getsft(z);
    std::string s = fmt::pad(symbat(z), 2) + fmt::x(3) + "CHFW CHFW CSZD" + fmt::x(1);
    for (int o : occ) s += fmt::i(o, 4);
    s += fmt::f(0.0f, 8, 4) + fmt::f(0.0f, 8, 4) + fmt::f(0.0f, 7, 3);
    run.imas << s << '\n';
  }
  run.imas << "END SCAT\n" << "!" << fmt::rep('-', 78) << '\n';
}

void write_mopro_symm(Run& run, const Lattice& lat) {
  run.ipro << "SYMM " << fmt::i(static_cast<long long>(lat.symlist.size()) + 1, 3) << " " << lat.letter
           << (lat.centro ? " CENTRO" : "") << '\n'
           << "  X, Y, Z" << '\n';
  for (const auto& s : lat.symlist) run.ipro << s << '\n';
  for (const char* l : {"SCALE  1  1.0", "FMULT  1.0", "UOVER  0.0", "SOLVT  0.0  50.0",
                        "EXTIN  0.0  GAUSSIAN  ISOT  TYP1"})
    run.ipro << '\n' << l << '\n';
  run.ipro << '\n';
}

void log_lattice(Run& run, const Lattice& lat) {
  std::string cell = " Cell parameters: ";
  for (int j = 0; j < 6; ++j) cell += fmt::f(run.ucell.uc[j], 10, 3);
  logl(run, cell);
  logl(run, std::string(" Lattice type : ") + lat.letter);
  logl(run, std::string(" Lattice is ") + (lat.centro ? "CentroSymmetric" : "Acentric"));
  logl(run, " Symmetry operations : ");
}

void finish_symmetry(Run& run, const Lattice& lat, const std::string& place) {
  // refuse before centring and inversion would overflow the operator table
  const int total = run.symm.ns * lattice_points(lat.letter) * (lat.centro ? 2 : 1);
  if (total > maxsym)
    err(place, "Space group needs " + std::to_string(total) + " symmetry operators, more than " + std::to_string(maxsym));
  if (lat.letter != 'P') nonp(run, lat.letter);
  if (lat.centro) addcentsymm(run);
  logl(run, " Final set of symmetry operations in matrix form:");
  prsymop(run);
  prattyp(run);
  tranmat(run);
}

std::string build_label(const Run& run, const std::string& prefix, const std::string& rest, int z, int ia, int count) {
  std::string label;
  if (!run.set.lrs) {
    // a name that is the bare element (I, P, O in a CIF) is numbered within its type: I(1), not I()
    label = prefix + "(" + (fmt::trim(rest).empty() ? std::to_string(count) : rest) + ")";
  } else {
    label = symbat(z) + "(" + std::to_string(run.set.irs == 0 ? ia : count) + ")";
    rmblanks(label);
  }
  return fmt::pad(label, labw);
}

void finish_atoms(Run& run, const std::string& what) {
  const size_t slots = static_cast<size_t>(atom_slots(run));
  if (run.resi1.resi1.size() < slots) {
    run.resi1.resi1.resize(slots, std::string(17, ' '));
    run.resi1.resi2.resize(slots, std::string(10, ' '));
  }
  logl(run, " Total atoms read from " + what + " file = " + fmt::iw(run.atoms.ia, 5));
  unique_labels(run);
  checkocc(run);
  printatoms(run, run.nout);
}

void list_atom(Run& run, int i) {
  const auto& u = run.at_uij.u[i];
  std::string s = fmt::i(i, 6) + fmt::x(3) + run.atoms.atom[i] + fmt::i(run.atoms.itype[i], 3) +
                  fmt::i(run.atoms1.iut[i], 3) + fmt::i(run.atoms1.isft[i], 3);
  for (int j = 0; j < 3; ++j) s += fmt::f(run.atoms.xf[i][j], 9, 5);
  s += fmt::f(run.atoms1.occ[i], 6, 3);
  for (int j = 0; j < (run.atoms1.iut[i] == 1 ? 1 : 6); ++j) s += fmt::f(u[j], 7, 3);
  both(run, s);
}

int set_atom_element(Run& run, int i, int z) {
  const auto& types = run.at_types.iatype;
  const int t = static_cast<int>(std::find(types.begin() + 1, types.end(), z) - types.begin());
  run.atoms.itype[i] = z;
  run.atoms1.isft[i] = t;
  run.atoms1.lmx[i] = z == 1 ? 2 : 4;
  return t;
}

}  // namespace vorn
