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

// The head of a run from a split operator list (CIF and macromolecular input), once the atom
// types are known: master-file banner, cell, LATT and SYMM records, SCAT table and the MoPro
// symmetry, the lattice logged and the operator table set up; then the atom listing's heading.
void write_symmetry_head(Run& run, float rlam, const Lattice& lat, const std::vector<gemmi::Op>& cards,
                         const std::vector<std::string>& texts, const std::string& place);

}  // namespace vorn
