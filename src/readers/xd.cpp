// XD input: cell, lattice and symmetry from the master file, the atoms from the parameter file.
#include "readers/xd.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>
#include <sstream>

#include "model/coords.h"
#include "model/log.h"
#include "readers/atomtypes.h"
#include "readers/labels.h"
#include "readers/summary.h"
#include "symmetry/cell.h"
#include "symmetry/symop.h"
#include "util/err.h"
#include "util/format.h"
#include "util/infile.h"
#include "util/physrange.h"
#include "util/text.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "ReadXD";
constexpr const char* kParError = "Error reading XD parameter file";
constexpr const char* kMasError = "Error reading XD master file";

bool starts(const std::string& line, std::string_view w) { return fmt::pad(line, static_cast<int>(w.size())) == w; }

std::vector<std::string> words(const std::string& line) {
  std::istringstream ws(line);
  std::vector<std::string> r;
  for (std::string w; ws >> w;) r.push_back(w);
  return r;
}

// ---- master file ----

struct Lattice {
  bool centro = true;
  char letter = 'P';
};

void read_master(Run& run) {
  const std::string name = fmt::trim(run.set.mas);
  logl(run, " Reading data from XD master file: " + name);
  Lattice lat;
  bool cell = false;
  for (const auto& raw : run.xdold) {
    const std::string l = upper(raw);
    if (starts(l, "CELL ")) {
      auto v = read_reals(l.substr(4), 6);
      if (!v) {
        both(run, " CELL line needs six numbers: <<" + fmt::trim(raw) + ">>");
        err(kPlace, kMasError);
      }
      std::copy(v->begin(), v->end(), run.ucell.uc.begin());
      for (int j = 0; j < 6; ++j)
        check_range(j < 3 ? Quantity::cell_length : Quantity::cell_angle, (*v)[j], kPlace,
                    "in line <<" + fmt::trim(raw) + ">> of XD master file " + name);
      cell = true;
    } else if (starts(l, "LATT ")) {
      const auto w = words(l);
      if (w.size() < 3) {
        both(run, " LATT line needs A or C and the lattice letter: <<" + fmt::trim(raw) + ">>");
        err(kPlace, kMasError);
      }
      lat.centro = w[1] != "A";
      lat.letter = w[2][0];
    }
  }
  if (!cell) err(kPlace, "No CELL line in XD master file " + name);
  const auto& uc = run.ucell.uc;
  std::string c = "\n Cell parameters: ";
  for (int j = 0; j < 3; ++j) c += fmt::f(uc[j], 10, 3);
  for (int j = 3; j < 6; ++j) c += fmt::f(uc[j], 8, 2);
  logl(run, c);
  logl(run, std::string(" Lattice type : ") + lat.letter);
  logl(run, std::string(" Lattice is ") + (lat.centro ? "CentroSymmetric" : "Acentric"));
  logl(run, " Symmetry operations : ");
  getsym(run, run.xdold);
  if (lat.centro) addcentsymm(run);
  if (lat.letter != 'P') nonp(run, lat.letter);
  logl(run, " Final set of symmetry operations in matrix form:");
  prsymop(run);
  tranmat(run);
}

// ---- parameter file ----

struct AtomLine {
  std::string label;
  std::array<int, 12> n{};  // n[1..11]
  Vec3 x{};
  float occ = 0;
};

// A label followed by 11 integers, x, y, z and the occupancy; nullopt for any other line.
std::optional<AtomLine> atom_line(std::string line) {
  const LineExtract le = readline(line);
  if (le.nch < 1) return std::nullopt;
  const auto it = items(line);
  if (it.size() < 15) return std::nullopt;
  AtomLine a;
  a.label = fmt::pad(le.vchar[1], labw);
  for (int k = 1; k <= 11; ++k) {
    auto v = parse_int(it[k - 1]);
    if (!v) return std::nullopt;
    a.n[k] = *v;
  }
  std::array<float, 4> r{};
  for (int k = 0; k < 4; ++k) {
    auto v = parse_real(it[11 + k]);
    if (!v) return std::nullopt;
    r[k] = *v;
  }
  a.x = {r[0], r[1], r[2]};
  a.occ = r[3];
  return a;
}

class ParFile {
 public:
  ParFile(Run& run, const std::string& name) : run_(run) {
    if (!open_text(in_, name, kPlace, "XD parameter file")) err(kPlace, "Error opening XD parameter file " + name);
  }

  // The run stops with the reader's message, after a line saying what went wrong.
  [[noreturn]] void fail(const std::string& detail) {
    both(run_, detail);
    err(kPlace, kParError);
  }

  std::string next(const std::string& what) {
    std::string l;
    if (!readxdline(in_, l)) fail(" End of XD parameter file while reading " + what);
    return l;
  }

  // The numbers of one line with its words blanked out; a line with fewer stops the run.
  std::vector<int> ints(const std::string& line, int count, const std::string& what) {
    std::string rest = line;
    readline(rest);
    auto v = read_ints(rest, count);
    if (!v) fail(" " + std::to_string(count) + " integers expected for " + what + ": <<" + fmt::trim(line) + ">>");
    return *v;
  }

  // count numbers read free-format, going on over as many lines as they need.
  std::vector<float> values(int count, const std::string& what) {
    std::vector<float> v;
    while (static_cast<int>(v.size()) < count) {
      const std::string l = next(what);
      std::string rest = l;
      if (readline(rest).nch > 0) fail(" Text where " + what + " belong: <<" + fmt::trim(l) + ">>");
      auto r = read_all_reals(rest);
      if (!r) fail(" Unreadable number among " + what + ": <<" + fmt::trim(l) + ">>");
      for (float x : *r)
        if (static_cast<int>(v.size()) < count) v.push_back(x);
    }
    return v;
  }

  void skip(int count, const std::string& what) {
    for (int k = 0; k < count; ++k) next(what);
  }

  // Lines that are no atom record are passed over; the ones holding a word are logged,
  // since a mistyped record of one atom would otherwise go unnoticed until the end.
  AtomLine atom(int i, int ia) {
    const std::string what = "atom record " + std::to_string(i) + " of " + std::to_string(ia);
    while (true) {
      const std::string l = next(what);
      if (auto a = atom_line(l)) return *a;
      std::string probe = l;
      if (readline(probe).nch > 0) logl(run_, " Line skipped, not an atom record: <<" + fmt::trim(l) + ">>");
    }
  }

 private:
  Run& run_;
  std::ifstream in_;
};

void read_atoms(Run& run, ParFile& par, int ia) {
  both(run, "\n NO.   ATOM      AT.NO.   ORDER_OF_U     iSFT");
  for (int i = 1; i <= ia; ++i) {
    const AtomLine a = par.atom(i, ia);
    if (!printable_ascii(a.label))
      err(kPlace, "The label of atom " + std::to_string(i) + " holds a character that is not printable ASCII");
    const std::string where = "in the record of atom " + fmt::trim(a.label) + " of the XD parameter file";
    for (int j = 0; j < 3; ++j) check_range(Quantity::fractional, a.x[j], kPlace, where);
    check_range(Quantity::occupancy, a.occ, kPlace, where);
    run.atoms.ia = add_atom(run, kPlace);
    run.atoms.atom[i] = a.label;
    run.idents.id[i].label = fmt::trim(a.label);
    run.atoms.xf[i] = a.x;
    run.atoms1.occ[i] = a.occ;
    const int iut = a.n[6], level = a.n[9];
    const std::string who = "atom " + fmt::trim(a.label);
    // the order decides how many lines follow, the level how many multipole values
    if (iut < 1 || iut > 4) par.fail(" Displacement order " + std::to_string(iut) + " of " + who + " is not 1 to 4");
    if (level < 0 || level > 4) par.fail(" Multipole level " + std::to_string(level) + " of " + who + " is not 0 to 4");
    run.atoms1.iut[i] = iut;
    run.atoms1.isft[i] = a.n[7];
    const auto u = par.values(6, "the displacement parameters of " + who);
    std::copy(u.begin(), u.end(), run.at_uij.u[i].begin());
    for (int j = 0; j < (iut == 1 ? 1 : 6); ++j) check_range(Quantity::displacement, u[j], kPlace, where);
    if (iut == 3) par.skip(2, "the third-order terms of " + who);
    if (iut == 4) par.skip(5, "the third- and fourth-order terms of " + who);
    type_atom(run, i, kPlace);
    both(run, fmt::i(i, 4) + fmt::x(3) + a.label + fmt::x(2) + fmt::i(run.atoms.itype[i], 3) + fmt::x(3) +
                  fmt::i(iut, 8) + fmt::x(5) + fmt::i(a.n[7], 8));
    const int n = level * (level + 2) + 1;
    par.skip(n / 10 + 1, "the multipole populations of " + who);
    run.atoms.xc[i] = to_cart(run.transf, run.atoms.xf[i]);
  }
}

// The kappa lines and the scale factors hold numbers only: a line with a word there is
// an atom record beyond the atom count of the limits line.
void read_tail(Run& run, ParFile& par, int ia, int nz) {
  const std::string extra = "the kappa lines (more atom records than the atom count " + std::to_string(ia) + "?)";
  for (int k = 0; k < nz; ++k) {
    const std::string l = par.next("the kappa lines");
    std::string rest = l;
    if (readline(rest).nch > 0) par.fail(" Text where " + extra + " belong: <<" + fmt::trim(l) + ">>");
  }
  auto& fv = run.shelx1.fvar;
  const auto a = par.values(7, "the scale factors");
  std::copy(a.begin(), a.end(), fv.begin() + 2);
  fv[9] = par.values(1, "the scale factors")[0];
  fv[1] = par.values(1, "the scale factors")[0];
}

}  // namespace

std::vector<std::string> load_xd_master(const std::string& name) {
  // an INPUT line read before FORMAT *xd takes one name only, the parameter file's place
  if (name.empty()) err(kPlace, "Error opening XD master file: no name (INPUT must follow the FORMAT line)");
  std::ifstream in;
  if (!open_text(in, name, kPlace, "XD master file")) err(kPlace, "Error opening XD master file " + name);
  std::vector<std::string> lines;
  bool cut = false;
  for (std::string l; read_line(in, l, cut);) {
    if (cut) err(kPlace, "Line longer than " + std::to_string(kLineKeep) + " characters in XD master file " + name);
    lines.push_back(l);
  }
  if (in.bad()) err(kPlace, kMasError);
  return lines;
}

XdCarried xd_carried(const std::vector<std::string>& lines, const std::string& name) {
  XdCarried c;
  const size_t n = lines.size();
  auto missing = [&](const char* what) { err(kPlace, std::string("No ") + what + " line in XD master file " + name); };
  size_t k = 0;
  for (; k < n && !starts(lines[k], "ATOM"); ++k) c.head.push_back(fmt::trim(lines[k]));
  if (k == n) missing("ATOM");
  for (++k; k < n && !starts(upper(lines[k]), "END "); ++k) {
  }
  if (k == n) missing("END ATOM");
  for (++k; k < n && !starts(lines[k], "KEY "); ++k) c.mid.push_back(fmt::trim(lines[k]));
  if (k == n) missing("KEY");
  for (++k; k < n && !starts(upper(lines[k]), "EXTCN "); ++k) {
  }
  if (k == n) missing("EXTCN");
  c.tail.push_back(fmt::trim(upper(lines[k])));
  for (++k; k < n; ++k) c.tail.push_back(fmt::trim(lines[k]));
  return c;
}

bool readxdline(std::istream& in, std::string& line) {
  std::string l;
  bool cut = false;
  while (read_line(in, l, cut)) {
    if (!l.empty() && l[0] == '!') continue;
    std::replace(l.begin(), l.end(), '\t', ' ');
    if (cut || lenstr(l, static_cast<int>(l.size())) > maxline) err(kPlace, "Line longer than 255 characters in XD parameter file");
    line = upper(l);
    return true;
  }
  if (in.bad()) err(kPlace, kParError);
  return false;
}

void readxd(Run& run, const std::string& fname) {
  const std::string mname = fmt::trim(run.set.mas);
  xd_carried(run.xdold, mname);  // the new master file needs these sections: refuse early
  read_master(run);

  const std::string name = fmt::trim(fname);
  ParFile par(run, name);
  logl(run, " Reading data from XD parameter file: " + name);
  std::string line = par.next("the first line");
  int ipv = 1;
  {
    std::string rest = line;
    const LineExtract le = readline(rest);
    if (le.word(1, "XDPARFIL")) {
      ipv = par.ints(line, 1, "the file version")[0];
      // a version line is never the model line, whatever version it names
      line = par.next("the model line");
    }
  }
  if (ipv != 1 && ipv != 2) par.fail(" XD parameter file version " + std::to_string(ipv) + " is not 1 or 2");
  logl(run, " XD parameter file version = " + fmt::i(ipv, 2));

  {
    std::string rest = line;
    const LineExtract le = readline(rest);
    if (le.nch < 1) par.fail(" The model line has no model name: <<" + fmt::trim(line) + ">>");
    const int lmax = par.ints(line, 4, "the model line")[0];
    run.amodel = fmt::pad(le.vchar[1], 20);
    logl(run, " Maximum level of multipole expansion = " + fmt::i(lmax, 2));
    logl(run, " Model name = " + run.amodel);
  }

  std::vector<int> idum1(1, 0);
  if (ipv == 1) {
    const auto v = par.ints(par.next("the limits line"), 22, "the limits line");
    idum1.insert(idum1.end(), v.begin(), v.end());
  } else {
    const auto a = par.ints(par.next("the limits line"), 8, "the limits line");
    const auto b = par.ints(par.next("the usage line"), 14, "the usage line");
    idum1.insert(idum1.end(), a.begin(), a.end());
    idum1.insert(idum1.end(), b.begin(), b.end());
  }
  const int ia = idum1[9], nz = idum1[12];
  logl(run, " Number of atoms in XD parameter file = " + fmt::iw(ia, 4));
  logl(run, " Number kappa sets = " + fmt::i(nz, 4));
  check_atom_capacity(ia, kPlace);
  if (ia < 1) par.fail(" The atom count of the limits line is " + std::to_string(ia));
  par.skip(idum1[22] + 2, "the lines before the first atom");

  read_atoms(run, par, ia);
  read_tail(run, par, ia, nz);
  prattyp(run);
  unique_labels(run);
  checkocc(run);
  printatoms(run, run.nout);
}

}  // namespace vorn
