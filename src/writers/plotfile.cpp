// The PLATON plot file vorn.spf: head, the axis sticks of every atom, and the tail.
#include "writers/plotfile.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "util/elements.h"
#include "util/format.h"
#include "model/coords.h"
#include "util/geometry.h"

namespace vorn {

namespace {

constexpr const char* kDisplay[] = {
    "SOLID COLOR", "COLOR TYPE X GREEN Y YELLOW Z BROWN D ORANGE", "RADII ATOMS ALL 0.06",
    "RADII ATOMS X 0.02", "RADII ATOMS Y 0.02", "RADII ATOMS Z 0.02", "RADII BONDS ALL 0.01 1",
    "RADII BONDS TO X 0.01 1", "RADII BONDS TO Y 0.01 1", "RADII BONDS TO Z 0.01 1",
    "RADII BONDS TO D 0.00 0", "DETACH X Y", "DETACH X Z", "DETACH Y Z", "DETACH X X",
    "DETACH Y Y", "DETACH Z Z", "LABEL ON", "LABEL H", "UNLABEL X Y Z"};

constexpr const char* kDummyDisplay[] = {"RADII ATOMS D 0.02", "DETACH D X", "DETACH D Y",
                                         "DETACH D Z", "LABEL D"};

// Elements past Xe have no covalent radius; they are drawn with the largest one, 2.16.
float plot_radius(const Run& run, int z) { return has_covrad(z) ? run.set.covrad[z] : 2.16f; }

// The point 0.2 Angstrom from x0 along e. A zero vector has no direction (the atom and its
// axis points coincide, or they are collinear so the plane normal vanishes); its stick is
// drawn with zero length, at the atom itself, so that the file never holds NaN.
Vec3 stick_end(const Vec3& x0, const Vec3& e) {
  float len = rlength(e);
  Vec3 d = e;
  if (!(len > 0.0f) || !std::isfinite(len)) {
    // a vector too short (or too long) to square in single precision: rescale it first
    const float big = std::max({std::fabs(e[0]), std::fabs(e[1]), std::fabs(e[2])});
    if (!(big > 0.0f) || !std::isfinite(big)) return x0;
    d = {e[0] / big, e[1] / big, e[2] / big};
    len = rlength(d);
  }
  return {x0[0] + 0.2f * d[0] / len, x0[1] + 0.2f * d[1] / len, x0[2] + 0.2f * d[2] / len};
}

std::string plot_atom(const std::string& name, const Vec3& p) {
  return "ATOM " + fmt::pad(name, labw) + "   " + fmt::f(p[0], 12, 4) + fmt::f(p[1], 12, 4) + fmt::f(p[2], 12, 4) + '\n';
}

}  // namespace

std::array<Vec3, 3> getdummy(const Vec3& x0, const Vec3& ex, const Vec3& ey, const Vec3& ez) {
  return {stick_end(x0, ex), stick_end(x0, ey), stick_end(x0, ez)};
}

std::string getdummylabel(int i) { return std::to_string(i); }

void loc2plat(Run& run, int i, const Vec3& pa, const Vec3& pb, char ax1, char ax2) {
  const Vec3& x0 = run.atoms.xc[i];
  run.iplat << plot_atom(run.atoms.atom[i], x0);
  const Vec3 a{pa[0] - x0[0], pa[1] - x0[1], pa[2] - x0[2]};
  const Vec3 b{pb[0] - x0[0], pb[1] - x0[1], pb[2] - x0[2]};
  const Vec3 n = vmult(a, b);
  const Vec3 w = vmult(n, a);
  const char names[3] = {'X', 'Y', 'Z'};
  // The master file declares every system right-handed (R): the third axis is the cross product
  // of the other two in X, Y, Z order. a x w points along n, so n serves when (ax1, ax2) runs in
  // cyclic order (X Y, Y Z, Z X) and -n against it (the Z, Y of every hydrogen); with both
  // naming one axis the other two keep n, as there is no order to follow.
  const int i1 = static_cast<int>(std::string_view("XYZ").find(ax1));
  const int i2 = static_cast<int>(std::string_view("XYZ").find(ax2));
  const bool anti = i1 >= 0 && i2 >= 0 && (i2 + 1) % 3 == i1;
  const Vec3 third = anti ? Vec3{-n[0], -n[1], -n[2]} : n;
  std::array<Vec3, 3> dir;
  for (int k = 0; k < 3; ++k) {
    // ax2 is tested first: when both name the same axis, that axis takes the in-plane w
    const char c = names[k];
    dir[k] = c == ax2 ? w : c == ax1 ? a : third;
  }
  const auto ends = getdummy(x0, dir[0], dir[1], dir[2]);
  const std::string num = getdummylabel(i);
  for (int k = 0; k < 3; ++k) run.iplat << plot_atom(std::string(1, names[k]) + num, ends[k]);
}

void spf_head(Run& run) { run.iplat << "TITL X-green, Y-yellow, Z-brown, Dummy(D)-orange\nANGSTROM\n"; }

void spf_tail(Run& run) {
  const int ndum = run.dummy.ndum;
  for (int j = 1; j <= ndum; ++j) {
    Vec3 p = stored_to_cart(run.transf, run.set.ifra, run.dummy.xdum[j]);
    // the number field widens past 9 so that every dummy keeps its own label
    run.iplat << "ATOM D(" << fmt::i(j, j < 10 ? 1 : static_cast<int>(std::to_string(j).size())) << ")  "
              << fmt::f(p[0], 14, 4) << fmt::f(p[1], 14, 4) << fmt::f(p[2], 14, 4) << '\n';
  }
  std::string join = "JOIN RADII ";
  for (int k = 1; k <= run.at_types.ntyp; ++k) {
    int z = run.at_types.iatype[k];
    join += " " + symbat(z) + fmt::f(plot_radius(run, z), 5, 2);
  }
  for (const char* l : {"X", "Y", "Z"}) join += std::string(" ") + l + fmt::f(0.01f, 5, 2);
  if (ndum > 0) join += " D" + fmt::f(0.01f, 5, 2);
  run.iplat << join << '\n';
  for (const char* l : kDisplay) run.iplat << l << '\n';
  if (ndum > 0) {
    for (const char* l : kDummyDisplay) run.iplat << l << '\n';
    for (int k = 1; k <= run.at_types.ntyp; ++k) run.iplat << "DETACH D " << symbat(run.at_types.iatype[k]) << '\n';
  }
  run.iplat << "PLOT\n";
}

}  // namespace vorn
