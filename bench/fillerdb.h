// Benchmark databank entries that match no atom of the benchmark structures.
#pragma once
#include <ostream>

namespace bench {

// n entries for H, C, N and O in turn whose parents or neighbours are S, F and Cl, none of
// which the benchmark structures hold: a search passes all of them before the real entries.
inline void filler_entries(std::ostream& db, int n) {
  db << "! benchmark databank: illustrative values\n";
  const char* syms[] = {"m", "mm2", "3m", "NO"};
  for (int e = 0; e < n; ++e) {
    const int z = e % 4 == 0 ? 1 : e % 4 == 1 ? 6 : e % 4 == 2 ? 7 : 8;
    db << "ATOM " << z << " X filler entry " << e << "\n";
    if (z == 1) {
      db << "PRNT 16 " << 1 + e % 4 << " 1 cyl\n";
    } else {
      db << "NEIG 4 2 0 0 " << syms[e % 4] << " planar F\n 1 9 " << 1 + e % 3 << "\n 2 17 " << 3 - e % 3 << "\n";
    }
    db << "PVAL 4.0 1.0 1.0 0.05\nPLMS 2 0 0.01 3 3 0.2\n";
  }
}

}  // namespace bench
