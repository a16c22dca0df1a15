// Dummy atoms: conversion to both conventions, reuse of nearby points, labels and capacity.
#include "localaxes/dummy.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "util/err.h"
#include "util/format.h"
#include "model/coords.h"
#include "util/geometry.h"

namespace vorn {

namespace {

// Cartesian position of stored dummy i.
Vec3 dummy_cart(const Run& run, int i) {
  return stored_to_cart(run.transf, run.set.ifra, run.dummy.xdum[i]);
}

// Grid cells of 0.2 A: a dummy within dumreuse (0.1 A) of a point lies in the point's cell or
// one next to it, whatever the rounding of the cell index.
constexpr float kCell = 2 * dumreuse;

bool cell_of(const Vec3& x, std::array<long long, 3>& c) {
  for (int a = 0; a < 3; ++a) {
    const float v = std::floor(x[a] / kCell);
    if (!(std::fabs(v) < 1e6f)) return false;
    c[a] = static_cast<long long>(v);
  }
  return true;
}

// cells that share a key only add candidates, which the distance test sorts out
unsigned long long key(long long i, long long j, long long k) {
  return static_cast<unsigned long long>(i) * 0x9E3779B97F4A7C15ULL ^ static_cast<unsigned long long>(j) * 0xC2B2AE3D27D4EB4FULL ^
         static_cast<unsigned long long>(k);
}

// The grid catches up with dummies appended since the last request; a table cut back (a new
// local-axes pass) is indexed again.
void index_dummies(Run& run) {
  Dummy& d = run.dummy;
  DummyGrid& g = d.grid;
  if (g.indexed > d.ndum) g = DummyGrid();
  g.xc.resize(static_cast<size_t>(d.ndum) + 1);
  for (int i = g.indexed + 1; i <= d.ndum; ++i) {
    g.xc[i] = dummy_cart(run, i);
    std::array<long long, 3> c{};
    // a point off the grid (never for finite coordinates of a real cell) is only kept in xc
    if (cell_of(g.xc[i], c)) g.cells[key(c[0], c[1], c[2])].push_back(i);
  }
  g.indexed = d.ndum;
}

// The lowest-numbered dummy within dumreuse of Cartesian point x, or 0.
int reusable(Run& run, const Vec3& x) {
  index_dummies(run);
  const DummyGrid& g = run.dummy.grid;
  std::array<long long, 3> c{};
  int best = 0;
  auto consider = [&](int i) {
    if ((best == 0 || i < best) && dist(g.xc[i], x) < dumreuse) best = i;
  };
  if (!cell_of(x, c)) {
    for (int i = 1; i <= run.dummy.ndum; ++i) consider(i);
    return best;
  }
  for (long long i = c[0] - 1; i <= c[0] + 1; ++i)
    for (long long j = c[1] - 1; j <= c[1] + 1; ++j)
      for (long long k = c[2] - 1; k <= c[2] + 1; ++k) {
        const auto it = g.cells.find(key(i, j, k));
        if (it != g.cells.end())
          for (int m : it->second) consider(m);
      }
  return best;
}

}  // namespace

void dummylab(Run& run, int i) {
  // An XD label holds 8 characters: "DUM" and at most five digits.
  if (i > maxdumlab) err("DummyLab", "DUMMY label exceeds format...");
  auto& dlab = run.dummy.dlab;
  if (static_cast<int>(dlab.size()) <= i) dlab.resize(static_cast<size_t>(i) + 1, std::string(6, ' '));
  const std::string l = "DUM" + std::to_string(i);
  dlab[i] = fmt::pad(l, std::max<int>(6, static_cast<int>(l.size())));
}

int appenddummy(Run& run, const Vec3& xs) {
  Dummy& d = run.dummy;
  const int n = d.ndum + 1;
  // Label first: a number that cannot be labelled stops the run with the table unchanged.
  dummylab(run, n);
  if (static_cast<int>(d.xdum.size()) <= n) d.xdum.resize(static_cast<size_t>(n) + 1, Vec3{});
  d.xdum[n] = xs;
  d.ndum = n;
  return n;
}

void adddummyatom(Run& run, PointIn in, const Vec3& p, int& idum, Vec3& xcart) {
  Vec3 xs = p;  // stored convention
  Vec3 xn = p;  // Cartesian
  if (run.set.ifra == frac_stored) {
    if (in == PointIn::cartesian)
      xs = to_frac(run.transf, p);
    else
      xn = to_cart(run.transf, p);
  }
  // Reuse compares Cartesian distances, so the test means the same in either convention;
  // the first dummy close enough wins and keeps its own position.
  if (const int i = reusable(run, xn)) {
    idum = i;
    xcart = run.dummy.grid.xc[i];
    return;
  }
  idum = appenddummy(run, xs);
  xcart = xn;
}

}  // namespace vorn
