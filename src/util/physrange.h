// Physical ranges of input values: a value outside its range stops the run before it reaches a fixed-column field.
#pragma once
#include <string>

namespace vorn {

enum class Quantity { cell_length, cell_angle, wavelength, fractional, cartesian, displacement, occupancy, population, kappa, charge, radius };

// One row of the table: the accepted closed range [lo, hi], or open at an end where marked.
struct PhysRange {
  Quantity q;
  const char* name;  // as the message names the value
  float lo, hi;
  bool lo_open, hi_open;
};

const PhysRange& phys_range(Quantity q);
bool in_range(Quantity q, float v);

// A value for a message: fixed point while it is of a readable size, E format beyond,
// never a field of '*'.
std::string shown_value(float v);

// Stops the run from `place` with "<name> <value> is out of range (lo .. hi) <where>", where
// `where` names the line ("in line <<...>>") or the item the value came from.
void check_range(Quantity q, float v, const std::string& place, const std::string& where);

}  // namespace vorn
