// Crystallographic site symmetry of a point: the operators that map it onto itself, their point group and elements.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "model/run.h"

namespace vorn {

using DVec3 = std::array<double, 3>;
using DMat3 = std::array<std::array<double, 3>, 3>;  // m[row][column]

// Two images closer than this (Angstrom) are one position: coordinates written to four or
// five decimals put an atom on an axis only to a few thousandths of an Angstrom.
constexpr double site_tol = 0.01;

// One rotation, proper or improper: det = +1 or -1, n = order of its proper part (det * R),
// axis = the direction it turns about (a mirror's normal; zero for 1 and -1).
struct OpKind {
  int det = 1;
  int n = 1;
  DVec3 axis{};
};
OpKind op_kind(const DMat3& r);

// A direction that carries symmetry: the highest proper rotation about it, the highest
// rotoinversion (2 for a mirror), and whether a mirror is normal to it.
struct SiteAxis {
  DVec3 dir{};  // unit vector, first nonzero component positive
  int n = 1;
  int rotoinv = 0;
  bool mirror = false;
};
// Hermann-Mauguin text of the elements along one direction: "4/m", "-4", "3", "m", ...
std::string axis_text(const SiteAxis& a);

struct SiteSym {
  std::vector<int> ops;                  // operator numbers (1 = identity first)
  std::vector<std::array<int, 3>> shift; // lattice translation added to each
  std::vector<DMat3> rot;                // Cartesian matrices of the operators
  std::string name = "1";                // point group, Hermann-Mauguin; "?" if none matches
  bool inversion = false;
  std::vector<SiteAxis> axes;            // the distinct symmetry directions
  int order() const { return static_cast<int>(rot.size()); }
  bool special() const { return rot.size() > 1; }
};

// The site symmetry of fractional position xf under the run's operators (lattice centring
// and inversion included): every operator whose image, moved by a whole lattice vector,
// lies within tol of the position.
SiteSym site_symmetry(const Run& run, const Vec3& xf, double tol = site_tol);

// The point group (one of the 32 crystallographic ones) of a set of Cartesian rotations
// closed under products, or "?".
std::string point_group_name(const std::vector<DMat3>& rot);

// The point groups by name, each as its full list of Cartesian matrices in a standard
// orientation (principal axis along z).
std::vector<DMat3> point_group(const std::string& name);

}  // namespace vorn
