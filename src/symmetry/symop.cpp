// Symmetry cards to operators: parsing, lattice centring, inversion, checks and printing.
#include "symmetry/symop.h"

#include <cctype>
#include <cmath>

#include "util/err.h"
#include "util/format.h"
#include "model/log.h"
#include "util/text.h"

namespace vorn {

namespace {

const char* const kAxes = "XYZ";

// Makes slot n usable; the tables grow with the operator count.
void ensure_slot(Symm& s, int n) {
  if (static_cast<int>(s.fs.size()) < n + 1) {
    s.fs.resize(n + 1, Mat3{});
    s.ts.resize(n + 1, Vec3{});
  }
}

void shrink_to_count(Symm& s) {
  s.fs.resize(s.ns + 1, Mat3{});
  s.ts.resize(s.ns + 1, Vec3{});
}

float det3(const Mat3& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[2][1] * m[1][2]) - m[1][0] * (m[0][1] * m[2][2] - m[2][1] * m[0][2]) +
         m[2][0] * (m[0][1] * m[1][2] - m[1][1] * m[0][2]);
}

bool is_identity(const Mat3& fs, const Vec3& ts) {
  for (int i = 0; i < 3; ++i) {
    if (ts[i] != 0.0f) return false;
    for (int j = 0; j < 3; ++j)
      if (fs[i][j] != (i == j ? 1.0f : 0.0f)) return false;
  }
  return true;
}

std::string strip_blanks(std::string_view s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return std::string();
  size_t e = s.find_last_not_of(' ');
  return std::string(s.substr(b, e - b + 1));
}

// " SYMM  n" after an empty line, then one line per input coordinate with the
// coefficients it contributes to x', y', z' and that coordinate's translation.
void log_matrix_form(Run& run, int n) {
  const Symm& s = run.symm;
  logl(run, "");
  logl(run, " SYMM " + fmt::i(n, 2));
  for (int j = 0; j < 3; ++j) {
    logl(run, fmt::f(s.fs[n][j][0], 12, 6) + fmt::f(s.fs[n][j][1], 12, 6) +
                  fmt::f(s.fs[n][j][2], 12, 6) + fmt::x(5) + fmt::f(s.ts[n][j], 12, 6));
  }
}

[[noreturn]] void too_many(const std::string& where) {
  err(where, "Too many symmetry operators (more than " + std::to_string(maxsym) + ")");
}

}  // namespace

std::vector<std::string> split(std::string_view text, char delim, int maxcount, int mode) {
  const bool strip = (mode & 1) != 0;
  std::vector<std::string> out;
  if (maxcount <= 0) return out;
  size_t p = 0;
  const size_t n = text.size();
  if (strip && delim == ' ') {
    while (true) {
      while (p < n && text[p] == ' ') ++p;
      if (p >= n) break;
      // The last allowed piece keeps the remainder, so surplus items surface as a bad
      // piece instead of being silently dropped.
      if (static_cast<int>(out.size()) == maxcount - 1) {
        out.push_back(strip_blanks(text.substr(p)));
        break;
      }
      size_t q = p;
      while (q < n && text[q] != ' ') ++q;
      out.emplace_back(text.substr(p, q - p));
      p = q;
    }
  } else {
    if (strip && strip_blanks(text).empty()) return out;
    while (true) {
      size_t q = text.find(delim, p);
      if (q == std::string_view::npos || static_cast<int>(out.size()) == maxcount - 1) {
        out.emplace_back(text.substr(p));
        break;
      }
      out.emplace_back(text.substr(p, q - p));
      p = q + 1;
    }
    if (strip)
      for (auto& s : out) s = strip_blanks(s);
  }
  for (auto& s : out) {
    if (mode & 2) upcase(s);
    if (mode & 4)
      for (size_t k = 1; k < s.size(); ++k)
        s[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(s[k])));
  }
  return out;
}

Vec3 removerot(std::string& comp) {
  static const char* const plus[3] = {"+X", "+Y", "+Z"};
  static const char* const minus[3] = {"-X", "-Y", "-Z"};
  Vec3 coef{0.0f, 0.0f, 0.0f};
  auto take = [&comp](std::string_view pat) {
    size_t at = comp.find(pat);
    if (at == std::string::npos) return false;
    comp.erase(at, pat.size());
    return true;
  };
  for (int k = 0; k < 3; ++k)
    if (take(plus[k])) coef[k] = 1.0f;
  for (int k = 0; k < 3; ++k)
    if (take(minus[k])) coef[k] = -1.0f;
  for (int k = 0; k < 3; ++k)
    if (take(std::string_view(&kAxes[k], 1))) coef[k] = 1.0f;
  return coef;
}

void symop(std::string comp, float& t, Vec3& coef) {
  rmblanks(comp);
  comp = strip_blanks(comp);
  upcase(comp);
  coef = removerot(comp);
  t = 0.0f;
  if (comp.empty()) return;
  if (comp.find('/') == std::string::npos) {
    if (auto v = parse_real(comp)) {
      t = *v;
      return;
    }
  }
  // Fractions: only the digits of halves, thirds and quarters are read; any other
  // digit is passed over (so a sixth reads as 1/1).
  float num = 0.0f, den = 1.0f, sign = 1.0f;
  bool in_den = false;
  for (char ch : comp) {
    if (ch == ' ') continue;
    if (ch == '/') {
      in_den = true;
    } else if (ch >= '1' && ch <= '4') {
      float v = static_cast<float>(ch - '0') * sign;
      if (in_den) den = v;
      else num = v;
    }
    t = num / den;
    sign = ch == '-' ? -1.0f : 1.0f;
  }
}

bool symcrd(Run& run, std::string card) {
  Symm& s = run.symm;
  if (!card.empty() && card.back() == '\r') card.pop_back();
  for (size_t k = 0; k < 4 && k < card.size(); ++k)
    card[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(card[k])));
  std::string_view rest(card);
  if (rest.starts_with("SYMM")) rest.remove_prefix(4);
  else if (rest.starts_with("SYM")) rest.remove_prefix(3);

  std::vector<std::string> ops;
  for (auto& piece : split(rest, ';', 3, 1 + 2))
    if (!piece.empty()) ops.push_back(piece);  // "a;b;" carries no third operator
  if (ops.empty()) ops.emplace_back();         // a card without any operator is illegal

  for (const auto& op : ops) {
    auto parts = op.find(',') != std::string::npos ? split(op, ',', 12, 1) : split(op, ' ', 12, 1);
    Mat3 fs{};
    Vec3 ts{};
    bool ok = true;
    if (parts.size() == 12) {
      for (int j = 0; j < 3 && ok; ++j) {
        auto t = parse_real(parts[4 * j]);
        if (!t) { ok = false; break; }
        ts[j] = *t;
        for (int i = 0; i < 3; ++i) {
          auto r = parse_real(parts[4 * j + 1 + i]);
          if (!r) { ok = false; break; }
          fs[i][j] = *r;
        }
      }
    } else if (parts.size() == 3) {
      for (int j = 0; j < 3; ++j) {
        Vec3 coef{};
        symop(parts[j], ts[j], coef);
        for (int i = 0; i < 3; ++i) fs[i][j] = coef[i];
      }
    } else {
      ok = false;
    }
    // X,X,X and the like map the cell onto a plane or a line: no symmetry operator
    if (ok && std::fabs(std::fabs(det3(fs)) - 1.0f) > 1e-3f) ok = false;
    if (!ok) {
      // The failing operator keeps its number so the caller can report it and step back.
      ++s.ns;
      ensure_slot(s, s.ns);
      s.fs[s.ns] = Mat3{};
      s.ts[s.ns] = Vec3{};
      return false;
    }
    if (is_identity(fs, ts)) continue;  // the identity is operator 1 only
    if (s.ns >= maxsym) too_many("SymCrd");
    ++s.ns;
    ensure_slot(s, s.ns);
    s.fs[s.ns] = fs;
    s.ts[s.ns] = ts;
  }
  return true;
}

bool symcard_ok(const std::string& card) {
  Run scratch;
  scratch.symm.ns = 1;
  scratch.symm.fs.assign(2, unit_matrix());
  scratch.symm.ts.assign(2, Vec3{});
  return symcrd(scratch, card);
}

void getsym(Run& run, const std::vector<std::string>& lines) {
  Symm& s = run.symm;
  s.ns = 1;
  shrink_to_count(s);
  s.fs[1] = unit_matrix();
  s.ts[1] = Vec3{};
  for (const auto& line : lines) {
    if (line.size() < 3 || upper(line.substr(0, 3)) != "SYM") continue;
    if (!symcrd(run, line)) {
      logl(run, " * * * Symmetry card no." + fmt::i(s.ns, 3) + " illegal * * *");
      --s.ns;
      shrink_to_count(s);
    }
  }
  shrink_to_count(s);
  for (int n = 1; n <= s.ns; ++n) logl(run, symout(s.fs[n], s.ts[n], n));
}

namespace {

bool same_operator(const Symm& s, int a, int b) {
  if (s.fs[a] != s.fs[b]) return false;
  for (int j = 0; j < 3; ++j) {
    const float d = s.ts[a][j] - s.ts[b][j];
    if (std::fabs(d - std::round(d)) > 1e-4f) return false;
  }
  return true;
}

// An operator already in the table (an explicit -X,-Y,-Z card in a centrosymmetric lattice,
// a centring vector given as a card) would count every atom twice and put atoms on general
// positions on special ones: it is dropped, as a card for the identity is.
void drop_duplicates(Run& run) {
  Symm& s = run.symm;
  int kept = 0;
  for (int n = 1; n <= s.ns; ++n) {
    int twin = 0;
    for (int m = 1; m <= kept && twin == 0; ++m)
      if (same_operator(s, m, n)) twin = m;
    if (twin != 0) {
      logl(run, " Symmetry operation" + fmt::i(n, 4) + " repeats operation" + fmt::i(twin, 4) + " : dropped");
      continue;
    }
    ++kept;
    s.fs[kept] = s.fs[n];
    s.ts[kept] = s.ts[n];
  }
  s.ns = kept;
  shrink_to_count(s);
}

}  // namespace

void nonp(Run& run, char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (letter == 'P') return;  // nothing to add to a primitive lattice
  std::vector<Vec3> vec;
  switch (letter) {
    case 'C': vec = {{0.5f, 0.5f, 0.0f}}; break;
    case 'A': vec = {{0.0f, 0.5f, 0.5f}}; break;
    case 'B': vec = {{0.5f, 0.0f, 0.5f}}; break;
    case 'I': vec = {{0.5f, 0.5f, 0.5f}}; break;
    case 'F': vec = {{0.5f, 0.5f, 0.0f}, {0.0f, 0.5f, 0.5f}, {0.5f, 0.0f, 0.5f}}; break;
    // hexagonal axes, obverse setting
    case 'R': vec = {{2.0f / 3.0f, 1.0f / 3.0f, 1.0f / 3.0f}, {1.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f}}; break;
    default: {
      const std::string msg = std::string("Lattice type ") + letter + " is not supported";
      conl(run, " " + msg);
      err("Nonp", msg);
    }
  }
  logl(run, " Non-Primitive lattice...");
  logl(run, std::string(" Lattice centring type is [ ") + letter + " ]");
  const int points = static_cast<int>(vec.size()) + 1;
  logl(run, " Number of lattice points per cell = " + fmt::i(points, 3));

  Symm& s = run.symm;
  const int ns = s.ns;
  if (ns * points > maxsym) too_many("Nonp");
  ensure_slot(s, ns * points);
  for (int k = 1; k < points; ++k) {
    const Vec3& v = vec[k - 1];
    for (int n = 1; n <= ns; ++n) {
      const int m = ns * k + n;
      s.fs[m] = s.fs[n];
      for (int j = 0; j < 3; ++j) s.ts[m][j] = s.ts[n][j] + v[j];
    }
  }
  s.ns = ns * points;
  shrink_to_count(s);
  checkts(run);
  drop_duplicates(run);
  logl(run, " Symmetry operations after applying the lattice centering:");
  prsymop(run);
}

void addcentsymm(Run& run) {
  Symm& s = run.symm;
  const int ns = s.ns;
  if (2 * ns > maxsym) too_many("AddCentSymm");
  ensure_slot(s, 2 * ns);
  for (int n = 1; n <= ns; ++n) {
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        const float c = s.fs[n][i][j];
        s.fs[ns + n][i][j] = c == 0.0f ? 0.0f : -c;  // no negative zeros in the table
      }
    s.ts[ns + n] = s.ts[n];
  }
  s.ns = 2 * ns;
  shrink_to_count(s);
  drop_duplicates(run);
  logl(run, " Symmetry operations with Center of Symmetry applied: " + fmt::i(s.ns, 3));
  for (int n = 1; n <= s.ns; ++n) log_matrix_form(run, n);
}

void checkts(Run& run) {
  Symm& s = run.symm;
  for (int n = 1; n <= s.ns && n < static_cast<int>(s.ts.size()); ++n)
    for (float& t : s.ts[n])
      if (t <= -1.0f || t >= 1.0f) t -= std::trunc(t);
}

void prsymop(Run& run) {
  logl(run, " Number of symmetry operations = " + fmt::i(run.symm.ns, 3));
  if (run.set.iverbose >= 2)
    for (int n = 1; n <= run.symm.ns; ++n) log_matrix_form(run, n);
}

std::string opout(const Vec3& coef, float t) {
  std::string out;
  if (t != 0.0f) {
    const int n = static_cast<int>(std::lround(12.0f * t));
    int d = 1;
    for (int c : {6, 4, 3, 2, 1})
      if (n % c == 0) { d = c; break; }
    out += fmt::i(n / d, 2) + "/" + fmt::i(12 / d, 1);
  }
  for (int k = 0; k < 3; ++k) {
    const float c = coef[k];
    if (c == 0.0f) continue;
    out += c > 0.0f ? " + " : " - ";
    if (std::fabs(c) != 1.0f) out += fmt::f(std::fabs(c), 3, 1);
    out += kAxes[k];
  }
  return out;
}

std::string symout(const Mat3& fs, const Vec3& ts, int n) {
  std::string text;
  for (int j = 0; j < 3; ++j) {
    if (j > 0) text += ",";
    text += opout(Vec3{fs[0][j], fs[1][j], fs[2][j]}, ts[j]);
  }
  return fmt::x(3) + "SYMM" + fmt::i(n, 3) + fmt::x(5) + text;
}

}  // namespace vorn
