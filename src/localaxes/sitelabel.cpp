// Site-compatible label and axes: keep the rules' choice when it fits, else the best key-table label on symmetry directions.
#include "localaxes/sitelabel.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "localaxes/dummy.h"
#include "localaxes/xdmas.h"
#include "model/log.h"
#include "symmetry/sitesym.h"
#include "util/format.h"

namespace vorn {

namespace {

// Two symmetry directions are taken as perpendicular within this cosine (crystallographic
// ones are exactly so; the cell's single precision leaves about 1e-6).
constexpr double perp_cos = 1e-3;
// An atom lies on an axis when it is within this distance (Angstrom) of the line. Coordinates
// read back from a parameter file with five decimals move an atom on a symmetry element by
// about 1e-4 A; an atom merely near the axis is hundredths away. An angle limit would put a
// neighbour at a few tenths of a degree on the edge, and the rounding would flip the choice.
constexpr double on_axis_dist = 0.005;
// The parameter file keeps fractional coordinates to this many decimals.
constexpr double kept_decimals = 1e5;
// Search radius for an atom on a symmetry direction, and the length of a dummy's arm.
constexpr float axis_search = 3.5f;
constexpr double dummy_arm = 1.0;

// Labels in the order a tie between equally good subgroups is broken: larger groups first,
// centrosymmetric before not, "NO" last (it always covers).
constexpr const char* kPreference[] = {"cyl", "mmm", "-42m", "3m", "2/m", "222", "mm2", "4", "3", "m", "2", "C", "NO"};

double dot(const DVec3& a, const DVec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
DVec3 cross(const DVec3& a, const DVec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
bool normalize(DVec3& v) {
  const double l = std::sqrt(dot(v, v));
  if (l < 1e-6) return false;
  for (double& x : v) x /= l;
  return true;
}
DVec3 to_d(const Vec3& v) { return {v[0], v[1], v[2]}; }

// A direction perpendicular to z: the hint's perpendicular part, else a Cartesian axis's.
DVec3 perpendicular(const DVec3& z, const DVec3& hint) {
  const DVec3 tries[4] = {hint, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const DVec3& t : tries) {
    DVec3 p = t;
    const double d = dot(p, z);
    for (int i = 0; i < 3; ++i) p[i] -= d * z[i];
    if (std::sqrt(dot(p, p)) > 0.1 * std::sqrt(dot(t, t)) && normalize(p)) return p;
  }
  return {1, 0, 0};
}

LocalFrame frame_zx(const DVec3& z, const DVec3& x) { return LocalFrame{x, cross(z, x), z}; }

std::vector<LocalFrame> site_frames(const SiteSym& s, const DVec3& hint) {
  std::vector<LocalFrame> f;
  for (const SiteAxis& a : s.axes) {
    for (const SiteAxis& b : s.axes) {
      if (&a == &b || std::fabs(dot(a.dir, b.dir)) > perp_cos) continue;
      f.push_back(frame_zx(a.dir, b.dir));
      DVec3 c = cross(a.dir, b.dir);
      if (normalize(c)) f.push_back(frame_zx(a.dir, c));
    }
    f.push_back(frame_zx(a.dir, perpendicular(a.dir, hint)));
  }
  if (f.empty()) {  // no direction (1 or -1): any frame; the hint's, if it has one
    DVec3 x = hint;
    if (!normalize(x)) x = {1, 0, 0};
    f.push_back(frame_zx(perpendicular(x, {0, 0, 1}), x));
  }
  return f;
}

// An asymmetric-unit atom around k on the ray from xk along dir (for the X axis: whose part perpendicular
// to z lies along dir), or 0.
int atom_on(Run& run, int k, const DVec3& dir, const DVec3* z, const NeighborGrid& grid) {
  const Neig g = getnei(run, k, axis_search, &grid);
  const DVec3 xk = to_d(run.atoms.xc[k]);
  for (int n = 1; n <= g.inei; ++n) {
    const int j = g.iatn[n];
    // Only an atom of the asymmetric unit: a symmetry image would become a dummy at its
    // place, whose cell depends on which operator made it; the dummy on the axis does not.
    if (j > run.atoms.ia) continue;
    DVec3 v = to_d(run.atoms.xc[j]);
    for (int i = 0; i < 3; ++i) v[i] -= xk[i];
    if (z) {
      const double d = dot(v, *z);
      const double l = std::sqrt(dot(v, v));
      if (std::fabs(d) > std::cos(10.0 * 3.14159265358979 / 180.0) * l) continue;  // too close to Z
      for (int i = 0; i < 3; ++i) v[i] -= d * (*z)[i];
    }
    const double along = dot(v, dir);
    if (along <= 0) continue;
    DVec3 off = v;
    for (int i = 0; i < 3; ++i) off[i] -= along * dir[i];
    if (std::sqrt(dot(off, off)) < on_axis_dist) return j;
  }
  return 0;
}

// Atom k's position averaged over its images under the site operators, from its coordinates
// as they are or as the parameter file keeps them (five decimals): on the exact special
// position, the coordinates the site fixes (1/3, 1/2, ...) exact.
DVec3 site_point(const Run& run, int k, bool kept) {
  const SiteSym s = site_symmetry(run, run.atoms.xf[k]);
  DVec3 x{};
  for (int j = 0; j < 3; ++j) {
    x[j] = run.atoms.xf[k][j];
    if (kept) x[j] = std::round(x[j] * kept_decimals) / kept_decimals;
  }
  DVec3 mean{};
  const int ns = std::min(run.symm.ns, static_cast<int>(run.symm.fs.size()) - 1);
  for (size_t o = 0; o < s.ops.size(); ++o) {
    const int n = s.ops[o];
    for (int j = 0; j < 3; ++j) {
      double v = x[j];
      if (n >= 1 && n <= ns) {
        v = run.symm.ts[n][j] + s.shift[o][j];
        for (int i = 0; i < 3; ++i) v += run.symm.fs[n][i][j] * x[i];
      }
      mean[j] += v;
    }
  }
  if (s.ops.empty()) mean = x;
  else
    for (double& v : mean) v /= static_cast<double>(s.ops.size());
  const Mat3& rm = run.transf.rm;
  return {rm[0][0] * mean[0] + rm[0][1] * mean[1] + rm[0][2] * mean[2],
          rm[1][0] * mean[0] + rm[1][1] * mean[1] + rm[1][2] * mean[2],
          rm[2][0] * mean[0] + rm[2][1] * mean[1] + rm[2][2] * mean[2]};
}

// Where a dummy along dir starts: the atom on its exact special position, moved along dir
// to where the five-decimal coordinates put it. A run on coordinates read back from the
// parameter file then places a dummy on a symmetry axis at the same point, while the dummy
// stays exactly along dir from the atom.
DVec3 dummy_base(const Run& run, int k, const DVec3& dir) {
  const DVec3 a = site_point(run, k, false), r = site_point(run, k, true);
  const double t = (r[0] - a[0]) * dir[0] + (r[1] - a[1]) * dir[1] + (r[2] - a[2]) * dir[2];
  return {a[0] + t * dir[0], a[1] + t * dir[1], a[2] + t * dir[2]};
}

// Points axis `slot` of c along dir: at an atom on it (either sense), else at a dummy.
void point_along(Run& run, int k, AxisChoice& c, int slot, char axis, DVec3 dir, const DVec3* z, bool in_plane,
                 const NeighborGrid& grid) {
  int j = atom_on(run, k, dir, z, grid);
  if (j == 0) {
    const DVec3 back{-dir[0], -dir[1], -dir[2]};
    if ((j = atom_on(run, k, back, z, grid)) != 0) dir = back;
  }
  std::string& at = slot == 1 ? c.at1 : c.at2;
  Vec3& xca = slot == 1 ? c.xca1 : c.xca2;
  int& pt = slot == 1 ? c.pt1 : c.pt2;
  (slot == 1 ? c.ax1 : c.ax2) = axis;
  if (j != 0) {
    at = fmt::pad(run.atoms.atom[j], labw);
    xca = run.atoms.xc[j];
    pt = j;
    return;
  }
  // On a mirror both axes lie in the plane: a dummy from the kept position stays in it.
  const DVec3 xk = in_plane ? site_point(run, k, true) : dummy_base(run, k, dir);
  const Vec3 p{static_cast<float>(xk[0] + dummy_arm * dir[0]), static_cast<float>(xk[1] + dummy_arm * dir[1]),
               static_cast<float>(xk[2] + dummy_arm * dir[2])};
  int idum = 0;
  Vec3 xcart{};
  adddummyatom(run, PointIn::cartesian, p, idum, xcart);
  at = fmt::pad(run.dummy.dlab[idum], labw);
  xca = xcart;
  pt = -idum;
}

void log_constraints(Run& run, const SiteSym& s, const SiteChoice& ch);

// Where the site fixes Z only, X points at the nearest atom of the asymmetric unit off the
// site's symmetry directions. The rules' first axis atom is a poor guide there: the site
// makes its symmetry copies equally near, and which copy wins the tie depends on the last
// digits of coordinates. Leaves hint alone when no such atom is in reach.
void free_x_hint(Run& run, int k, const SiteSym& s, const NeighborGrid& grid, DVec3& hint) {
  const Neig g = getnei(run, k, axis_search, &grid);
  const DVec3 xk = to_d(run.atoms.xc[k]);
  const double off_axis = std::cos(10.0 * 3.14159265358979 / 180.0);
  int best = 0;
  double best_d = 0;
  DVec3 best_v{};
  for (int n = 1; n <= g.inei; ++n) {
    const int j = g.iatn[n];
    if (j > run.atoms.ia || j == k) continue;
    DVec3 v = to_d(run.atoms.xc[j]);
    for (int i = 0; i < 3; ++i) v[i] -= xk[i];
    const double l = std::sqrt(dot(v, v));
    if (l < 1e-3) continue;
    bool along = false;
    for (const SiteAxis& a : s.axes) along = along || std::fabs(dot(v, a.dir)) > off_axis * l;
    if (along) continue;
    if (best == 0 || l < best_d - 1e-3 || (l < best_d + 1e-3 && j < best)) best = j, best_d = l, best_v = v;
  }
  if (best != 0) hint = best_v;
}

std::string names(const std::vector<int>& idx) {
  std::string s;
  for (int i : idx) s += (s.empty() ? "" : " ") + multipole_names()[static_cast<size_t>(i)];
  return s;
}

}  // namespace

std::string table_label(const std::string& point_group) {
  if (point_group == "-1") return "C";
  return site_key(point_group).empty() ? "" : point_group;
}

SiteChoice best_site_choice(const SiteSym& s, const DVec3& hint) {
  const std::vector<LocalFrame> frames = site_frames(s, hint);
  // 1. the site's own symmetry, when the key table has it: on the frame where it fits best
  //    (compatible first, then the most multipoles refined). Its table entry may still
  //    refine a multipole the group forbids; the log names it.
  const std::string own = table_label(s.name);
  if (!own.empty()) {
    SiteChoice best;
    bool have = false;
    for (const LocalFrame& f : frames) {
      const SiteFit fit = site_fit(own, f, s.rot);
      const auto rank = [](const SiteFit& x) {
        return std::make_tuple(x.compatible, x.covers, -static_cast<int>(x.broken.size()), x.refined);
      };
      if (!have || rank(fit) > rank(best.fit)) best = {own, f, fit}, have = true;
    }
    return best;
  }
  // 2. a label that fits exactly (cyl for 6mm, up to l = 4);
  // 3. else the subgroup that leaves the fewest multipoles to constrain.
  SiteChoice best;
  bool have_exact = false, have = false;
  int best_extra = 0;
  for (const char* label : kPreference) {
    for (const LocalFrame& f : frames) {
      const SiteFit fit = site_fit(label, f, s.rot);
      if (!fit.known) continue;
      if (fit.exact()) {
        if (!have_exact) best = {label, f, fit};
        have_exact = have = true;
      } else if (!have_exact && fit.covers) {
        const int extra = fit.refined - fit.invariant;
        if (!have || extra < best_extra) {
          best = {label, f, fit};
          best_extra = extra;
          have = true;
        }
      }
    }
  }
  return best;
}

void fit_site(Run& run, int k, AxisChoice& c, const NeighborGrid& grid) {
  if (k >= static_cast<int>(run.sites.order.size()) || run.sites.order[k] <= 1) return;
  const SiteSym s = site_symmetry(run, run.atoms.xf[k]);
  if (!s.special()) return;
  const std::string lab = fmt::trim(run.atoms.atom[k]);
  const std::string old = fmt::trim(run.atoms.asym[k]);
  const DVec3 xk = to_d(run.atoms.xc[k]);
  LocalFrame f;
  if (frame_of_axes(c.ax1, to_d(c.xca1), c.ax2, to_d(c.xca2), xk, f)) {
    const SiteFit fit = site_fit(old, f, s.rot);
    if (fit.compatible) {
      logl(run, "\n Site symmetry " + s.name + " : label " + old + " on the axes chosen is compatible with it");
      return;
    }
    logl(run, "\n Site symmetry " + s.name + " : label " + old + " on the axes chosen is not compatible with it (" +
                  names(fit.broken) + " not invariant)");
  }
  DVec3 hint = to_d(c.xca1);
  for (int i = 0; i < 3; ++i) hint[i] -= xk[i];
  free_x_hint(run, k, s, grid, hint);
  const SiteChoice ch = best_site_choice(s, hint);
  run.atoms.asym[k] = fmt::pad(ch.label, 5);
  // The rules' own axes stay when the new label fits them as well as the site's frame
  // (a centre of symmetry fixes no direction): fewer dummies, the chemistry's orientation.
  if (frame_of_axes(c.ax1, to_d(c.xca1), c.ax2, to_d(c.xca2), xk, f)) {
    const SiteFit kept = site_fit(ch.label, f, s.rot);
    if (kept.compatible == ch.fit.compatible && kept.covers == ch.fit.covers &&
        kept.broken.size() == ch.fit.broken.size()) {
      both(run, "\n Site symmetry " + s.name + " of " + lab + " : label " + ch.label + " on the axes chosen");
      log_constraints(run, s, ch);
      return;
    }
  }
  // A mirror leaves the atom free in its plane, and the kept coordinates move it there: a
  // dummy on the normal could match only one of the two positions. X and Y in the plane
  // give Z along the normal exactly whichever it is, with dummies the same in both.
  const bool mirror = s.name == "m";
  const char first = mirror ? 'X' : 'Z', second = mirror ? 'Y' : 'X';
  // A dummy in the plane lies along a direction fixed by the cell alone: one taken from a
  // neighbour moves with the neighbour's last digits. Y only has to leave X.
  DVec3 xdir = ch.frame.x, ydir = ch.frame.y;
  if (mirror) {
    const DVec3 fixed = perpendicular(ch.frame.z, {1, 0, 0});
    const DVec3 back{-xdir[0], -xdir[1], -xdir[2]};
    if (atom_on(run, k, xdir, nullptr, grid) == 0 && atom_on(run, k, back, nullptr, grid) == 0) xdir = fixed;
    ydir = std::fabs(dot(fixed, xdir)) < 0.7 ? fixed : cross(ch.frame.z, fixed);
  }
  point_along(run, k, c, 1, first, mirror ? xdir : ch.frame.z, nullptr, mirror, grid);
  // The first axis may have turned to point at an atom on the other side: the second
  // completes the same frame either way, since only its part perpendicular to the first matters.
  DVec3 z = to_d(c.xca1);
  for (int i = 0; i < 3; ++i) z[i] -= xk[i];
  normalize(z);
  point_along(run, k, c, 2, second, mirror ? ydir : ch.frame.x, &z, mirror, grid);
  both(run, "\n Site symmetry " + s.name + " of " + lab + " : label " + ch.label + " with " +
                std::string(1, first) + " and " + std::string(1, second) + " along its symmetry elements");
  log_constraints(run, s, ch);
}

namespace {

void log_constraints(Run& run, const SiteSym& s, const SiteChoice& ch) {
  std::string t;
  if (!ch.fit.broken.empty())
    t += "\n Site symmetry " + s.name + " : the refinement must still constrain " + names(ch.fit.broken) + " (" +
         std::to_string(ch.fit.refined) + " multipoles refined, " + std::to_string(ch.fit.invariant) +
         " independent ones invariant under the site)";
  if (!ch.fit.covers)
    t += "\n Site symmetry " + s.name + " : the key-table entry of " + ch.label +
         " fixes multipoles the site allows";
  if (!t.empty()) both(run, t);
}

}  // namespace

}  // namespace vorn
