// The progress line: only on a terminal, only after its delay, cleared at the stage's end.
#include <gtest/gtest.h>

#include <sstream>

#include "model/progress.h"

using namespace vorn;

TEST(Progress, ShownOnlyOnATerminalAfterTheDelay) {
  EXPECT_EQ(progress_text("neighbours", 50, 200, 3.4), " neighbours : 50 of 200 (25 %), 3 s");
  EXPECT_EQ(progress_text("rings", 7, 0, 12.0), " rings : 7, 12 s");
  struct Row {
    bool terminal;
    double after;
    bool shown;
  };
  for (const Row& r : {Row{false, 0.0, false}, Row{true, 3600.0, false}, Row{true, 0.0, true}}) {
    std::ostringstream out;
    Progress p;
    p.out = r.terminal ? &out : nullptr;
    p.after = r.after;
    progress_start(p, "local axes");
    for (int k = 1; k <= 1000; ++k) progress_tick(p, k, 1000);
    EXPECT_EQ(p.shown, r.shown);
    progress_end(p);
    if (r.shown) {
      EXPECT_EQ(out.str().rfind("\r local axes : ", 0), 0u) << out.str();
      EXPECT_EQ(out.str().back(), '\r');  // the line is blanked and the cursor back at its start
    } else {
      EXPECT_EQ(out.str(), "");
    }
  }
}
