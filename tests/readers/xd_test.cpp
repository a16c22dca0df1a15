// XD reader: lattice words, symmetry order, version 1 files, displacement orders, the carried sections and bad files.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>

#include "../support.h"
#include "readers/xd.h"
#include "util/err.h"

using namespace vorn;
using vorn::test::data_path;
using vorn::test::slurp;

namespace {

class Xd : public vorn::test::InTempDir {
 protected:
  // Reads master and parameter files (paths or names in the scratch directory).
  void read(const std::string& mas, const std::string& par) {
    vorn::test::open_reader_outputs(run, dir_, console);
    run.set.mas = mas;
    run.xdold = load_xd_master(mas);
    readxd(run, par);
    run.nout.close();
  }
  // The fatal error of reading the files; fails the test when they read without one.
  Fatal fatal(const std::string& mas, const std::string& par) {
    try {
      read(mas, par);
    } catch (const Fatal& f) {
      return f;
    }
    ADD_FAILURE() << mas << " / " << par << " read without a fatal error";
    return Fatal("", "");
  }
  bool has_op(const Mat3& m, const Vec3& t) const {
    for (int n = 1; n <= run.symm.ns; ++n) {
      bool same = run.symm.fs[n] == m;
      for (int j = 0; j < 3; ++j) same = same && std::fabs(std::remainder(run.symm.ts[n][j] - t[j], 1.0f)) < 1e-5f;
      if (same) return true;
    }
    return false;
  }
  vorn::Run run;
  std::ostringstream console;
};

const Mat3 kInversion{{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};

std::string v1_text() { return slurp(data_path("xd/v1.inp")); }

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const auto k = text.find(from);
  EXPECT_NE(k, std::string::npos) << from;
  if (k != std::string::npos) text.replace(k, from.size(), to);
  return text;
}

}  // namespace

TEST_F(Xd, LattCPIsCentrosymmetricPrimitive) {
  read(data_path("xd/centro_p.mas"), data_path("xd/v1.inp"));
  EXPECT_EQ(run.symm.ns, 4);  // identity, the screw axis and their inverses
  EXPECT_TRUE(has_op(kInversion, {0, 0, 0}));
  EXPECT_FLOAT_EQ(run.ucell.uc[1], 11.0f);
  EXPECT_FLOAT_EQ(run.ucell.uc[4], 100.0f);
  EXPECT_NE(slurp("vorn.out").find(" Lattice is CentroSymmetric"), std::string::npos);
}

TEST_F(Xd, LattACIsAcentricCCentred) {
  read(data_path("xd/acentric_c.mas"), data_path("xd/v1.inp"));
  EXPECT_EQ(run.symm.ns, 4);  // identity and the twofold axis, each with the C translation
  EXPECT_FALSE(has_op(kInversion, {0, 0, 0}));
  EXPECT_TRUE(has_op(unit_matrix(), {0.5f, 0.5f, 0}));
  EXPECT_TRUE(has_op(Mat3{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}, {0.5f, 0.5f, 0}));
  EXPECT_NE(slurp("vorn.out").find(" Lattice is Acentric"), std::string::npos);
}

// v1.inp: version 1, a dummy before the atoms, atoms of orders 4, 2 and 1 with levels 4, 2
// and 0 in the element order C, O, C; misplaced skips would shift every later value.
TEST_F(Xd, Version1FileWithEveryRecordShape) {
  read(data_path("xd/centro_p.mas"), data_path("xd/v1.inp"));
  ASSERT_EQ(run.atoms.ia, 3);
  EXPECT_EQ(run.amodel, test::pad_to("MYMODEL", 20));
  const char* labels[] = {"C(1)", "O(1)", "C(2)"};
  const int iut[] = {4, 2, 1}, isft[] = {1, 2, 1}, z[] = {6, 8, 6}, lmx[] = {4, 4, 4};
  const float occ[] = {1.0f, 0.5f, 1.0f};
  for (int i = 1; i <= 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(run.atoms.atom[i], test::pad_to(labels[i - 1], 8));
    EXPECT_EQ(run.atoms1.iut[i], iut[i - 1]);
    EXPECT_EQ(run.atoms1.isft[i], isft[i - 1]);
    EXPECT_EQ(run.atoms.itype[i], z[i - 1]);
    EXPECT_EQ(run.atoms1.lmx[i], lmx[i - 1]);
    EXPECT_FLOAT_EQ(run.atoms1.occ[i], occ[i - 1]);
    EXPECT_FLOAT_EQ(run.at_uij.u[i][0], 0.001f + 0.01f * static_cast<float>(i));
    EXPECT_FLOAT_EQ(run.atoms.xf[i][2], 0.3f * static_cast<float>(i));
  }
  EXPECT_FLOAT_EQ(run.at_uij.u[2][5], 0.006f);
  EXPECT_NEAR(run.atoms.xc[3][1], 0.8f * 11.0f, 1e-4f);
  EXPECT_EQ(run.at_types.ntyp, 2);
  EXPECT_EQ(run.at_types.iatype, (std::vector<int>{0, 6, 8}));
  EXPECT_FLOAT_EQ(run.shelx1.fvar[2], 2.0f);
  EXPECT_FLOAT_EQ(run.shelx1.fvar[8], 8.0f);
  EXPECT_FLOAT_EQ(run.shelx1.fvar[9], 9.0f);
  EXPECT_FLOAT_EQ(run.shelx1.fvar[1], 2.5f);
  // O(1) at half occupancy on a general position
  EXPECT_EQ(run.atoms1.iaf[2], -1);
  EXPECT_NE(console.str().find("   2   O(1)        8          2            2"), std::string::npos);
}

TEST_F(Xd, Version2HeadAndAVersionLineThatSaysOne) {
  const std::string body = v1_text().substr(v1_text().find("MyModel"));
  const std::string v2 = replaced(body, "   0   0   0   0   0   0   0   0   3",
                            "LIMITS nat 300 ntx 31 lmx 4 nzz 30 nto 0 nsc 20 ntb 20 nov 2500\nUSAGE   3");
  test::write_file("v2.inp", "XDPARFILE VERSION  2\n" + v2);
  read(data_path("xd/centro_p.mas"), "v2.inp");
  EXPECT_EQ(run.atoms.ia, 3);
  EXPECT_FLOAT_EQ(run.shelx1.fvar[1], 2.5f);
  // a version line is never taken for the model line
  vorn::Run fresh;
  run = std::move(fresh);
  test::write_file("v1x.inp", "XDPARFILE VERSION  1\n" + body);
  read(data_path("xd/centro_p.mas"), "v1x.inp");
  EXPECT_EQ(run.amodel, test::pad_to("MYMODEL", 20));
  EXPECT_EQ(run.atoms.ia, 3);
}

TEST_F(Xd, CarriedSections) {
  const XdCarried c = xd_carried(load_xd_master(data_path("xd/centro_p.mas")), "m");
  ASSERT_EQ(c.head.size(), 7u);
  EXPECT_EQ(c.head.front(), "!  master file of a centrosymmetric primitive cell (P21/c from P21 and the inversion)");
  EXPECT_EQ(c.head.back(), "    MODULE *XDLSM");
  // the old atom lines are dropped up to "end atom" in any case; copied lines lose trailing blanks
  EXPECT_EQ(c.mid, (std::vector<std::string>{"KEEP  kappa   1   2", "WEIGHT  -2.0 0.0 0.0 0.0 0.0 0.333"}));
  EXPECT_EQ(c.tail, (std::vector<std::string>{"EXTCN   0000000", "OVTHP   0", "END KEY", "   END XDLSM"}));
}

TEST_F(Xd, BadFiles) {
  const std::string mas = data_path("xd/centro_p.mas");
  const std::string v1 = v1_text();
  const std::string c1 = "C(1)      1  2    2    1    3    4    1    1    4    1    0";
  struct Case {
    const char* name;
    std::function<void()> setup;  // writes bad.mas / bad.inp in the scratch directory
    bool bad_master;
    const char* message;
    const char* detail;  // on the console
  };
  auto par = [](std::string text) { return [text] { test::write_file("bad.inp", text); }; };
  auto master = [mas](const std::string& from, const std::string& to) {
    return [=] { test::write_file("bad.mas", replaced(slurp(mas), from, to)); };
  };
  const std::string cut = v1.substr(0, v1.find("  4.0000  0.0000\n"));
  const Case cases[] = {
      {"count above the records", par(replaced(v1, "   0   3   0   0   2", "   0   4   0   0   2")), false,
       "Error reading XD parameter file", "End of XD parameter file while reading atom record 4 of 4"},
      {"count below the records", par(replaced(v1, "   0   3   0   0   2", "   0   2   0   0   2")), false,
       "Error reading XD parameter file", "more atom records than the atom count 2"},
      {"file ends inside a record", par(cut), false, "Error reading XD parameter file",
       "while reading the multipole populations of atom C(2)"},
      {"atom line one integer short", par(replaced(v1, c1, "C(1)      1  2    2    1    3    4    1    1    4    1")),
       false, "Error reading XD parameter file", "atom record 3 of 3"},
      {"six U values short", par(v1.substr(0, v1.find("  0.031000"))), false, "Error reading XD parameter file",
       "the displacement parameters of atom C(2)"},
      {"label names no element", par(replaced(v1, "O(1)      1", "X(1)      1")), false,
       "No element recognised in atom label X(1)", ""},
      {"displacement order 5", par(replaced(v1, c1, replaced(c1, "    4    1    1", "    5    1    1"))), false,
       "Error reading XD parameter file", "Displacement order 5 of atom C(1) is not 1 to 4"},
      {"too many atoms", par(replaced(v1, "   0   3   0   0   2", "   0 100001   0   0   2")), false, "Too many atoms",
       ""},
      {"no atoms", par(replaced(v1, "   0   3   0   0   2", "   0   0   0   0   2")), false,
       "Error reading XD parameter file", "The atom count of the limits line is 0"},
      {"version 3", par("XDPARFILE VERSION 3\n" + v1), false, "Error reading XD parameter file",
       "version 3 is not 1 or 2"},
      {"no parameter file", [] {}, false, "Error opening XD parameter file bad.inp", ""},
      {"no CELL line", master("CELL ", "CELX "), true, "No CELL line in XD master file bad.mas", ""},
      {"LATT with one word", master("LATT C P", "LATT C"), true, "Error reading XD master file", "LATT line needs"},
      {"no KEY line", master("KEY     XYZ", "KEX     XYZ"), true, "No KEY line in XD master file bad.mas", ""},
      {"no EXTCN line", master("extcn", "extcx"), true, "No EXTCN line in XD master file bad.mas", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vorn::Run fresh;
    run = std::move(fresh);
    console.str("");
    std::filesystem::remove("bad.inp");
    std::filesystem::remove("bad.mas");
    c.setup();
    const Fatal f = fatal(c.bad_master ? "bad.mas" : mas, c.bad_master ? data_path("xd/v1.inp") : "bad.inp");
    EXPECT_EQ(f.where, "ReadXD");
    EXPECT_EQ(f.message, c.message);
    EXPECT_NE(console.str().find(c.detail), std::string::npos) << console.str();
  }
  EXPECT_EQ(fatal("none.mas", "bad.inp").message, "Error opening XD master file none.mas");
}
