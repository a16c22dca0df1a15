// Local-axes stage timing on ring-chain polymers of 1000, 10000 and 100000 atoms (axes, kappa sets, files).
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "localaxes/localdef.h"
#include "model/run.h"
#include "topology/neighbors.h"
#include "topology/rings.h"

namespace {

// The polymer of the ring benchmark: para-linked benzene rings and four-carbon chains with
// their hydrogens, 50 units per strand, strands 8 A apart; every ring_every-th unit keeps its ring.
void strands(vorn::Run& run, int n, int ring_every) {
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

// conversion: the plain-conversion switch, which needs no dummies and so scales to any size
// (the analysed rules stop at the 999th dummy label, about 6000 atoms of this polymer).
void bench(benchmark::State& state, bool conversion) {
  const int n = static_cast<int>(state.range(0));
  const auto dir = std::filesystem::temp_directory_path() / "vorn_localdef_bench";
  std::filesystem::create_directories(dir);
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
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
    strands(run, n, n > 20000 ? 15 : 1);
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
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);
}

void BM_LocalAxes(benchmark::State& state) { bench(state, false); }
void BM_LocalAxesConversion(benchmark::State& state) { bench(state, true); }

}  // namespace

BENCHMARK(BM_LocalAxes)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LocalAxesConversion)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
