// Dummy atoms: the shared table of points that direct local axes where no atom lies.
#pragma once
#include <string>

#include "model/coords.h"
#include "model/run.h"

namespace vorn {

// Two requests closer than this (Angstrom, Cartesian) share one dummy.
constexpr float dumreuse = 0.1f;

// How a requested point is given: Cartesian, or in the stored convention of run.set.ifra.
enum class PointIn { cartesian, stored };

// Gives the dummy at point p, given as `in`. An existing dummy within
// dumreuse of p is reused, otherwise a new one is appended. Returns its number in idum and
// its Cartesian position in xcart.
void adddummyatom(Run& run, PointIn in, const Vec3& p, int& idum, Vec3& xcart);

// Appends a dummy with position xs (already in the stored convention) and its label;
// returns its number. A number past DUM99999 stops the run.
int appenddummy(Run& run, const Vec3& xs);

// Sets the label of dummy i: "DUM" and the number without leading blanks, at least 6
// characters. Numbers above 99999 do not fit an 8-character label and stop the run.
void dummylab(Run& run, int i);

}  // namespace vorn
