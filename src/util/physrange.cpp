// Physical ranges of input values: a value outside its range stops the run before it reaches a fixed-column field.
#include "util/physrange.h"

#include <cmath>

#include "util/err.h"
#include "util/format.h"

namespace vorn {

namespace {

// Each limit is wide of anything a real structure or databank holds, and narrow enough that the
// value, and what the program derives from it, fits the fields it is written to.
constexpr PhysRange kRanges[] = {
    // the largest virus and ribosome cells stay below 2000 A; MoPro CELL is F10.4
    {Quantity::cell_length, "Cell length", 0.0f, 5000.0f, true, false},
    // 0 and 180 degrees leave no volume
    {Quantity::cell_angle, "Cell angle", 0.0f, 180.0f, true, true},
    // cold neutrons reach about 10 A; MoPro CELL writes the wavelength F8.5
    {Quantity::wavelength, "Wavelength", 0.0f, 20.0f, true, false},
    // an atom ten cells from the origin is a typing error; MoPro coordinates are F9.5
    {Quantity::fractional, "Fractional coordinate", -10.0f, 10.0f, false, false},
    // Cartesian input (PLATON, AIM2TAB): vorn.ang writes F14.4, the plot file less
    {Quantity::cartesian, "Cartesian coordinate", -10000.0f, 10000.0f, false, false},
    // real U stay below 1 A^2; the fixedH.ins Uiso field is F8.4
    {Quantity::displacement, "Displacement parameter", -10.0f, 10.0f, false, false},
    // a site share above one is no occupancy; a rounding of the last digit is let pass
    {Quantity::occupancy, "Occupancy", 0.0f, 1.001f, false, false},
    // no valence shell holds more than 32 electrons; xd_vorn.inp writes populations F8.4
    {Quantity::population, "Population", -50.0f, 50.0f, false, false},
    // expansion factors stay near 1; xd_vorn.inp writes them F10.6
    {Quantity::kappa, "Kappa", 0.0f, 100.0f, false, false},
    // a fragment charge added to populations of 50 must still fit F8.4
    {Quantity::charge, "Charge", -50.0f, 50.0f, false, false},
    // the largest covalent radii are near 2.5 A; a bond search beyond 10 A finds whole molecules
    {Quantity::radius, "Covalent radius", 0.0f, 10.0f, false, false},
};

std::string bound(float v) {
  std::string t = fmt::trim(fmt::f(v, 14, 3));
  t = t.substr(t.find_first_not_of(' '));
  while (t.back() == '0') t.pop_back();
  if (t.back() == '.') t.pop_back();
  return t;
}

}  // namespace

const PhysRange& phys_range(Quantity q) {
  for (const PhysRange& r : kRanges)
    if (r.q == q) return r;
  err("PhysRange", "No range for this quantity");
}

bool in_range(Quantity q, float v) {
  const PhysRange& r = phys_range(q);
  if (std::isnan(v)) return false;
  const bool above_lo = r.lo_open ? v > r.lo : v >= r.lo;
  const bool below_hi = r.hi_open ? v < r.hi : v <= r.hi;
  return above_lo && below_hi;
}

std::string shown_value(float v) {
  const float a = std::fabs(v);
  const std::string t = a == 0.0f || (a >= 1e-3f && a < 1e6f) ? fmt::f(v, 16, 4) : fmt::e(v, 16, 4);
  return t.substr(t.find_first_not_of(' '));
}

void check_range(Quantity q, float v, const std::string& place, const std::string& where) {
  if (in_range(q, v)) return;
  const PhysRange& r = phys_range(q);
  err(place, std::string(r.name) + " " + shown_value(v) + " is out of range (" + bound(r.lo) + " .. " + bound(r.hi) +
                 ") " + where);
}

}  // namespace vorn
