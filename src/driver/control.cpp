// The control file vorn.inp: defaults, keywords, validation and the option report.
#include "driver/control.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "model/coords.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"
#include "model/log.h"
#include "util/text.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "ReadInp";
constexpr const char* kReadError = "Error while reading file vorn.inp";
constexpr int kMaxRadii = 20;
constexpr int kNameWidth = 60;

// A file name from the raw line, case kept; a longer one would open another file.
std::string file_name(const std::string& raw, int k) {
  std::string w = word_at(raw, k);
  if (static_cast<int>(w.size()) > kNameWidth)
    err(kPlace, "File name longer than 60 characters: " + w);
  return fmt::pad(w, kNameWidth);
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
  if (s.iform == iform_cif && items(raw).size() >= 3) {
    const std::string w = upper(word_at(raw, 3));
    const std::string bare = !w.empty() && w[0] == '*' ? w.substr(1) : w;
    if (!w.empty() && bare.rfind("RENAME", 0) != 0 && bare.rfind("TOXD", 0) != 0) s.cifblock = word_at(raw, 3);
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

void keyword(Run& run, const std::string& raw, std::string& line) {
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
    if (dnumline(raw) >= 2) {
      s.abank = file_name(raw, 2);
    } else {
      const char* env = std::getenv("VORN_DB");
      std::string name = env ? env : "";
      if (static_cast<int>(name.size()) > kNameWidth) err(kPlace, "File name longer than 60 characters: " + name);
      s.abank = fmt::pad(name, kNameWidth);
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
  std::ifstream in("vorn.inp");
  if (!in) err(kPlace, "Unable to open VORN input file vorn.inp");
  readinp_stream(run, in);
}

}  // namespace vorn
