// The four input formats end to end: SHELX to XD and back, and the same atoms as PLATON and AIM2TAB files.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
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

// One program run in the current directory; returns the console.
std::string run_vorn(const std::string& control) {
  test::write_file("vorn.inp", control);
  std::ostringstream con;
  std::istringstream in;
  vorn_main({}, con, in);
  return con.str();
}

bool stopped(const std::string& console) { return console.find(" ERROR *** ") != std::string::npos; }

// The lines of the atom table of xd_vorn.mas: its header, the atoms and the dummies.
std::vector<std::string> atom_table(const std::string& mas) {
  std::vector<std::string> r;
  bool in = false;
  for (const auto& l : test::lines_of(mas)) {
    if (l.rfind("ATOM     ATOM0", 0) == 0) in = true;
    if (l == "END ATOM") break;
    if (in) r.push_back(l);
  }
  return r;
}

// The words of an atom line without TP and TBL (displacement order, scattering table),
// which the Cartesian formats do not carry.
std::vector<std::string> axis_columns(const std::string& line) {
  std::istringstream ws(line);
  std::vector<std::string> w;
  for (std::string t; ws >> t;) w.push_back(t);
  if (w.size() > 8) w.erase(w.begin() + 7, w.begin() + 9);
  return w;
}

bool op_in(const Symm& s, const Mat3& m, const Vec3& t) {
  for (int n = 1; n <= s.ns; ++n) {
    bool same = true;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) same = same && std::fabs(s.fs[n][i][j] - m[i][j]) < 1e-5f;
    for (int j = 0; j < 3; ++j) same = same && std::fabs(std::remainder(s.ts[n][j] - t[j], 1.0f)) < 1e-5f;
    if (same) return true;
  }
  return false;
}

// Words of a line.
std::vector<std::string> words_of(const std::string& line) {
  std::istringstream ws(line);
  std::vector<std::string> w;
  for (std::string t; ws >> t;) w.push_back(t);
  return w;
}

// A SHELX file converted with *toxd and read back as XD input: the same structure records,
// and a new master file that repeats the old one line for line (trailing blanks trimmed).
// xd_vorn.inp keeps five decimals, so where two axis candidates lie at equal distances
// (riding methyl hydrogens, symmetric test molecules) the rounding may pick the other one:
// with `exact` false an atom line need only keep its atom, axis letters and site symmetry,
// and the XD file read back a second time must then reproduce itself exactly.
void round_trip(const fs::path& res, const std::string& control, bool exact, bool& ran) {
  fs::copy_file(res, "s.res", fs::copy_options::overwrite_existing);
  if (stopped(run_vorn("FORMAT *shelx\nINPUT s.res *toxd\n" + control))) return;
  ran = true;
  fs::copy_file("xd_vorn.mas", "shelx.mas", fs::copy_options::overwrite_existing);
  fs::copy_file("xd_vorn.inp", "shelx.inp", fs::copy_options::overwrite_existing);

  std::ostringstream con;
  vorn::Run a, b;
  test::open_reader_outputs(a, fs::current_path(), con, ".a");
  readshelx(a, "s.res");
  test::open_reader_outputs(b, fs::current_path(), con, ".b");
  b.set.mas = "shelx.mas";
  b.xdold = load_xd_master("shelx.mas");
  readxd(b, "shelx.inp");
  ASSERT_EQ(a.atoms.ia, b.atoms.ia);
  for (int i = 1; i <= a.atoms.ia; ++i) {
    SCOPED_TRACE(a.atoms.atom[i]);
    ASSERT_EQ(a.atoms.atom[i], b.atoms.atom[i]);
    EXPECT_EQ(a.atoms.itype[i], b.atoms.itype[i]);
    EXPECT_EQ(a.atoms1.iut[i], b.atoms1.iut[i]);
    EXPECT_EQ(a.atoms1.isft[i], b.atoms1.isft[i]);
    EXPECT_EQ(a.atoms1.iaf[i], b.atoms1.iaf[i]);
    EXPECT_NEAR(a.atoms1.occ[i], b.atoms1.occ[i], 5.1e-5f);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(a.atoms.xf[i][c], b.atoms.xf[i][c], 6e-6f);
    for (int c = 0; c < 6; ++c) EXPECT_NEAR(a.at_uij.u[i][c], b.at_uij.u[i][c], 6e-7f);
  }
  for (int c = 0; c < 6; ++c) EXPECT_NEAR(a.ucell.uc[c], b.ucell.uc[c], 5.1e-5f);
  ASSERT_EQ(a.symm.ns, b.symm.ns);
  for (int n = 1; n <= a.symm.ns; ++n) EXPECT_TRUE(op_in(b.symm, a.symm.fs[n], a.symm.ts[n])) << n;

  // the old master file keeps its name: it is read before the new one replaces it
  const std::string xd = "FORMAT *xd\nINPUT xd_vorn.mas xd_vorn.inp *toxd\n" + control;
  ASSERT_FALSE(stopped(run_vorn(xd)));
  const auto old_lines = test::lines_of(test::slurp("shelx.mas"));
  const auto new_lines = test::lines_of(test::slurp("xd_vorn.mas"));
  ASSERT_EQ(old_lines.size(), new_lines.size());
  const size_t table = 1 + std::distance(new_lines.begin(), std::find_if(new_lines.begin(), new_lines.end(), [](auto& l) {
                         return l.rfind("ATOM     ATOM0", 0) == 0;
                       }));
  for (size_t k = 0; k < old_lines.size(); ++k) {
    const std::string o = fmt::trim(old_lines[k]);
    if (exact || k < table || k >= table + static_cast<size_t>(a.atoms.ia)) {
      EXPECT_EQ(o, new_lines[k]) << "line " << k + 1;
      continue;
    }
    const auto wo = words_of(o), wn = words_of(new_lines[k]);
    ASSERT_GE(wo.size(), 12u);
    ASSERT_EQ(wo.size(), wn.size()) << o << " / " << new_lines[k];
    for (size_t w : {0, 2, 5, 6, 7, 8, 9, 10, 11}) EXPECT_EQ(wo[w], wn[w]) << o << " / " << new_lines[k];
  }
  if (exact) {
    EXPECT_TRUE(test::slurp("shelx.inp") == test::slurp("xd_vorn.inp")) << "xd_vorn.inp differs";
    return;
  }
  fs::copy_file("xd_vorn.mas", "xd2.mas", fs::copy_options::overwrite_existing);
  fs::copy_file("xd_vorn.inp", "xd2.inp", fs::copy_options::overwrite_existing);
  ASSERT_FALSE(stopped(run_vorn(xd)));
  EXPECT_TRUE(test::slurp("xd2.mas") == test::slurp("xd_vorn.mas")) << "xd_vorn.mas read back differs";
  EXPECT_TRUE(test::slurp("xd2.inp") == test::slurp("xd_vorn.inp")) << "xd_vorn.inp read back differs";
}

}  // namespace

// The model name of an XD parameter file is the one the new parameter file carries.
TEST_F(Formats, ModelNameReachesTheNewParameterFile) {
  fs::copy_file(test::data_path("localaxes/methanol.res"), "s.res");
  ASSERT_FALSE(stopped(run_vorn("FORMAT *shelx\nINPUT s.res *toxd\n")));
  std::string inp = test::slurp("xd_vorn.inp");
  const auto k = inp.find("  TEST   MODEL");
  ASSERT_NE(k, std::string::npos);
  test::write_file("old.inp", inp.replace(k, 6, "  Kap2"));
  fs::copy_file("xd_vorn.mas", "old.mas");
  ASSERT_FALSE(stopped(run_vorn("FORMAT *xd\nINPUT old.mas old.inp *toxd\n")));
  EXPECT_NE(test::slurp("xd_vorn.inp").find("\n  KAP2   MODEL  4  2  1  0\n"), std::string::npos);
}

const char* const kModes[] = {"", "RINGS 3 8 *special\nKEYGEN *XYZUIJ all *ordered *MULT all *ordered\n"};

TEST_F(Formats, RoundTripSmallStructures) {
  for (const char* name : {"localaxes/acetic.res", "localaxes/spiro.res", "shelx/ccentred.res", "shelx/disorder.res",
                           "shelx/benzene_inversion.res", "shelx/riding.res"})
    for (const char* mode : kModes) {
      SCOPED_TRACE(std::string(name) + " " + mode);
      bool ran = false;
      round_trip(test::data_path(name), mode, true, ran);
      EXPECT_TRUE(ran);
    }
}

TEST_F(Formats, RoundTripPublishedStructures) {
  const auto files = test::shared_shelx_files();
  if (files.empty()) GTEST_SKIP() << "no published structures in " << VORN_SHARED_DATA;
  int ran_count = 0;
  for (const auto& f : files) {
    SCOPED_TRACE(f.filename().string());
    bool ran = false;
    round_trip(f, kModes[1], false, ran);
    ran_count += ran;
  }
  // files the SHELX run itself refuses (lattice R, elements without scattering tables) are passed over
  EXPECT_GE(ran_count, static_cast<int>(files.size()) - 5);
}

// PLATON (Angstrom) and AIM2TAB (bohr) files of the same atoms give the SHELX run's axes
// without fragment completion, whatever NCELLS asks for.
TEST_F(Formats, CartesianFormatsGiveTheShelxAxes) {
  // molecules without symmetry contacts, disorder or exact ties between axis candidates
  for (const char* name : {"acetic", "acetonitrile", "angles10", "angles170", "hbehind", "ions", "methane",
                           "methanol", "octahedral", "spiro", "squareplanar", "water"}) {
    const std::string res = test::data_path("localaxes/" + std::string(name) + ".res");
    SCOPED_TRACE(name);
    fs::copy_file(res, "s.res", fs::copy_options::overwrite_existing);
    ASSERT_FALSE(stopped(run_vorn("FORMAT *shelx\nINPUT s.res\n")));
    const auto shelx = atom_table(test::slurp("xd_vorn.mas"));
    std::ostringstream con;
    vorn::Run a;
    test::open_reader_outputs(a, fs::current_path(), con, ".a");
    readshelx(a, "s.res");
    std::string pla = "ANGSTROM\nCELL 1.0 1.0 1.0 90 90 90\n";
    std::string tab = "NUMBER OF ATOMS READ = " + fmt::i(a.atoms.ia, 7) + "\n\nNO. ATOM       AT.MASS\n---\n";
    for (int i = 1; i <= a.atoms.ia; ++i) {
      const Vec3& x = a.atoms.xc[i];
      char buf[120];
      std::snprintf(buf, sizeof buf, "ATOM %s %.6f %.6f %.6f\n", fmt::trim(a.atoms.atom[i]).c_str(), x[0], x[1], x[2]);
      pla += buf;
      std::snprintf(buf, sizeof buf, "%4d %-8s%11s%9.4f%9.4f%9.4f\n", i, fmt::trim(a.atoms.atom[i]).c_str(), "1.0",
                    x[0] / bohr, x[1] / bohr, x[2] / bohr);
      tab += buf;
    }
    test::write_file("s.pla", pla);
    test::write_file("s.tab", tab);
    struct Run2 {
      const char* control;
      const char* last_line;
    };
    for (const Run2& r : {Run2{"FORMAT *platon\nINPUT s.pla\nNCELLS 1\n", "KAPPA"},
                          Run2{"FORMAT *aim2tab\nINPUT s.tab\nNCELLS 1\n", "END KEY"}}) {
      SCOPED_TRACE(r.control);
      fs::remove("complete.ang");
      ASSERT_FALSE(stopped(run_vorn(r.control)));
      EXPECT_FALSE(fs::exists("complete.ang"));
      const std::string mas = test::slurp("xd_vorn.mas");
      const auto table = atom_table(mas);
      ASSERT_GE(table.size(), static_cast<size_t>(a.atoms.ia) + 1);
      ASSERT_GE(shelx.size(), static_cast<size_t>(a.atoms.ia) + 1);
      // no head: the file opens with the table header
      EXPECT_EQ(test::lines_of(mas).front(), table.front());
      for (int i = 1; i <= a.atoms.ia; ++i) EXPECT_EQ(axis_columns(table[i]), axis_columns(shelx[i])) << table[i];
      EXPECT_EQ(test::lines_of(mas).back().rfind(r.last_line, 0), 0u);
    }
  }
}
