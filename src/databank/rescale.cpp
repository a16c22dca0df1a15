// Valence-population scaling to fragment charges: fragments from vorn.inp, the three methods, the log tables.
#include "databank/rescale.h"

#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "model/log.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"
#include "util/infile.h"
#include "util/physrange.h"
#include "util/text.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "rescalePv";
constexpr const char* kFragError = "Error reading fragments from vorn.inp";

struct Method {
  int isca;
  const char* name;
  const char* mark;
};
constexpr Method kMethods[] = {{1, "difference", "+"}, {2, "fraction", "*"}, {3, "sigmaPv", "s"}};

const Method& method_of(int isca) {
  for (const Method& m : kMethods)
    if (m.isca == isca) return m;
  err(kPlace, "Unknown scaling method");
}

struct Fragments {
  int nfrag = 0;
  bool lall = true;
  bool lcfrag = false;
  std::vector<float> chfrag{0.0f};  // 1-based; fragments past the end carry no charge
  bool every = false;               // CHFRAG ... q *all: fragments past the list carry its last charge q
  int ngiven = 0;                   // charges on the CHFRAG line
  float& charge(int f) {
    if (static_cast<int>(chfrag.size()) <= f) chfrag.resize(static_cast<size_t>(f) + 1, 0.0f);
    return chfrag[f];
  }
};

// The answer of a console prompt; the end of the input stops the run.
std::string ask(Run& run, const std::string& prompt, const std::string& missing) {
  *run.console << prompt << std::flush;
  std::string a;
  if (!std::getline(*run.input, a)) err(kPlace, missing);
  if (!a.empty() && a.back() == '\r') a.pop_back();
  return a;
}

void choose_method(Run& run) {
  const std::string a = ask(run, " Use difference (d), fraction (f) or sigmas (s) [s] : ",
                            "No scaling method on standard input");
  const char c = a.empty() ? ' ' : a[0];
  run.set.isca = (c == 'd' || c == 'D') ? 1 : (c == 'f' || c == 'F') ? 2 : 3;
}

// Every logical line of the control file, upper-cased; false when the file cannot be opened.
// A run started from the command line holds its control lines in memory.
bool control_lines(const Run& run, std::vector<std::string>& lines) {
  std::ifstream file;
  std::istringstream text(run.control_text);
  std::istream* in = &text;
  if (!run.control_in_memory) {
    if (!open_text(file, "vorn.inp", kPlace, "VORN input file")) return false;
    in = &file;
  }
  std::string line;
  while (readinputline(*in, line)) lines.push_back(upper(line));
  return true;
}

bool starts(const std::string& line, const char* key) { return line.rfind(key, 0) == 0; }

Fragments fragment_settings(const std::vector<std::string>& lines) {
  Fragments fr;
  for (std::string line : lines) {
    if (starts(line, "NFRAG")) {
      auto v = read_ints(line.substr(5), 1);
      if (!v) err(kPlace, "Error reading NFRAG from vorn.inp");
      if ((*v)[0] < 0 || (*v)[0] > nat) err(kPlace, "Number of fragments on NFRAG line outside 0 .. " + std::to_string(nat));
      fr.nfrag = (*v)[0];
    } else if (starts(line, "FRAG")) {
      fr.lall = false;
    } else if (starts(line, "CHFRAG")) {
      const std::string line_text = line;
      const LineExtract le = readline(line);
      const int n = dnumline(line);
      auto q = read_reals(line, n);
      if (!q) err(kPlace, "Error reading CHFRAG from vorn.inp");
      for (int f = 1; f <= n; ++f) {
        check_range(Quantity::charge, (*q)[f - 1], kPlace, "in line <<" + fmt::trim(line_text) + ">> of vorn.inp");
        fr.charge(f) = (*q)[f - 1];
      }
      fr.lcfrag = true;
      for (int k = 2; k <= le.nch; ++k)
        if (le.starred(k, "ALL") && n > 0) fr.every = true;
      fr.ngiven = n;
    }
  }
  return fr;
}

// Membership of fragment f (atoms 1..ia) from every FRAG line that names it.
std::vector<char> members(const std::vector<std::string>& lines, int f, int ia) {
  std::vector<char> iflag(static_cast<size_t>(ia) + 1, 0);
  auto mark = [&](int a) {
    if (a < 1 || a > nat) err(kPlace, "Atom number " + std::to_string(a) + " on FRAG line outside 1 .. " + std::to_string(nat));
    if (a <= ia) iflag[a] = 1;  // numbers past the asymmetric unit name no atom that is summed
  };
  for (std::string line : lines) {
    if (!starts(line, "FRAG")) continue;
    const std::string shown = fmt::trim(line);
    line.replace(0, 4, "    ");
    const int n = dnumline(line);
    auto idum = read_ints(line, n);
    if (!idum || n == 0) err(kPlace, kFragError);
    const std::vector<int>& d = *idum;
    if (d[0] != f) continue;
    for (int j = 1; j < n; ++j) {
      if (d[j] >= 0) {
        mark(d[j]);
      } else if (d[j] < 0) {
        // a range needs an atom before it, not the fragment number or another range
        if (j == 1 || d[j - 1] <= 0) err(kPlace, "Range on FRAG line without a first atom: " + shown);
        if (-d[j] < d[j - 1]) err(kPlace, "Descending range on FRAG line: " + shown);
        mark(-d[j]);  // the end first: a wild number stops the run before the loop
        for (int a = d[j - 1]; a <= -d[j]; ++a) mark(a);
      }
    }
  }
  return iflag;
}

// The net charge a model's formal charges give the fragment (each atom's charge times its
// occupancy, as the free-atom valence sum counts it), when any of its atoms carries one.
template <class In>
std::optional<float> model_charge(const Run& run, In&& in) {
  float q = 0;
  bool any = false;
  for (int i = 1; i <= run.atoms.ia && i < static_cast<int>(run.idents.id.size()); ++i)
    if (in(i) && run.idents.id[i].charge != 0) {
      any = true;
      q += static_cast<float>(run.idents.id[i].charge) * run.atoms1.occ[i];
    }
  return any ? std::optional<float>(q) : std::nullopt;
}

template <class In>
float net_charge(Run& run, Fragments& fr, int f, In&& in) {
  if (fr.lcfrag && fr.every && f > fr.ngiven) {
    const float last = fr.charge(fr.ngiven);
    fr.charge(f) = last;
  }
  float& q = fr.charge(f);
  if (fr.lcfrag) return q;
  // a charge the control file does not give, the model's charge column may
  if (const auto m = model_charge(run, in)) {
    q = *m;
    const std::string shown = fmt::f(q, 8, 3, true);
    cboth(run, " Net charge of fragment " + std::to_string(f) + " from the formal charges of the model : " +
                   shown.substr(shown.find_first_not_of(' ')));
    return q;
  }
  // nobody to ask: an unattended run takes the neutral fragment and says so
  if (run.unattended) {
    cboth(run, " Net charge of fragment " + std::to_string(f) + " not given : 0 assumed");
    tally_warning(run, "fragment charge not given, 0 assumed", "fragment " + std::to_string(f));
    return q;
  }
  const std::string a = ask(run, " Enter net charge of fragment " + fmt::i(f, 3) + " [0.] : ",
                            "No net charge of fragment " + std::to_string(f) + " on standard input");
  auto it = items(a);
  if (it.empty()) return q;
  auto v = parse_real(it[0]);
  if (!v) err(kPlace, "Net charge of fragment " + std::to_string(f) + " is not a number: " + fmt::trim(a));
  check_range(Quantity::charge, *v, kPlace, "for fragment " + std::to_string(f));
  q = *v;
  return q;
}

void rescale_fragment(Run& run, const Method& method, Fragments& fr, const std::vector<char>& iflag, int f) {
  const int ia = run.atoms.ia;
  auto in = [&](int i) { return fr.lall || iflag[i] != 0; };
  auto pfree_of = [&](int i) { return run.atoms1.occ[i] * pval(run.atoms.itype[i]); };
  float ptot = 0, pfree = 0, psig = 0;
  int n = 0;
  for (int i = 1; i <= ia; ++i) {
    if (!in(i)) continue;
    ptot += run.mpoles.pv[i];
    pfree += pfree_of(i);
    psig += run.mpoles.spv[i];
    ++n;
  }
  const float delta = pfree - ptot;
  const float percent = pfree != 0.0f ? std::fabs(delta) / pfree * 100.0f : 0.0f;
  cboth(run, "\n Sum-of-Pv[free]     = " + fmt::f(pfree, 12, 6) + " el.\n Sum-of-Pv[databank] = " +
                 fmt::f(ptot, 12, 6) + " el.\n Difference          = " + fmt::f(delta, 12, 6) + " el. ( " +
                 fmt::f(percent, 6, 2) + " % )");
  if (method.isca == 3) cboth(run, " Sum of sigma(Pv)    = " + fmt::f(psig, 12, 6));
  const float q = net_charge(run, fr, f, in);
  const float pnew = pfree - q;
  cboth(run, "\n Rescaling Sum-of-Pv to " + fmt::f(pnew, 13, 6) + " el." + fmt::x(3) + "( Charge = " +
                 fmt::f(q, 8, 3, true) + " el. )");
  // Where the correction is undefined every Pv stays as it is.
  const char* undefined = n == 0                               ? "no atoms in the fragment"
                          : method.isca == 2 && ptot == 0.0f ? "Sum-of-Pv[databank] = 0"
                          : method.isca == 3 && psig == 0.0f ? "Sum of sigma(Pv) = 0"
                                                              : nullptr;
  if (undefined)
    cboth(run, "\n Correction undefined for fragment " + fmt::i(f, 3) + " (" + undefined + ") : Pv's left unchanged");
  logl(run, "\n    NO  ATOM       Occup.    Pv(DB)      Pv(free)    " + std::string(method.mark) +
                "Corr       Pv(new)\n");
  float sum = 0;
  for (int i = 1; i <= ia; ++i) {
    if (!in(i)) continue;
    const float pv = run.mpoles.pv[i];
    float c = 0, pnew_i = pv;
    if (method.isca == 2) c = 1.0f;
    if (!undefined) {
      switch (method.isca) {
        case 1: c = (pnew - ptot) / static_cast<float>(n); pnew_i = pv + c; break;
        case 2: c = pnew / ptot; pnew_i = c * pv; break;
        default: c = run.mpoles.spv[i] * (pnew - ptot) / psig; pnew_i = pv + c; break;
      }
    }
    logl(run, fmt::i(i, 6) + fmt::x(2) + fmt::pad(run.atoms.atom[i], 8) + " " + fmt::f(run.atoms1.occ[i], 7, 3) +
                  fmt::f(pv, 12, 5) + fmt::f(pfree_of(i), 12, 5) + fmt::f(c, 12, 5, true) + fmt::f(pnew_i, 12, 5));
    run.mpoles.pv[i] = pnew_i;
    sum += pnew_i;
  }
  logl(run, "\n" + fmt::x(20) + "SUM " + fmt::f(ptot, 12, 5) + fmt::f(pfree, 12, 5) + fmt::f(pnew - ptot, 12, 5) +
                fmt::f(sum, 12, 5));
}

}  // namespace

void rescalepv(Run& run) {
  if (run.set.isca == 0) choose_method(run);
  const Method& method = method_of(run.set.isca);
  logl(run, std::string("\n Using ") + method.name + " method for rescaling...");
  std::vector<std::string> lines;
  const bool opened = control_lines(run, lines);
  Fragments fr = opened ? fragment_settings(lines) : Fragments{};
  if (!opened || fr.nfrag == 0 || fr.lall) {
    fr.nfrag = 1;
    fr.lall = true;
    cboth(run, "\n Using ALL atoms for fragment 1 !");
  }
  for (int f = 1; f <= fr.nfrag; ++f) {
    cboth(run, "\n ***** Rescaling Pv's in fragment = " + fmt::i(f, 3) + " *****");
    const std::vector<char> iflag = fr.lall ? std::vector<char>() : members(lines, f, run.atoms.ia);
    rescale_fragment(run, method, fr, iflag, f);
  }
}

}  // namespace vorn
