// The four input formats end to end: SHELX to XD and back, and the same atoms as PLATON and AIM2TAB files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "../support.h"
#include "driver/vorn.h"
#include "readers/cartesian.h"
#include "readers/shelx.h"
#include "readers/xd.h"
#include "util/format.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

class Formats : public test::InTempDir {};

// One program run in the current directory; false when it stopped with an error.
bool run_vorn(const std::string& control) {
  test::write_file("vorn.inp", control);
  std::ostringstream con;
  std::istringstream in;
  vorn_main({}, con, in);
  return con.str().find(" ERROR *** ") == std::string::npos;
}

std::vector<std::string> words(const std::string& line) {
  std::istringstream ws(line);
  std::vector<std::string> w;
  for (std::string t; ws >> t;) w.push_back(t);
  return w;
}

// The atom lines of xd_vorn.mas (n atoms after the table header).
std::vector<std::string> atom_lines(int n) {
  const auto l = test::lines_of(test::slurp("xd_vorn.mas"));
  auto h = std::find_if(l.begin(), l.end(), [](const std::string& s) { return s.rfind("ATOM     ATOM0", 0) == 0; });
  return h + n < l.end() ? std::vector<std::string>(h + 1, h + 1 + n) : std::vector<std::string>();
}

vorn::Run read_shelx(const std::string& res) {
  vorn::Run a;
  static std::ostringstream con;
  test::open_reader_outputs(a, fs::current_path(), con, ".a");
  readshelx(a, res);
  return a;
}

// SHELX converted with *toxd, read back as XD input under the same file names: the same
// records, and a master file that repeats the old one (trailing blanks trimmed). xd_vorn.inp
// keeps five decimals, so where two axis candidates lie at equal distances (riding methyl
// hydrogens) rounding may pick the other: atom lines are compared without their axis atoms,
// and a second XD pass must reproduce the first exactly. An XD file has no disorder parts, so
// the SHELX side is read without its PART records (their occupancy codes equal the atoms' own
// in these files): both sides then keep disorder components apart by the occupancy rule.
void round_trip(const fs::path& res, int& converted) {
  std::string kept;
  for (const std::string& l : test::lines_of(test::slurp(res)))
    if (l.size() < 4 || (l.compare(0, 4, "PART") != 0 && l.compare(0, 4, "part") != 0)) kept += l + "\n";
  test::write_file("s.res", kept);
  const std::string keys = "RINGS 3 8 *special\nKEYGEN *XYZUIJ all *ordered *MULT all *ordered\n";
  if (!run_vorn("FORMAT *shelx\nINPUT s.res *toxd\n" + keys)) return;  // refused by the SHELX reader
  ++converted;
  const std::string mas1 = test::slurp("xd_vorn.mas");
  const vorn::Run a = read_shelx("s.res");
  vorn::Run b;
  std::ostringstream con;
  test::open_reader_outputs(b, fs::current_path(), con, ".b");
  b.set.mas = "xd_vorn.mas";
  b.xdold = load_xd_master("xd_vorn.mas");
  readxd(b, "xd_vorn.inp");
  ASSERT_EQ(a.atoms.ia, b.atoms.ia);
  for (int i = 1; i <= a.atoms.ia; ++i) {
    ASSERT_EQ(a.atoms.atom[i], b.atoms.atom[i]);
    EXPECT_EQ(a.atoms.itype[i] * 10 + a.atoms1.iut[i], b.atoms.itype[i] * 10 + b.atoms1.iut[i]) << i;
    EXPECT_EQ(a.atoms1.iaf[i], b.atoms1.iaf[i]) << i;
    EXPECT_NEAR(a.atoms1.occ[i], b.atoms1.occ[i], 5.1e-5f) << i;
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(a.atoms.xf[i][c], b.atoms.xf[i][c], 6e-6f) << i;
    for (int c = 0; c < 6; ++c) EXPECT_NEAR(a.at_uij.u[i][c], b.at_uij.u[i][c], 6e-7f) << i;
  }
  for (int c = 0; c < 6; ++c) EXPECT_NEAR(a.ucell.uc[c], b.ucell.uc[c], 5.1e-5f);
  ASSERT_EQ(a.symm.ns, b.symm.ns);
  for (int n = 1; n <= a.symm.ns; ++n) EXPECT_TRUE(test::has_symop(b.symm, a.symm.fs[n], a.symm.ts[n])) << n;

  const std::string xd = "FORMAT *xd\nINPUT xd_vorn.mas xd_vorn.inp *toxd\n" + keys;
  ASSERT_TRUE(run_vorn(xd));
  const std::string mas2 = test::slurp("xd_vorn.mas"), inp2 = test::slurp("xd_vorn.inp");
  const auto old_lines = test::lines_of(mas1), new_lines = test::lines_of(mas2);
  ASSERT_EQ(old_lines.size(), new_lines.size());
  for (size_t k = 0; k < old_lines.size(); ++k) {
    auto o = words(old_lines[k]), n = words(new_lines[k]);
    if (o.size() >= 12 && o[0] == o[3]) o[1] = o[4] = n[1] = n[4] = "";  // an atom line
    EXPECT_EQ(o, n) << "line " << k + 1 << ": " << old_lines[k] << " / " << new_lines[k];
    EXPECT_EQ(new_lines[k], fmt::trim(new_lines[k]));
  }
  ASSERT_TRUE(run_vorn(xd));
  EXPECT_TRUE(mas2 == test::slurp("xd_vorn.mas") && inp2 == test::slurp("xd_vorn.inp"));
}

}  // namespace

TEST_F(Formats, RoundTrip) {
  int converted = 0;
  for (const char* name : {"localaxes/acetic.res", "shelx/ccentred.res", "shelx/disorder.res", "shelx/riding.res"})
    round_trip(test::data_path(name), converted);
  EXPECT_EQ(converted, 4);
  // the model name reaches the new parameter file
  test::write_file("xd_vorn.inp", test::slurp("xd_vorn.inp").replace(test::slurp("xd_vorn.inp").find("TEST"), 4, "Kap2"));
  ASSERT_TRUE(run_vorn("FORMAT *xd\nINPUT xd_vorn.mas xd_vorn.inp *toxd\n"));
  EXPECT_NE(test::slurp("xd_vorn.inp").find("\n  KAP2   MODEL  4  2  1  0\n"), std::string::npos);
}

TEST_F(Formats, RoundTripPublishedStructures) {
  const auto files = test::shared_shelx_files();
  if (files.empty()) GTEST_SKIP() << "no published structures in " << VORN_SHARED_DATA;
  int converted = 0;
  for (const auto& f : files) {
    SCOPED_TRACE(f.filename().string());
    round_trip(f, converted);
  }
  EXPECT_EQ(converted, static_cast<int>(files.size()));  // the R lattice and the heavy elements included
}
// PLATON (Angstrom) and AIM2TAB (bohr) files of the same atoms give the SHELX run's axes
// (TP and TBL aside) without fragment completion, whatever NCELLS says. The molecules have
// no symmetry contacts, disorder or exact ties between axis candidates.
TEST_F(Formats, CartesianFormatsGiveTheShelxAxes) {
  for (const char* name : {"acetic", "acetonitrile", "angles10", "angles170", "hbehind", "ions", "methane",
                           "methanol", "octahedral", "spiro", "squareplanar", "water"}) {
    SCOPED_TRACE(name);
    fs::copy_file(test::data_path("localaxes/" + std::string(name) + ".res"), "s.res", fs::copy_options::overwrite_existing);
    ASSERT_TRUE(run_vorn("FORMAT *shelx\nINPUT s.res\n"));
    const vorn::Run a = read_shelx("s.res");
    const auto shelx = atom_lines(a.atoms.ia);
    std::string pla = "ANGSTROM\nCELL 1 1 1 90 90 90\n", tab = "NUMBER OF ATOMS READ = " + fmt::i(a.atoms.ia, 7) +
                                                           "\nNO. ATOM       AT.MASS\n---\n";
    for (int i = 1; i <= a.atoms.ia; ++i) {
      const Vec3& x = a.atoms.xc[i];
      const std::string l = fmt::trim(a.atoms.atom[i]);
      char buf[120];
      std::snprintf(buf, sizeof buf, "ATOM %s %.6f %.6f %.6f\n", l.c_str(), x[0], x[1], x[2]);
      pla += buf;
      std::snprintf(buf, sizeof buf, "%4d %-8s%11s%9.4f%9.4f%9.4f\n", i, l.c_str(), "1", x[0] / bohr, x[1] / bohr,
                    x[2] / bohr);
      tab += buf;
    }
    test::write_file("s.pla", pla);
    test::write_file("s.tab", tab);
    for (const auto& [control, last] : {std::pair{"FORMAT *platon\nINPUT s.pla\nNCELLS 1\n", "KAPPA"},
                                        std::pair{"FORMAT *aim2tab\nINPUT s.tab\nNCELLS 1\n", "END KEY"}}) {
      SCOPED_TRACE(control);
      fs::remove("complete.ang");
      ASSERT_TRUE(run_vorn(control));
      EXPECT_FALSE(fs::exists("complete.ang"));
      const auto lines = test::lines_of(test::slurp("xd_vorn.mas")), cart = atom_lines(a.atoms.ia);
      EXPECT_EQ(lines.front().rfind("ATOM     ATOM0", 0), 0u);  // no head
      EXPECT_EQ(lines.back().rfind(last, 0), 0u);
      ASSERT_EQ(cart.size(), shelx.size());
      for (size_t k = 0; k < cart.size(); ++k) {
        auto w = words(cart[k]), v = words(shelx[k]);
        w[7] = w[8] = v[7] = v[8] = "";
        EXPECT_EQ(w, v) << cart[k];
      }
    }
  }
}
