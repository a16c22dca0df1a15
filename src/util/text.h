// Logical lines of the control file, word splitting and blank-padded text helpers.
#pragma once
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/capacity.h"

namespace vorn {

// The words of one split line: text words upper-cased and cut to 8 characters.
struct LineExtract {
  int nch = 0;
  std::vector<int> istar = std::vector<int>(maxchar + 1, 0);               // 1-based
  std::vector<std::string> vchar = std::vector<std::string>(maxchar + 1);  // 1-based
  bool starred(int k, std::string_view w) const { return k >= 1 && k <= nch && istar[k] == 1 && vchar[k] == w; }
  bool word(int k, std::string_view w) const { return k >= 1 && k <= nch && vchar[k] == w; }
};

// Next logical line ("!" lines and blank lines skipped, "\" continues), blank-padded to
// 255 characters. Returns false at the end of the file.
bool readinputline(std::istream& in, std::string& line);

// Splits a line into numbers and words; the words are blanked out of the line in place.
LineExtract readline(std::string& line);

// Number of blank-separated words.
int dnumline(std::string_view line);

// 1-based columns [i1, i2] of the k-th blank-separated word; fatal when there is none.
void readchar(std::string_view line, int k, int& i1, int& i2);
// The k-th blank-separated word itself (fatal when there is none).
std::string word_at(std::string_view line, int k);

int ils(std::string_view s);              // last non-blank, full width if all blank
int lenstr(std::string_view s, int n);    // last non-blank among the first n, 0 if none
int ifs(std::string_view s);              // first non-blank, 0 if all blank
void upcase(std::string& s);
void locase(std::string& s);
std::string upper(std::string_view s);
void rmblanks(std::string& s);
std::string ljust(std::string_view s, int n);  // leading blanks removed, padded to n

// A whole word read as a real with Fortran fixed-point input editing
// (sign, digits with optional point, optional E or D exponent).
// A number that does not fit single precision (1e39) is no number: nullopt.
std::optional<float> parse_real(std::string_view w);
// True for a word of real-number form whose value does not fit single precision.
bool real_out_of_range(std::string_view w);
std::optional<int> parse_int(std::string_view w);

// The blank- or comma-separated items left in a line, read free-format.
std::vector<std::string> items(std::string_view s);
// Reads count reals (or integers) free-format; nullopt when the line has too few or one fails.
std::optional<std::vector<float>> read_reals(std::string_view s, int count);
std::optional<std::vector<int>> read_ints(std::string_view s, int count);
// Every item read as a real; nullopt if one fails.
std::optional<std::vector<float>> read_all_reals(std::string_view s);

// False when s holds a control or non-ASCII byte (a NUL, one byte of a UTF-8 character): such a
// byte would be cut into the fixed-width label fields of every output file.
bool printable_ascii(std::string_view s);

// Label forms.
void erbras(std::string& label);  // C(12) -> C12
void ernum(std::string& label);   // C(12) -> C
void erum(std::string& label);    // first "UM" removed

}  // namespace vorn
