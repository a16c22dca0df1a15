// When the program runs itself again to put its heap on huge pages, and with what setting.
#include <gtest/gtest.h>

#include "driver/memory.h"

using namespace vorn;

// Only a kernel that hands out huge pages on request, an unprivileged process and a variable
// that does not yet say what malloc should do start the program again; the user's other
// settings are kept. A second start must never ask again, or the program would never begin.
TEST(HugePages, AskedOnceOnlyWhereTheyAreHandedOutOnRequest) {
  const std::string madvise = "always [madvise] never\n";
  struct Row {
    const char* tunables;
    std::string enabled;
    bool secure;
    std::string want;
  };
  const Row rows[] = {
      {nullptr, madvise, false, "glibc.malloc.hugetlb=1"},
      {"", madvise, false, "glibc.malloc.hugetlb=1"},
      {"glibc.malloc.arena_max=2", madvise, false, "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"},
      {"glibc.malloc.hugetlb=1", madvise, false, ""},                              // the second start
      {"glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1", madvise, false, ""},     // the same, with the user's
      {"glibc.malloc.hugetlb=0", madvise, false, ""},                              // the user says no
      {nullptr, "[always] madvise never\n", false, ""},                            // already everywhere
      {nullptr, "always madvise [never]\n", false, ""},
      {nullptr, "", false, ""},                                                    // no such file
      {nullptr, madvise, true, ""},                                                // set-user-id: dropped by glibc
  };
  for (const Row& r : rows)
    EXPECT_EQ(huge_page_tunables(r.tunables, r.enabled, r.secure), r.want)
        << (r.tunables ? r.tunables : "(unset)") << " | " << r.enabled << " | " << r.secure;
  // what the first start sets is what the second start reads: it goes on without asking again
  EXPECT_EQ(huge_page_tunables(huge_page_tunables(nullptr, madvise, false).c_str(), madvise, false), "");
}
