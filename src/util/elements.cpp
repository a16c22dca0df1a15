// The element table and the look-ups built on it.
#include "util/elements.h"

#include <cctype>
#include <sstream>
#include <vector>

#include "util/err.h"

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
    // Cs to U: B. Cordero et al., Dalton Trans. (2008) 2832-2838
    2.44f, 2.15f, 2.07f, 2.04f, 2.03f, 2.01f, 1.99f, 1.98f, 1.98f, 1.96f, 1.94f, 1.92f, 1.92f, 1.89f,
    1.90f, 1.87f, 1.87f, 1.75f, 1.70f, 1.62f, 1.51f, 1.44f, 1.41f, 1.36f, 1.36f, 1.32f, 1.45f, 1.46f,
    1.48f, 1.40f, 1.50f, 1.50f, 2.60f, 2.21f, 2.15f, 2.06f, 2.00f, 1.96f,
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

namespace {

// Configurations: the core shells, "|", then the valence shells. A closed-shell tag stands for
// its shells. Through Kr the filling order is kept even where the ground state differs (Cr 3d5
// 4s1, Cu 3d10 4s1), and the 3d shell of Ga to Kr counts as valence; from Rb on each entry is
// the ground state, with the d (and f) shell valence while it fills and core from the p block
// of its row on, as for iodine.
const std::array<const char*, maxcovz + 1> kConfig = {
    "",
    "| 1s1", "| 1s2",                                                                  // H He
    "1s2 | 2s1", "1s2 | 2s2", "1s2 | 2s2 2p1", "1s2 | 2s2 2p2", "1s2 | 2s2 2p3",     // Li-N
    "1s2 | 2s2 2p4", "1s2 | 2s2 2p5", "1s2 | 2s2 2p6",                                // O-Ne
    "[Ne] | 3s1", "[Ne] | 3s2", "[Ne] | 3s2 3p1", "[Ne] | 3s2 3p2", "[Ne] | 3s2 3p3",  // Na-P
    "[Ne] | 3s2 3p4", "[Ne] | 3s2 3p5", "[Ne] | 3s2 3p6",                             // S-Ar
    "[Ar] | 4s1", "[Ar] | 4s2",                                                       // K Ca
    "[Ar] | 3d1 4s2", "[Ar] | 3d2 4s2", "[Ar] | 3d3 4s2", "[Ar] | 3d4 4s2",           // Sc-Cr
    "[Ar] | 3d5 4s2", "[Ar] | 3d6 4s2", "[Ar] | 3d7 4s2", "[Ar] | 3d8 4s2",           // Mn-Ni
    "[Ar] | 3d9 4s2", "[Ar] | 3d10 4s2",                                              // Cu Zn
    "[Ar] | 3d10 4s2 4p1", "[Ar] | 3d10 4s2 4p2", "[Ar] | 3d10 4s2 4p3",              // Ga-As
    "[Ar] | 3d10 4s2 4p4", "[Ar] | 3d10 4s2 4p5", "[Ar] | 3d10 4s2 4p6",              // Se-Kr
    "[Kr] | 5s1", "[Kr] | 5s2",                                                       // Rb Sr
    "[Kr] | 4d1 5s2", "[Kr] | 4d2 5s2", "[Kr] | 4d4 5s1", "[Kr] | 4d5 5s1",           // Y-Mo
    "[Kr] | 4d5 5s2", "[Kr] | 4d7 5s1", "[Kr] | 4d8 5s1", "[Kr] | 4d10",              // Tc-Pd
    "[Kr] | 4d10 5s1", "[Kr] | 4d10 5s2",                                             // Ag Cd
    "[Kr] 4d10 | 5s2 5p1", "[Kr] 4d10 | 5s2 5p2", "[Kr] 4d10 | 5s2 5p3",              // In-Sb
    "[Kr] 4d10 | 5s2 5p4", "[Kr] 4d10 | 5s2 5p5", "[Kr] 4d10 | 5s2 5p6",              // Te-Xe
    "[Xe] | 6s1", "[Xe] | 6s2", "[Xe] | 5d1 6s2",                                     // Cs-La
    "[Xe] | 4f1 5d1 6s2", "[Xe] | 4f3 6s2", "[Xe] | 4f4 6s2", "[Xe] | 4f5 6s2",       // Ce-Pm
    "[Xe] | 4f6 6s2", "[Xe] | 4f7 6s2", "[Xe] | 4f7 5d1 6s2", "[Xe] | 4f9 6s2",       // Sm-Tb
    "[Xe] | 4f10 6s2", "[Xe] | 4f11 6s2", "[Xe] | 4f12 6s2", "[Xe] | 4f13 6s2",       // Dy-Tm
    "[Xe] | 4f14 6s2", "[Xe] 4f14 | 5d1 6s2",                                         // Yb Lu
    "[Xe] 4f14 | 5d2 6s2", "[Xe] 4f14 | 5d3 6s2", "[Xe] 4f14 | 5d4 6s2",              // Hf-W
    "[Xe] 4f14 | 5d5 6s2", "[Xe] 4f14 | 5d6 6s2", "[Xe] 4f14 | 5d7 6s2",              // Re-Ir
    "[Xe] 4f14 | 5d9 6s1", "[Xe] 4f14 | 5d10 6s1", "[Xe] 4f14 | 5d10 6s2",            // Pt-Hg
    "[Xe] 4f14 5d10 | 6s2 6p1", "[Xe] 4f14 5d10 | 6s2 6p2", "[Xe] 4f14 5d10 | 6s2 6p3",  // Tl-Bi
    "[Xe] 4f14 5d10 | 6s2 6p4", "[Xe] 4f14 5d10 | 6s2 6p5", "[Xe] 4f14 5d10 | 6s2 6p6",  // Po-Rn
    "[Rn] | 7s1", "[Rn] | 7s2", "[Rn] | 6d1 7s2", "[Rn] | 6d2 7s2",                   // Fr-Th
    "[Rn] | 5f2 6d1 7s2", "[Rn] | 5f3 6d1 7s2",                                       // Pa U
};

struct Closed {
  const char* tag;
  const char* shells;
};
constexpr Closed kClosed[] = {
    {"[Ne]", "1s2 2s2 2p6"},
    {"[Ar]", "1s2 2s2 2p6 3s2 3p6"},
    {"[Kr]", "1s2 2s2 2p6 3s2 3p6 3d10 4s2 4p6"},
    {"[Xe]", "1s2 2s2 2p6 3s2 3p6 3d10 4s2 4p6 4d10 5s2 5p6"},
    {"[Rn]", "1s2 2s2 2p6 3s2 3p6 3d10 4s2 4p6 4d10 5s2 5p6 4f14 5d10 6s2 6p6"},
};

constexpr std::array<const char*, 18> kOrbitals = {"1s", "2s", "3s", "4s", "2p", "3p", "4p", "3d", "4d",
                                                   "4f", "5s", "5p", "6s", "6p", "5d", "7s", "6d", "5f"};

int orbital_slot(const std::string& name) {
  for (size_t k = 0; k < kOrbitals.size(); ++k)
    if (name == kOrbitals[k]) return static_cast<int>(k);
  return -1;
}

// Adds the shells of one word ("3d10" or a closed-shell tag) with the given sign.
void add_shells(std::array<int, 18>& o, const std::string& word, int sign) {
  for (const Closed& c : kClosed)
    if (word == c.tag) {
      std::istringstream in(c.shells);
      for (std::string w; in >> w;) add_shells(o, w, sign);
      return;
    }
  o[orbital_slot(word.substr(0, 2))] += sign * std::stoi(word.substr(2));
}

std::vector<std::array<int, 18>> configurations() {
  std::vector<std::array<int, 18>> t(kConfig.size());
  for (size_t z = 1; z < kConfig.size(); ++z) {
    std::istringstream in(kConfig[z]);
    int sign = 1;
    for (std::string w; in >> w;) {
      if (w == "|")
        sign = -1;
      else
        add_shells(t[z], w, sign);
    }
  }
  return t;
}

}  // namespace

std::array<int, 18> getsft(int z) {
  if (z < 1 || z > maxcovz) err("GetSFT", "atomic number not implemented yet");
  static const std::vector<std::array<int, 18>> table = configurations();
  return table[static_cast<size_t>(z)];
}

// Valence electrons as the SCAT configurations above count them, so that Pv and the SCAT row
// of an atom agree: the shells of the last noble gas are core, and so are a d shell once the p
// shell of its row fills (4d10 for In to Xe, 5d10 for Tl to Rn) and the 4f14 shell from Lu on.
// The 3d shell of Ga to Kr stays valence, as in their configurations (Br has 17).
float pval(int z) {
  struct Row {
    int upto;  // last atomic number of the row segment
    int core;  // electrons counted as core there
  };
  static constexpr std::array<Row, 10> rows = {{{2, 0},
                                                {10, 2},
                                                {18, 10},
                                                {36, 18},
                                                {48, 36},
                                                {54, 46},
                                                {70, 54},
                                                {80, 68},
                                                {86, 78},
                                                {1000, 86}}};
  for (const Row& r : rows)
    if (z <= r.upto) return static_cast<float>(z - r.core);
  return static_cast<float>(z - 86);
}

}  // namespace vorn
