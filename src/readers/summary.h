// Structure summary: occupancy classes, element types and the atom listing.
#pragma once
#include <ostream>

#include "model/run.h"

namespace vorn {

// iaf: 0 normal, 1 on a special position (an image within 0.001 A), -1 disordered. With part
// information an atom of a non-zero part is classed like a partially occupied one, even at
// full occupancy: disordered unless it lies on a special position.
void checkocc(Run& run);

// Two atoms of the input closer than kSamePosition (a pasted line, a disordered site written
// twice): the later atom of each pair is warned on the log and counted as "atoms at the same
// position"; the run goes on, since a mixed site of two elements is written that way on purpose.
// Atoms of two different disorder parts are not warned.
constexpr float kSamePosition = 0.01f;  // A
void warn_same_position(Run& run);

// The same through hashed bins of the tolerance's size, the check warn_same_position is tested
// against.
void warn_same_position_reference(Run& run);

// Element types on the log.
void prattyp(Run& run);

// The atom table with fractional and Cartesian coordinates and the class counts, then, when
// the input has part information, the atoms per disorder part (printparts).
void printatoms(Run& run, std::ostream& out);
void printparts(Run& run, std::ostream& out);

}  // namespace vorn
