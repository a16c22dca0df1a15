// The Hansen-Coppens model of every asymmetric-unit atom, built from the run's axes, populations and kappas.
#pragma once
#include <string>
#include <vector>

#include "model/run.h"
#include "scattering/formfactor.h"

namespace vorn {

// The radial functions of element z: the last RADIAL line of the element, else the defaults.
SlaterRadial radial_for(const Run& run, int z);

// Populations of the full atom i (Pv, then P_lm by dlm_index): the run keeps them multiplied by
// the occupancy, as xd_vorn.inp has them; an atom of occupancy 0 gets the free-atom valence.
double full_pv(const Run& run, int i);
double full_plm(const Run& run, int i, int l, int m);

struct AtomModels {
  std::vector<RadialKind> kinds;
  std::vector<AtomModel> atoms;  // 0-based: atom i at i - 1
};

// Models of atoms 1..ia; grids of the spherical parts reach the momentum of |H| up to hmax (1/A).
// An atom whose axis points do not span a plane keeps the Cartesian axes (logged).
AtomModels atom_models(Run& run, double hmax);

}  // namespace vorn
