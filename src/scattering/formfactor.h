// The aspherical (Hansen-Coppens) form factor of one atom at one reciprocal vector.
#pragma once
#include <array>
#include <complex>

#include "scattering/freeatom.h"
#include "scattering/radialdefaults.h"
#include "scattering/slater.h"

namespace vorn {

// Everything of an atom's form factor that depends on |H| alone: shared by the atoms of one
// element, kappa set and radial set, evaluated once per reflection.
struct RadialKind {
  int z = 0;
  double kappa = 1, kappa_prime = 1;
  SlaterRadial slater;
  RadialGrid core, valence;
  std::array<SlaterTransform, 5> phi;
};

// The values of a RadialKind at one |H| (1/A): fc, fv(s/kappa) and 4 pi Phi_l(|H|/kappa').
struct RadialValues {
  double fc = 0, fv = 0;
  std::array<double, 5> phi{};
};

RadialValues radial_values(const RadialKind& kind, double h_length);

// One atom: populations of the full atom, its local axes as rows (X, Y, Z in Cartesian
// coordinates) and its radial kind.
struct AtomModel {
  double pc = 0, pv = 0;
  std::array<double, 25> plm{};  // by dlm_index
  std::array<std::array<double, 3>, 3> axes{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  int kind = 0;
};

// f = Pc fc + Pv fv + sum_l i^l 4 pi Phi_l sum_m P_lm d_lm(H in the local frame), for the
// Cartesian reciprocal vector h (1/A) with the radial values at its length.
std::complex<double> form_factor(const AtomModel& atom, const RadialValues& rv, const std::array<double, 3>& h);

// The local frame of an atom at p whose first axis (letter ax1, 1..3 for X..Z) points to q1 and
// whose second (ax2) lies towards q2, orthogonalised; the third completes a right-handed set.
// False when the points do not span a plane.
bool local_frame(const std::array<double, 3>& p, const std::array<double, 3>& q1, int ax1,
                 const std::array<double, 3>& q2, int ax2, std::array<std::array<double, 3>, 3>& axes);

}  // namespace vorn
