// The end-to-end benchmark input: a real structure expanded to P1 and repeated na x nb x nc times.
#pragma once
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/control.h"
#include "model/run.h"
#include "readers/shelx.h"
#include "util/elements.h"

namespace bench {

struct Cell {
  std::vector<std::string> sfac;  // element of each scattering-factor type, 1-based
  std::vector<int> type;          // per atom of the full cell
  std::vector<vorn::Vec3> xf;     // fractional, in [0,1)
  std::array<float, 6> uc{};
};

// The full unit cell of SHELX file res: every atom under every operator, images closer than
// 0.1 A to one already placed (atoms on special positions) kept once.
inline Cell full_cell(const std::string& res) {
  vorn::Run run;
  std::ostringstream console;
  run.console = &console;
  vorn::init(run);
  vorn::readshelx(run, res);
  Cell c;
  c.uc = run.ucell.uc;
  c.sfac.push_back("");
  for (size_t t = 1; t < run.at_types.iatype.size(); ++t) c.sfac.push_back(vorn::symbat(run.at_types.iatype[t]));
  const auto& rm = run.transf.rm;
  auto cart = [&](const vorn::Vec3& f) {
    vorn::Vec3 x{};
    for (int j = 0; j < 3; ++j) x[j] = rm[j][0] * f[0] + rm[j][1] * f[1] + rm[j][2] * f[2];
    return x;
  };
  for (int i = 1; i <= run.atoms.ia; ++i)
    for (int n = 1; n <= run.symm.ns; ++n) {
      vorn::Vec3 x{};
      for (int j = 0; j < 3; ++j) {
        float v = run.symm.ts[n][j];
        for (int k = 0; k < 3; ++k) v += run.symm.fs[n][k][j] * run.atoms.xf[i][k];
        x[j] = v - std::floor(v);
      }
      bool seen = false;
      for (size_t m = 0; m < c.xf.size() && !seen; ++m) {
        vorn::Vec3 d{};
        for (int j = 0; j < 3; ++j) d[j] = x[j] - c.xf[m][j] - std::round(x[j] - c.xf[m][j]);
        const vorn::Vec3 dc = cart(d);
        seen = dc[0] * dc[0] + dc[1] * dc[1] + dc[2] * dc[2] < 0.01f;
      }
      if (seen) continue;
      c.xf.push_back(x);
      c.type.push_back(run.atoms1.isft[i]);
    }
  return c;
}

// Writes the P1 supercell as a SHELX file with labels element + serial number and isotropic U.
inline int write_supercell(const Cell& c, int na, int nb, int nc, const std::string& name) {
  std::ofstream out(name);
  out << "TITL supercell " << na << "x" << nb << "x" << nc << "\nCELL 0.71073 " << c.uc[0] * na << " "
      << c.uc[1] * nb << " " << c.uc[2] * nc << " " << c.uc[3] << " " << c.uc[4] << " " << c.uc[5]
      << "\nZERR 1 0.001 0.001 0.001 0 0 0\nLATT -1\nSFAC";
  for (size_t t = 1; t < c.sfac.size(); ++t) out << " " << c.sfac[t];
  out << "\nUNIT";
  for (size_t t = 1; t < c.sfac.size(); ++t) {
    int count = 0;
    for (int ty : c.type) count += ty == static_cast<int>(t);
    out << " " << count * na * nb * nc;
  }
  out << "\nFVAR 1.0\n";
  int serial = 0;
  char line[160];
  for (int a = 0; a < na; ++a)
    for (int b = 0; b < nb; ++b)
      for (int d = 0; d < nc; ++d)
        for (size_t i = 0; i < c.xf.size(); ++i) {
          std::string el = c.sfac[c.type[i]];
          while (!el.empty() && el.back() == ' ') el.pop_back();
          const bool h = el == "H";
          std::snprintf(line, sizeof line, "%s%d %d %.6f %.6f %.6f 11.0 %.3f\n", el.c_str(), ++serial, c.type[i],
                        (c.xf[i][0] + a) / na, (c.xf[i][1] + b) / nb, (c.xf[i][2] + d) / nc, h ? 0.04 : 0.03);
          out << line;
        }
  out << "HKLF 4\nEND\n";
  return serial;
}

}  // namespace bench
