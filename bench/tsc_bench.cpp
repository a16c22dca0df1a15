// vorn.tsc on a 150-atom P21/c structure with 43000 measured reflections: wall time, its compute and write shares, the disk's limit and peak memory.
#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/vorn.h"
#include "scratch.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kStructure = "al_ga_perfluoro_tbuo_disorder_P21c.res";
constexpr int kReflections = 43000;

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The 43000 reflections of lowest resolution in the unique part of 2/m (k >= 0, l >= 0; h < 0 only
// where k > 0 or l > 0 would still double some on the zones, so h > 0 there).
void write_hkl(const std::string& name, double a, double b, double c, double beta_deg) {
  const double beta = beta_deg * 3.14159265358979 / 180.0;
  // reciprocal metric of a monoclinic cell
  const double as = 1 / (a * std::sin(beta)), bs = 1 / b, cs = 1 / (c * std::sin(beta)), cb = -std::cos(beta);
  struct R { double s; int h, k, l; };
  std::vector<R> all;
  for (int h = -60; h <= 60; ++h)
    for (int k = 0; k <= 60; ++k)
      for (int l = 0; l <= 60; ++l) {
        if ((k == 0 || l == 0) && h < 0) continue;
        if (h == 0 && k == 0 && l == 0) continue;
        const double q = h * h * as * as + k * k * bs * bs + l * l * cs * cs + 2 * h * l * as * cs * cb;
        all.push_back({q, h, k, l});
      }
  std::nth_element(all.begin(), all.begin() + kReflections, all.end(), [](const R& x, const R& y) { return x.s < y.s; });
  std::ofstream out(name);
  char buf[64];
  for (int i = 0; i < kReflections; ++i) {
    std::snprintf(buf, sizeof buf, "%4d%4d%4d%8.2f%8.2f\n", all[i].h, all[i].k, all[i].l, 100.0, 1.0);
    out << buf;
  }
  out << "   0   0   0    0.00    0.00\n";
}

double tsc_stage(const std::vector<vorn::StageTime>& times) {
  for (const auto& t : times)
    if (t.stage == "vorn.tsc") return t.seconds;
  return -1;
}

double run_job() {
  std::ostringstream console;
  std::istringstream in;
  std::vector<vorn::StageTime> times;
  vorn::vorn_main({}, console, in, vorn::DbSearch::index, &times, vorn::Algorithms::fast);
  if (console.str().find("ERROR") != std::string::npos) {
    std::cerr << console.str();
    std::exit(1);
  }
  return tsc_stage(times);
}

}  // namespace

int main() {
  const fs::path res = fs::path(VORN_SOURCE_DIR) / "../shared/data/shelx" / kStructure;
  if (!fs::exists(res)) {
    std::printf("skipped: %s absent\n", res.c_str());
    return 0;
  }
  bench::ScratchDir scratch("vorn_tsc_bench");
  fs::copy_file(res, "s.res");
  // the cell of the structure, for the reflection list
  double cell[6] = {};
  {
    std::ifstream in("s.res");
    for (std::string line; std::getline(in, line);)
      if (line.rfind("CELL", 0) == 0) {
        std::istringstream w(line.substr(4));
        double lam;
        w >> lam >> cell[0] >> cell[1] >> cell[2] >> cell[3] >> cell[4] >> cell[5];
      }
  }
  write_hkl("s.hkl", cell[0], cell[1], cell[2], cell[4]);
  std::ofstream("vorn.inp") << "FORMAT *shelx\nINPUT s.res\nTSC s.hkl\n";

  // 1. compute and formatting alone: the table goes to /dev/null
  fs::create_symlink("/dev/null", "vorn.tsc");
  const double compute = run_job();
  fs::remove("vorn.tsc");
  // 2. the whole stage, written to the disk
  const double total = run_job();
  const auto bytes = fs::file_size("vorn.tsc");
  std::size_t lines = 0;
  {
    std::ifstream in("vorn.tsc");
    for (std::string l; std::getline(in, l);) ++lines;
  }
  fs::remove("vorn.tsc");
  // 3. the disk's limit: the same bytes in 1 MiB blocks, flushed to the disk
  std::vector<char> block(1 << 20, 'x');
  const double t0 = now();
  {
    std::FILE* f = std::fopen("raw.bin", "wb");
    for (std::uintmax_t done = 0; done < bytes; done += block.size()) std::fwrite(block.data(), 1, block.size(), f);
    std::fflush(f);
    std::fclose(f);
  }
  const double raw = now() - t0;
  fs::remove("raw.bin");

  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("vorn.tsc for %s: %d reflections read, %zu table lines, %.1f MB\n", kStructure, kReflections,
              lines - 5, static_cast<double>(bytes) / 1e6);
  std::printf("  %-44s %8.2f s\n", "stage, written to the disk", total);
  std::printf("  %-44s %8.2f s\n", "stage, written to /dev/null (compute+format)", compute);
  std::printf("  %-44s %8.2f s\n", "writing share (difference)", total - compute);
  std::printf("  %-44s %8.2f s  (%.0f MB/s)\n", "the same bytes written raw (disk limit)", raw,
              static_cast<double>(bytes) / 1e6 / raw);
  std::printf("  %-44s %8.1f MiB\n", "peak memory of the process", static_cast<double>(ru.ru_maxrss) / 1024.0);
  return 0;
}
