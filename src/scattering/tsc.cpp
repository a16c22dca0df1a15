// Writing vorn.tsc (text) or vorn.tscb (binary): header, scatterer labels, and one streamed row of form factors per reflection.
#include "scattering/tsc.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <exception>
#include <thread>
#include <utility>

#include "model/log.h"
#include "scattering/atommodels.h"
#include "scattering/reflections.h"
#include "util/err.h"
#include "util/format.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "WriteTSC";

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
  const char* name;
  std::string buf;
  void flush() {
    if (!buf.empty() && std::fwrite(buf.data(), 1, buf.size(), f) != buf.size())
      err(kPlace, std::string("Error writing ") + name);
    buf.clear();
  }
};

// One row of the table: the indices h k l and the form factor of each scatterer in order.
using RowEncoder = void (*)(const Hkl& h, const std::vector<std::complex<double>>& f, std::string& out);

void append_number(std::string& out, double v) {
  char t[32];
  v += 0.0;  // no negative zero
  const auto r = std::to_chars(t, t + sizeof t, v, std::chars_format::scientific, 8);
  out.append(t, r.ptr);
}

// vorn.tsc: "h k l re,im re,im ...", %.8e, one line per reflection.
void text_row(const Hkl& h, const std::vector<std::complex<double>>& f, std::string& out) {
  char t[16];
  for (int j = 0; j < 3; ++j) {
    const auto res = std::to_chars(t, t + sizeof t, h[j]);
    if (j > 0) out += ' ';
    out.append(t, res.ptr);
  }
  for (const std::complex<double>& v : f) {
    out += ' ';
    append_number(out, v.real());
    out += ',';
    append_number(out, v.imag());
  }
  out += '\n';
}

// vorn.tscb, NoSpherA2's binary table. Byte order little-endian on every host (the order x86
// writes, which the readers of the table assume), no padding:
//   int32 n, then n bytes of header text "TITLE: <name>\nSYMM: expanded\nAD: FALSE\n"
//   int32 n, then n bytes of the scatterer labels joined by one space (no newline)
//   int32 number of reflections
//   per reflection: int32 h, k, l; then per scatterer re and im as IEEE float64
//   (a std::complex<double>), at full precision.
void put_bytes(std::string& out, std::uint64_t bits, int n) {
  char t[8];
  for (int b = 0; b < n; ++b) t[b] = static_cast<char>((bits >> (8 * b)) & 0xffu);
  out.append(t, static_cast<size_t>(n));
}

void put_int32(std::string& out, std::int32_t v) { put_bytes(out, static_cast<std::uint32_t>(v), 4); }

void put_double(std::string& out, double v) { put_bytes(out, std::bit_cast<std::uint64_t>(v), 8); }

// A count the int32 fields hold, else the table cannot be written in this layout.
std::int32_t int32_count(size_t n, const std::string& what) {
  if (n > static_cast<size_t>(std::numeric_limits<std::int32_t>::max()))
    err(kPlace, "Too many " + what + " for vorn.tscb: " + std::to_string(n));
  return static_cast<std::int32_t>(n);
}

void binary_row(const Hkl& h, const std::vector<std::complex<double>>& f, std::string& out) {
  for (int j = 0; j < 3; ++j) put_int32(out, h[j]);
  for (const std::complex<double>& v : f) {
    put_double(out, v.real());
    put_double(out, v.imag());
  }
}

std::string title(const Run& run) {
  std::string name = fmt::trim(run.set.fname[0]);
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
  return name.empty() ? "vorn" : one_word(name);
}

}  // namespace

const char* tsc_file(const Settings& s) { return s.tscb ? "vorn.tscb" : "vorn.tsc"; }

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
                  " in " + tsc_file(run.set));
    tally_warning(run, std::string("repeated scatterer label in ") + tsc_file(run.set), old);
  }
  return out;
}

void write_tsc(Run& run) {
  const char* const name = tsc_file(run.set);
  const bool binary = run.set.tscb;
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

  both(run, "\n Form-factor table " + std::string(name) + " from " + run.set.tsc + ": " +
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

  // the bytes before the first reflection, made (and the int32 counts checked) before the file opens
  std::string start;
  const std::string head = "TITLE: " + title(run) + "\nSYMM: expanded\nAD: FALSE\n";
  if (binary) {
    std::string joined;
    for (int i = 1; i <= run.atoms.ia; ++i) joined += (i > 1 ? " " : "") + labels[i];
    put_int32(start, int32_count(head.size(), "header bytes"));
    start += head;
    put_int32(start, int32_count(joined.size(), "label bytes"));
    start += joined;
    put_int32(start, int32_count(hkl.size(), "reflections"));
  } else {
    start = head + "SCATTERERS:";
    for (int i = 1; i <= run.atoms.ia; ++i) start += " " + labels[i];
    start += "\nDATA:\n";
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name, "wb"), std::fclose);
  if (!file) err(kPlace, std::string("Unable to open output file ") + name);
  Writer w{file.get(), name, std::move(start)};
  const RowEncoder encode = binary ? binary_row : text_row;
  // Blocks of reflections are computed and encoded by two threads side by side and written in
  // order: the form factors and their digits take most of the time, the file itself little.
  const size_t block = 512;
  auto rows = [&](size_t from, std::string& out) {
    out.clear();
    std::vector<RadialValues> rv(models.kinds.size());
    std::vector<std::complex<double>> f(models.atoms.size());
    for (size_t r = from; r < std::min(from + block, hkl.size()); ++r) {
      const Hkl& h = hkl[r];
      const auto v = cart(h);
      const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      for (size_t k = 0; k < models.kinds.size(); ++k) rv[k] = radial_values(models.kinds[k], len);
      for (size_t a = 0; a < models.atoms.size(); ++a)
        f[a] = form_factor(models.atoms[a], rv[static_cast<size_t>(models.atoms[a].kind)], v);
      encode(h, f, out);
    }
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
  if (std::fflush(file.get()) != 0) err(kPlace, std::string("Error writing ") + name);
  both(run, " " + std::string(name) + " written");
}

}  // namespace vorn
