// Published SHELX files with the X-H extension: complete XD and MoPro sets, hydrogens at their distances, nothing else moved.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "../support.h"
#include "driver/control.h"
#include "driver/vorn.h"
#include "readers/shelx.h"
#include "topology/fragments.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

// Files the reader refuses (their messages are checked by the reader's own real-data test):
// none of the published files any more.
const std::set<std::string> kStops = {};

class RealExtendH : public test::InTempDir {};

int lines_starting(const std::string& text, const std::string& prefix) {
  int n = 0;
  for (const auto& l : test::lines_of(text)) n += l.rfind(prefix, 0) == 0;
  return n;
}

}  // namespace

TEST_F(RealExtendH, EveryFileWritesCompleteSetsWithHydrogensAtTheirDistances) {
  auto files = test::shared_shelx_files();
  if (files.empty()) GTEST_SKIP() << "no shared SHELX data at " << VORN_SHARED_DATA << "/shelx";
  int done = 0, bonds = 0;
  for (const auto& p : files) {
    if (kStops.count(p.filename().string())) continue;
    SCOPED_TRACE(p.filename().string());
    for (const auto& e : fs::directory_iterator(".")) fs::remove_all(e.path());
    fs::create_symlink(p, "s.res");
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\nEXTEND_H\nRINGS 3 8\nNCELLS 1\n");
    std::ostringstream con;
    std::istringstream in;
    vorn_main({}, con, in);
    ASSERT_EQ(con.str().find("ERROR"), std::string::npos) << con.str();
    for (const char* f : {"reset.bond", "const.bond", "res_mopro.inp", "mopro_vorn.par", "fixedH.ins", "xd_vorn.inp"})
      EXPECT_TRUE(fs::exists(f)) << f;

    // the structure before the extension, with the images fragment completion adds
    vorn::Run before;
    std::ostringstream bcon;
    test::open_reader_outputs(before, ".", bcon, ".before");
    init(before);
    readinp(before);
    readshelx(before, before.set.fname[0]);
    gencompletefrags(before);

    const auto checked = test::expect_extension_geometry(before, test::slurp("fixedH.ins"), test::slurp("const.bond"));
    const int n = static_cast<int>(checked.size());
    EXPECT_EQ(lines_starting(test::slurp("reset.bond"), "RESET BOND  "), n);
    const std::string res = test::slurp("res_mopro.inp");
    EXPECT_EQ(lines_starting(res, "DISTAN   "), n);
    EXPECT_EQ(lines_starting(res, "URATIO      "), n);
    EXPECT_EQ(lines_starting(test::slurp("mopro_vorn.par"), "ATOM "), before.atoms.ia);
    EXPECT_EQ(lines_starting(test::slurp("mopro_vorn.par"), "STOP "), 1);
    bonds += n;
    ++done;
  }
  EXPECT_EQ(done, static_cast<int>(files.size() - kStops.size()));
  EXPECT_GT(bonds, 250);  // the files carry hydrogens: the check is not empty
}
