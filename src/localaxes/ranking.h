// The ranking of an atom's neighbours for the axis rules, and its neighbour and angle log lines.
#pragma once
#include <array>
#include <ostream>
#include <vector>

#include "model/run.h"

namespace vorn {

// The neighbours of k (0-based, sized nnei(k)), heaviest element first, then lower own
// coordination, shorter distance, lower atom number (the stored jsnei order).
std::vector<int> sortnei(const Run& run, int k);

// Atom i's neighbour table from record neighbors.
void prtatomnei(const Run& run, int i, std::ostream& io);

// id[0..nn-1] = the neighbours of k followed by k itself; the rest of id is cleared. Returns nn.
int collectnei(const Run& run, int k, std::array<int, 100>& id);

// " Angle   I - J - K =   ang deg." after a blank line, with trimmed labels.
void prtang(const Run& run, std::ostream& io, int i, int j, int k, float ang);

}  // namespace vorn
