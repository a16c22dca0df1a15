// A strict JSON reader for the tests: the page's data block parsed into a plain tree.
#pragma once
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorn::test {

struct Json {
  enum Kind { null, boolean, number, string, array, object } kind = null;
  bool b = false;
  double num = 0;
  std::string str;
  std::vector<Json> arr;
  std::map<std::string, Json> obj;

  const Json& operator[](const std::string& key) const {
    const auto it = obj.find(key);
    if (kind != object || it == obj.end()) throw std::runtime_error("no member " + key);
    return it->second;
  }
  const Json& operator[](size_t i) const {
    if (kind != array || i >= arr.size()) throw std::runtime_error("no element " + std::to_string(i));
    return arr[i];
  }
  bool has(const std::string& key) const { return kind == object && obj.count(key) > 0; }
};

class JsonReader {
 public:
  // Parses the whole text; anything but one value with white space around it throws.
  static Json parse(std::string_view text) {
    JsonReader r(text);
    Json v = r.value();
    r.space();
    if (r.i_ != text.size()) r.fail("text after the value");
    return v;
  }

 private:
  explicit JsonReader(std::string_view t) : t_(t) {}
  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(i_));
  }
  void space() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\n' || t_[i_] == '\r' || t_[i_] == '\t')) ++i_;
  }
  bool take(std::string_view w) {
    if (t_.substr(i_, w.size()) != w) return false;
    i_ += w.size();
    return true;
  }
  Json value() {
    space();
    if (i_ >= t_.size()) fail("missing value");
    Json v;
    const char c = t_[i_];
    if (c == '{') {
      v.kind = Json::object;
      ++i_;
      space();
      if (take("}")) return v;
      do {
        space();
        if (i_ >= t_.size() || t_[i_] != '"') fail("member name expected");
        std::string key = string();
        space();
        if (!take(":")) fail("':' expected");
        if (v.obj.count(key)) fail("repeated member " + key);
        v.obj[key] = value();
        space();
      } while (take(","));
      if (!take("}")) fail("'}' expected");
    } else if (c == '[') {
      v.kind = Json::array;
      ++i_;
      space();
      if (take("]")) return v;
      do v.arr.push_back(value()), space();
      while (take(","));
      if (!take("]")) fail("']' expected");
    } else if (c == '"') {
      v.kind = Json::string;
      v.str = string();
    } else if (take("null")) {
    } else if (take("true")) {
      v.kind = Json::boolean, v.b = true;
    } else if (take("false")) {
      v.kind = Json::boolean;
    } else {
      v.kind = Json::number;
      v.num = number();
    }
    return v;
  }
  double number() {
    const size_t s = i_;
    if (i_ < t_.size() && t_[i_] == '-') ++i_;
    if (i_ >= t_.size() || !std::isdigit(static_cast<unsigned char>(t_[i_]))) fail("number expected");
    if (t_[i_] == '0' && i_ + 1 < t_.size() && std::isdigit(static_cast<unsigned char>(t_[i_ + 1])))
      fail("leading zero");
    auto digits = [&] {
      const size_t d = i_;
      while (i_ < t_.size() && std::isdigit(static_cast<unsigned char>(t_[i_]))) ++i_;
      if (i_ == d) fail("digit expected");
    };
    digits();
    if (i_ < t_.size() && t_[i_] == '.') ++i_, digits();
    if (i_ < t_.size() && (t_[i_] == 'e' || t_[i_] == 'E')) {
      ++i_;
      if (i_ < t_.size() && (t_[i_] == '+' || t_[i_] == '-')) ++i_;
      digits();
    }
    return std::strtod(std::string(t_.substr(s, i_ - s)).c_str(), nullptr);
  }
  static void utf8(std::string& out, unsigned cp) {
    if (cp < 0x80) out += static_cast<char>(cp);
    else if (cp < 0x800) out += static_cast<char>(0xC0 | cp >> 6), out += static_cast<char>(0x80 | (cp & 0x3F));
    else if (cp < 0x10000)
      out += static_cast<char>(0xE0 | cp >> 12), out += static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
          out += static_cast<char>(0x80 | (cp & 0x3F));
    else
      out += static_cast<char>(0xF0 | cp >> 18), out += static_cast<char>(0x80 | (cp >> 12 & 0x3F)),
          out += static_cast<char>(0x80 | (cp >> 6 & 0x3F)), out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  unsigned hex4() {
    if (i_ + 4 > t_.size()) fail("short \\u escape");
    const std::string h(t_.substr(i_, 4));
    char* end = nullptr;
    const unsigned v = static_cast<unsigned>(std::strtoul(h.c_str(), &end, 16));
    if (end != h.c_str() + 4) fail("bad \\u escape");
    i_ += 4;
    return v;
  }
  std::string string() {
    ++i_;  // the opening quote
    std::string s;
    while (true) {
      if (i_ >= t_.size()) fail("unterminated string");
      const unsigned char c = static_cast<unsigned char>(t_[i_++]);
      if (c == '"') return s;
      if (c < 0x20) fail("raw control character in a string");
      if (c != '\\') {
        s += static_cast<char>(c);
        continue;
      }
      if (i_ >= t_.size()) fail("unterminated escape");
      const char e = t_[i_++];
      switch (e) {
        case '"': s += '"'; break;
        case '\\': s += '\\'; break;
        case '/': s += '/'; break;
        case 'b': s += '\b'; break;
        case 'f': s += '\f'; break;
        case 'n': s += '\n'; break;
        case 'r': s += '\r'; break;
        case 't': s += '\t'; break;
        case 'u': {
          unsigned cp = hex4();
          if (cp >= 0xD800 && cp <= 0xDBFF && take("\\u")) cp = 0x10000 + ((cp - 0xD800) << 10) + (hex4() - 0xDC00);
          utf8(s, cp);
          break;
        }
        default: fail("unknown escape");
      }
    }
  }
  std::string_view t_;
  size_t i_ = 0;
};

}  // namespace vorn::test
