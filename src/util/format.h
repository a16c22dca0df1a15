// Fixed-column fields (In, Fw.d, Ew.d, An, L1, nX, SP) with Fortran edit semantics.
#pragma once
#include <string>
#include <string_view>

namespace vorn::fmt {

// Iw: right-aligned integer; a value too wide for the field fills it with '*'.
std::string i(long long v, int w, bool plus = false);

// Iw for an identifier or count that another program reads back: a value too wide for the
// field is written in full after one blank instead of as '*'.
std::string iw(long long v, int w);

// Fw.d: fixed point, rounded half away from zero on the exact binary value.
// The leading zero of |v| < 1 is dropped when the field would overflow otherwise,
// and a value below zero keeps its minus sign even when it rounds to zero.
std::string f(float v, int w, int d, bool plus = false);

// Fw.d without its leading blanks ("-0.1234", or w stars when it overflows): the number a
// free-format file (a CIF) writes, short enough to need no heap.
std::string f_bare(float v, int w, int d);

// Ew.d: 0.ddddE+ee form, the leading "0" dropped when the field is exactly full.
std::string e(float v, int w, int d, bool plus = false);

// Aw: the leftmost w characters of a longer text; a shorter one right-aligned.
std::string a(std::string_view s, int w);

// A fixed-width text field: left-justified, blank-padded or cut to n characters.
std::string pad(std::string_view s, int n);

// An identifier field that widens: pad(s, n) when s fits, else s whole without the blanks that
// pad it past n (a name with its conformer and chain, a residue number past 999).
std::string wide(std::string_view s, int n);

// L1 and nX.
inline std::string l(bool v) { return v ? "T" : "F"; }
inline std::string x(int n) { return std::string(n > 0 ? n : 0, ' '); }

// Text with trailing blanks removed.
std::string trim(std::string_view s);

// Repeated character, as in rules of "-" or "!".
inline std::string rep(char c, int n) { return std::string(n > 0 ? n : 0, c); }

}  // namespace vorn::fmt
