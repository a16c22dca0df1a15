// The benchmark polymer: strands of para-linked benzene rings joined by four-carbon chains.
#pragma once
#include <cmath>
#include <string>

#include "model/run.h"

namespace bench {

// 18 atoms and one ring per repeat unit, hydrogens on every carbon with a free valence, 50
// units per strand, strands 8 A apart, cut off at n atoms. With ring_every > 1 only every
// ring_every-th unit keeps its ring, so that 100000 atoms stay within the ring capacity.
// Fractional coordinates equal the Cartesian ones (unit cell matrix).
inline void strands(vorn::Run& run, int n, int ring_every) {
  auto put = [&](int z, float x, float y) {
    if (run.atoms.ia >= n) return;
    const int i = vorn::add_atom(run, "Bench");
    run.atoms.itype[i] = z;
    run.atoms.xc[i] = run.atoms.xf[i] = {x, y, 0.0f};
    run.atoms.atom[i] = ((z == 6 ? "C" : "H") + std::to_string(i)).substr(0, 8);
    run.atoms.atom[i].resize(8, ' ');
    run.atoms1.isft[i] = z == 6 ? 1 : 2;
    run.atoms1.iut[i] = 1;
    run.atoms1.lmx[i] = z == 6 ? 4 : 2;
    run.atoms.ia = run.cryst.natoms = i;
  };
  const float pi = 3.14159265f;
  for (int strand = 0; run.atoms.ia < n; ++strand)
    for (int unit = 0; unit < 50 && run.atoms.ia < n; ++unit) {
      const float x0 = unit * 9.05f, y0 = strand * 8.0f;
      for (int k = 0; k < 6 && unit % ring_every == 0; ++k) {
        const float a = pi - k * pi / 3.0f;
        put(6, x0 + 1.4f + 1.4f * std::cos(a), y0 + 1.4f * std::sin(a));
        if (k % 3 != 0) put(1, x0 + 1.4f + 2.48f * std::cos(a), y0 + 2.48f * std::sin(a));
      }
      for (int j = 1; j <= 4; ++j) {
        const float y = j % 2 ? 0.4f : -0.4f;
        put(6, x0 + 2.8f + 1.25f * j, y0 + y);
        put(1, x0 + 2.8f + 1.25f * j, y0 + (j % 2 ? 1.45f : -1.45f));
      }
    }
}

}  // namespace bench
