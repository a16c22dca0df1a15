// Opening text inputs: only regular files, a leading UTF-8 byte-order mark skipped, lines read with a bound.
#include "util/infile.h"

#include <filesystem>
#include <iterator>
#include <sstream>

#include "util/err.h"

namespace vorn {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

// Refuses an existing name that is no regular file; a missing one is left to the caller.
void require_regular(const std::string& name, const std::string& place, const std::string& what) {
  if (not_regular(name)) err(place, what + " " + name + " is not a regular file");
}

}  // namespace

bool not_regular(const std::string& name) {
  std::error_code ec;
  const auto st = std::filesystem::status(name, ec);
  if (ec || !std::filesystem::exists(st)) return false;
  return !std::filesystem::is_regular_file(st);
}

void skip_bom(std::istream& in) {
  std::streambuf* sb = in.rdbuf();
  if (!sb) return;
  for (int k = 0; k < 3; ++k) {
    const int c = sb->sgetc();
    if (c != static_cast<unsigned char>(kBom[k])) {
      // a partial mark is no mark: give back what was taken
      for (int b = 0; b < k; ++b) sb->sungetc();
      return;
    }
    sb->sbumpc();
  }
}

bool open_text(std::ifstream& in, const std::string& name, const std::string& place, const std::string& what) {
  require_regular(name, place, what);
  in.open(name);
  if (!in) return false;
  skip_bom(in);
  return true;
}

bool read_line(std::istream& in, std::string& line, bool& cut) {
  line.clear();
  cut = false;
  std::istream::sentry ok(in, true);
  if (!ok) return false;
  std::streambuf* sb = in.rdbuf();
  bool any = false;
  for (;;) {
    const int c = sb->sbumpc();
    if (c == std::char_traits<char>::eof()) {
      in.setstate(any ? std::ios::eofbit : std::ios::eofbit | std::ios::failbit);
      break;
    }
    any = true;
    if (c == '\n') break;
    if (line.size() < kLineKeep) {
      line.push_back(static_cast<char>(c));
    } else {
      cut = true;
    }
  }
  if (!any) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool slurp_text(const std::string& name, std::string& text, const std::string& place, const std::string& what) {
  std::ifstream in;
  if (!open_text(in, name, place, what)) return false;
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return false;
  text = s.str();
  return true;
}

}  // namespace vorn
