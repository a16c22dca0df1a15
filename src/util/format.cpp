// Fixed-column fields with Fortran edit semantics.
#include "util/format.h"

#include <cmath>
#include <algorithm>
#include <cstdio>

namespace vorn::fmt {

namespace {

std::string stars(int w) { return std::string(w > 0 ? w : 0, '*'); }

// Decimal digits of |v| with exactly d decimals, rounded half away from zero.
// The float is exact as a double; 80 printed places hold its digits far past any d used here.
std::string fixed_digits(float v, int d) {
  // Exact in integers when |v| * 10^d fits 128 bits: |v| = m 2^e with m < 2^24, so the
  // rounding decision needs only the remainder of m 10^d over 2^-e.
  if (d >= 0 && d <= 20) {
    int e2 = 0;
    const float fr = std::frexp(std::fabs(v), &e2);
    using u128 = unsigned __int128;
    u128 n = static_cast<u128>(std::ldexp(fr, 24));  // exact: the 24-bit mantissa
    int e = e2 - 24;
    for (int k = 0; k < d; ++k) n *= 10;              // < 2^24 * 10^20 < 2^91
    u128 q = 0;
    bool ok = true;
    if (e >= 0) {
      ok = e <= 30;
      if (ok) q = n << e;
    } else if (e > -120) {
      const int sh = -e;
      q = n >> sh;
      const u128 rem = n - (q << sh);
      if (rem >= (static_cast<u128>(1) << (sh - 1))) ++q;  // half away from zero
    }
    if (ok) {
      char buf[48];
      int len = 0;
      while (q > static_cast<u128>(~0ULL)) {
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
      std::string r;
      r.reserve(static_cast<size_t>(len) + 1);
      for (int k = len - 1; k >= d; --k) r += buf[k];
      r += '.';
      for (int k = d - 1; k >= 0; --k) r += buf[k];
      return r;
    }
  }
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

std::string f(float v, int w, int d, bool plus) {
  if (std::isnan(v) || std::isinf(v)) return stars(w);
  std::string body = fixed_digits(v, d);
  std::string sign = std::signbit(v) && v != 0.0f ? "-" : (plus ? "+" : "");
  std::string s = sign + body;
  if (static_cast<int>(s.size()) > w && body.rfind("0.", 0) == 0) s = sign + body.substr(1);
  if (static_cast<int>(s.size()) > w) return stars(w);
  return std::string(w - s.size(), ' ') + s;
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

std::string trim(std::string_view s) {
  size_t e = s.find_last_not_of(' ');
  return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

}  // namespace vorn::fmt
