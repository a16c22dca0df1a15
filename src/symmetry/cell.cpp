// Orthogonalisation matrices from the cell constants, and the 3x3 inverse they need.
#include "symmetry/cell.h"

#include <cmath>

#include "util/err.h"
#include "util/format.h"
#include "model/log.h"

namespace vorn {

namespace {


void log_rows(Run& run, const Mat3& m) {
  for (const auto& row : m)
    logl(run, fmt::f(row[0], 15, 8) + fmt::f(row[1], 15, 8) + fmt::f(row[2], 15, 8));
}

}  // namespace

Mat3 inverse(const Mat3& m) {
  // Cofactors c[i][j] of element m[i][j]; the inverse is their transpose over the determinant.
  Mat3 c{};
  c[0][0] = m[1][1] * m[2][2] - m[1][2] * m[2][1];
  c[0][1] = m[1][2] * m[2][0] - m[1][0] * m[2][2];
  c[0][2] = m[1][0] * m[2][1] - m[1][1] * m[2][0];
  c[1][0] = m[0][2] * m[2][1] - m[0][1] * m[2][2];
  c[1][1] = m[0][0] * m[2][2] - m[0][2] * m[2][0];
  c[1][2] = m[0][1] * m[2][0] - m[0][0] * m[2][1];
  c[2][0] = m[0][1] * m[1][2] - m[0][2] * m[1][1];
  c[2][1] = m[0][2] * m[1][0] - m[0][0] * m[1][2];
  c[2][2] = m[0][0] * m[1][1] - m[0][1] * m[1][0];
  const float det = m[0][0] * c[0][0] + m[0][1] * c[0][1] + m[0][2] * c[0][2];
  if (det == 0.0f) err("Inverse", "Determinant = 0");
  Mat3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r[i][j] = c[j][i] / det;
  return r;
}

void tranmat(Run& run) {
  const auto& uc = run.ucell.uc;
  const float a = uc[0], b = uc[1], c = uc[2];
  if (!(a >= 0.0f && b >= 0.0f && c >= 0.0f))
    err("TranMat", "Impossible cell parameters: negative cell length");
  const float ca = std::cos(uc[3] * deg2rad);
  const float cb = std::cos(uc[4] * deg2rad);
  const float cg = std::cos(uc[5] * deg2rad);
  const float sg = std::sin(uc[5] * deg2rad);

  Mat3 rm{};
  rm[0][0] = a;
  rm[0][1] = b * cg;
  rm[1][1] = b * sg;
  rm[0][2] = c * cb;
  rm[1][2] = c * (ca - cb * cg) / sg;
  const float w2 = c * c - rm[0][2] * rm[0][2] - rm[1][2] * rm[1][2];
  // A negative (or undefined) square here means the three angles cannot close a cell.
  if (!(w2 >= 0.0f)) err("TranMat", "Impossible cell parameters: the cell angles do not form a cell");
  // (V / abc)^2; an angle at (or rounding to) 0 or 180 degrees flattens the cell, and rounding
  // would otherwise let it through with a garbage matrix
  const float vol = 1.0f - ca * ca - cb * cb - cg * cg + 2.0f * ca * cb * cg;
  if (!(vol >= 1e-6f)) err("TranMat", "Impossible cell parameters: the cell has no volume");
  rm[2][2] = std::sqrt(w2);
  for (const auto& row : rm)
    for (float v : row)
      if (!std::isfinite(v)) err("TranMat", "Impossible cell parameters: the cell angles do not form a cell");

  const Mat3 rm1 = inverse(rm);
  run.transf.rm = rm;
  run.transf.rm1 = rm1;

  logl(run, " Transformation matrix CRYSTAL --> GLOBAL CARTESIAN :");
  log_rows(run, rm);
  logl(run, " Transformation matrix GLOBAL CARTESIAN --> CRYSTAL :");
  log_rows(run, rm1);
  both(run, "");
}

}  // namespace vorn
