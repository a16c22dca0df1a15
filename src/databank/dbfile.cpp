// The databank file read once: every line tokenised as the reader sees it, entries by atomic number.
#include "databank/dbfile.h"

#include "util/format.h"
#include "util/infile.h"
#include "util/text.h"

namespace vorn {

const std::string& DbLine::first_word() const {
  static const std::string none;
  return words.empty() ? none : words.front();
}

bool get_db_line(std::istream& in, std::string& line) {
  // the reader goes back to the start for every search: the mark is skipped each time
  if (in.tellg() == std::streampos(0)) skip_bom(in);
  bool cut = false;
  if (!read_line(in, line, cut)) {
    if (in.bad()) err("ReadDB", "Error reading the databank file");
    return false;
  }
  if (cut) err("ReadDB", "DataBank line longer than 200 characters: " + line.substr(0, 40) + "...");
  return true;
}

// A longer line would lose its tail, and with it numbers of a PLMS line, without a word.
std::optional<Fatal> length_fault(const std::string& raw) {
  if (lenstr(raw, static_cast<int>(raw.size())) <= dbline_max) return std::nullopt;
  return Fatal("ReadDB", "DataBank line longer than 200 characters: " + raw.substr(0, 40) + "...");
}

DbLine tokenise_db_line(std::string raw) {
  DbLine d;
  d.raw = std::move(raw);
  d.too_long = length_fault(d.raw);
  d.up = upper(d.raw);
  for (size_t p = d.up.find_first_not_of(' '); p != std::string::npos; p = d.up.find_first_not_of(' ', p)) {
    const size_t q = d.up.find(' ', p);
    d.items.push_back(d.up.substr(p, q == std::string::npos ? std::string::npos : q - p));
    p = q;
  }
  d.nums = d.up;
  try {
    LineExtract le = readline(d.nums);
    d.words.assign(le.vchar.begin() + 1, le.vchar.begin() + 1 + le.nch);
    for (const std::string& w : vorn::items(d.nums)) {
      d.ints.push_back(parse_int(w));
      d.reals.push_back(parse_real(w));
    }
  } catch (const Fatal& f) {
    d.untokenised = f;
  }
  return d;
}

int atom_line_z(const std::string& raw) {
  const std::string w = word_at(raw, 2);
  auto z = parse_int(w);
  if (!z) err("ReadDB", "Atomic number expected on DataBank line: " + fmt::trim(raw));
  return *z;
}

DbIndex load_databank(std::istream& in) {
  DbIndex ix;
  in.clear();
  in.seekg(0);
  std::string raw;
  while (get_db_line(in, raw)) {
    const size_t pos = ix.lines.size();
    ix.lines.push_back(tokenise_db_line(raw));
    const DbLine& d = ix.lines.back();
    if (d.too_long) {
      ix.scan_faults.emplace(pos, *d.too_long);
    } else if (atom_line(d.raw)) {
      try {
        ix.by_z[atom_line_z(d.raw)].push_back(pos);
      } catch (const Fatal& f) {
        ix.scan_faults.emplace(pos, f);
      }
    }
  }
  return ix;
}

}  // namespace vorn
