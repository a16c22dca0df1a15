// Writing vorn.tsc: header, scatterer labels, and one streamed line of form factors per reflection.
#include "scattering/tsc.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <exception>
#include <thread>

#include "model/log.h"
#include "scattering/atommodels.h"
#include "scattering/reflections.h"
#include "util/err.h"
#include "util/format.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "WriteTSC";
constexpr const char* kFile = "vorn.tsc";

std::string without_parentheses(const std::string& s) {
  std::string t;
  for (char c : fmt::trim(s))
    if (c != '(' && c != ')') t += c;
  return t;
}

std::string both_trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(' ');
  return a == std::string::npos ? "" : s.substr(a, s.find_last_not_of(' ') - a + 1);
}

std::string residue_number(const Run& run, int i) {
  if (static_cast<size_t>(i) < run.idents.id.size() && !both_trimmed(run.idents.id[i].resnum).empty())
    return both_trimmed(run.idents.id[i].resnum);
  if (run.resi1.resi11 && static_cast<size_t>(i) < run.resi1.resi2.size() && run.resi1.resi2[i].size() >= 10)
    return both_trimmed(run.resi1.resi2[i].substr(7, 3));
  return "";
}

// A scatterer name is one word: blanks inside an input label would split the line.
std::string one_word(std::string s) {
  for (char& c : s)
    if (c == ' ' || c == '\t') c = '_';
  return s;
}

struct Writer {
  std::FILE* f;
  std::string buf;
  void flush() {
    if (!buf.empty() && std::fwrite(buf.data(), 1, buf.size(), f) != buf.size())
      err(kPlace, std::string("Error writing ") + kFile);
    buf.clear();
  }
  void number(double v) {
    char t[32];
    v += 0.0;  // no negative zero
    const auto r = std::to_chars(t, t + sizeof t, v, std::chars_format::scientific, 8);
    buf.append(t, r.ptr);
  }
};

std::string title(const Run& run) {
  std::string name = fmt::trim(run.set.fname[0]);
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
  return name.empty() ? "vorn" : one_word(name);
}

}  // namespace

std::vector<std::string> tsc_labels(Run& run) {
  const int ia = run.atoms.ia;
  std::vector<std::string> out(static_cast<size_t>(ia) + 1);
  std::map<std::string, int> count;
  for (int i = 1; i <= ia; ++i) {
    const bool own = static_cast<size_t>(i) < run.idents.id.size() && !run.idents.id[i].label.empty();
    out[i] = one_word(own ? run.idents.id[i].label : without_parentheses(run.atoms.atom[i]));
    ++count[out[i]];
  }
  for (int i = 1; i <= ia; ++i) {
    const std::string res = residue_number(run, i);
    if (count[out[i]] > 1 && !res.empty()) out[i] = one_word(out[i] + "_" + res);
  }
  std::map<std::string, int> again;
  for (int i = 1; i <= ia; ++i) ++again[out[i]];
  for (int i = 1; i <= ia; ++i) {
    if (again[out[i]] <= 1) continue;
    const std::string old = out[i];
    out[i] += "_#" + std::to_string(i);
    logl(run, " Warning: scatterer label " + old + " repeats; atom " + std::to_string(i) + " is " + out[i] +
                  " in vorn.tsc");
    tally_warning(run, "repeated scatterer label in vorn.tsc", old);
  }
  return out;
}

void write_tsc(Run& run) {
  const std::vector<Hkl> measured = read_reflections(run.set.tsc);
  const std::vector<Hkl> hkl = expand_laue(measured, run.symm);
  // Cartesian reciprocal vectors: h.x_frac = (rm1^T h).x_cart
  const Mat3& b = run.transf.rm1;
  auto cart = [&](const Hkl& h) {
    std::array<double, 3> v{};
    for (int a = 0; a < 3; ++a) v[a] = double(b[0][a]) * h[0] + double(b[1][a]) * h[1] + double(b[2][a]) * h[2];
    return v;
  };
  double hmax = 0;
  for (const Hkl& h : hkl) {
    const auto v = cart(h);
    hmax = std::max(hmax, std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
  }
  const AtomModels models = atom_models(run, hmax);
  const std::vector<std::string> labels = tsc_labels(run);

  both(run, "\n Form-factor table " + std::string(kFile) + " from " + run.set.tsc + ": " +
                std::to_string(measured.size()) + " reflections read, " + std::to_string(hkl.size()) +
                " with equivalents and Friedel mates, " + std::to_string(run.atoms.ia) + " scatterers");
  for (const RadialKind& k : models.kinds) {
    std::string line = " " + fmt::trim(symbat(k.z)) + "  kappa " + fmt::f(static_cast<float>(k.kappa), 8, 4) +
                       "  kappa' " + fmt::f(static_cast<float>(k.kappa_prime), 8, 4) + "  n_l";
    for (int l = 0; l <= 4; ++l) line += fmt::i(k.slater.n[l], 3);
    line += "  zeta_l (1/bohr)";
    for (int l = 0; l <= 4; ++l) line += fmt::f(static_cast<float>(k.slater.zeta[l]), 8, 4);
    logl(run, line);
  }

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(kFile, "wb"), std::fclose);
  if (!file) err(kPlace, std::string("Unable to open output file ") + kFile);
  Writer w{file.get(), {}};
  w.buf += "TITLE: " + title(run) + "\nSYMM: expanded\nAD: FALSE\nSCATTERERS:";
  for (int i = 1; i <= run.atoms.ia; ++i) w.buf += " " + labels[i];
  w.buf += "\nDATA:\n";
  // Blocks of reflections are formatted by two threads side by side and written in order: the
  // form factors and their digits take most of the time, the file itself little.
  const size_t block = 512;
  auto rows = [&](size_t from, std::string& out) {
    out.clear();
    std::vector<RadialValues> rv(models.kinds.size());
    Writer fmtw{nullptr, {}};
    fmtw.buf.swap(out);
    for (size_t r = from; r < std::min(from + block, hkl.size()); ++r) {
      const Hkl& h = hkl[r];
      const auto v = cart(h);
      const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      for (size_t k = 0; k < models.kinds.size(); ++k) rv[k] = radial_values(models.kinds[k], len);
      char t[16];
      for (int j = 0; j < 3; ++j) {
        const auto res = std::to_chars(t, t + sizeof t, h[j]);
        if (j > 0) fmtw.buf += ' ';
        fmtw.buf.append(t, res.ptr);
      }
      for (const AtomModel& a : models.atoms) {
        const std::complex<double> f = form_factor(a, rv[static_cast<size_t>(a.kind)], v);
        fmtw.buf += ' ';
        fmtw.number(f.real());
        fmtw.buf += ',';
        fmtw.number(f.imag());
      }
      fmtw.buf += '\n';
    }
    fmtw.buf.swap(out);
  };
  w.flush();
  std::string first, second;
  for (size_t from = 0; from < hkl.size(); from += 2 * block) {
    std::thread other;
    std::exception_ptr failed;
    const bool two = from + block < hkl.size();
    if (two)
      other = std::thread([&, from] {
        try {
          rows(from + block, second);
        } catch (...) {
          failed = std::current_exception();
        }
      });
    std::exception_ptr mine;
    try {
      rows(from, first);
    } catch (...) {
      mine = std::current_exception();
    }
    if (two) other.join();
    if (mine) std::rethrow_exception(mine);
    if (failed) std::rethrow_exception(failed);
    w.buf.swap(first);
    w.flush();
    w.buf.swap(first);
    if (two) {
      w.buf.swap(second);
      w.flush();
      w.buf.swap(second);
    }
  }
  w.flush();
  if (std::fflush(file.get()) != 0) err(kPlace, std::string("Error writing ") + kFile);
  both(run, " " + std::string(kFile) + " written");
}

}  // namespace vorn
