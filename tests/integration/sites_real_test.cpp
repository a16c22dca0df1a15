// Published structures: every atom on a special position ends with a label that fits its site.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../support.h"
#include "driver/control.h"
#include "localaxes/localdef.h"
#include "topology/neighbors.h"
#include "topology/siteimages.h"
#include "localaxes/sitefit.h"
#include "localaxes/sitelabel.h"
#include "model/coords.h"
#include "readers/cif.h"
#include "readers/shelx.h"
#include "symmetry/sitesym.h"
#include "util/format.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

class RealSites : public test::InTempDir {};

DVec3 to_d(const Vec3& v) { return {v[0], v[1], v[2]}; }

}  // namespace

// The label written is compatible with the site on the axes written; or it is the site's own
// key-table label (whose table entry the log corrects); or no label fits the site exactly and
// the one written covers it, the log naming what the refinement must constrain.
TEST_F(RealSites, EverySpecialPositionGetsALabelThatFitsItsSite) {
  auto files = test::shared_shelx_files();
  if (files.empty()) GTEST_SKIP() << "no shared SHELX data at " << VORN_SHARED_DATA << "/shelx";
  // the published CIFs too: their sites reach the same set-up through the CIF reader
  const fs::path cifs = fs::path(VORN_SHARED_DATA) / "cif";
  if (fs::is_directory(cifs))
    for (const auto& e : fs::directory_iterator(cifs))
      if (e.path().extension() == ".cif") files.push_back(e.path());
  int checked = 0;
  for (const auto& p : files) {
    SCOPED_TRACE(p.filename().string());
    const bool cif = p.extension() == ".cif";
    const std::string name = cif ? "s.cif" : "s.res";
    fs::remove(name);
    fs::create_symlink(p, name);
    test::write_file("vorn.inp", std::string(cif ? "FORMAT *cif" : "FORMAT *shelx") + "\nINPUT " + name + "\n");
    vorn::Run run;
    std::ostringstream con;
    test::open_reader_outputs(run, ".", con, ".read");
    run.icon.open("con_mopro.inp");
    run.iplat.open("vorn.spf");
    init(run);
    readinp(run);
    if (cif)
      readcif(run, run.set.fname[0]);
    else
      readshelx(run, run.set.fname[0]);
    std::vector<int> special;
    for (int k = 1; k <= run.atoms.ia; ++k)
      if (site_symmetry(run, run.atoms.xf[k]).special()) special.push_back(k);
    if (special.empty()) continue;
    run.cryst.natoms = run.atoms.ia;
    findsites(run);
    findallneighbors(run);
    localdef(run);
    run.nout.close();
    const std::string log = test::slurp("vorn.out.read");
    const auto point = [&](int code) {
      const int ia = run.atoms.ia;
      return to_d(code <= ia ? run.atoms.xc[code] : to_cart(run.transf, run.dummy.xdum[code - ia]));
    };
    for (int k : special) {
      const SiteSym s = site_symmetry(run, run.atoms.xf[k]);
      const std::string label = fmt::trim(run.atoms.asym[k]);
      const auto& iar = run.mpoles.iar[k];
      SCOPED_TRACE(run.atoms.atom[k] + " " + label);
      LocalFrame f;
      ASSERT_TRUE(frame_of_axes(static_cast<char>('W' + iar[1]), point(iar[3]), static_cast<char>('W' + iar[2]),
                                point(iar[5]), to_d(run.atoms.xc[k]), f));
      const SiteFit fit = site_fit(label, f, s.rot);
      EXPECT_TRUE(fit.compatible || label == table_label(s.name) || fit.covers);
      EXPECT_NE(log.find(" Atom " + fmt::trim(run.atoms.atom[k]) + " is on a special position : site symmetry " +
                         s.name),
                std::string::npos);
      if (!fit.compatible && fit.known) {
        EXPECT_NE(log.find(" Site symmetry " + s.name + " : the refinement must still constrain"), std::string::npos);
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 0);
}
