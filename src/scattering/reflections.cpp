// Reading HKLF 4 and CIF reflection lists and expanding them by the Laue group.
#include "scattering/reflections.h"

#include <gemmi/cif.hpp>

#include <cmath>
#include <fstream>
#include <sstream>
#include <unordered_set>

#include "util/err.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "ReadHKL";

bool blank(const std::string& s) { return s.find_first_not_of(" \t\r") == std::string::npos; }

// The text of a fixed field without the blanks around it; false for an empty or absent field.
bool field_text(const std::string& line, size_t from, size_t width, std::string& f) {
  if (from >= line.size()) return false;
  f = line.substr(from, width);
  const size_t a = f.find_first_not_of(' '), b = f.find_last_not_of(" \r");
  if (a == std::string::npos) return false;
  f = f.substr(a, b - a + 1);
  return true;
}

// An integer of a fixed field: blanks around it, nothing else.
bool int_field(const std::string& line, size_t from, size_t width, int& v) {
  std::string f;
  if (!field_text(line, from, width, f)) return false;
  size_t used = 0;
  try {
    v = std::stoi(f, &used);
  } catch (const std::exception&) {
    return false;
  }
  return used == f.size();
}

bool real_field(const std::string& line, size_t from, size_t width) {
  std::string f;
  if (!field_text(line, from, width, f)) return false;
  size_t used = 0;
  try {
    const double d = std::stod(f, &used);
    if (!std::isfinite(d)) return false;
  } catch (const std::exception&) {
    return false;
  }
  return used == f.size();
}

bool is_cif(const std::string& text) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const size_t a = line.find_first_not_of(" \t\r");
    if (a == std::string::npos || line[a] == '#') continue;
    return line.compare(a, 5, "data_") == 0;
  }
  return false;
}

std::vector<Hkl> from_cif(const std::string& text, const std::string& name) {
  gemmi::cif::Document doc;
  try {
    doc = gemmi::cif::read_memory(text.data(), text.size(), name.c_str());
  } catch (const std::exception& e) {
    err(kPlace, "Reflection file " + name + " is not a readable CIF: " + e.what());
  }
  for (gemmi::cif::Block& b : doc.blocks) {
    if (const std::string* v = b.find_value("_shelx_hkl_file"))
      return parse_hklf4(gemmi::cif::as_string(*v), name);
    for (const char* prefix : {"_refln_index_", "_refln.index_"}) {
      gemmi::cif::Table t = b.find(prefix, {"h", "k", "l"});
      if (!t.ok()) continue;
      std::vector<Hkl> out;
      for (auto row : t) {
        Hkl h{};
        for (int j = 0; j < 3; ++j) {
          const std::string s = row[j];
          size_t used = 0;
          bool ok = true;
          try {
            h[j] = std::stoi(s, &used);
          } catch (const std::exception&) {
            ok = false;
          }
          if (!ok || used != s.size())
            err(kPlace, "Reflection file " + name + ": index " + s + " of _refln_index_" + "hkl"[j] + " is no integer");
        }
        out.push_back(h);
      }
      if (out.empty()) err(kPlace, "Reflection file " + name + " holds no reflections");
      return out;
    }
  }
  err(kPlace, "Reflection file " + name + " has neither _shelx_hkl_file nor _refln_index_h, _k, _l");
}

}  // namespace

std::vector<Hkl> parse_hklf4(const std::string& text, const std::string& name) {
  std::vector<Hkl> out;
  std::istringstream in(text);
  int n = 0;
  for (std::string line; std::getline(in, line);) {
    ++n;
    if (blank(line)) continue;
    Hkl h{};
    const bool ok = int_field(line, 0, 4, h[0]) && int_field(line, 4, 4, h[1]) && int_field(line, 8, 4, h[2]) &&
                    real_field(line, 12, 8) && real_field(line, 20, 8);
    if (!ok) {
      // the terminating 0 0 0 line may carry nothing else
      if (int_field(line, 0, 4, h[0]) && int_field(line, 4, 4, h[1]) && int_field(line, 8, 4, h[2]) && h == Hkl{})
        break;
      err(kPlace, "Reflection file " + name + ", line " + std::to_string(n) +
                      ": not h k l F^2 sigma as HKLF 4 writes them (3I4, 2F8)");
    }
    if (h == Hkl{}) break;
    out.push_back(h);
  }
  if (out.empty()) err(kPlace, "Reflection file " + name + " holds no reflections");
  return out;
}

std::vector<Hkl> read_reflections(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) err(kPlace, "Reflection file " + path + " cannot be opened");
  std::ostringstream buf;
  buf << in.rdbuf();
  const std::string text = buf.str();
  if (text.find('\0') != std::string::npos) err(kPlace, "Reflection file " + path + " is not a text file");
  return is_cif(text) ? from_cif(text, path) : parse_hklf4(text, path);
}

std::vector<Hkl> expand_laue(const std::vector<Hkl>& hkl, const Symm& symm) {
  // the rotation parts, as integers, once each
  std::vector<std::array<std::array<int, 3>, 3>> rot;
  for (int n = 1; n <= symm.ns; ++n) {
    std::array<std::array<int, 3>, 3> r{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) r[i][j] = static_cast<int>(std::lround(symm.fs[n][i][j]));
    bool seen = false;
    for (const auto& q : rot) seen = seen || q == r;
    if (!seen) rot.push_back(r);
  }
  if (rot.empty()) rot.push_back({{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}});
  auto key = [](const Hkl& h) {
    return (static_cast<unsigned long long>(static_cast<unsigned>(h[0] + 100000)) << 40) ^
           (static_cast<unsigned long long>(static_cast<unsigned>(h[1] + 100000)) << 20) ^
           static_cast<unsigned long long>(static_cast<unsigned>(h[2] + 100000));
  };
  std::unordered_set<unsigned long long> seen;
  std::vector<Hkl> out;
  for (const Hkl& h : hkl) {
    for (const auto& r : rot) {
      // h' = h R with x' = R x, R[j][i] = fs[i][j]: h'_i = sum_j h_j fs[i][j]
      Hkl p{};
      for (int i = 0; i < 3; ++i) p[i] = h[0] * r[i][0] + h[1] * r[i][1] + h[2] * r[i][2];
      for (const Hkl& q : {p, Hkl{-p[0], -p[1], -p[2]}})
        if (seen.insert(key(q)).second) out.push_back(q);
    }
  }
  return out;
}

}  // namespace vorn
