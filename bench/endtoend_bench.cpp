// End-to-end wall time per stage and peak memory of the full job on P1 supercells of DL-tryptophan.
// Usage: endtoend_bench [--rescan] [--literal] [atoms ...]   (default 1000 10000 100000;
// --rescan reads the databank again for every atom instead of through its index, --literal
// runs the literal algorithms the fast ones are checked against, --no-ncells leaves out the
// fragment completion, whose literal form takes hours at 10000 atoms)
//        endtoend_bench --write atoms dir      (only writes the job's files into dir, for profiling)
//        endtoend_bench --write-protein atoms dir   (the same for the protein job)
//        endtoend_bench --protein [atoms ...]  (crambin's own PDB file, then its P1 cell repeated to
//                                               about atoms, as mmCIF; default 892 100000)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/memory.h"
#include "driver/vorn.h"
#include "fillerdb.h"
#include "protein.h"
#include "scratch.h"
#include "supercell.h"

namespace {

const std::string kRoot = VORN_SOURCE_DIR;
const std::string kStructure = kRoot + "/../shared/data/shelx/dl_tryptophan_P21c.res";
const std::string kProtein = kRoot + "/../shared/data/protein/crambin_3NIR.pdb";

// 296 entries that match no atom, then the sample databank: every search passes the whole file.
void write_databank(const std::string& name) {
  std::ofstream db(name);
  bench::filler_entries(db, 296);
  std::ifstream sample(kRoot + "/examples/sample.db");
  db << sample.rdbuf();
}

std::string control(bool ncells) {
  return std::string("FORMAT *shelx\nINPUT s.res rename toxd\nVERBOSE 1\nRINGS 3 8 *special\n") +
         (ncells ? "NCELLS 1\n" : "") + "DATABANK bench.db\nSCALE *sigma diff fract\nEXTEND_H\nCHFRAG 0.\n";
}

// Repeats that bring the full cell to about n atoms, growing the shortest edge first.
std::array<int, 3> repeats(const bench::Cell& c, int n) {
  std::array<int, 3> r{1, 1, 1};
  while (static_cast<long>(c.xf.size()) * r[0] * r[1] * r[2] < n) {
    int s = 0;
    for (int a = 1; a < 3; ++a)
      if (c.uc[a] * r[a] < c.uc[s] * r[s]) s = a;
    ++r[s];
  }
  return r;
}

// The job's files in the current directory; returns the atom count.
int write_job(const bench::Cell& cell, const std::array<int, 3>& r, bool ncells = true) {
  const int atoms = bench::write_supercell(cell, r[0], r[1], r[2], "s.res");
  write_databank("bench.db");
  std::ofstream("vorn.inp") << control(ncells);
  return atoms;
}

// The protein job: crambin itself as PDB (n at most its atom count), else its P1 cell repeated
// to about n atoms as mmCIF. Returns the atom count; r gets the repeats.
int write_protein_job(int n, std::array<int, 3>& r) {
  const bench::Protein p = bench::read_protein(kProtein);
  const std::string keys = "RINGS 3 8\nNCELLS 1\nDATABANK bench.db\nEXTEND_H\nCHFRAG 0.\n";
  write_databank("bench.db");
  r = {1, 1, 1};
  if (n <= static_cast<int>(p.atoms.size())) {
    std::filesystem::copy_file(kProtein, "m.pdb");
    std::ofstream("vorn.inp") << "FORMAT *pdb\nINPUT m.pdb\n" << keys;
    return static_cast<int>(p.atoms.size());
  }
  while (2L * static_cast<long>(p.atoms.size()) * r[0] * r[1] * r[2] < n) {
    int s = 0;
    for (int a = 1; a < 3; ++a)
      if (p.cell[a] * r[a] < p.cell[s] * r[s]) s = a;
    ++r[s];
  }
  const int atoms = bench::write_protein_supercell(p, r.data(), "m.cif");
  std::ofstream("vorn.inp") << "FORMAT *mmcif\nINPUT m.cif\n" << keys;
  return atoms;
}

// The job itself, run in the child; its scratch directory (450 MB at 100000 atoms) is removed
// on return, as the child's _Exit runs no destructors.
void run_job(const bench::Cell& cell, int n, vorn::DbSearch search, vorn::Algorithms alg, bool ncells, bool protein) {
  const bench::ScratchDir scratch("vorn_endtoend_bench_" + std::to_string(getpid()));
  std::array<int, 3> r{};
  const int atoms = protein ? write_protein_job(n, r) : write_job(cell, r = repeats(cell, n), ncells);
  std::ostringstream console;
  std::istringstream in;
  std::vector<vorn::StageTime> times;
  const auto t0 = std::chrono::steady_clock::now();
  vorn::vorn_main({}, console, in, search, &times, alg);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const std::string con = console.str();
  const size_t e = con.find(" ERROR");
  std::printf("%d atoms (%dx%dx%d cells)%s\n", atoms, r[0], r[1], r[2],
              e == std::string::npos ? "" : ("  stopped:" + con.substr(e, con.find('\n', e) - e)).c_str());
  for (const auto& t : times) std::printf("  %-42s %9.3f s\n", t.stage.c_str(), t.seconds);
  std::printf("  %-42s %9.3f s\n", "total", wall);
  std::fflush(stdout);
}

// One job in a child process, so that its peak memory is its own.
void job(const bench::Cell& cell, int n, vorn::DbSearch search, vorn::Algorithms alg, bool ncells,
         bool protein = false) {
  std::cout.flush();
  const pid_t pid = fork();
  if (pid == 0) {
    vorn::keep_freed_memory();  // as main does
    run_job(cell, n, search, alg, ncells, protein);
    std::_Exit(0);
  }
  int status = 0;
  rusage ru{};
  wait4(pid, &status, 0, &ru);
  std::printf("  %-42s %9.1f MiB\n\n", "peak memory", static_cast<double>(ru.ru_maxrss) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  vorn::prefer_huge_pages(argv);  // as main does: the jobs below are forked, and inherit it
  if (!std::filesystem::exists(kStructure)) {
    std::cout << "skipped: " << kStructure << " is absent\n";
    return 0;
  }
  if (argc == 4 && std::string(argv[1]) == "--write") {
    const bench::Cell cell = bench::full_cell(kStructure);
    std::filesystem::create_directories(argv[3]);
    std::filesystem::current_path(argv[3]);
    std::printf("%d atoms written\n", write_job(cell, repeats(cell, std::stoi(argv[2]))));
    return 0;
  }
  if (argc == 4 && std::string(argv[1]) == "--write-protein") {
    std::filesystem::create_directories(argv[3]);
    std::filesystem::current_path(argv[3]);
    std::array<int, 3> r{};
    std::printf("%d atoms written\n", write_protein_job(std::stoi(argv[2]), r));
    return 0;
  }
  if (argc >= 2 && std::string(argv[1]) == "--protein") {
    if (!std::filesystem::exists(kProtein)) {
      std::cout << "skipped: " << kProtein << " is absent\n";
      return 0;
    }
    std::vector<int> sizes;
    for (int a = 2; a < argc; ++a) sizes.push_back(std::stoi(argv[a]));
    if (sizes.empty()) sizes = {892, 100000};
    for (int n : sizes) job(bench::Cell{}, n, vorn::DbSearch::index, vorn::Algorithms::fast, true, true);
    return 0;
  }
  vorn::DbSearch search = vorn::DbSearch::index;
  vorn::Algorithms alg = vorn::Algorithms::fast;
  bool ncells = true;
  std::vector<int> sizes;
  for (int a = 1; a < argc; ++a) {
    if (std::string(argv[a]) == "--rescan") search = vorn::DbSearch::rescan;
    else if (std::string(argv[a]) == "--literal") alg = vorn::Algorithms::literal;
    else if (std::string(argv[a]) == "--no-ncells") ncells = false;
    else sizes.push_back(std::stoi(argv[a]));
  }
  if (sizes.empty()) sizes = {1000, 10000, 100000};
  const bench::Cell cell = bench::full_cell(kStructure);
  for (int n : sizes) job(cell, n, search, alg, ncells);
}
