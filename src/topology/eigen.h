// Symmetric eigenproblem in single precision: Householder tridiagonalisation, QL iteration, pythag.
#pragma once
#include <array>
#include <cmath>
#include <utility>

namespace vorn {

// sqrt(a*a + b*b) without overflow or destructive underflow in the squares.
inline float pythag(float a, float b) {
  float p = std::fmax(std::fabs(a), std::fabs(b));
  if (p == 0.0f) return p;
  float r = std::fmin(std::fabs(a), std::fabs(b)) / p;
  r = r * r;
  for (;;) {
    const float t = 4.0f + r;
    if (t == 4.0f) break;
    const float s = r / t;
    const float u = 1.0f + 2.0f * s;
    p = u * p;
    const float q = s / u;
    r = q * q * r;
  }
  return p;
}

template <int N>
using SqMat = std::array<std::array<float, N>, N>;  // m[row][column]

// Householder reduction of the symmetric matrix a (lower triangle read) to tridiagonal form:
// d the diagonal, e[1..N-1] the sub-diagonal (e[0] = 0), z the accumulated orthogonal transform.
template <int N>
void tred2(const SqMat<N>& a, std::array<float, N>& d, std::array<float, N>& e, SqMat<N>& z) {
  const int n = N;
  for (int i = 0; i < n; ++i) {
    for (int j = i; j < n; ++j) z[j][i] = a[j][i];
    d[i] = a[n - 1][i];
  }
  if (n > 1) {
    for (int i = n - 1; i >= 1; --i) {
      const int l = i - 1;
      float h = 0.0f, scale = 0.0f;
      if (l >= 1)
        for (int k = 0; k <= l; ++k) scale += std::fabs(d[k]);
      if (l < 1 || scale == 0.0f) {
        e[i] = d[l];
        for (int j = 0; j <= l; ++j) {
          d[j] = z[l][j];
          z[i][j] = 0.0f;
          z[j][i] = 0.0f;
        }
      } else {
        for (int k = 0; k <= l; ++k) {
          d[k] /= scale;
          h += d[k] * d[k];
        }
        float f = d[l];
        float g = -std::copysign(std::sqrt(h), f);
        e[i] = scale * g;
        h -= f * g;
        d[l] = f - g;
        for (int j = 0; j <= l; ++j) e[j] = 0.0f;
        for (int j = 0; j <= l; ++j) {
          f = d[j];
          z[j][i] = f;
          g = e[j] + z[j][j] * f;
          for (int k = j + 1; k <= l; ++k) {
            g += z[k][j] * d[k];
            e[k] += z[k][j] * f;
          }
          e[j] = g;
        }
        f = 0.0f;
        for (int j = 0; j <= l; ++j) {
          e[j] /= h;
          f += e[j] * d[j];
        }
        const float hh = f / (h + h);
        for (int j = 0; j <= l; ++j) e[j] -= hh * d[j];
        for (int j = 0; j <= l; ++j) {
          f = d[j];
          g = e[j];
          for (int k = j; k <= l; ++k) z[k][j] = z[k][j] - f * e[k] - g * d[k];
          d[j] = z[l][j];
          z[i][j] = 0.0f;
        }
      }
      d[i] = h;
    }
    for (int i = 1; i < n; ++i) {
      const int l = i - 1;
      z[n - 1][l] = z[l][l];
      z[l][l] = 1.0f;
      const float h = d[i];
      if (h != 0.0f) {
        for (int k = 0; k <= l; ++k) d[k] = z[k][i] / h;
        for (int j = 0; j <= l; ++j) {
          float g = 0.0f;
          for (int k = 0; k <= l; ++k) g += z[k][i] * z[k][j];
          for (int k = 0; k <= l; ++k) z[k][j] -= g * d[k];
        }
      }
      for (int k = 0; k <= l; ++k) z[k][i] = 0.0f;
    }
  }
  for (int i = 0; i < n; ++i) {
    d[i] = z[n - 1][i];
    z[n - 1][i] = 0.0f;
  }
  z[n - 1][n - 1] = 1.0f;
  e[0] = 0.0f;
}

// QL with implicit shifts on the tridiagonal matrix from tred2: eigenvalues ascending in d,
// eigenvectors as the columns of z. Returns 0, or the 1-based index of the eigenvalue that did
// not converge within 30 iterations (d and z are then partial, as they stand).
template <int N>
int tql2(std::array<float, N>& d, std::array<float, N>& e, SqMat<N>& z) {
  const int n = N;
  if (n == 1) return 0;
  for (int i = 1; i < n; ++i) e[i - 1] = e[i];
  float f = 0.0f, tst1 = 0.0f;
  e[n - 1] = 0.0f;
  for (int l = 0; l < n; ++l) {
    int j = 0;
    const float h0 = std::fabs(d[l]) + std::fabs(e[l]);
    if (tst1 < h0) tst1 = h0;
    int m = l;
    for (; m < n; ++m) {
      const float tst2 = tst1 + std::fabs(e[m]);
      if (tst2 == tst1) break;  // e[n-1] is zero, so the loop always stops here
    }
    if (m >= n) m = n - 1;
    if (m != l) {
      for (;;) {
        if (j == 30) return l + 1;
        ++j;
        const int l1 = l + 1, l2 = l1 + 1;
        float g = d[l];
        float p = (d[l1] - g) / (2.0f * e[l]);
        float r = pythag(p, 1.0f);
        d[l] = e[l] / (p + std::copysign(r, p));
        d[l1] = e[l] * (p + std::copysign(r, p));
        const float dl1 = d[l1];
        float h = g - d[l];
        for (int i = l2; i < n; ++i) d[i] -= h;
        f += h;
        p = d[m];
        float c = 1.0f, c2 = c, c3 = c;
        const float el1 = e[l1];
        float s = 0.0f, s2 = 0.0f;
        for (int i = m - 1; i >= l; --i) {
          c3 = c2;
          c2 = c;
          s2 = s;
          g = c * e[i];
          h = c * p;
          r = pythag(p, e[i]);
          e[i + 1] = s * r;
          s = e[i] / r;
          c = p / r;
          p = c * d[i] - s * g;
          d[i + 1] = h + s * (c * g + s * d[i]);
          for (int k = 0; k < n; ++k) {
            h = z[k][i + 1];
            z[k][i + 1] = s * z[k][i] + c * h;
            z[k][i] = c * z[k][i] - s * h;
          }
        }
        p = -s * s2 * c3 * el1 * e[l] / dl1;
        e[l] = s * p;
        d[l] = c * p;
        const float tst2 = tst1 + std::fabs(e[l]);
        if (!(tst2 > tst1)) break;
      }
    }
    d[l] += f;
  }
  for (int i = 0; i + 1 < n; ++i) {
    int k = i;
    float p = d[i];
    for (int jj = i + 1; jj < n; ++jj)
      if (d[jj] < p) {
        k = jj;
        p = d[jj];
      }
    if (k != i) {
      d[k] = d[i];
      d[i] = p;
      for (int jj = 0; jj < n; ++jj) std::swap(z[jj][i], z[jj][k]);
    }
  }
  return 0;
}

}  // namespace vorn
