// Replacement of symmetry-generated axis atoms by dummies at their places.
#pragma once
#include <string>
#include <string_view>

#include "model/run.h"
#include "topology/cellgrid.h"

namespace vorn {

// An axis atom this close (Angstrom) to a symmetry-generated atom is taken to be that atom.
constexpr float thresh = 0.001f;

// For every symmetry-generated atom lying within thresh of xca1 (xca2), puts a dummy at that
// atom's place (the one already within the reuse distance, else a new one) and its label into
// at1 (at2), 8 characters; ax1/ax2 name the axes for the log.
void checksymeq(Run& run, const Vec3& xca1, const Vec3& xca2, std::string& at1, std::string& at2,
                std::string_view ax1, std::string_view ax2);
// The same, testing only the atoms the cell list holds near the two points (same result).
void checksymeq(Run& run, const Vec3& xca1, const Vec3& xca2, std::string& at1, std::string& at2,
                std::string_view ax1, std::string_view ax2, const CellGrid& cells);

}  // namespace vorn
