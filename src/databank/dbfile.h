// The databank file read once: every line tokenised as the reader sees it, entries by atomic number.
#pragma once
#include <cstddef>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "util/err.h"

namespace vorn {

constexpr int dbline_max = 200;  // characters of one databank line
constexpr int db_unit = 10;      // the databank's handle number, as failure messages name it

// One databank line: as read (line end removed) and as readfile hands it on.
struct DbLine {
  std::string raw;
  std::string up;                  // upper-cased
  std::string nums;                // upper-cased, words blanked: only the numbers are left
  std::vector<std::string> words;  // the words in order, upper-cased, 8 characters at most
  std::vector<std::string> items;  // the blank-separated items of up, numbers and words alike
  std::vector<std::optional<int>> ints;     // the numbers left in nums, read as integers
  std::vector<std::optional<float>> reals;  // and as reals
  std::optional<Fatal> too_long;   // reading the line at all stops the run
  std::optional<Fatal> untokenised;  // handing it on through readfile stops the run
  bool comment() const { return !raw.empty() && raw[0] == '!'; }
  const std::string& first_word() const;
};

// Reads one line from in without its line end; false at the end of the file. A bad stream
// stops the run.
bool get_db_line(std::istream& in, std::string& line);

// The fault of a line longer than the reader takes, if it is one.
std::optional<Fatal> length_fault(const std::string& raw);

// The line as the reader sees it; faults are recorded, not raised.
DbLine tokenise_db_line(std::string raw);

// Columns 1-4 "ATOM": a line that starts a databank entry.
inline bool atom_line(const std::string& raw) { return raw.compare(0, 4, "ATOM") == 0; }

// The atomic number (item 2) of an ATOM line; an unreadable one stops the run.
int atom_line_z(const std::string& raw);

// The whole file. The scan over the file meets, besides the entries of the atom's element,
// only the faults of lines read for their first four columns (a line too long, an ATOM line
// without a readable atomic number); the index keeps those too, so that a search through it
// stops where and when the scan would.
struct DbIndex {
  std::vector<DbLine> lines;
  std::map<int, std::vector<size_t>> by_z;  // ATOM line positions per atomic number, file order
  std::map<size_t, Fatal> scan_faults;      // position -> what stops the scan there
};

DbIndex load_databank(std::istream& in);

}  // namespace vorn
