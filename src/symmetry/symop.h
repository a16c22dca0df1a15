// Symmetry cards to operators: parsing of symbolic and numeric cards, centring, inversion.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "model/run.h"

namespace vorn {

// Operator 1 = identity, then every card of `lines` that starts with "SYM" (any case),
// each printed with symout on the log.
void getsym(Run& run, const std::vector<std::string>& lines);

// One card (possibly three operators separated by ";") appended to the table; false on a
// card that cannot be read, with ns already counting the failed operator so that the
// caller reports that number and steps ns back by one. The identity is not entered again.
// More than maxsym operators stop the run.
bool symcrd(Run& run, std::string card);

// True when every operator of the card can be read (the card is tried on a table of its own).
bool symcard_ok(const std::string& card);

// One symbolic component such as "-X+1/2": translation and the coefficients of X, Y, Z.
void symop(std::string comp, float& t, Vec3& coef);

// Takes the axis terms out of a component and returns their coefficients.
Vec3 removerot(std::string& comp);

// Pieces of `text` between single `delim` characters; mode: 1 strip, 2 upper-case,
// 4 lower-case after the first character. At most `maxcount` pieces.
std::vector<std::string> split(std::string_view text, char delim, int maxcount, int mode);

// Centring translations of lattice letter C, A, B, I or F; any other letter stops the run.
void nonp(Run& run, char letter);

// The inverted operators of a centrosymmetric lattice (translations kept).
void addcentsymm(Run& run);

// Translations reduced into the open interval (-1, 1).
void checkts(Run& run);

// Printing.
void prsymop(Run& run);
std::string symout(const Mat3& fs, const Vec3& ts, int n);  // "   SYMM  n     x,y,z"
std::string opout(const Vec3& coef, float t);               // one component

}  // namespace vorn
