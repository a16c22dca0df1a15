// The bonding rule between disorder components, one predicate for every stage that finds bonds.
#include "model/disorder.h"

#include <cmath>

namespace vorn {

bool parts_may_bond(int part_a, const SymCopy& copy_a, int part_b, const SymCopy& copy_b) {
  if (part_a == 0 || part_b == 0) return true;
  if (part_a != part_b) return false;
  return part_a > 0 || copy_a == copy_b;
}

bool may_bond(const Run& run, int i, int j) {
  const Atoms1& a = run.atoms1;
  if (a.lpart) return parts_may_bond(a.part[i], run.cryst.icopy[i], a.part[j], run.cryst.icopy[j]);
  return !(a.iaf[i] == -1 && a.iaf[j] == -1 && std::fabs(a.occ[i] - a.occ[j]) > occmatch);
}

bool image_may_bond(const Run& run, int i, const SymCopy& copy, int j) {
  const Atoms1& a = run.atoms1;
  return !a.lpart || parts_may_bond(a.part[i], copy, a.part[j], run.cryst.icopy[j]);
}

}  // namespace vorn
