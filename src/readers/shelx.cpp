// SHELX instruction/result files: two passes, free-variable codes, riding Uiso, label rebuilding.
#include "readers/shelx.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <optional>
#include <set>
#include <vector>

#include "readers/head.h"
#include "readers/summary.h"
#include "symmetry/symop.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"
#include "model/coords.h"
#include "util/geometry.h"
#include "util/infile.h"
#include "util/physrange.h"
#include "model/log.h"
#include "model/widen.h"
#include "util/text.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "ReadShelx";
constexpr const char* kLatt = "PIRFABC";  // lattice letter by |LATT| 1..7

// Every SHELXL instruction, by its first four characters (the residue suffix of forms such as
// SADI_CCF3 falls beyond them). The older FALT and MOLE are kept for old files.
const std::set<std::string> kInstructions = {
    "ABIN", "ACTA", "AFIX", "ANIS", "ANSC", "ANSR", "BASF", "BEDE", "BIND", "BLOC", "BOND",
    "BUMP", "CELL", "CGLS", "CHIV", "CONF", "CONN", "DAMP", "DANG", "DEFS", "DELU", "DFIX",
    "DISP", "EADP", "END ", "EQIV", "EXTI", "EXYZ", "FALT", "FEND", "FLAT", "FMAP", "FRAG",
    "FREE", "FVAR", "GRID", "HFIX", "HKLF", "HOPE", "HTAB", "ISOR", "L.S.", "LATT", "LAUE",
    "LIST", "LONE", "MERG", "MOLE", "MORE", "MOVE", "MPLA", "NCSY", "NEUT", "OMIT", "PART",
    "PLAN", "PRIG", "REM ", "RESI", "RIGU", "RTAB", "SADI", "SAME", "SFAC", "SHEL", "SIMU",
    "SIZE", "SPEC", "STIR", "SUMP", "SWAT", "SYMM", "TEMP", "TIME", "TITL", "TWIN", "TWST",
    "UNIT", "WGHT", "WIGL", "WPDB", "XNPD", "ZERR"};

std::string head4(const std::string& line) { return upper(fmt::pad(line, 4)); }

bool is_instruction(const std::string& line) {
  // "+file" includes another file; this reader does not follow it, so it is never an atom
  return (!line.empty() && line[0] == '+') || kInstructions.count(head4(line)) > 0;
}

bool ends_with_eq(const std::string& line) {
  int n = lenstr(line, static_cast<int>(line.size()));
  return n > 0 && line[n - 1] == '=';
}

// The whole file once: '\r' stripped, tabs made blanks, over-long lines refused.
std::vector<std::string> load(const std::string& name) {
  std::ifstream in;
  if (!open_text(in, name, kPlace, "SHELX file")) err(kPlace, "Error opening SHELX file " + name);
  std::vector<std::string> lines;
  std::string l;
  bool cut = false;
  while (read_line(in, l, cut)) {
    std::replace(l.begin(), l.end(), '\t', ' ');
    if (cut || lenstr(l, static_cast<int>(l.size())) > maxline)
      err(kPlace, "Line longer than 255 characters in SHELX file");
    lines.push_back(l);
  }
  return lines;
}

// Free text may precede the title (program banners, notes); atoms come only after TITL.
size_t first_title(const std::vector<std::string>& lines) {
  for (size_t k = 0; k < lines.size(); ++k)
    if (head4(lines[k]) == "TITL") return k;
  return 0;
}

// Free-variable number of a code |c| >= 20, halves rounded away from zero.
// A code too large for an int refers past every free variable: maxfvar + 1 stands for it.
int fvar_index(float c) {
  const float m = std::fabs(c / 10.0f);
  return m > static_cast<float>(maxfvar) + 0.5f ? maxfvar + 1 : static_cast<int>(std::lround(m));
}

// ---- second pass ----

// RESI number name, in either order as SHELXL allows ("RESI CCF3 1", "RESI 4 CCF3", "RESI 0").
void resi_head(const std::string& line, int& number, std::string& name) {
  number = 0;
  name.clear();
  for (const auto& w : items(line.size() > 4 ? line.substr(4) : std::string())) {
    if (auto n = parse_int(w)) {
      number = *n;
    } else if (name.empty()) {
      name = w;
    }
  }
  name = fmt::pad(name, 10);
}

struct Cursor {
  const std::vector<std::string>& lines;
  size_t pos;
  int resnum = 0;       // residue of the last RESI line passed; 0 none (also after RESI 0)
  std::string resname;  // its name, 10 characters
  int part = 0;                  // part of the last PART line passed; RESI leaves it as it is
  std::optional<float> partsof;  // that line's occupancy code, which replaces the atoms' own
  int npeaks = 0;       // Q peaks passed over
  size_t first = 0;     // line of the atom returned last
};

// Q1, Q2 ... are the difference-map peaks SHELXL appends to a .res file; no element symbol
// begins with Q, so SHELXL itself never takes such a name for an atom.
bool is_peak(const std::string& line) { return !line.empty() && line[0] == 'Q'; }

// PART n [sof]. A zero or missing sof leaves the atoms their own occupancy codes.
void part_head(std::string line, Cursor& c) {
  if (auto k = line.find('!'); k != std::string::npos) line.erase(k);
  const auto w = items(line.size() > 4 ? line.substr(4) : std::string());
  c.part = 0;
  c.partsof.reset();
  if (w.empty()) return;
  const std::optional<int> n = parse_int(w[0]);
  if (!n) err(kPlace, "PART record needs an integer part number: " + fmt::trim(line));
  c.part = *n;
  if (w.size() < 2) return;
  const std::optional<float> sof = parse_real(w[1]);
  if (!sof) err(kPlace, "PART record with an occupancy that is not a number: " + fmt::trim(line));
  if (*sof != 0.0f) c.partsof = sof;
}

// Next atom line, upper-cased and with its continuation lines appended; nullopt at END or
// at the end of the file. A continuation is the next physical line, whatever it holds.
std::optional<std::string> rdshline(Cursor& c) {
  while (c.pos < c.lines.size()) {
    std::string line = upper(c.lines[c.pos++]);
    if (head4(line) == "END ") return std::nullopt;
    if (line.empty() || line[0] == ' ' || line[0] == '!') continue;  // labels start in column 1
    c.first = c.pos - 1;
    if (is_instruction(line)) {
      if (head4(line) == "RESI") resi_head(line, c.resnum, c.resname);
      if (head4(line) == "PART") part_head(line, c);
      while (ends_with_eq(line) && c.pos < c.lines.size()) line = c.lines[c.pos++];
      continue;
    }
    // "!" starts a comment; the first piece keeps at least columns 1-100, so a continuation
    // starts at column 101
    auto piece = [](std::string l) {
      if (auto k = l.find('!'); k != std::string::npos) l.erase(k);
      return l.substr(0, lenstr(l, static_cast<int>(l.size())));
    };
    std::string atom = piece(line);
    while (ends_with_eq(atom)) {
      atom.back() = ' ';
      atom = fmt::pad(atom, std::max<int>(100, static_cast<int>(atom.size()) + 1));
      if (c.pos >= c.lines.size()) break;
      atom += piece(upper(c.lines[c.pos++]));
    }
    if (is_peak(atom)) {
      ++c.npeaks;
      continue;
    }
    return atom;
  }
  return std::nullopt;
}

[[noreturn]] void atom_error(Run& run, const std::string& label, const std::string& line) {
  conl(run, " Error reading atom: " + fmt::pad(label, 4) + " Line <<" + fmt::trim(line) + ">>");
  err(kPlace, "Error reading atom " + fmt::trim(label));
}

// Builds the label of atom ia of type t and blanks the first word of the line.
std::string shatnam(Run& run, std::string& line, int z, int ia, int count) {
  int i1 = 0, i2 = 0;
  readchar(line, 1, i1, i2);
  const std::string word = line.substr(i1 - 1, i2 - i1 + 1);
  std::fill(line.begin() + (i1 - 1), line.begin() + i2, ' ');
  const size_t np = std::min<size_t>(symbat(z)[1] != ' ' ? 2 : 1, word.size());
  return build_label(run, word.substr(0, np), word.substr(np), z, ia, count);
}

// Decodes the free-variable codes of every number after the type number and rewrites the
// line in fixed columns; returns the numbers read back from it (type number first).
std::vector<float> processfvar(Run& run, std::string& line, const std::vector<float>& nums,
                               const std::string& label, const std::string& text) {
  std::string out = fmt::x(5) + fmt::i(static_cast<long long>(nums[0]), 4);
  for (size_t k = 1; k < nums.size(); ++k) {
    const float c = nums[k];
    if (std::fabs(c) >= 20.0f) {
      const int m = fvar_index(c);
      if (m > run.shelx1.ifv || m > maxfvar)
        err(kPlace, "Atom " + fmt::trim(label) + " refers to free variable " + std::to_string(m) + " but only " +
                        std::to_string(run.shelx1.ifv) + " were read from FVAR");
    }
    out += fmt::f(decode_fvar(run, c), 12, 6);
  }
  line = out;
  auto back = read_all_reals(line);
  if (!back || back->size() != nums.size()) atom_error(run, label, text);
  return *back;
}

// A Uiso of -0.5 .. -5.0 rides on the nearest earlier atom that does not ride itself.
void processu(Run& run, int i, std::vector<int>& jtf) {
  jtf[i] = 1;
  for (int j = i - 1; j >= 1; --j) {
    if (jtf[j]) continue;
    run.at_uij.u[i][0] = std::fabs(run.at_uij.u[i][0]) * calcueq(run, j);
    return;
  }
  err(kPlace, "ProcessU :: Could not find parent atom");
}

// ---- first pass and the heads of the output files ----

struct FirstPass {
  Lattice lat;      // letter and symlist; centro false until a LATT record
  int latt = 0;     // 0 until a LATT record
  bool cell = false;
  float rlam = 0.0f;
};

// The values of record n, upper-cased: "!" starts a comment, and a line ending in "=" goes on
// with the next physical line. At least four characters, so the keyword can be cut off.
std::string values(const std::vector<std::string>& lines, size_t n) {
  std::string v;
  for (size_t k = n; k < lines.size(); ++k) {
    std::string l = upper(lines[k]);
    if (auto c = l.find('!'); c != std::string::npos) l.erase(c);
    const bool more = ends_with_eq(l);
    if (more) l[lenstr(l, static_cast<int>(l.size())) - 1] = ' ';
    v += l + " ";
    if (!more) break;
  }
  return fmt::pad(v, std::max<int>(4, static_cast<int>(v.size())));
}

FirstPass first_pass(Run& run, const std::vector<std::string>& lines) {
  FirstPass fp;
  fp.lat.centro = false;
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string& raw = lines[n];
    std::string line = upper(raw);
    const std::string key = head4(line);
    if (!line.empty() && line[0] == '+') {
      logl(run, " Warning: include file not followed: " + fmt::trim(raw));
      continue;
    }
    const std::string rest = values(lines, n).substr(4);
    if (key == "CELL") {
      auto v = read_reals(rest, 7);
      if (!v) err(kPlace, "CELL record needs the wavelength and six cell constants");
      fp.cell = true;
      fp.rlam = (*v)[0];
      const std::string where = "in line <<" + fmt::trim(raw) + ">>";
      check_range(Quantity::wavelength, fp.rlam, kPlace, where);
      for (int j = 0; j < 6; ++j) {
        run.ucell.uc[j] = (*v)[j + 1];
        check_range(j < 3 ? Quantity::cell_length : Quantity::cell_angle, run.ucell.uc[j], kPlace, where);
      }
      write_cell(run, fp.rlam);
    } else if (key == "LATT") {
      auto v = read_ints(rest, 1);
      if (!v || (*v)[0] == 0 || std::abs((*v)[0]) > 7) err(kPlace, "LATT record needs a lattice number 1..7 or -1..-7");
      // one lattice: a second record would give the master file two LATT lines
      if (fp.latt != 0) {
        logl(run, " Warning : second LATT record ignored: " + fmt::trim(raw));
        continue;
      }
      fp.latt = (*v)[0];
      fp.lat.centro = fp.latt > 0;
      fp.lat.letter = kLatt[std::abs(fp.latt) - 1];
      run.imas << latt_line(fp.lat) << '\n';
    } else if (key == "SYMM") {
      if (static_cast<int>(fp.lat.symlist.size()) == maxsym)
        err(kPlace, "More than " + std::to_string(maxsym) + " SYMM records in SHELX file");
      // a card the operator parser refuses is dropped there; it must not reach the files either
      if (!symcard_ok(line)) {
        logl(run, " Warning : illegal SYMM record not written to the output files: " + fmt::trim(raw));
        continue;
      }
      run.imas << fmt::trim(line) << '\n';
      fp.lat.symlist.push_back(fmt::pad(line.size() > 4 ? line.substr(4, 30) : std::string(), 30));
    } else if (key == "SFAC") {
      std::string l = values(lines, n);
      LineExtract le = readline(l);
      for (int w = 2; w <= le.nch; ++w) {
        const std::string sym = fmt::trim(le.vchar[w]);
        // the element is in the leading letters: "FE2+" and "Cl-" name iron and chlorine
        size_t letters = 0;
        while (letters < sym.size() && letters < 2 && std::isalpha(static_cast<unsigned char>(sym[letters]))) ++letters;
        const bool longer = sym.size() > letters && std::isalpha(static_cast<unsigned char>(sym[letters]));
        const int z = letters > 0 && !longer ? iatnum(sym.substr(0, letters)) : 0;
        if (z == 0) err(kPlace, "Unknown element symbol " + sym + " on SFAC record");
        if (run.at_types.ntyp == nat) err(kPlace, "Too many SFAC types");
        run.at_types.iatype.push_back(z);
        ++run.at_types.ntyp;
      }
    } else if (key == "FVAR") {
      auto v = read_all_reals(rest);
      if (!v) err(kPlace, "FVAR record with a value that is not a number");
      if (run.shelx1.ifv + static_cast<int>(v->size()) > maxfvar)
        err(kPlace, "More than 200 free variables in SHELX file");
      for (float f : *v) run.shelx1.fvar[++run.shelx1.ifv] = f;
    } else if (key == "WGHT") {
      auto v = read_all_reals(rest);
      if (!v) err(kPlace, "WGHT record with a value that is not a number");
      for (size_t j = 0; j < v->size() && j < 6; ++j) run.shelx1.wght[j + 1] = (*v)[j];
    } else if (key == "RESI") {
      run.resi1.resi11 = true;  // the names themselves come with the atoms, second pass
    }
  }
  if (fp.latt == 0) {
    // SHELX itself takes a missing LATT as LATT 1: primitive and centrosymmetric
    fp.latt = 1;
    fp.lat.centro = true;
    fp.lat.letter = 'P';
    logl(run, " No LATT record: centrosymmetric primitive lattice assumed (LATT 1)");
    run.imas << "LATT C P" << '\n';
  }
  if (!fp.cell) err(kPlace, "No CELL record in SHELX file");
  return fp;
}

void setup_symmetry(Run& run, const FirstPass& fp, const std::vector<std::string>& lines) {
  log_lattice(run, fp.lat);
  getsym(run, lines);
  finish_symmetry(run, fp.lat, kPlace);
}

// The MoPro residue names of atom i, named `name` in the file, and its identifiers as written.
// Atoms outside every residue are residue 0, as SHELXL counts them; when the file has residues
// elsewhere their MoPro records name that residue "MOL", so no MoPro name is blank.
void set_residue(Run& run, int i, const std::string& name, const std::string& written, const Cursor& c) {
  auto& r = run.resi1;
  r.resi1.resize(static_cast<size_t>(i) + 1, std::string(17, ' '));
  r.resi2.resize(static_cast<size_t>(i) + 1, std::string(10, ' '));
  AtomIdent& id = run.idents.id[i];
  id.label = written;
  if (c.resnum != 0 || !fmt::trim(c.resname).empty()) {
    id.resname = fmt::trim(c.resname);
    id.resnum = std::to_string(c.resnum);
  }
  if (!r.resi11) return;
  const std::string cls = fmt::trim(c.resname).empty() ? std::string("MOL") : c.resname;
  // residue 1000 on (a protein's numbering) widens the number rather than print stars
  const std::string num = idfield(run, "mopro_vorn.par", "residue number", c.resnum, 3);
  r.resi1[i] = fmt::pad(name, 6) + " " + num + "  " + fmt::pad(cls, 5);
  r.resi2[i] = fmt::pad(name, 6) + " " + num;
}

void read_atoms(Run& run, const std::vector<std::string>& lines) {
  Cursor cur{lines, first_title(lines), 0, std::string(10, ' '), 0, std::nullopt};
  std::vector<int> isfn(run.at_types.ntyp + 1, 0);
  std::vector<int> jtf(1, 0);
  run.atoms.ia = 0;
  reserve_atoms(run, static_cast<long long>(lines.size()));  // at most an atom a line
  while (auto got = rdshline(cur)) {
    const std::string text = *got;  // as read, for the error message
    std::string line = fmt::pad(text, std::max<int>(200, static_cast<int>(text.size())));
    std::string label = word_at(line, 1);
    const int i = add_atom(run, kPlace);
    run.atoms.ia = i;
    jtf.resize(i + 1, 0);

    auto w = items(line);
    std::optional<int> t = w.size() > 1 ? parse_int(w[1]) : std::nullopt;
    if (!t) atom_error(run, label, text);
    if (*t < 1 || *t > run.at_types.ntyp)
      err(kPlace, "Atom " + label + " has scattering-factor type " + std::to_string(*t) + ", outside 1.." +
                      std::to_string(run.at_types.ntyp) + " of SFAC");
    const int z = run.at_types.iatype[*t];
    if (!has_covrad(z))
      err(kPlace, "No covalent radius for atomic number " + std::to_string(z) + " (known up to " +
                      std::to_string(maxcovz) + ")");
    run.atoms.itype[i] = z;
    run.atoms1.isft[i] = *t;
    ++isfn[*t];
    run.atoms1.lmx[i] = z == 1 ? 2 : 4;

    // a control or non-ASCII byte (a NUL, one byte of a UTF-8 character) would be cut into the
    // fixed-width label fields
    if (!printable_ascii(label)) err(kPlace, "The label of atom " + std::to_string(i) + " holds a character that is not printable ASCII");
    set_residue(run, i, label, word_at(lines[cur.first], 1), cur);
    label = shatnam(run, line, z, i, isfn[*t]);
    run.atoms.atom[i] = label;

    auto nums = read_all_reals(line);
    if (!nums || (nums->size() != 6 && nums->size() != 11)) atom_error(run, label, text);
    run.atoms1.part[i] = cur.part;
    if (cur.part != 0) run.atoms1.lpart = true;
    if (cur.partsof && (*nums)[4] != *cur.partsof) {
      auto code = [](float c) {
        const std::string t = fmt::f(c, 12, 5);
        return t.substr(t.find_first_not_of(' '));
      };
      logl(run, " Warning : atom " + fmt::trim(label) + " takes the occupancy code " + code(*cur.partsof) +
                    " of its PART record instead of its own " + code((*nums)[4]));
      (*nums)[4] = *cur.partsof;
    }
    const std::vector<float> v = processfvar(run, line, *nums, label, text);

    run.atoms.xf[i] = {v[1], v[2], v[3]};
    run.atoms1.occ[i] = v[4];
    auto& u = run.at_uij.u[i];
    if (v.size() == 6) {
      run.atoms1.iut[i] = 1;
      u[0] = v[5];
      if (v[5] >= -5.0f && v[5] <= -0.5f) processu(run, i, jtf);
    } else {
      run.atoms1.iut[i] = 2;
      u = {v[5], v[6], v[7], v[10], v[9], v[8]};  // file order U11 U22 U33 U23 U13 U12
    }
    const std::string where = "in line <<" + fmt::trim(text) + ">>";
    for (int j = 0; j < 3; ++j) check_range(Quantity::fractional, run.atoms.xf[i][j], kPlace, where);
    check_range(Quantity::occupancy, run.atoms1.occ[i], kPlace, where);
    for (int j = 0; j < (run.atoms1.iut[i] == 1 ? 1 : 6); ++j) check_range(Quantity::displacement, u[j], kPlace, where);
    list_atom(run, i);
    run.atoms.xc[i] = to_cart(run.transf, run.atoms.xf[i]);
  }
  if (cur.npeaks > 0)
    logl(run, " Difference-map peaks (Q) passed over : " + std::to_string(cur.npeaks));
}

}  // namespace

float decode_fvar(const Run& run, float c) {
  const float a = std::fabs(c);
  if (a < 10.0f) return c;
  if (c >= 10.0f && c < 20.0f) return c - 10.0f;
  if (c > -20.0f && c <= -10.0f) return c + 10.0f;
  const int m = fvar_index(c);
  if (m > run.shelx1.ifv || m > maxfvar)
    err(kPlace, "Free variable " + std::to_string(m) + " referred to but only " + std::to_string(run.shelx1.ifv) +
                    " were read");
  const float p = std::fmod(c, 10.0f);
  return c > 0 ? p * run.shelx1.fvar[m] : p * (run.shelx1.fvar[m] - 1.0f);
}

std::array<float, 3> r_cell(const std::array<float, 6>& uc) {
  const float ca = cosd(uc[3]), cb = cosd(uc[4]), cg = cosd(uc[5]);
  const float v = uc[0] * uc[1] * uc[2] * std::sqrt(1.0f - ca * ca - cb * cb - cg * cg + 2.0f * ca * cb * cg);
  return {uc[1] * uc[2] * sind(uc[3]) / v, uc[0] * uc[2] * sind(uc[4]) / v, uc[0] * uc[1] * sind(uc[5]) / v};
}

float calcueq(const Run& run, int i) {
  const auto& u = run.at_uij.u[i];
  if (run.atoms1.iut[i] != 2) return u[0];
  const auto& uc = run.ucell.uc;
  const auto rc = r_cell(uc);
  const float aa = uc[0] * rc[0], bb = uc[1] * rc[1], cc = uc[2] * rc[2];
  const float s = u[0] * aa * aa + u[1] * bb * bb + u[2] * cc * cc + 2.0f * u[3] * aa * bb * cosd(uc[5]) +
                  2.0f * u[4] * aa * cc * cosd(uc[4]) + 2.0f * u[5] * bb * cc * cosd(uc[3]);
  return s / 3.0f;
}

void readshelx(Run& run, const std::string& fname) {
  const std::string name = fmt::trim(fname);
  const std::vector<std::string> lines = load(name);
  logl(run, " Reading SHELX file : " + name);
  write_mas_banner(run);

  const FirstPass fp = first_pass(run, lines);
  write_scat(run);
  write_mopro_symm(run, fp.lat);
  setup_symmetry(run, fp, lines);
  both(run, kAtomListHeader);

  read_atoms(run, lines);
  // a cell alone would run to the end with an empty atom table
  if (run.atoms.ia == 0) err(kPlace, "No atoms in SHELX file " + name);
  finish_atoms(run, "SHELX");
}

}  // namespace vorn
