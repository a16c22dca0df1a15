// Free-atom data tables: Hartree-Fock Slater-orbital expansions and single-zeta screening constants.
#pragma once
#include <span>

namespace vorn {

// One Slater basis function N r^(n-1) exp(-zeta r) (bohr) with its coefficient in each orbital of
// its shell, N = (2 zeta)^(n+1/2) / sqrt((2n)!); coefficients past the shell's orbitals are 0.
struct KogaBasis {
  int n;
  double zeta;
  double coef[7];
};

// The orbitals of one symmetry l of one element: their names ("1S 2S 3S") and basis rows
// first..first+nbasis-1 of koga_basis().
struct KogaShell {
  int z;
  int l;
  const char* orbitals;
  int first;
  int nbasis;
};

// Screening constant sigma of the orbital (n, l) of element z: zeta = (z - sigma) / n.
struct Screening {
  int z;
  int n;
  char l;  // 's', 'p', 'd', 'f'
  double sigma;
};

// Neutral ground-state atoms Z = 1..103, in element order.
std::span<const KogaBasis> koga_basis();
std::span<const KogaShell> koga_shells();
// Z = 1..86.
std::span<const Screening> screening();

}  // namespace vorn
