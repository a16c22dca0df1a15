// Local-axes stage timing on ring-chain polymers of 1000, 10000 and 100000 atoms (axes, kappa sets, files).
#include <benchmark/benchmark.h>

#include <cmath>
#include <sstream>

#include "localaxes/localdef.h"
#include "model/run.h"
#include "polymer.h"
#include "scratch.h"
#include "topology/neighbors.h"
#include "topology/rings.h"

namespace {

// conversion: the plain-conversion switch, which needs no dummies and so scales to any size
// (the analysed rules stop at the 999th dummy label, about 6000 atoms of this polymer).
void bench(benchmark::State& state, bool conversion) {
  const int n = static_cast<int>(state.range(0));
  const bench::ScratchDir scratch("vorn_localdef_bench");
  int dummies = 0, ksets = 0;
  for (auto _ : state) {
    state.PauseTiming();
    vorn::Run run;
    std::ostringstream console;
    run.console = &console;
    run.nout.open("vorn.out");
    run.imas.open("xd_vorn.mas");
    run.icon.open("con_mopro.inp");
    run.iplat.open("vorn.spf");
    run.set.iform = 1;
    run.set.lsx = conversion;
    run.set.lring = run.set.lspe = true;
    run.set.nrmin = 3;
    run.set.nrmax = 8;
    bench::strands(run, n, n > 20000 ? 15 : 1);
    vorn::connect4rings(run);
    vorn::findrings(run);
    vorn::findallneighbors(run);
    state.ResumeTiming();
    vorn::localdef(run);
    dummies = run.dummy.ndum;
    ksets = run.kappaset.itkset;
  }
  state.counters["dummies"] = dummies;
  state.counters["kappa_sets"] = ksets;
}

void BM_LocalAxes(benchmark::State& state) { bench(state, false); }
void BM_LocalAxesConversion(benchmark::State& state) { bench(state, true); }

}  // namespace

BENCHMARK(BM_LocalAxes)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LocalAxesConversion)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
