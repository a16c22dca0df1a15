// Timing of the covalent neighbour lists on a molecular crystal packing, cell list and full scan.
#include <benchmark/benchmark.h>

#include <cmath>
#include <ostream>
#include <streambuf>

#include "model/run.h"
#include "topology/neighbors.h"

namespace {

// Swallows the console lines of the stage.
struct NullBuf : std::streambuf {
  int overflow(int c) override { return c; }
};
NullBuf nullbuf;
std::ostream nullout(&nullbuf);

// Benzene molecules on a 6.5 x 6.5 x 3.8 A lattice in P1, filled until n atoms: about 0.075
// atoms per cubic Angstrom, the density of an organic crystal, each carbon with three neighbours.
void packing(vorn::Run& run, int n) {
  run.console = &nullout;
  struct Site {
    int z;
    float r, phi;
  };
  const int per = static_cast<int>(std::ceil(std::cbrt(n / 12.0 / (6.5 * 6.5 * 3.8) * 6.5 * 6.5 * 6.5))) + 1;
  int count = 0;
  for (int c = 0; count < n; ++c)
    for (int b = 0; b < per && count < n; ++b)
      for (int a = 0; a < per && count < n; ++a)
        for (int m = 0; m < 12 && count < n; ++m) {
          const bool h = m >= 6;
          const float r = h ? 1.39f + 1.08f : 1.39f;
          const float phi = 1.0471976f * (m % 6) + 0.2f * (c % 2);  // alternate layers turned
          const int i = vorn::add_atom(run, "Bench");
          run.atoms.itype[i] = h ? 1 : 6;
          run.atoms.xc[i] = {6.5f * a + r * std::cos(phi), 6.5f * b + r * std::sin(phi), 3.8f * c};
          run.atoms.atom[i] = h ? "H       " : "C       ";
          ++count;
        }
  run.atoms.ia = n;
  run.cryst.natoms = n;
}

double bonds_per_atom(const vorn::Run& run) {
  long long s = 0;
  for (int i = 1; i <= run.cryst.natoms; ++i) s += run.neighbors.nnei[i];
  return static_cast<double>(s) / run.cryst.natoms;
}

void BM_FindAllNeighbors(benchmark::State& state) {
  vorn::Run run;
  packing(run, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    vorn::findallneighbors(run);
    benchmark::DoNotOptimize(run.neighbors.nnei.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["bonds_per_atom"] = bonds_per_atom(run);
}
BENCHMARK(BM_FindAllNeighbors)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FindAllNeighborsFullScan(benchmark::State& state) {
  vorn::Run run;
  packing(run, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    vorn::findallneighbors_reference(run);
    benchmark::DoNotOptimize(run.neighbors.nnei.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FindAllNeighborsFullScan)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
