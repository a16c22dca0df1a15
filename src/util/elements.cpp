// Element numbers from symbols and valence electron counts.
#include "util/elements.h"

#include <array>
#include <cctype>
#include <string>

namespace vorn {

namespace {

// Symbols 1..109 in upper case, for the two-letter match.
constexpr std::array<const char*, 110> kSymbols = {
    "",   "H",  "HE", "LI", "BE", "B",  "C",  "N",  "O",  "F",  "NE", "NA", "MG", "AL", "SI",
    "P",  "S",  "CL", "AR", "K",  "CA", "SC", "TI", "V",  "CR", "MN", "FE", "CO", "NI", "CU",
    "ZN", "GA", "GE", "AS", "SE", "BR", "KR", "RB", "SR", "Y",  "ZR", "NB", "MO", "TC", "RU",
    "RH", "PD", "AG", "CD", "IN", "SN", "SB", "TE", "I",  "XE", "CS", "BA", "LA", "CE", "PR",
    "ND", "PM", "SM", "EU", "GD", "TB", "DY", "HO", "ER", "TM", "YB", "LU", "HF", "TA", "W",
    "RE", "OS", "IR", "PT", "AU", "HG", "TL", "PB", "BI", "PO", "AT", "RN", "FR", "RA", "AC",
    "TH", "PA", "U",  "NP", "PU", "AM", "CM", "BK", "CF", "ES", "FM", "MD", "NO", "LR", "RF",
    "DB", "SG", "BH", "HS", "MT"};

}  // namespace

int iatnum(std::string_view sym) {
  char c1 = sym.size() > 0 ? static_cast<char>(std::toupper(static_cast<unsigned char>(sym[0]))) : ' ';
  char c2 = sym.size() > 1 ? static_cast<char>(std::toupper(static_cast<unsigned char>(sym[1]))) : ' ';
  int z = 0;
  const std::string one(1, c1), two{c1, c2};
  for (int k = 1; k < static_cast<int>(kSymbols.size()); ++k) {
    if (kSymbols[k][1] == '\0' && one == kSymbols[k]) z = k;
  }
  // a two-letter symbol wins over its first letter: "CL" is chlorine, "C1" carbon
  for (int k = 1; k < static_cast<int>(kSymbols.size()); ++k) {
    if (kSymbols[k][1] != '\0' && two == kSymbols[k]) z = k;
  }
  return z;
}

float pval(int z) {
  static constexpr std::array<int, 7> upto = {2, 10, 18, 36, 54, 86, 1000};
  static constexpr std::array<int, 7> core = {0, 2, 10, 18, 36, 54, 86};
  for (size_t k = 0; k < upto.size(); ++k)
    if (z <= upto[k]) return static_cast<float>(z - core[k]);
  return static_cast<float>(z - 86);
}

}  // namespace vorn
