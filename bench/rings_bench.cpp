// Ring search timing: connectivity reduction plus the walk, on ring-chain polymers of 1000, 10000 and 100000 atoms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "model/run.h"
#include "topology/rings.h"

namespace {

// Strands of para-linked benzene rings joined by four-carbon chains, hydrogens on every carbon
// that has a free valence: 18 atoms and one ring per repeat unit, 50 units per strand, strands
// 8 A apart, cut off at n atoms (the cut strand end unwinds over several elimination cycles).
// With ring_every > 1 only every ring_every-th unit keeps its ring, so that 100000 atoms stay
// within the 1000-ring capacity.
void strands(vorn::Run& run, int n, int ring_every) {
  auto put = [&](int z, float x, float y) {
    if (run.atoms.ia >= n) return;
    const int i = vorn::add_atom(run, "Bench");
    run.atoms.itype[i] = z;
    run.atoms.xc[i] = {x, y, 0.0f};
    run.atoms.atom[i] = ((z == 6 ? "C" : "H") + std::to_string(i)).substr(0, 8);
    run.atoms.atom[i].resize(8, ' ');
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

void BM_RingSearch(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto dir = std::filesystem::temp_directory_path() / "vorn_rings_bench";
  std::filesystem::create_directories(dir);
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  int rings = 0;
  for (auto _ : state) {
    state.PauseTiming();
    vorn::Run run;
    std::ostringstream console;
    run.console = &console;
    run.nout.open("vorn.out");
    strands(run, n, n > 20000 ? 15 : 1);
    run.set.nrmin = 3;
    run.set.nrmax = 8;
    state.ResumeTiming();
    vorn::connect4rings(run);
    vorn::findrings(run);
    rings = run.rings.nor;
  }
  state.counters["rings"] = rings;
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);
}

}  // namespace

BENCHMARK(BM_RingSearch)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
