// Databank search for every atom of ring-chain polymers (10000 and 100000 atoms) against a
// databank of 300 entries: the index read once against reading the file again for each atom.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "databank/readdb.h"
#include "model/run.h"
#include "polymer.h"
#include "fillerdb.h"
#include "scratch.h"
#include "topology/environment.h"
#include "topology/neighbors.h"

namespace {

// 296 entries no polymer atom matches (other neighbours, elements and symmetries), then
// the four it does, so that every search passes the whole file.
void write_databank(const char* name) {
  std::ofstream db(name);
  bench::filler_entries(db, 296);
  db << "ATOM 6 C ring carbon\nNEIG 3 1 0 0\n 1 6 3\nPVAL 4.0 1 1 0.05\nPLMS 3 3 0.25\n"
     << "ATOM 6 C carbon with one hydrogen\nNEIG 3 2 0 0\n 1 1 1\n 2 6 2\nPVAL 4.1 1 1 0.05\nPLMS 3 3 0.25\n"
     << "ATOM 6 C end carbon\nNEIG 2 2 0 0\n 1 1 1\n 2 6 1\nPVAL 4.1 1 1 0.05\n"
     << "ATOM 1 H hydrogen\nPRNT 6 3 1 cyl\nPVAL 0.9 1.16 1.2 0.03\nPLMS 1 0 0.14\n";
}

void bench(benchmark::State& state, vorn::DbSearch mode) {
  const int n = static_cast<int>(state.range(0));
  const bench::ScratchDir scratch("vorn_databank_bench");
  write_databank("bench.db");
  int found = 0;
  for (auto _ : state) {
    state.PauseTiming();
    vorn::Run run;
    std::ostringstream console;
    run.console = &console;
    run.nout.open("vorn.out");
    run.dbsearch = mode;
    bench::strands(run, n, n > 20000 ? 15 : 1);
    vorn::findallneighbors(run);
    // what the local-axes stage would leave for each atom
    for (int k = 1; k <= run.atoms.ia; ++k) {
      const auto& nb = run.neighbors;
      run.atoms.asym[k] = run.atoms.itype[k] == 1 ? "cyl  " : "NO   ";
      if (run.atoms.itype[k] == 1 && nb.nnei[k] > 0) {
        const int p = nb.jnei[k][0];
        run.forh.ihp[k] = run.atoms.itype[p];
        run.forh.isp[k] = nb.nnei[p];
        run.forh.ihnei[k] = nb.jtnei[p] > 0 && nb.janei[p][0] == 1 ? nb.jnnei[p][0] : 0;
      }
    }
    const vorn::NeighborGrid grid = vorn::make_neighbor_grid(run);
    run.idb.open("bench.db");
    state.ResumeTiming();
    for (int k = 1; k <= run.atoms.ia; ++k) {
      vorn::readdb(run, k, run.neighbors.nnei[k] <= 3, &grid);
    }
    found = run.dbcount.nfound;
  }
  state.counters["found"] = found;
  state.counters["atoms"] = n;
}

void BM_DatabankIndex(benchmark::State& state) { bench(state, vorn::DbSearch::index); }
void BM_DatabankRescan(benchmark::State& state) { bench(state, vorn::DbSearch::rescan); }

}  // namespace

BENCHMARK(BM_DatabankIndex)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DatabankRescan)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
