// Element numbers taken from atom labels and the list of distinct elements, for the readers without SFAC.
#pragma once
#include <string>

#include "model/run.h"

namespace vorn {

// Atomic number from the first two characters of the label; a label that names no element
// stops the run from `place`, so no atom of atomic number 0 reaches the bonding stages.
int element_of_label(const std::string& label, const std::string& place);

// Appends z to the element list unless it is there already (order of first appearance).
void add_element_type(Run& run, int z);

// itype and lmx of atom i from its label; its element joins the list.
void type_atom(Run& run, int i, const std::string& place);

}  // namespace vorn
