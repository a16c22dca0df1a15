// Timing of fragment completion on a 10000-atom asymmetric unit in P2(1)/c with NCELLS 1.
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <ostream>
#include <streambuf>

#include "model/run.h"
#include "topology/fragments.h"
#include "scratch.h"

namespace {

struct NullBuf : std::streambuf {
  int overflow(int c) override { return c; }
};
NullBuf nullbuf;
std::ostream nullout(&nullbuf);

// Benzene molecules lying in the xz plane on a 6.5 A grid, five layers 3.8 A apart in y inside
// the quarter 0 < y < b/4 that P2(1)/c maps onto the rest of the cell; the molecules on the
// faces x = 0 and z = 0 are cut there and their atoms wrapped into the cell, so completion has
// to bring back the missing pieces on both sides of each face.
void structure(vorn::Run& run, int n) {
  run.console = &nullout;
  const int m = static_cast<int>(std::ceil(std::sqrt(n / 12.0 / 5.0)));
  const float a = 6.5f * m, b = 4 * 5 * 3.8f, c = 6.5f * m;
  run.ucell.uc = {a, b, c, 90, 90, 90};
  run.transf.rm = vorn::Mat3{{{a, 0, 0}, {0, b, 0}, {0, 0, c}}};
  run.symm.ns = 4;
  run.symm.fs.assign(5, vorn::Mat3{});
  run.symm.ts.assign(5, vorn::Vec3{});
  const float diag[5][3] = {{0, 0, 0}, {1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {1, -1, 1}};
  const vorn::Vec3 shift[5] = {{0, 0, 0}, {0, 0, 0}, {0, 0.5f, 0.5f}, {0, 0, 0}, {0, 0.5f, 0.5f}};
  for (int s = 1; s <= 4; ++s) {
    for (int k = 0; k < 3; ++k) run.symm.fs[s][k][k] = diag[s][k];
    run.symm.ts[s] = shift[s];
  }
  int count = 0;
  for (int layer = 0; layer < 5 && count < n; ++layer)
    for (int gx = 0; gx < m && count < n; ++gx)
      for (int gz = 0; gz < m && count < n; ++gz)
        for (int k = 0; k < 12 && count < n; ++k) {
          const bool h = k >= 6;
          const float r = h ? 2.47f : 1.39f;
          const float phi = 1.0471976f * (k % 6) + 0.2f * (layer % 2);
          float x = (6.5f * gx + r * std::cos(phi)) / a;
          float z = (6.5f * gz + r * std::sin(phi)) / c;
          x -= std::floor(x);
          z -= std::floor(z);
          const int i = vorn::add_atom(run, "Bench");
          run.atoms.itype[i] = h ? 1 : 6;
          run.atoms.xf[i] = {x, (1.9f + 3.8f * layer) / b, z};
          run.atoms.xc[i] = {x * a, 1.9f + 3.8f * layer, z * c};
          run.atoms.atom[i] = h ? "H       " : "C       ";
          ++count;
        }
  run.atoms.ia = n;
  run.set.ncells = 1;
}

// Completion writes complete.ang into the working directory.
void BM_GenCompleteFrags(benchmark::State& state) {
  const bench::ScratchDir scratch("vorn_fragments_bench");
  vorn::Run run;
  structure(run, static_cast<int>(state.range(0)));
  run.nout.open("/dev/null");
  for (auto _ : state) {
    vorn::gencompletefrags(run);
    benchmark::DoNotOptimize(run.cryst.natoms);
  }
  state.counters["added"] = run.cryst.natoms - run.atoms.ia;
}
BENCHMARK(BM_GenCompleteFrags)->Arg(1000)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

void BM_GenCompleteFragsRescan(benchmark::State& state) {
  const bench::ScratchDir scratch("vorn_fragments_bench");
  vorn::Run run;
  structure(run, static_cast<int>(state.range(0)));
  run.nout.open("/dev/null");
  for (auto _ : state) {
    vorn::gencompletefrags_reference(run);
    benchmark::DoNotOptimize(run.cryst.natoms);
  }
  state.counters["added"] = run.cryst.natoms - run.atoms.ia;
}
BENCHMARK(BM_GenCompleteFragsRescan)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
