// Least-squares plane test of a set of atoms, and the ring membership of one atom.
#pragma once
#include <span>

#include "model/run.h"

namespace vorn {

// Fits a plane through atoms id[0..imem-1] and sets planar when the rms deviation does not
// exceed the tolerance: ipt = 2 is ring mode (tol2), any other value group mode (tol3).
// iprt = 1 writes the test to the log. Returns the rms deviation (sigpln). Three or fewer
// atoms always lie in a plane: planar, with sigpln 0. imem outside 1..100 stops the run.
float planarity(Run& run, int iprt, bool& planar, int imem, std::span<const int> id, int ipt);

// Ring membership of atom k: cyclic when any ring holds it; plane with iring/mem when one
// planar ring counts for it; plane2 with iring/mem the sums when it lies in two planar rings.
// The rings that hold atom k, ascending.
const std::vector<int>& rings_of(const Run& run, int k);

void isitcyclic(const Run& run, int k, bool& cyclic, bool& plane, bool& plane2, int& iring, int& mem);

// The mem of isitcyclic: the atoms of the planar ring(s) that count for atom k, 0 for none.
int planar_ring_size(const Run& run, int k);

}  // namespace vorn
