// The element table and the look-ups built on it.
#include "util/elements.h"

#include <cctype>

namespace vorn {

namespace {

constexpr int maxsymz = 92;  // symbat knows the elements up to U

constexpr std::array<const char*, 110> kSymbols = {
    "",   "H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al", "Si",
    "P",  "S",  "Cl", "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu",
    "Zn", "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru",
    "Rh", "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe", "Cs", "Ba", "La", "Ce", "Pr",
    "Nd", "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf", "Ta", "W",
    "Re", "Os", "Ir", "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac",
    "Th", "Pa", "U",  "Np", "Pu", "Am", "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr", "Rf",
    "Db", "Sg", "Bh", "Hs", "Mt"};

char up(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

const std::array<float, maxcovz + 1> covrad_default = {
    0.0f,
    0.40f, 0.93f, 1.23f, 0.90f, 0.82f, 0.77f, 0.75f, 0.73f, 0.72f, 0.71f,
    1.54f, 1.36f, 1.18f, 1.11f, 1.06f, 1.02f, 0.99f, 0.98f,
    2.03f, 1.74f, 1.44f, 1.32f, 1.22f, 1.18f, 1.17f, 1.17f, 1.16f, 1.15f, 1.17f, 1.25f,
    1.26f, 1.22f, 1.20f, 1.16f, 1.14f, 1.89f,
    2.16f, 1.91f, 1.62f, 1.45f, 1.34f, 1.30f, 1.27f, 1.25f, 1.25f, 1.28f, 1.34f, 1.41f,
    1.44f, 1.41f, 1.40f, 1.36f, 1.33f, 1.31f,
};

std::string symbat(int z) {
  if (z < 1 || z > maxsymz) return "  ";
  std::string s = kSymbols[z];
  return s.size() == 1 ? s + " " : s;
}

int iatnum(std::string_view sym) {
  const char c1 = sym.size() > 0 ? up(sym[0]) : ' ';
  const char c2 = sym.size() > 1 ? up(sym[1]) : ' ';
  int z = 0;
  for (int k = 1; k < static_cast<int>(kSymbols.size()); ++k)
    if (kSymbols[k][1] == '\0' && c1 == up(kSymbols[k][0])) z = k;
  // a two-letter symbol wins over its first letter: "CL" is chlorine, "C1" carbon
  for (int k = 1; k < static_cast<int>(kSymbols.size()); ++k)
    if (kSymbols[k][1] != '\0' && c1 == up(kSymbols[k][0]) && c2 == up(kSymbols[k][1])) z = k;
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
