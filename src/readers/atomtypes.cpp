// Element numbers taken from atom labels and the list of distinct elements, for the readers without SFAC.
#include "readers/atomtypes.h"

#include <algorithm>

#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"

namespace vorn {

int element_of_label(const std::string& label, const std::string& place) {
  const int z = iatnum(fmt::pad(label, 2).substr(0, 2));
  if (z == 0) err(place, "No element recognised in atom label " + fmt::trim(label));
  return z;
}

void add_element_type(Run& run, int z) {
  auto& t = run.at_types;
  if (std::find(t.iatype.begin() + 1, t.iatype.end(), z) != t.iatype.end()) return;
  t.iatype.push_back(z);
  ++t.ntyp;
}

void type_atom(Run& run, int i, const std::string& place) {
  const int z = element_of_label(run.atoms.atom[i], place);
  run.atoms.itype[i] = z;
  run.atoms1.lmx[i] = z == 1 ? 2 : 4;
  add_element_type(run, z);
}

}  // namespace vorn
