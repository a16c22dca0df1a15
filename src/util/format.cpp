// Fixed-column fields with Fortran edit semantics.
#include "util/format.h"

#include <cmath>
#include <algorithm>
#include <cstdio>

namespace vorn::fmt {

namespace {

std::string stars(int w) { return std::string(w > 0 ? w : 0, '*'); }

// The digits of the integer q followed by its last d as decimals ("12.345" for q = 12345,
// d = 3; "0.05" for q = 5, d = 2) into out; returns their count.
int place_point(unsigned __int128 q, int d, char* out) {
  char buf[48];
  int len = 0;
  while (q > static_cast<unsigned __int128>(~0ULL)) {
    buf[len++] = static_cast<char>('0' + static_cast<int>(q % 10));
    q /= 10;
  }
  // 64-bit division for the rest: 128-bit division is a library call
  for (unsigned long long q64 = static_cast<unsigned long long>(q);;) {
    buf[len++] = static_cast<char>('0' + static_cast<int>(q64 % 10));
    q64 /= 10;
    if (q64 == 0) break;
  }
  while (len < d + 1) buf[len++] = '0';
  int n = 0;
  for (int k = len - 1; k >= d; --k) out[n++] = buf[k];
  out[n++] = '.';
  for (int k = d - 1; k >= 0; --k) out[n++] = buf[k];
  return n;
}

constexpr unsigned long long kPow10[13] = {1ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL, 1000000ULL,
                                           10000000ULL, 100000000ULL, 1000000000ULL, 10000000000ULL,
                                           100000000000ULL, 1000000000000ULL};

// Decimal digits of |v| with exactly d decimals, rounded half away from zero, into out (at
// least 64 characters); returns their count, or -1 when the value needs the long way.
// Exact in integers: |v| = m 2^e with m < 2^24, so the rounding decision needs only the
// remainder of m 10^d over 2^-e.
int fixed_digits_into(float v, int d, char* out) {
  if (d < 0 || d > 20) return -1;
  int e2 = 0;
  const float fr = std::frexp(std::fabs(v), &e2);
  const unsigned long long m = static_cast<unsigned long long>(std::ldexp(fr, 24));  // exact: 24 bits
  const int e = e2 - 24;
  using u128 = unsigned __int128;
  if (d <= 12 && e < 0) {
    // m 10^d < 2^24 10^12 < 2^64
    const unsigned long long n = m * kPow10[d];
    const int sh = -e;
    unsigned long long q = 0;
    if (sh < 64) {
      q = n >> sh;
      if (n - (q << sh) >= (1ULL << (sh - 1))) ++q;  // half away from zero
    } else if (sh == 64) {
      q = n >> 63;  // 1 when n is at least half of 2^64
    }
    return place_point(q, d, out);
  }
  u128 n = m;
  for (int k = 0; k < d; ++k) n *= 10;  // < 2^24 * 10^20 < 2^91
  u128 q = 0;
  if (e >= 0) {
    if (e > 30) return -1;
    q = n << e;
  } else if (e > -120) {
    const int sh = -e;
    q = n >> sh;
    if (n - (q << sh) >= (static_cast<u128>(1) << (sh - 1))) ++q;
  }
  return place_point(q, d, out);
}

// The long way, for values past 128 bits: printf's exact expansion, rounded by hand.
std::string fixed_digits(float v, int d) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.80f", std::fabs(static_cast<double>(v)));
  std::string s(buf);
  auto dot = s.find('.');
  std::string ip = s.substr(0, dot);
  std::string fp = s.substr(dot + 1);
  bool up = fp[d] >= '5';
  std::string digits = ip + fp.substr(0, d);
  if (up) {
    int k = static_cast<int>(digits.size()) - 1;
    while (k >= 0 && digits[k] == '9') digits[k--] = '0';
    if (k < 0) digits.insert(digits.begin(), '1');
    else ++digits[k];
  }
  // digits holds the integer part followed by d decimals
  std::string ipart = digits.substr(0, digits.size() - d);
  size_t nz = ipart.find_first_not_of('0');
  ipart = nz == std::string::npos ? "0" : ipart.substr(nz);
  return d > 0 ? ipart + "." + digits.substr(digits.size() - d) : ipart + ".";
}

}  // namespace

std::string i(long long v, int w, bool plus) {
  std::string s = std::to_string(v < 0 ? -v : v);
  if (v < 0) s = "-" + s;
  else if (plus) s = "+" + s;
  if (static_cast<int>(s.size()) > w) return stars(w);
  return std::string(w - s.size(), ' ') + s;
}

std::string iw(long long v, int w) {
  const std::string s = i(v, w);
  return s.find('*') == std::string::npos ? s : " " + std::to_string(v);
}

namespace {

// The characters of Fw.d without the leading blanks into out (600 characters); their count,
// or -1 when the field overflows.
int f_body(float v, int w, int d, bool plus, char* buf, char*& body) {
  const char sign = std::signbit(v) && v != 0.0f ? '-' : (plus ? '+' : 0);
  body = buf + 1;
  int len = fixed_digits_into(v, d, body);
  if (len < 0) {
    const std::string slow = fixed_digits(v, d);
    len = static_cast<int>(slow.size());
    slow.copy(body, slow.size());
  }
  // the leading zero of a value below one goes when the field would overflow otherwise
  if (len + (sign ? 1 : 0) > w && len >= 2 && body[0] == '0' && body[1] == '.') ++body, --len;
  if (sign) *--body = sign, ++len;
  return len > w ? -1 : len;
}

}  // namespace

std::string f(float v, int w, int d, bool plus) {
  if (std::isnan(v) || std::isinf(v)) return stars(w);
  char buf[600];
  char* body = nullptr;
  const int len = f_body(v, w, d, plus, buf, body);
  if (len < 0) return stars(w);
  std::string out(static_cast<size_t>(w), ' ');
  std::copy(body, body + len, out.begin() + (w - len));
  return out;
}

std::string f_bare(float v, int w, int d) {
  if (std::isnan(v) || std::isinf(v)) return stars(w);
  char buf[600];
  char* body = nullptr;
  const int len = f_body(v, w, d, false, buf, body);
  return len < 0 ? stars(w) : std::string(body, static_cast<size_t>(len));
}

std::string e(float v, int w, int d, bool plus) {
  if (std::isnan(v) || std::isinf(v)) return stars(w);
  std::string mant;
  int ex = 0;
  if (v == 0.0f) {
    mant = std::string(d, '0');
  } else {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.80e", std::fabs(static_cast<double>(v)));
    std::string s(buf);
    auto epos = s.find('e');
    std::string digs = s.substr(0, 1) + s.substr(2, epos - 2);
    ex = std::stoi(s.substr(epos + 1)) + 1;  // value = 0.digs * 10^ex
    bool up = digs[d] >= '5';
    mant = digs.substr(0, d);
    if (up) {
      int k = d - 1;
      while (k >= 0 && mant[k] == '9') mant[k--] = '0';
      if (k < 0) {
        mant = "1" + mant.substr(0, d > 0 ? d - 1 : 0);
        ++ex;
      } else {
        ++mant[k];
      }
    }
  }
  std::string sign = std::signbit(v) && v != 0.0f ? "-" : (plus ? "+" : "");
  int aex = ex < 0 ? -ex : ex;
  std::string exps;
  if (aex <= 99) {
    exps = std::string("E") + (ex < 0 ? "-" : "+") + (aex < 10 ? "0" : "") + std::to_string(aex);
  } else {
    exps = std::string(ex < 0 ? "-" : "+") + std::to_string(aex);
  }
  std::string s = sign + "0." + mant + exps;
  if (static_cast<int>(s.size()) > w) s = sign + "." + mant + exps;
  if (static_cast<int>(s.size()) > w) return stars(w);
  return std::string(w - s.size(), ' ') + s;
}

std::string a(std::string_view s, int w) {
  if (static_cast<int>(s.size()) >= w) return std::string(s.substr(0, w));
  return std::string(w - s.size(), ' ') + std::string(s);
}

std::string pad(std::string_view s, int n) {
  std::string r(s.substr(0, std::min<size_t>(s.size(), n)));
  r.resize(n, ' ');
  return r;
}

std::string wide(std::string_view s, int n) {
  if (static_cast<int>(s.size()) <= n) return pad(s, n);
  const size_t end = s.find_last_not_of(' ');
  return pad(s, std::max(n, end == std::string_view::npos ? 0 : static_cast<int>(end) + 1));
}

std::string trim(std::string_view s) {
  size_t e = s.find_last_not_of(' ');
  return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

}  // namespace vorn::fmt
