// Dummy atoms: conversion to both conventions, reuse of nearby points, labels and capacity.
#include "localaxes/dummy.h"

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

}  // namespace

void dummylab(Run& run, int i) {
  // The label field is "DUM" plus at most three digits; a fourth would not fit.
  if (i >= 1000) err("DummyLab", "DUMMY label exceeds format...");
  const int w = i <= 9 ? 1 : (i <= 99 ? 2 : 3);
  auto& dlab = run.dummy.dlab;
  if (static_cast<int>(dlab.size()) <= i) dlab.resize(static_cast<size_t>(i) + 1, std::string(6, ' '));
  dlab[i] = fmt::pad("DUM" + fmt::i(i, w), 6);
}

int appenddummy(Run& run, const Vec3& xs, const std::string& where) {
  Dummy& d = run.dummy;
  const int n = d.ndum + 1;
  if (n > ndumax) err(where, "Too many dummy atoms (at most " + std::to_string(ndumax) + ")");
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
  for (int i = 1; i <= run.dummy.ndum; ++i) {
    const Vec3 xi = dummy_cart(run, i);
    if (dist(xi, xn) < dumreuse) {
      idum = i;
      xcart = xi;
      return;
    }
  }
  idum = appenddummy(run, xs, "AddDummyAtom");
  xcart = xn;
}

}  // namespace vorn
