// Whether two atoms may bond across disorder components: by part numbers when the input has them, else by occupancy.
#pragma once
#include "model/run.h"

namespace vorn {

// Without part information two disordered atoms (iaf -1) whose occupancies differ by more
// than this belong to different components.
constexpr float occmatch = 0.01f;

// The part rule for two atoms, each given by its part and the copy of the asymmetric unit it
// belongs to: part 0 bonds to every part; two different non-zero parts never bond; atoms of
// one negative part bond only within one copy (never to their own symmetry images, nor to
// images of the other atoms of that part), as SHELXL treats PART -n.
bool parts_may_bond(int part_a, const SymCopy& copy_a, int part_b, const SymCopy& copy_b);

// Whether atoms i and j (1..natoms) may bond or see each other in an environment search: the
// part rule when the input carries part information (lpart), else the occupancy rule.
bool may_bond(const Run& run, int i, int j);

// The same for the image of asymmetric-unit atom i made by `copy`, not yet in the table,
// against atom j: the fragment completion asks this before it adds the image. Without part
// information every image may bond (the completion knows no occupancy rule).
bool image_may_bond(const Run& run, int i, const SymCopy& copy, int j);

}  // namespace vorn
