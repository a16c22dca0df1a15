// PLATON coordinate files and AIM2TAB atom tables: Cartesian atoms without cell or symmetry.
#include "readers/cartesian.h"

#include <algorithm>
#include <fstream>
#include <optional>

#include "model/log.h"
#include "readers/atomtypes.h"
#include "readers/labels.h"
#include "readers/summary.h"
#include "util/err.h"
#include "util/format.h"
#include "util/infile.h"
#include "util/physrange.h"
#include "util/text.h"

namespace vorn {

namespace {

constexpr const char* kPlaton = "ReadPlaton";
constexpr const char* kAim = "ReadAim2Tab";
constexpr const char* kCountLine = "NUMBER OF ATOMS READ =";
constexpr const char* kTableHead = "NO. ATOM       AT.MASS";

bool getline_cr(std::istream& in, std::string& l, const char* place) {
  bool cut = false;
  if (!read_line(in, l, cut)) return false;
  if (cut) err(place, "Line longer than " + std::to_string(kLineKeep) + " characters");
  return true;
}

// A new atom at Cartesian position xc: no cell, so xf stays 0; full occupancy.
void add_cartesian_atom(Run& run, const std::string& label, const Vec3& xc, const char* place) {
  if (!printable_ascii(label))
    err(place, "The label of atom " + std::to_string(run.atoms.ia + 1) + " holds a character that is not printable ASCII");
  for (int c = 0; c < 3; ++c)
    check_range(Quantity::cartesian, xc[c], place, "for atom " + std::to_string(run.atoms.ia + 1) + " " + fmt::trim(label));
  const int i = add_atom(run, place);
  run.atoms.ia = i;
  run.atoms.atom[i] = fmt::pad(label, labw);
  run.idents.id[i].label = fmt::trim(label);
  run.atoms.xc[i] = xc;
  run.atoms.xf[i] = Vec3{};
  run.atoms1.occ[i] = 1.0f;
  type_atom(run, i, place);
  // no displacement parameters are read: isotropic, and the scattering table is the
  // element's place in the element list, so the atom table names a real order and table
  run.atoms1.iut[i] = 1;
  const auto& t = run.at_types.iatype;
  run.atoms1.isft[i] = static_cast<int>(std::find(t.begin() + 1, t.end(), run.atoms.itype[i]) - t.begin());
}

// One row of the table, "(5x,a8,11x,3f9.4)"; nullopt when a field is blank or no number.
std::optional<std::pair<std::string, Vec3>> table_row(const std::string& line) {
  const std::string l = fmt::pad(line, 51);
  const std::string label = ljust(l.substr(5, 8), labw);
  if (fmt::trim(label).empty()) return std::nullopt;
  Vec3 x{};
  for (int c = 0; c < 3; ++c) {
    const auto it = items(l.substr(24 + 9 * c, 9));
    if (it.size() != 1) return std::nullopt;
    auto v = parse_real(it[0]);
    if (!v) return std::nullopt;
    x[c] = *v * bohr;
  }
  return std::make_pair(label, x);
}

}  // namespace

void readplaton(Run& run, const std::string& fname) {
  const std::string name = fmt::trim(fname);
  std::ifstream in;
  if (!open_text(in, name, kPlaton, "PLATON file")) err(kPlaton, "Error opening PLATON file " + name);
  logl(run, "\n\n Reading PLATON file : " + name);
  for (std::string raw; getline_cr(in, raw, kPlaton);) {
    std::string line = raw;
    const LineExtract le = readline(line);
    if (!le.word(1, "ATOM")) continue;
    auto v = read_reals(line, 3);
    if (le.nch < 2 || !v) {
      both(run, " ATOM line needs a label and three coordinates: <<" + fmt::trim(raw) + ">>");
      err(kPlaton, "Error reading PLATON file");
    }
    add_cartesian_atom(run, le.vchar[2], Vec3{(*v)[0], (*v)[1], (*v)[2]}, kPlaton);
  }
  if (in.bad()) err(kPlaton, "Error reading PLATON file");
  if (run.atoms.ia == 0) err(kPlaton, "No ATOM lines in PLATON file " + name);
  prattyp(run);
  both(run, "\n Total atoms read from PLATON file = " + fmt::iw(run.atoms.ia, 8));
  unique_labels(run);
  printatoms(run, run.nout);
}

void readaim2tab(Run& run, const std::string& fname) {
  const std::string name = fmt::trim(fname);
  std::ifstream in;
  if (!open_text(in, name, kAim, "AIM2TAB output file")) err(kAim, "Error opening AIM2TAB output file...");
  int count = 0;
  bool table = false;
  for (std::string l; !table && getline_cr(in, l, kAim);) {
    const std::string key = fmt::pad(l, 22);
    if (key == kCountLine) {
      const auto it = items(fmt::pad(l, 30).substr(23, 7));
      auto v = it.empty() ? std::nullopt : parse_int(it[0]);
      if (!v || *v < 0) err(kAim, "Unreadable atom count: " + fmt::trim(l));
      check_atom_capacity(*v, kAim);
      count = *v;
    } else if (key == kTableHead) {
      if (count == 0) err(kAim, "The atom table comes before the \"NUMBER OF ATOMS READ =\" line");
      getline_cr(in, l, kAim);  // the rule under the table head
      for (int i = 1; i <= count; ++i) {
        std::optional<std::pair<std::string, Vec3>> row;
        if (!getline_cr(in, l, kAim) || !(row = table_row(l))) {
          logl(run, " Atom table line: <<" + fmt::trim(l) + ">>");
          err(kAim, "Atom table ends after " + std::to_string(i - 1) + " of " + std::to_string(count) + " atoms");
        }
        add_cartesian_atom(run, row->first, row->second, kAim);
      }
      // a later table of the same file would only repeat the atoms
      table = true;
    }
  }
  if (in.bad()) err(kAim, "Error reading AIM2TAB output file");
  if (!table) err(kAim, "No atom table (\"NO. ATOM       AT.MASS\") in AIM2TAB output file " + name);
  logl(run, "\n Number of atom types = " + fmt::i(run.at_types.ntyp, 4));
  for (int t = 1; t <= run.at_types.ntyp; ++t)
    logl(run, "   atom type = " + fmt::i(t, 2) + "    atomic number = " + fmt::i(run.at_types.iatype[t], 3));
  logl(run, "\n Total atoms read from AIM2TAB output file = " + fmt::iw(run.atoms.ia, 5));
  unique_labels(run);
  printatoms(run, run.nout);
}

}  // namespace vorn
