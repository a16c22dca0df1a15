// XD reader: lattice words, a version 1 file with every record shape and bad files.
#include <gtest/gtest.h>

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
  // The fatal error of reading the files, or an empty one when they read.
  Fatal read(const std::string& mas, const std::string& par) {
    run = vorn::Run();
    console.str("");
    vorn::test::open_reader_outputs(run, dir_, console);
    try {
      run.set.mas = mas;
      run.xdold = load_xd_master(mas);
      readxd(run, par);
    } catch (const Fatal& f) {
      return f;
    }
    return Fatal("", "");
  }
  bool has_op(const Mat3& m, const Vec3& t) const { return test::has_symop(run.symm, m, t); }
  vorn::Run run;
  std::ostringstream console;
};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

}  // namespace

// LATT C P: P21 plus the inversion; LATT A C: the twofold axis plus the C translation, no inversion.
TEST_F(Xd, LatticeWords) {
  const Mat3 inv{{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}, two{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}};
  ASSERT_EQ(read(data_path("xd/centro_p.mas"), data_path("xd/v1.inp")).message, "");
  EXPECT_EQ(run.symm.ns, 4);
  EXPECT_TRUE(has_op(inv, {0, 0, 0}));
  ASSERT_EQ(read(data_path("xd/acentric_c.mas"), data_path("xd/v1.inp")).message, "");
  EXPECT_EQ(run.symm.ns, 4);
  EXPECT_FALSE(has_op(inv, {0, 0, 0}));
  EXPECT_TRUE(has_op(two, {0.5f, 0.5f, 0}));
}

// v1.inp: no XDPARFILE line, a dummy before the atoms, then atoms of orders 4, 2, 1 and levels
// 4, 2, 0 in the element order C, O, C. A miscounted skip shifts every later value.
TEST_F(Xd, Version1FileWithEveryRecordShape) {
  ASSERT_EQ(read(data_path("xd/centro_p.mas"), data_path("xd/v1.inp")).message, "");
  ASSERT_EQ(run.atoms.ia, 3);
  EXPECT_EQ(run.amodel, test::pad_to("MYMODEL", 20));
  const int iut[] = {4, 2, 1}, isft[] = {1, 2, 1};
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(run.atoms1.iut[i], iut[i - 1]);
    EXPECT_EQ(run.atoms1.isft[i], isft[i - 1]);
    EXPECT_FLOAT_EQ(run.at_uij.u[i][0], 0.001f + 0.01f * static_cast<float>(i));
    EXPECT_FLOAT_EQ(run.atoms.xf[i][2], 0.3f * static_cast<float>(i));
  }
  EXPECT_EQ(run.atoms.atom[2], "O(1)    ");
  EXPECT_EQ(run.atoms1.iaf[2], -1);  // half occupied on a general position
  EXPECT_EQ(run.at_types.iatype, (std::vector<int>{0, 6, 8}));
  EXPECT_FLOAT_EQ(run.shelx1.fvar[8], 8.0f);
  EXPECT_FLOAT_EQ(run.shelx1.fvar[9], 9.0f);
  EXPECT_FLOAT_EQ(run.shelx1.fvar[1], 2.5f);
}

TEST_F(Xd, BadFiles) {
  const std::string mas = data_path("xd/centro_p.mas"), v1 = slurp(data_path("xd/v1.inp"));
  const std::string count = "   0   3   0   0   2", c1 = "    1    3    4    1    1    4    1    0";
  struct Case {
    std::string par, master;  // bad.inp, bad.mas; empty: the good file (or none, for "-")
    const char* message;
    const char* detail;  // on the console
  };
  const Case cases[] = {
      {replaced(v1, count, "   0   4   0   0   2"), "", "Error reading XD parameter file",
       "End of XD parameter file while reading atom record 4 of 4"},
      {replaced(v1, count, "   0   2   0   0   2"), "", "Error reading XD parameter file",
       "more atom records than the atom count 2"},
      {v1.substr(0, v1.find("  4.0000  0.0000\n")), "", "Error reading XD parameter file",
       "reading the multipole populations of atom C(2)"},
      {replaced(v1, c1, "    1    3    4    1    1    4    1"), "", "Error reading XD parameter file",
       "atom record 3 of 3"},  // its record is passed over
      {replaced(v1, "O(1)      1", "X(1)      1"), "", "No element recognised in atom label X(1)", ""},
      {replaced(v1, c1, "    1    3    5    1    1    4    1    0"), "", "Error reading XD parameter file",
       "Displacement order 5 of atom C(1) is not 1 to 4"},
      {replaced(v1, count, "   0   0   0   0   2"), "", "Error reading XD parameter file", "atom count of the limits line is 0"},
      {"XDPARFILE VERSION 3\n" + v1, "", "Error reading XD parameter file", "version 3 is not 1 or 2"},
      {"-", "", "Error opening XD parameter file bad.inp", ""},
      {"", replaced(slurp(mas), "CELL ", "CELX "), "No CELL line in XD master file bad.mas", ""},
      {"", replaced(slurp(mas), "LATT C P", "LATT C"), "Error reading XD master file", "LATT line needs"},
      {"", replaced(slurp(mas), "KEY     XYZ", "KEX     XYZ"), "No KEY line in XD master file bad.mas", ""},
      {"", replaced(slurp(mas), "extcn", "extcx"), "No EXTCN line in XD master file bad.mas", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    std::filesystem::remove("bad.inp");
    if (!c.par.empty() && c.par != "-") test::write_file("bad.inp", c.par);
    if (!c.master.empty()) test::write_file("bad.mas", c.master);
    const Fatal f = read(c.master.empty() ? mas : "bad.mas", c.par.empty() ? data_path("xd/v1.inp") : "bad.inp");
    EXPECT_EQ(f.where, "ReadXD");
    EXPECT_EQ(f.message, c.message);
    EXPECT_NE(console.str().find(c.detail), std::string::npos) << console.str();
  }
  EXPECT_EQ(read("none.mas", "bad.inp").message, "Error opening XD master file none.mas");
}
