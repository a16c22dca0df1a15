// Published SHELX files through the whole program with completion and rings, and the grid and
// literal searches compared on each completed structure.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "../support.h"
#include "driver/vorn.h"
#include "readers/shelx.h"
#include "topology/fragments.h"
#include "topology/neighbors.h"
#include "util/err.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

// Files whose run must end with a given message: none of the published files any more.
const std::map<std::string, std::string> kStops = {};

class RealTopology : public test::InTempDir {};

}  // namespace

TEST_F(RealTopology, EveryFileRunsWithCompletionAndRings) {
  auto files = test::shared_shelx_files();
  if (files.empty()) GTEST_SKIP() << "no shared SHELX data at " << VORN_SHARED_DATA << "/shelx";
  for (const auto& p : files) {
    SCOPED_TRACE(p.filename().string());
    fs::remove("s.res");
    fs::create_symlink(p, "s.res");
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\nNCELLS 1\nRINGS 3 8\n");
    std::ostringstream con;
    std::istringstream in;
    EXPECT_EQ(vorn_main({}, con, in), 0);
    auto stop = kStops.find(p.filename().string());
    if (stop != kStops.end()) {
      EXPECT_NE(con.str().find(stop->second), std::string::npos) << con.str().substr(0, 2000);
      EXPECT_EQ(con.str().find("Total program elapsed times"), std::string::npos);
      continue;
    }
    EXPECT_EQ(con.str().find("ERROR"), std::string::npos) << con.str().substr(con.str().rfind("ERROR"));
    EXPECT_NE(con.str().find(" Total program elapsed times u,s,t (s) :"), std::string::npos);
    EXPECT_TRUE(fs::exists("reduced.ang"));
    EXPECT_NE(test::slurp("vorn.out").find("IDENTIFYING COVALENTLY-BONDED NEIGHBORS"), std::string::npos);
  }
}

TEST_F(RealTopology, GridAndLiteralAgreeOnCompletedStructures) {
  auto files = test::shared_shelx_files();
  if (files.empty()) GTEST_SKIP() << "no shared SHELX data at " << VORN_SHARED_DATA << "/shelx";
  int compared = 0;
  for (const auto& p : files) {
    if (kStops.count(p.filename().string())) continue;
    SCOPED_TRACE(p.filename().string());
    auto load = [&](vorn::Run& run, std::ostringstream& con, const std::string& tag) {
      test::open_reader_outputs(run, ".", con, tag);
      readshelx(run, p.string());
      run.set.ncells = 1;
    };
    vorn::Run fast, literal;
    std::ostringstream c1, c2;
    load(fast, c1, "fast");
    load(literal, c2, "literal");
    gencompletefrags(fast);
    // the literal rescan is cubic: keep it to the structures it finishes in seconds
    if (literal.atoms.ia <= 200) gencompletefrags_reference(literal);
    else gencompletefrags(literal);
    ASSERT_EQ(fast.cryst.natoms, literal.cryst.natoms);
    findallneighbors(fast);
    findallneighbors_reference(literal);
    for (int i = 1; i <= fast.cryst.natoms; ++i) {
      ASSERT_EQ(fast.neighbors.nnei[i], literal.neighbors.nnei[i]) << "atom " << i;
      for (int k = 0; k < fast.neighbors.nnei[i]; ++k) {
        EXPECT_EQ(fast.neighbors.jnei[i][k], literal.neighbors.jnei[i][k]) << "atom " << i;
        EXPECT_EQ(fast.neighbors.rnei[i][k], literal.neighbors.rnei[i][k]) << "atom " << i;
      }
      EXPECT_EQ(fast.neighbors.jsnei[i], literal.neighbors.jsnei[i]) << "atom " << i;
    }
    fast.nout.close();
    literal.nout.close();
    EXPECT_EQ(test::slurp("vorn.outfast"), test::slurp("vorn.outliteral"));
    ++compared;
  }
  EXPECT_EQ(compared, static_cast<int>(files.size() - kStops.size()));
}
