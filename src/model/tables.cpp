// Constant element tables.
#include "model/tables.h"

namespace vorn {

const std::array<const char*, 93> symbat_table = {
    "  ",
    "H ", "He", "Li", "Be", "B ", "C ", "N ", "O ", "F ", "Ne",
    "Na", "Mg", "Al", "Si", "P ", "S ", "Cl", "Ar", "K ", "Ca",
    "Sc", "Ti", "V ", "Cr", "Mn", "Fe", "Co", "Ni", "Cu", "Zn",
    "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y ", "Zr",
    "Nb", "Mo", "Tc", "Ru", "Rh", "Pd", "Ag", "Cd", "In", "Sn",
    "Sb", "Te", "I ", "Xe", "Cs", "Ba", "La", "Ce", "Pr", "Nd",
    "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb",
    "Lu", "Hf", "Ta", "W ", "Re", "Os", "Ir", "Pt", "Au", "Hg",
    "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac", "Th",
    "Pa", "U ",
};

const std::array<float, 55> covrad_default = {
    0.0f,
    0.40f, 0.93f, 1.23f, 0.90f, 0.82f, 0.77f, 0.75f, 0.73f, 0.72f, 0.71f,
    1.54f, 1.36f, 1.18f, 1.11f, 1.06f, 1.02f, 0.99f, 0.98f,
    2.03f, 1.74f, 1.44f, 1.32f, 1.22f, 1.18f, 1.17f, 1.17f, 1.16f, 1.15f, 1.17f, 1.25f,
    1.26f, 1.22f, 1.20f, 1.16f, 1.14f, 1.89f,
    2.16f, 1.91f, 1.62f, 1.45f, 1.34f, 1.30f, 1.27f, 1.25f, 1.25f, 1.28f, 1.34f, 1.41f,
    1.44f, 1.41f, 1.40f, 1.36f, 1.33f, 1.31f,
};

}  // namespace vorn
