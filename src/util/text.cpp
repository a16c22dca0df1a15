// Logical lines of the control file, word splitting and blank-padded text helpers.
#include "util/text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "util/err.h"
#include "util/format.h"
#include "util/infile.h"

namespace vorn {

namespace {
[[noreturn]] void number_out_of_range(std::string_view w, std::string_view line);
}  // namespace

namespace {

bool all_blank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

bool readinputline(std::istream& in, std::string& line) {
  std::string result;
  int pos = 1;  // 1-based insert position of the next piece
  bool continued = false;
  std::string phys;
  while (true) {
    bool cut = false;
    if (!read_line(in, phys, cut)) {
      if (in.bad()) err("ReadInputLine", "Error reading input file");
      // a "\" on the last line of the file would otherwise lose the whole logical line
      if (continued) {
        line = result;
        line.resize(maxline, ' ');
        return true;
      }
      return false;
    }
    // a longer line would be cut silently: refuse it instead
    if (cut || lenstr(phys, static_cast<int>(phys.size())) > maxline)
      err("ReadInputLine", "Line exceeds limit of 255 characters");
    if (phys.empty() || phys[0] == '!' || all_blank(phys)) continue;
    const int len = lenstr(phys, static_cast<int>(phys.size()));
    if (pos + len - 1 > maxline) err("ReadInputLine", "Line exceeds limit of 255 characters");
    result.resize(pos - 1, ' ');
    result += phys.substr(0, len);
    if (phys[len - 1] == '\\') {
      continued = true;
      pos = static_cast<int>(result.size()) + 2;
      continue;
    }
    line = result;
    line.resize(maxline, ' ');
    return true;
  }
}

int dnumline(std::string_view line) {
  // every word counts, also one that ends in the buffer's last column
  int n = 0;
  for (size_t p = 0; p < line.size(); ++p)
    if (line[p] != ' ' && (p + 1 == line.size() || line[p + 1] == ' ')) ++n;
  return n;
}

void readchar(std::string_view line, int k, int& i1, int& i2) {
  int n = 0;
  for (size_t p = 0; p < line.size(); ++p) {
    if (line[p] != ' ' && (p == 0 || line[p - 1] == ' ')) {
      if (++n == k) {
        size_t q = p;
        while (q + 1 < line.size() && line[q + 1] != ' ') ++q;
        i1 = static_cast<int>(p) + 1;
        i2 = static_cast<int>(q) + 1;
        return;
      }
    }
  }
  err("ReadChar", "Unexpected STOP in ReadChar...");
}

std::string word_at(std::string_view line, int k) {
  int i1 = 0, i2 = 0;
  readchar(line, k, i1, i2);
  return std::string(line.substr(i1 - 1, i2 - i1 + 1));
}

LineExtract readline(std::string& line) {
  LineExtract le;
  const int n = dnumline(line);
  std::vector<std::pair<int, int>> spans;
  for (int k = 1; k <= n; ++k) {
    int i1 = 0, i2 = 0;
    readchar(line, k, i1, i2);
    std::string w = line.substr(i1 - 1, i2 - i1 + 1);
    if (parse_real(w)) continue;
    if (real_out_of_range(w)) number_out_of_range(w, line);
    if (le.nch == maxchar) err("ReadLine", "More than 40 words on one line");
    ++le.nch;
    bool star = w[0] == '*';
    if (star) le.istar[le.nch] = 1;
    std::string t = star ? w.substr(1) : w;
    le.vchar[le.nch] = upper(t.substr(0, std::min<size_t>(8, t.size())));
    spans.emplace_back(i1, i2);
  }
  for (auto [i1, i2] : spans) std::fill(line.begin() + (i1 - 1), line.begin() + i2, ' ');
  return le;
}

int ils(std::string_view s) {
  size_t e = s.find_last_not_of(' ');
  return e == std::string_view::npos ? static_cast<int>(s.size()) : static_cast<int>(e) + 1;
}

int lenstr(std::string_view s, int n) {
  std::string_view t = s.substr(0, std::min<size_t>(s.size(), n < 0 ? 0 : n));
  size_t e = t.find_last_not_of(' ');
  return e == std::string_view::npos ? 0 : static_cast<int>(e) + 1;
}

int ifs(std::string_view s) {
  size_t b = s.find_first_not_of(' ');
  return b == std::string_view::npos ? 0 : static_cast<int>(b) + 1;
}

void upcase(std::string& s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

void locase(std::string& s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

std::string upper(std::string_view s) {
  std::string r(s);
  upcase(r);
  return r;
}

void rmblanks(std::string& s) {
  if (s.size() > 256) err("RmBlanks", "len(op).gt.len(line)");
  const size_t n = s.size();
  s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
  s.resize(n, ' ');
}

std::string ljust(std::string_view s, int n) {
  size_t b = s.find_first_not_of(' ');
  std::string r = b == std::string_view::npos ? std::string() : std::string(s.substr(b));
  r.resize(n, ' ');
  return r;
}

namespace {

// The word in the form strtof reads, when it has the form of a real number.
std::optional<std::string> real_syntax(std::string_view w) {
  size_t p = 0, n = w.size();
  if (n == 0) return std::nullopt;
  if (w[p] == '+' || w[p] == '-') ++p;
  size_t digits = 0;
  while (p < n && std::isdigit(static_cast<unsigned char>(w[p]))) ++p, ++digits;
  if (p < n && w[p] == '.') {
    ++p;
    while (p < n && std::isdigit(static_cast<unsigned char>(w[p]))) ++p, ++digits;
  }
  if (digits == 0) return std::nullopt;
  std::string s(w.substr(0, p));
  if (p < n && (w[p] == 'E' || w[p] == 'e' || w[p] == 'D' || w[p] == 'd')) {
    size_t q = p + 1;
    if (q < n && (w[q] == '+' || w[q] == '-')) ++q;
    size_t ed = 0;
    while (q < n && std::isdigit(static_cast<unsigned char>(w[q]))) ++q, ++ed;
    if (ed == 0) return std::nullopt;
    s += 'E';
    s += w.substr(p + 1, q - p - 1);
    p = q;
  }
  if (p != n) return std::nullopt;
  return s;
}

// A number too large for single precision: read as infinity it would reach every later stage.
[[noreturn]] void number_out_of_range(std::string_view w, std::string_view line) {
  err("ReadNumber", "Number " + std::string(w) + " is out of range in line <<" + fmt::trim(line) + ">>");
}

}  // namespace

std::optional<float> parse_real(std::string_view w) {
  const auto s = real_syntax(w);
  if (!s) return std::nullopt;
  const float v = std::strtof(s->c_str(), nullptr);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

bool real_out_of_range(std::string_view w) {
  const auto s = real_syntax(w);
  return s && !std::isfinite(std::strtof(s->c_str(), nullptr));
}

std::optional<int> parse_int(std::string_view w) {
  size_t p = 0, n = w.size();
  if (n == 0) return std::nullopt;
  if (w[p] == '+' || w[p] == '-') ++p;
  if (p == n || n - p > 9) return std::nullopt;
  for (size_t q = p; q < n; ++q)
    if (!std::isdigit(static_cast<unsigned char>(w[q]))) return std::nullopt;
  return std::atoi(std::string(w).c_str());
}

std::vector<std::string> items(std::string_view s) {
  std::vector<std::string> r;
  size_t p = 0;
  while (p < s.size()) {
    while (p < s.size() && (s[p] == ' ' || s[p] == ',')) ++p;
    size_t q = p;
    while (q < s.size() && s[q] != ' ' && s[q] != ',') ++q;
    if (q > p) r.emplace_back(s.substr(p, q - p));
    p = q;
  }
  return r;
}

namespace {

// The first count items, each read by parse; nullopt when there are fewer or one fails.
template <class T, class Parse>
std::optional<std::vector<T>> read_items(std::string_view s, int count, Parse parse) {
  auto it = items(s);
  if (static_cast<int>(it.size()) < count) return std::nullopt;
  std::vector<T> r;
  for (int k = 0; k < count; ++k) {
    auto v = parse(it[k]);
    if (!v && real_out_of_range(it[k])) number_out_of_range(it[k], s);
    if (!v) return std::nullopt;
    r.push_back(*v);
  }
  return r;
}

}  // namespace

std::optional<std::vector<float>> read_reals(std::string_view s, int count) {
  return read_items<float>(s, count, parse_real);
}

std::optional<std::vector<int>> read_ints(std::string_view s, int count) {
  return read_items<int>(s, count, parse_int);
}

std::optional<std::vector<float>> read_all_reals(std::string_view s) {
  auto it = items(s);
  return read_reals(s, static_cast<int>(it.size()));
}

bool printable_ascii(std::string_view s) {
  for (unsigned char ch : s)
    if (ch < 0x20 || ch > 0x7e) return false;
  return true;
}

void erbras(std::string& label) {
  const size_t n = label.size();
  auto o = label.find('(');
  if (o != std::string::npos) label.erase(o, 1);
  auto c = label.find(')');
  if (c != std::string::npos) label.erase(c, 1);
  label = ljust(label, static_cast<int>(n));
}

void ernum(std::string& label) {
  const size_t n = label.size();
  auto o = label.find('(');
  if (o != std::string::npos) label.erase(o);
  label = ljust(label, static_cast<int>(n));
}

void erum(std::string& label) {
  const size_t n = label.size();
  auto u = label.find("UM");
  if (u != std::string::npos) label.erase(u, 2);
  label = ljust(label, static_cast<int>(n));
}

}  // namespace vorn
