// Small structures built directly in a Run for the neighbour and ranking tests.
#pragma once
#include <string>

#include "model/run.h"

namespace vorn::test {

// Appends an atom of element z at Cartesian x and keeps natoms in step.
inline int put(Run& run, int z, Vec3 x, const std::string& label, float occ = 1.0f, int iaf = 0) {
  const int i = add_atom(run, "Test");
  run.atoms.itype[i] = z;
  run.atoms.xc[i] = x;
  run.atoms.atom[i] = (label + std::string(8, ' ')).substr(0, 8);
  run.atoms1.occ[i] = occ;
  run.atoms1.iaf[i] = iaf;
  run.atoms.ia = i;
  run.cryst.natoms = i;
  return i;
}

// A carbon C0 bonded to one H at 1.00 A and three carbons: C1 at 1.35 A with four neighbours,
// C2 at 1.38 A and C3 at 1.40 A with three each. C0 is atom 1, H0 atom 2,
// C1..C3 atoms 3..5, their hydrogens follow.
inline void ranked_carbon(Run& run) {
  put(run, 6, {0, 0, 0}, "C0");
  put(run, 1, {-1.0f, 0, 0}, "H0");
  put(run, 6, {0, 1.35f, 0}, "C1");
  put(run, 6, {0, 0, 1.38f}, "C2");
  put(run, 6, {1.40f, 0, 0}, "C3");
  put(run, 1, {0.8f, 1.95f, 0}, "H11");
  put(run, 1, {-0.8f, 1.95f, 0}, "H12");
  put(run, 1, {0, 1.95f, 0.8f}, "H13");
  put(run, 1, {0.8f, 0, 1.98f}, "H21");
  put(run, 1, {-0.8f, 0, 1.98f}, "H22");
  put(run, 1, {2.2f, 0.6f, 0}, "H31");
  put(run, 1, {2.2f, -0.6f, 0}, "H32");
}

}  // namespace vorn::test
