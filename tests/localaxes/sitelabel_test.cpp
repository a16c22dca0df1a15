// Atoms on special positions through the run: images in their surroundings, labels and axes that fit the site.
#include "localaxes/sitelabel.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "../support.h"
#include "driver/control.h"
#include "driver/vorn.h"
#include "readers/shelx.h"
#include "topology/environment.h"
#include "topology/siteimages.h"
#include "util/format.h"

using namespace vorn;

namespace {

class SpecialPositions : public test::InTempDir {
 protected:
  // Runs the whole job on a test structure; returns the atom-table lines by atom label.
  std::map<std::string, std::string> job(const std::string& file) {
    std::filesystem::copy_file(test::data_path("sites/" + file), "s.res");
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\n");
    std::ostringstream con;
    std::istringstream in;
    vorn_main({}, con, in);
    std::map<std::string, std::string> t;
    bool on = false;
    for (const auto& l : test::lines_of(test::slurp("xd_vorn.mas"))) {
      if (l.rfind("ATOM     ATOM0", 0) == 0) on = true;
      else if (l == "END ATOM") on = false;
      else if (on && l.rfind("DUM", 0) != 0) t[fmt::trim(l.substr(0, 8))] = l;
    }
    log = test::slurp("vorn.out");
    return t;
  }
  // The stages up to the site search, for the environment tests.
  void read(const std::string& file) {
    std::filesystem::copy_file(test::data_path("sites/" + file), "s.res");
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\n");
    test::open_reader_outputs(run, ".", con);
    init(run);
    readinp(run);
    readshelx(run, run.set.fname[0]);
    run.cryst.natoms = run.atoms.ia;
    findsites(run);
  }
  int atom(const std::string& label) const {
    for (int i = 1; i <= run.atoms.ia; ++i)
      if (fmt::trim(run.atoms.atom[i]) == label) return i;
    return 0;
  }
  static std::string label_of(const std::string& line) { return fmt::trim(line.substr(63, 5)); }
  static std::string ax1(const std::string& line) { return line.substr(19, 1) + " " + fmt::trim(line.substr(9, 8)); }
  std::string log;
  vorn::Run run;
  std::ostringstream con;
};

}  // namespace

// Each case: the atom, its label, its first axis and the point it goes to ("DUM" for any dummy).
TEST_F(SpecialPositions, LabelsAndFirstAxesOfTheTestSites) {
  struct Row {
    const char* file;
    const char* atom;
    const char* label;
    const char* first;
  };
  const Row rows[] = {
      {"chloromethane_p3.res", "CL(1)", "3", "Z C(1)"},    // was m with X along the axis
      {"chloromethane_p3.res", "C(1)", "3m", "Z CL(1)"},   // was NO: its three H are now seen
      {"chloromethane_p3.res", "H(1)", "cyl", "Z C(1)"},   // general position
      // the two nearest counter-ions lie along fourfold axes: the rules' axes stay
      {"nacl.res", "CL(1)", "mmm", "X DUM"},
      {"nacl.res", "NA(1)", "mmm", "X DUM"},
      {"water_mirror_pm.res", "O(1)", "mm2", "Z DUM"},     // the chemical label fits the mirror
      {"water_mirror_pm.res", "H(1)", "cyl", "Z O(1)"},
      // isolated: NO does not fit; X and Y lie in the mirror, Z along its normal
      {"water_mirror_pm.res", "CL(1)", "m", "X DUM"},
      {"co2_inversion.res", "C(1)", "C", "Z DUM"},         // cyl does not fit a centre
  };
  std::string last;
  std::map<std::string, std::string> t;
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.file) + " " + r.atom);
    if (r.file != last) {
      std::filesystem::remove("s.res");
      t = job(r.file);
      last = r.file;
    }
    ASSERT_TRUE(t.count(r.atom));
    EXPECT_EQ(label_of(t[r.atom]), r.label);
    const std::string a = ax1(t[r.atom]);
    if (std::string(r.first).size() == 5) EXPECT_EQ(a.substr(0, 5), r.first);
    else EXPECT_EQ(a, r.first);
  }
}

TEST_F(SpecialPositions, LogNamesTheSiteAndTheConstraints) {
  job("nacl.res");
  EXPECT_NE(log.find(" Atom NA(1) is on a special position : site symmetry m-3m (order 48)"), std::string::npos);
  EXPECT_NE(log.find(" Site symmetry m-3m of NA(1) : label mmm"), std::string::npos);
  EXPECT_NE(log.find(" Site symmetry m-3m : the refinement must still constrain Q0 Q2+ H0 H2+ H4+"),
            std::string::npos);
  // the isolated-atom search now finds the counter-ions
  EXPECT_EQ(log.find("No neighbors of atom"), std::string::npos);
}

TEST_F(SpecialPositions, CubicIonSeesItsSixCounterIons) {
  read("nacl.res");
  const int na = atom("NA(1)"), cl = atom("CL(1)");
  EXPECT_GT(run.cryst.natoms, run.atoms.ia);
  const Neig g = getnei(run, na, 3.0f);
  ASSERT_EQ(g.inei, 6);
  for (int n = 1; n <= g.inei; ++n) {
    EXPECT_EQ(run.atoms.itype[g.iatn[n]], 17);
    EXPECT_NEAR(g.rnd[n], 5.641087f / 2, 1e-3f);
  }
  EXPECT_EQ(getnei(run, cl, 3.0f).inei, 6);
  // both ions are counted for the closing summary
  ASSERT_EQ(run.warnings.kinds.size(), 1u);
  EXPECT_EQ(run.warnings.kinds[0].first, "atom on a special position");
  EXPECT_EQ(run.warnings.kinds[0].second, (std::vector<std::string>{"CL(1)", "NA(1)"}));
}

TEST_F(SpecialPositions, OnlyAtomsOnSpecialPositionsSeeTheImages) {
  read("chloromethane_p3.res");
  const int c = atom("C(1)"), h = atom("H(1)");
  ASSERT_GT(run.sites.nbase, 0);
  const Neig gc = getnei(run, c, 0.0f);
  EXPECT_EQ(gc.inei, 4);  // Cl and three H
  const Neig gh = getnei(run, h, 4.0f);
  for (int n = 1; n <= gh.inei; ++n) EXPECT_LE(gh.iatn[n], run.sites.nbase);
  // an image sees the atoms and the other images
  const Neig gi = getnei(run, run.sites.nbase + 1, 4.0f);
  EXPECT_GT(gi.inei, 0);
}

TEST_F(SpecialPositions, GeneralPositionsOnlyPlaceNoImages) {
  std::filesystem::copy_file(test::data_path("localaxes/methane.res"), "s.res");
  test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\n");
  test::open_reader_outputs(run, ".", con);
  init(run);
  readinp(run);
  readshelx(run, run.set.fname[0]);
  run.cryst.natoms = run.atoms.ia;
  findsites(run);
  EXPECT_EQ(run.cryst.natoms, run.atoms.ia);
  EXPECT_EQ(run.sites.nbase, 0);
  EXPECT_TRUE(run.warnings.kinds.empty());
}
