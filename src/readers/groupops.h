// Symmetry operators of a space group split as SHELX stores them: centring letter, inversion and the remaining cards.
#pragma once
#include <gemmi/symmetry.hpp>

#include <string>
#include <vector>

#include "model/run.h"
#include "readers/head.h"

namespace vorn {

// Every operator of a group, the centring translations applied.
std::vector<gemmi::Op> group_list(const gemmi::GroupOps& g);

// Splits a complete operator list the way SHELX writes it: centring letter, inversion at the
// origin, and one card for each coset that neither generates. The cards keep the list's order
// and its translations; `texts` gets them as SYMM records. A list that is no group stops the
// run from `place`.
Lattice split_operators(const std::vector<gemmi::Op>& given, std::vector<gemmi::Op>& cards,
                        std::vector<std::string>& texts, const std::string& place);

// The operator table as getsym leaves it for these cards, each operator logged.
void put_operators(Run& run, const std::vector<gemmi::Op>& cards);

}  // namespace vorn
