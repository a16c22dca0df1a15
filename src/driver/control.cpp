// The control file vorn.inp: defaults, keywords, validation and the option report.
#include "driver/control.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/coords.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"
#include "util/infile.h"
#include "util/physrange.h"
#include "model/log.h"
#include "util/text.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "ReadInp";
constexpr const char* kReadError = "Error while reading file vorn.inp";
constexpr int kMaxRadii = 20;
constexpr int kNameWidth = 60;

// The words of a raw INPUT or DATABANK line, case kept. A name in double quotes is one word
// without its quotes, so it may hold blanks ("INPUT "my data/run 1.res" *rename").
std::vector<std::string> raw_words(const std::string& raw) {
  std::vector<std::string> w;
  const size_t n = raw.size();
  size_t p = 0;
  while (p < n) {
    if (raw[p] == ' ') {
      ++p;
    } else if (raw[p] == '"') {
      const size_t e = raw.find('"', p + 1);
      if (e == std::string::npos) err(kPlace, "Unmatched double quote on line: " + fmt::trim(raw));
      if (e + 1 < n && raw[e + 1] != ' ') err(kPlace, "A blank must follow the closing double quote on line: " + fmt::trim(raw));
      w.push_back(raw.substr(p + 1, e - p - 1));
      p = e + 1;
    } else {
      const size_t e = std::min(raw.find(' ', p), n);
      w.push_back(raw.substr(p, e - p));
      p = e;
    }
  }
  return w;
}

// The line with each quoted name made one placeholder word of the same length ("Q..."): no
// number, no star, no switch, so the word split finds only the line's own switches and numbers.
std::string masked(std::string line) {
  for (size_t p = line.find('"'); p != std::string::npos; p = line.find('"', p)) {
    const size_t e = line.find('"', p + 1);
    if (e == std::string::npos) break;  // raw_words reports it
    std::fill(line.begin() + static_cast<long>(p), line.begin() + static_cast<long>(e) + 1, 'Q');
    p = e + 1;
  }
  return line;
}

// Word k of the raw line as a file name, case kept, at its full length: names are opened as
// given, so a long one is never cut to another file's name. A missing word stops the run the
// way the word reader does.
std::string file_name(const std::string& raw, int k) {
  const auto w = raw_words(raw);
  if (k > static_cast<int>(w.size())) return fmt::pad(word_at(raw, k), kNameWidth);
  const std::string& name = w[static_cast<size_t>(k) - 1];
  return fmt::pad(name, std::max(kNameWidth, static_cast<int>(name.size())));
}

// The numbers left on a line after readline, read free-format.
template <class T>
std::vector<T> numbers_or_fail(const std::string& rest, int count) {
  if constexpr (std::is_same_v<T, int>) {
    auto v = read_ints(rest, count);
    if (!v) err(kPlace, kReadError);
    return *v;
  } else {
    auto v = read_reals(rest, count);
    if (!v) err(kPlace, kReadError);
    return *v;
  }
}

struct FormatWord {
  const char* word;
  int iform;
};
constexpr FormatWord kFormats[] = {{"SHELX", iform_shelx}, {"XD", iform_xd}, {"AIM2TAB", iform_aim2tab}, {"PLATON", iform_platon}, {"CIF", iform_cif}, {"PDB", iform_pdb}, {"MMCIF", iform_mmcif}};

struct ScaleWord {
  const char* word;
  int isca;
};
constexpr ScaleWord kScales[] = {{"SIGMA", 3}, {"DIFF", 1}, {"FRAC", 2}};

// File names are taken from the raw line: a name split over a continuation would be wrong.
// Only a trailing "\\" continues a line; inside a name ("dir\\file.res") it is part of the name.
// A continuation leaves its "\\" followed by a blank, or by nothing on the last line.
void no_continuation(const std::string& raw) {
  const int n = lenstr(raw, static_cast<int>(raw.size()));
  for (int k = 0; k < n; ++k)
    if (raw[k] == '\\' && (k + 1 == n || raw[k + 1] == ' '))
      err(kPlace, "Continued INPUT or DATABANK lines are not supported");
}

void input_line(Run& run, const std::string& raw, const LineExtract& le, const std::string& rest) {
  Settings& s = run.set;
  if (s.iform == iform_xd) {
    s.mas = file_name(raw, 2);
    s.fname[0] = file_name(raw, 3);
  } else {
    s.fname[0] = file_name(raw, 2);
  }
  // INPUT file.cif [block] [rename [n]] [toxd]: a third word that is not a switch names the block
  if (const auto words = raw_words(raw); s.iform == iform_cif && words.size() >= 3) {
    const std::string w = upper(words[2]);
    const std::string bare = !w.empty() && w[0] == '*' ? w.substr(1) : w;
    if (!w.empty() && bare.rfind("RENAME", 0) != 0 && bare.rfind("TOXD", 0) != 0) s.cifblock = words[2];
  }
  for (int k = std::max(1, le.nch - 1); k <= le.nch; ++k) {
    if (le.starred(k, "RENAME")) s.lrs = true;
    if (le.starred(k, "TOXD")) s.lsx = true;
  }
  if (s.lrs) {
    auto nums = items(rest);
    if (!s.cifblock.empty() && !nums.empty() && nums.front() == s.cifblock) nums.erase(nums.begin());  // a numeric block
    conl(run, " inum = " + fmt::i(static_cast<long long>(nums.size()), 12));
    if (!nums.empty()) {
      auto v = parse_int(nums.back());
      if (!v) err(kPlace, kReadError);
      s.irs = *v;
    }
  }
}

void radii_line(Run& run, const LineExtract& le, const std::string& rest) {
  auto nums = read_all_reals(rest);
  if (!nums) err(kPlace, kReadError);
  const int nsym = le.nch - 1;
  if (nsym != static_cast<int>(nums->size())) err(kPlace, kReadError);
  if (nsym > kMaxRadii) err(kPlace, "Too many pairs on RADII line (at most 20)");
  for (int k = 0; k < nsym; ++k) {
    check_range(Quantity::radius, (*nums)[k], kPlace, "on the RADII line of vorn.inp");
    std::string w = le.vchar[k + 2];
    std::string sym = w.substr(0, std::min<size_t>(2, w.size()));
    if (sym.size() == 2) sym[1] = static_cast<char>(std::tolower(static_cast<unsigned char>(sym[1])));
    sym = fmt::pad(sym, 2);
    for (int z = 1; z <= maxcovz; ++z) {
      if (symbat(z) == sym) {
        logl(run, " Changing covalent radius of " + sym + " to " + fmt::f((*nums)[k], 8, 3) + " Angstroms");
        run.set.covrad[z] = (*nums)[k];
      }
    }
  }
}

// RADIAL El n0 n1 n2 n3 n4 zeta [zeta1 zeta2 zeta3 zeta4]: the multipole radial functions of one
// element, as the databank's populations were fitted with them.
void radial_line(Run& run, const std::string& raw) {
  const auto w = items(raw);
  const std::string usage = "RADIAL needs an element, five powers n0..n4 and one or five exponents (1/bohr)";
  if (w.size() != 8 && w.size() != 12) err(kPlace, usage);
  RadialSet r;
  r.z = iatnum(w[1]);
  if (r.z < 1 || r.z > maxcovz) err(kPlace, "RADIAL: unknown element " + w[1]);
  for (int l = 0; l <= 4; ++l) {
    auto n = read_ints(w[static_cast<size_t>(2 + l)], 1);
    if (!n) err(kPlace, usage);
    r.n[l] = (*n)[0];
    if (r.n[l] < l || r.n[l] > 12)
      err(kPlace, "RADIAL " + w[1] + ": n" + std::to_string(l) + " must lie in " + std::to_string(l) + "..12");
  }
  for (int l = 0; l <= 4; ++l) {
    auto z = read_reals(w[w.size() == 8 ? 7 : static_cast<size_t>(7 + l)], 1);
    if (!z || !((*z)[0] > 0.0f) || (*z)[0] > 1000.0f)
      err(kPlace, "RADIAL " + w[1] + ": exponents must be positive numbers");
    r.zeta[l] = (*z)[0];
  }
  run.set.radial.push_back(r);
}

void keyword(Run& run, const std::string& raw, std::string& line) {
  const auto words = items(line);
  const std::string first = words.empty() ? std::string() : upper(words.front());
  if ((first == "INPUT" || first == "DATABANK") && line.find('"') != std::string::npos) line = masked(line);
  LineExtract le = readline(line);
  if (le.nch == 0) return;
  Settings& s = run.set;
  const std::string& key = le.vchar[1];
  if (key == "FORMAT") {
    for (int k = 2; k <= le.nch; ++k)
      for (const auto& f : kFormats)
        if (le.starred(k, f.word)) s.iform = f.iform;
    // a later FORMAT line may name a format with fractional dummies again
    s.ifra = s.iform == iform_aim2tab || s.iform == iform_platon ? cart_stored : frac_stored;
  } else if (key == "INPUT") {
    no_continuation(raw);
    input_line(run, raw, le, line);
  } else if (key == "VERBOSE") {
    s.iverbose = numbers_or_fail<int>(line, 1)[0];
  } else if (key == "TOLS") {
    auto t = numbers_or_fail<float>(line, 3);
    s.tol1 = t[0], s.tol2 = t[1], s.tol3 = t[2];
  } else if (key == "RADII") {
    radii_line(run, le, line);
  } else if (key == "NCELLS") {
    s.ncells = numbers_or_fail<int>(line, 1)[0];
  } else if (key == "DISORD") {
    s.led = le.nch >= 2 && le.istar[2] == 1;
    s.ldd = le.nch >= 3 && le.istar[3] == 1;
  } else if (key == "KEYGEN") {
    for (int k = 1; k <= 7; ++k)
      if (k + 1 <= le.nch && le.istar[k + 1] == 1) s.lkeys[k] = true;
  } else if (key == "EXTEND_H") {
    s.lfh = true;
  } else if (key == "CHEMCON") {
    if (!(le.nch >= 2 && le.istar[2] == 1)) s.lhyd = false;
    if (!(le.nch >= 3 && le.istar[3] == 1)) s.lheav = false;
  } else if (key == "XDPAR") {
    s.lxp = true;
  } else if (key == "SIMPLE") {
    s.isimple = 1;
  } else if (key == "DATABANK") {
    no_continuation(raw);
    s.ldb = true;
    if (raw_words(raw).size() >= 2) {
      s.abank = file_name(raw, 2);
    } else {
      const char* env = std::getenv("VORN_DB");
      std::string name = env ? env : "";
      s.abank = fmt::pad(name, std::max(kNameWidth, static_cast<int>(name.size())));
    }
  } else if (key == "RINGS") {
    s.lring = true;
    auto r = numbers_or_fail<int>(line, 2);
    s.nrmin = r[0], s.nrmax = r[1];
    s.lspe = le.nch >= 2 && le.istar[2] == 1;
  } else if (key == "SCALE") {
    for (int k = 2; k <= le.nch; ++k)
      for (const auto& w : kScales)
        if (le.starred(k, w.word)) s.isca = w.isca;
  } else if (key == "TSC") {
    // the reflection file whose indices the form-factor table lists; BINARY after it: vorn.tscb.
    // Any other word stops the run: a misspelt BINARY would silently give the text table.
    no_continuation(raw);
    if (items(raw).size() < 2) err(kPlace, "TSC needs the name of a reflection file (SHELX .hkl or CIF)");
    s.tsc = word_at(raw, 2);
    const int words = dnumline(raw);
    const bool binary = words >= 3 && upper(word_at(raw, 3)) == "BINARY";
    const int extra = binary ? 4 : 3;
    if (words >= extra)
      err(kPlace, "TSC: only the word BINARY may follow the reflection file name, not " + word_at(raw, extra));
    s.tscb = binary;
  } else if (key == "RADIAL") {
    radial_line(run, raw);
  }
  // NFRAG, FRAG and CHFRAG belong to the valence-population scaling; others are ignored
}

void report(Run& run) {
  Settings& s = run.set;
  logl(run, " Verbosity level = " + fmt::i(s.iverbose, 2));
  static const char* names[] = {"", "SHELX", "XD", "AIM2TAB", "", "PLATON", "CIF", "PDB", "MMCIF"};
  std::string files = s.iform == iform_xd ? fmt::trim(s.mas) + " " + fmt::trim(s.fname[0]) : fmt::trim(s.fname[0]);
  if (s.iform == iform_cif && !s.cifblock.empty()) files += " data_" + s.cifblock;
  logl(run, std::string(" Input file format = ") + names[s.iform] + "    file(s) = " + files);
  if (s.lrs) {
    logl(run, " Change SHELX atom names ( irs=" + fmt::i(s.irs, 1) + " : " +
                  (s.irs == 0 ? "straightforward counting" : "counting atoms types") + " ) ");
  }
  if (s.lsx) {
    logl(run, "\n SIMPLE CONVERSION OF SHELX FILE TO XD FILES WAS REQUESTED");
    logl(run, " ALL OTHER OPTIONS WILL BE IGNORED !!!!!!\n");
    logl(run, rule('-'));
    s.lfh = s.ldb = s.lring = false;
    return;
  }
  if (s.ncells == -1) {
    logl(run, " Do not search for complete fragments");
  } else {
    s.ncells = std::abs(s.ncells);
    // a fragment a hundred cells long is no molecule to complete, and the report prints -99 .. +99
    if (s.ncells > maxncells) {
      logl(run, " NCELLS above " + std::to_string(maxncells) + " is taken as " + std::to_string(maxncells));
      s.ncells = maxncells;
    }
    logl(run, " Search for complete fragments within " + fmt::i(-s.ncells, 3) + " ... " +
                  fmt::i(s.ncells, 3, true) + " unit cells");
  }
  prttol(run);
  logl(run, " Treatment of disorder :");
  logl(run, s.led ? "   apply Extend_H option" : "   do NOT apply Extend_H option");
  logl(run, s.ldd ? "   apply DB" : "   do NOT apply DB");
  if (s.ldb && s.ldd && !s.led) {
    logl(run, "   WARNING!!! Applying DB to disordered H-atoms");
    logl(run, std::string(14, ' ') + "w/o extending distances is CRAZY !!!");
  }
  auto& k = s.lkeys;
  logl(run, " Instructions for KEY table generation:");
  logl(run, "   XYZUIJ=." + fmt::l(k[1]) + ". all=." + fmt::l(k[2]) + ". ordered=." + fmt::l(k[3]) + ".");
  logl(run, "     MULT=." + fmt::l(k[4]) + ". all=." + fmt::l(k[5]) + ". ordered=." + fmt::l(k[6]) +
                ". kappas=." + fmt::l(k[7]) + ".");
  if (s.ldb) {
    logl(run, " Read pseudoatom parameters from databank file :");
    logl(run, "   " + s.abank);
  }
  if (s.isimple) logl(run, " Use simple model for determination of chemical equivalency");
  logl(run, std::string(s.lhyd ? " Use" : " Do NOT use") + " chemical/kappa constraints for H-atoms");
  logl(run, std::string(s.lheav ? " Use" : " Do NOT use") + " chemical/kappa constraints for non-H atoms");
  if (s.lring) logl(run, " Find rings with " + fmt::i(s.nrmin, 3) + " - " + fmt::i(s.nrmax, 3) + " atoms");
  logl(run, " Treatment of atoms that belong to 1 planar ring :");
  logl(run, s.lspe ? "   always m-symmetry : X - towards center, Y - neighbor in the ring"
                   : "   as other atoms (only mark with iring=1)");
  if (s.lxp) logl(run, " Write the XD parameter file xd_vorn.inp (with vorn.cif and the MoPro atom records)");
  if (s.lfh) {
    logl(run, " Extend H-atoms to standard/neutron distances and create files : ");
    logl(run, "   'reset.bond' with RESET BOND instructions");
    logl(run, "   'const.bond' with CONSTRAINTS instructions");
  }
  if (s.ldb) {
    static const char* methods[] = {"", "difference", "fraction", "sigmaPv"};
    logl(run, std::string(" Scale total population using ") + methods[s.isca] + " method");
  }
  logl(run, "\n" + rule('-'));
  logl(run, "\n Atomic covalent radii (Angstroms) : \n");
  std::string row;
  for (int z = 1; z <= maxcovz; ++z) {
    row += "   " + symbat(z) + fmt::f(s.covrad[z], 5, 2);
    if (z % 7 == 0 || z == maxcovz) {
      logl(run, row);
      row.clear();
    }
  }
  logl(run, rule('-'));
}

// KEYGEN choices that contradict each other are resolved towards the narrower one.
void consistent_keys(Settings& s) {
  auto& k = s.lkeys;
  if (!k[1]) k[2] = k[3] = false;
  if (!k[4]) k[5] = k[6] = k[7] = false;
  if (k[2] && k[3]) k[2] = false;
  if (k[5] && k[6]) k[5] = false;
}

}  // namespace

void init(Run& run) {
  run.set = Settings{};
  for (int z = 1; z <= maxcovz; ++z) run.set.covrad[z] = covrad_default[z];
  run.shelx1 = Shelx1{};
  run.shelx1.fvar[1] = 1.0f;
  run.shelx1.wght[1] = -2.0f;
  run.shelx1.wght[6] = 1.0f / 3.0f;
  run.kappas = Kappas{};
  run.kappaset = Kappaset{};
  run.rings = Rings{};
  run.atoms = Atoms{};
  run.atoms1 = Atoms1{};
  resize_atoms(run, 0);
}

void prttol(Run& run) {
  logl(run, " Threshold / Tolerance parameters : ");
  logl(run, "   bond criterion (tol1) : d(i-j) < covR(i) + covR(j) + " + fmt::f(run.set.tol1, 6, 3) + " Angstroms");
  logl(run, "   ring  planarity criterion (tol2) : sigpln < " + fmt::f(run.set.tol2, 7, 3) + " Angstroms");
  logl(run, "   group planarity criterion (tol3) : sigpln < " + fmt::f(run.set.tol3, 7, 3) + " Angstroms");
}

void readinp_stream(Run& run, std::istream& in) {
  logl(run, "\n" + rule('-') + "\n\n VORN options : \n");
  run.set.isca = 1;
  std::string line;
  while (readinputline(in, line)) {
    const std::string raw = line;
    keyword(run, raw, line);
  }
  if (run.set.iform == 0) err(kPlace, "Unknown input file format");
  if (run.set.isca == 0) err(kPlace, "Unknown scaling method");
  if (run.set.lrs && run.set.irs != 0 && run.set.irs != 1) run.set.irs = 1;
  if (!run.set.lsx) consistent_keys(run.set);
  report(run);
}

void readinp(Run& run) {
  if (run.control_in_memory) {
    std::istringstream text(run.control_text);
    readinp_stream(run, text);
    return;
  }
  std::ifstream in;
  if (!open_text(in, "vorn.inp", kPlace, "VORN input file")) err(kPlace, "Unable to open VORN input file vorn.inp");
  readinp_stream(run, in);
}

}  // namespace vorn
