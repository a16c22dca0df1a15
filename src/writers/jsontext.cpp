// JSON values for a data block inside an HTML page: strings that cannot end the script element.
#include "writers/jsontext.h"

#include <cmath>
#include <cstdio>

namespace vorn {

namespace {

void hex_escape(std::string& out, unsigned cp) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", cp);
  out += buf;
}

// Length of the valid UTF-8 sequence starting at s[i], or 0 (overlong forms, surrogates and
// code points past U+10FFFF are invalid); the code point goes to cp.
size_t utf8_sequence(std::string_view s, size_t i, unsigned& cp) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned c = b(i);
  size_t n = 0;
  unsigned min = 0;
  if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1F, min = 0x80;
  else if (c >= 0xE0 && c <= 0xEF) n = 3, cp = c & 0x0F, min = 0x800;
  else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07, min = 0x10000;
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string json_string(std::string_view s) {
  std::string out = "\"";
  out.reserve(s.size() + 2);
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80) {
      unsigned cp = 0;
      const size_t n = utf8_sequence(s, i, cp);
      if (n == 0) {
        hex_escape(out, c);
        ++i;
      } else {
        if (cp == 0x2028 || cp == 0x2029) hex_escape(out, cp);
        else out.append(s.substr(i, n));
        i += n;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '<': case '>': case '&': hex_escape(out, c); break;
      default:
        if (c < 0x20 || c == 0x7F) hex_escape(out, c);
        else out += static_cast<char>(c);
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string json_number(double v, int d) {
  if (!std::isfinite(v)) return "null";
  char buf[400];  // the widest double in fixed notation
  std::snprintf(buf, sizeof buf, "%.*f", d, v);
  return buf;
}

}  // namespace vorn
