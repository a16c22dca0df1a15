// Spherical Hartree-Fock core and valence scattering factors of the free atom, split as the SCAT table splits the configuration.
#pragma once
#include <string>
#include <vector>

namespace vorn {

// One product of two Slater functions of an orbital density: weight * r^n exp(-alpha r), with r^2
// of the volume element included in n.
struct DensityTerm {
  int n;
  double alpha;
  double weight;
};

// The core and valence shells of element z: each density normalised to one electron, with
// the electron counts Pc and Nv of the SCAT configuration and the configuration as text
// ("core 1s2 valence 2s2 2p2").
struct FreeAtom {
  int z = 0;
  double pc = 0, nv = 0;
  std::vector<DensityTerm> core, valence;
  std::string configuration;
};

// From the Slater tables and the SCAT occupations of element z (1..92); an orbital of the
// configuration missing from the tables stops the run.
FreeAtom free_atom(int z);

// The scattering factor of a one-electron density at momentum K (1/bohr): the integral of
// 4 pi r^2 rho(r) j0(K r) dr, 1 at K = 0.
double density_transform(const std::vector<DensityTerm>& terms, double k);

// A density's transform tabulated on K = 0, h, 2h, ... up to kmax and interpolated by cubics
// through four points: the terms of a heavy atom run to hundreds per reflection otherwise.
struct RadialGrid {
  double h = 0;
  std::vector<double> f;
  double operator()(double k) const;
};

RadialGrid radial_grid(const std::vector<DensityTerm>& terms, double kmax, double h = 0.002);

}  // namespace vorn
