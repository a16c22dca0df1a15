// Ring search timing: connectivity reduction plus the walk, on ring-chain polymers of 1000, 10000 and 100000 atoms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <sstream>

#include "model/run.h"
#include "polymer.h"
#include "scratch.h"
#include "topology/rings.h"

namespace {

void BM_RingSearch(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const bench::ScratchDir scratch("vorn_rings_bench");
  int rings = 0;
  for (auto _ : state) {
    state.PauseTiming();
    vorn::Run run;
    std::ostringstream console;
    run.console = &console;
    run.nout.open("vorn.out");
    bench::strands(run, n, n > 20000 ? 15 : 1);
    run.set.nrmin = 3;
    run.set.nrmax = 8;
    state.ResumeTiming();
    vorn::connect4rings(run);
    vorn::findrings(run);
    rings = run.rings.nor;
  }
  state.counters["rings"] = rings;
}

}  // namespace

BENCHMARK(BM_RingSearch)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
