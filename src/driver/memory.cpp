// Allocator settings for large runs: freed memory kept for the next stage, heap on huge pages.
#include "driver/memory.h"

#include <sys/auxv.h>
#include <unistd.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vorn {

void keep_freed_memory() {
#ifdef __GLIBC__
  // keep up to 64 MB free at the heap's top, and grow it in steps of 64 MB more than asked
  // (address space only: the pages are touched, and counted, when used)
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  mallopt(M_TOP_PAD, 64 << 20);
  // No fast bins: the per-thread cache still serves the small blocks of a neighbour search,
  // but its overflow goes straight back to the heap instead of piling up until the next
  // request of a kilobyte (a log paragraph) sweeps it together. Those sweeps, after every
  // search, took half a second of a 100000-atom protein job's four.
  mallopt(M_MXFAST, 0);
#endif
}

std::string huge_page_tunables(const char* tunables, const std::string& thp_enabled, bool secure) {
  if (secure || thp_enabled.find("[madvise]") == std::string::npos) return "";
  const std::string now = tunables ? tunables : "";
  if (now.find("glibc.malloc.hugetlb") != std::string::npos) return "";
  return now.empty() ? "glibc.malloc.hugetlb=1" : now + ":glibc.malloc.hugetlb=1";
}

void prefer_huge_pages(char** argv) {
// the setting came with glibc 2.35 (older ones would start again for nothing); the sanitizers
// bring their own allocator
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 35)) && \
    !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  if (!argv || !argv[0]) return;
  std::ostringstream mode;
  mode << std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled").rdbuf();
  const std::string t = huge_page_tunables(std::getenv("GLIBC_TUNABLES"), mode.str(), getauxval(AT_SECURE) != 0);
  if (t.empty() || setenv("GLIBC_TUNABLES", t.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);  // returns only when it failed: go on as we are
#else
  (void)argv;
#endif
}

}  // namespace vorn
