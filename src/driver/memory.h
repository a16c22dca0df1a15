// Allocator settings for large runs: freed memory kept for the next stage, heap on huge pages.
#pragma once

#include <string>

namespace vorn {

// Lets the allocator keep what a stage frees for the next one instead of handing it back to
// the system: a protein's stages each allocate and free tables of a hundred megabytes, and
// every page handed back is faulted in again, zeroed, by the next stage. Small blocks go back
// at once rather than in sweeps. Process-wide; called once by main (and by the benchmarks that
// time the program as it runs).
void keep_freed_memory();

// The GLIBC_TUNABLES value that asks glibc's malloc for transparent huge pages, or "" when the
// program should run as it is: the kernel hands out huge pages only on request ("[madvise]" in
// thp_enabled, the text of /sys/kernel/mm/transparent_hugepage/enabled), the variable does not
// already say what malloc should do (the user's choice, or this program's own after it has run
// itself again), and the process is not privileged (glibc drops the variable then, and
// running again would never end). tunables is the present value, or null when unset.
std::string huge_page_tunables(const char* tunables, const std::string& thp_enabled, bool secure);

// Runs the program again, once, with glibc.malloc.hugetlb=1 when huge_page_tunables asks for
// it. A 100000-atom job faults in about 350 MB; at 4 KiB a page that was 100000 faults and a
// fifth of its time on this kind of virtual machine, with 2 MiB pages 10000 faults. glibc reads the
// setting only at start-up, before main, hence the new start. Nothing happens when the start
// fails, or in a build whose allocator is not glibc's (the sanitizers replace it).
// Called first thing by main, before anything is written.
void prefer_huge_pages(char** argv);

}  // namespace vorn
