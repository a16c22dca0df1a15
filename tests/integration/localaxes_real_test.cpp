// Published SHELX files through the local-axes stage: every frame defined, every file complete.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "../support.h"
#include "driver/control.h"
#include "driver/vorn.h"
#include "localaxes/localdef.h"
#include "localaxes/ranking.h"
#include "readers/shelx.h"
#include "topology/fragments.h"
#include "topology/neighbors.h"
#include "topology/rings.h"
#include "util/format.h"
#include "model/coords.h"
#include "util/geometry.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

// Files the reader refuses (their messages are checked by the reader's own real-data test):
// none of the published files any more.
const std::set<std::string> kStops = {};

class RealLocalAxes : public test::InTempDir {};

Vec3 point(const vorn::Run& run, int code) {
  const int ia = run.atoms.ia;
  if (code <= ia) return run.atoms.xc[code];
  return to_cart(run.transf, run.dummy.xdum[code - ia]);
}

// The lines of xd_vorn.mas between the table header and END ATOM, and the key lines.
struct Sections {
  std::vector<std::string> table, dummies, keys;
  int kappas = 0;
};
Sections sections(const std::string& mas) {
  Sections s;
  int part = 0;
  for (const auto& l : test::lines_of(mas)) {
    if (l.rfind("ATOM     ATOM0", 0) == 0) part = 1;
    else if (l == "END ATOM") part = 2;
    else if (l.rfind("KEY     XYZ", 0) == 0) part = 3;
    else if (l.rfind("EXTCN", 0) == 0) part = 4;
    else if (part == 1) (l.rfind("DUM", 0) == 0 ? s.dummies : s.table).push_back(l);
    else if (part == 3) (l.rfind("KAPPA   ", 0) == 0 ? ++s.kappas : (s.keys.push_back(l), 0));
  }
  return s;
}

}  // namespace

TEST_F(RealLocalAxes, EveryFileGetsADefinedFrameForEveryAtom) {
  auto files = test::shared_shelx_files();
  if (files.empty()) GTEST_SKIP() << "no shared SHELX data at " << VORN_SHARED_DATA << "/shelx";
  int done = 0;
  for (const auto& p : files) {
    if (kStops.count(p.filename().string())) continue;
    SCOPED_TRACE(p.filename().string());
    vorn::Run run;
    std::ostringstream con;
    test::open_reader_outputs(run, ".", con);
    run.icon.open("con_mopro.inp");
    run.iplat.open("vorn.spf");
    fs::remove("s.res");
    fs::create_symlink(p, "s.res");
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\nRINGS 3 8\nNCELLS 1\n");
    init(run);
    readinp(run);
    readshelx(run, run.set.fname[0]);
    gencompletefrags(run);
    connect4rings(run);
    findrings(run);
    findallneighbors(run);
    localdef(run);
    run.imas.close();
    const int ia = run.atoms.ia;
    const int ndum = run.dummy.ndum;

    const Sections s = sections(test::slurp("xd_vorn.mas"));
    ASSERT_EQ(static_cast<int>(s.table.size()), ia);
    ASSERT_EQ(static_cast<int>(s.keys.size()), ia);
    EXPECT_EQ(static_cast<int>(s.dummies.size()), ndum);
    EXPECT_EQ(s.kappas, run.kappaset.itkset);
    std::set<std::string> labels;
    for (int i = 1; i <= ia; ++i) labels.insert(fmt::trim(run.atoms.atom[i]));
    for (int j = 1; j <= ndum; ++j) labels.insert(fmt::trim(run.dummy.dlab[j]));

    for (int k = 1; k <= ia; ++k) {
      const auto& iar = run.mpoles.iar[k];
      const std::string& line = s.table[k - 1];
      SCOPED_TRACE(line);
      EXPECT_EQ(line.substr(0, 8), run.atoms.atom[k]);
      EXPECT_EQ(s.keys[k - 1].substr(0, 8), run.atoms.atom[k]);
      EXPECT_TRUE(labels.count(fmt::trim(line.substr(9, 8))));
      EXPECT_TRUE(labels.count(fmt::trim(line.substr(31, 8))));
      ASSERT_TRUE(iar[3] >= 1 && iar[3] <= ia + ndum && iar[5] >= 1 && iar[5] <= ia + ndum);
      EXPECT_NE(iar[1], iar[2]);
      // the frame: both points away from the atom and not in line with it
      const Vec3 a = point(run, iar[3]), b = point(run, iar[5]), x = run.atoms.xc[k];
      EXPECT_GT(dist(a, x), 0.1f);
      EXPECT_GT(dist(b, x), 0.1f);
      const float ang = calcang(a, x, b);
      EXPECT_GT(ang, 5.0f);
      EXPECT_LT(ang, 175.0f);
      // a hydrogen with one bond points Z at its parent (or at the dummy standing in for a
      // parent that is a symmetry copy)
      if (run.atoms.itype[k] == 1 && run.neighbors.nnei[k] == 1 && run.atoms1.iaf[k] != -1 &&
          run.atoms1.iaf[run.neighbors.jnei[k][0]] != -1) {
        EXPECT_EQ(fmt::trim(run.atoms.asym[k]), "cyl");
        EXPECT_EQ(iar[1], 3);
        EXPECT_LT(dist(a, run.atoms.xc[run.neighbors.jnei[k][0]]), 0.01f);
      }
    }
    ++done;
  }
  EXPECT_EQ(done, static_cast<int>(files.size() - kStops.size()));
}

// The iron of the R-3c perchlorate sits on a special position (-3); its six oxygens are equal by
// symmetry and the asymmetric-unit O(1) is the lowest-numbered: with distances equal by
// symmetry comparing equal, the axis towards the oxygens (X, Z lying along the threefold)
// points to O(1) itself rather than to a dummy at an image.
TEST_F(RealLocalAxes, SymmetryEqualNeighboursKeepTheAsymmetricUnitAtom) {
  const fs::path f = fs::path(VORN_SHARED_DATA) / "shelx" / "fe_perchlorate_hydrate_R-3c.res";
  if (!fs::exists(f)) GTEST_SKIP() << "no " << f;
  fs::copy_file(f, "s.res");
  test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\nNCELLS 1\n");
  std::ostringstream con;
  std::istringstream in;
  std::string first;
  for (int pass = 0; pass < 2; ++pass) {
    vorn::vorn_main({}, con, in);
    const std::string mas = test::slurp("xd_vorn.mas");
    EXPECT_NE(mas.find("\nFE(1)    DUM1      Z  FE(1)    O(1)     X"), std::string::npos);
    if (pass == 0) first = mas;
    else EXPECT_EQ(mas, first);  // two runs, the same file
  }
}
