// PLATON and AIM2TAB readers: Cartesian atoms, bohr to Angstrom, ignored lines and bad files.
#include <gtest/gtest.h>

#include <sstream>

#include "../support.h"
#include "readers/cartesian.h"
#include "util/err.h"

using namespace vorn;

namespace {

class Cartesian : public vorn::test::InTempDir {
 protected:
  using Reader = void (*)(vorn::Run&, const std::string&);
  void read(Reader reader, const std::string& text) {
    test::write_file("in.txt", text);
    vorn::test::open_reader_outputs(run, dir_, console);
    reader(run, "in.txt");
    run.nout.close();
  }
  Fatal fatal(Reader reader, const std::string& text) {
    try {
      read(reader, text);
    } catch (const Fatal& f) {
      return f;
    }
    ADD_FAILURE() << "read without a fatal error:\n" << text;
    return Fatal("", "");
  }
  vorn::Run run;
  std::ostringstream console;
};

// An AIM2TAB atom table in its columns "(5x,a8,11x,3f9.4)", coordinates in bohr.
std::string aim_row(int n, const std::string& label, float x, float y, float z) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "%4d %-8s%11s%9.4f%9.4f%9.4f", n, label.c_str(), "12.0110", x, y, z);
  return std::string(buf) + "\n";
}
const std::string kCount = "NUMBER OF ATOMS READ =       2\n";
const std::string kHead = "NO. ATOM       AT.MASS      X        Y        Z\n-----\n";

}  // namespace

TEST_F(Cartesian, PlatonAtomsAsWrittenOtherLinesIgnored) {
  read(readplaton, "ANGSTROM\nCELL 5.0 6.0 7.0 90 90 90\nATOM C1 1.2 3.4 5.6\nTITLE x\nATOM Cl2  -1.0 0.0 2.5\n");
  ASSERT_EQ(run.atoms.ia, 2);
  EXPECT_EQ(run.atoms.atom[1], "C1      ");
  EXPECT_EQ(run.atoms.atom[2], "CL2     ");
  EXPECT_EQ(run.atoms.xc[1], (Vec3{1.2f, 3.4f, 5.6f}));
  EXPECT_EQ(run.atoms.xf[2], (Vec3{0, 0, 0}));
  EXPECT_EQ(run.atoms.itype[2], 17);
  EXPECT_EQ(run.atoms1.occ[1], 1.0f);
  EXPECT_EQ(run.atoms1.iaf[1], 0);
  EXPECT_EQ(run.symm.ns, 0);
  EXPECT_EQ(run.ucell.uc[0], 0.0f);  // the CELL line is not read
  EXPECT_EQ(run.at_types.iatype, (std::vector<int>{0, 6, 17}));
  EXPECT_NE(console.str().find("\n Total atoms read from PLATON file =        2"), std::string::npos);
}

TEST_F(Cartesian, Aim2TabBohrToAngstrom) {
  read(readaim2tab, "header text\n" + kCount + "\n" + kHead + aim_row(1, "O1", 10.0f, 0, -2.5f) +
                        aim_row(2, "H1", 0, 1.0f, 0) + "trailer\n");
  ASSERT_EQ(run.atoms.ia, 2);
  EXPECT_EQ(run.atoms.atom[1], "O1      ");
  EXPECT_EQ(run.atoms.xc[1][0], 10.0f * 0.52917725f);
  EXPECT_EQ(run.atoms.xc[1][2], -2.5f * 0.52917725f);
  EXPECT_EQ(run.atoms.itype[2], 1);
  EXPECT_EQ(run.atoms1.lmx[2], 2);
  EXPECT_EQ(run.atoms1.isft[2], 2);  // the element's place in the element list
  EXPECT_NE(test::slurp("vorn.out").find("   atom type =  2    atomic number =   1"), std::string::npos);
}

TEST_F(Cartesian, BadFiles) {
  struct Case {
    const char* name;
    Reader reader;
    std::string text;  // empty: no file at all
    const char* where;
    const char* message;
  };
  const Case cases[] = {
      {"PLATON missing", readplaton, "", "ReadPlaton", "Error opening PLATON file"},
      {"PLATON without ATOM lines", readplaton, "ANGSTROM\nCELL 1 1 1 90 90 90\n", "ReadPlaton",
       "No ATOM lines in PLATON file in.txt"},
      {"PLATON label without element", readplaton, "ATOM Q1 0 0 0\n", "ReadPlaton",
       "No element recognised in atom label Q1"},
      {"PLATON coordinates missing", readplaton, "ATOM C1 1.0 2.0\n", "ReadPlaton", "Error reading PLATON file"},
      {"AIM2TAB missing", readaim2tab, "", "ReadAim2Tab", "Error opening AIM2TAB output file..."},
      {"AIM2TAB table before count", readaim2tab, kHead + aim_row(1, "O1", 0, 0, 0) + kCount, "ReadAim2Tab",
       "The atom table comes before the \"NUMBER OF ATOMS READ =\" line"},
      {"AIM2TAB table short", readaim2tab, kCount + kHead + aim_row(1, "O1", 0, 0, 0), "ReadAim2Tab",
       "Atom table ends after 1 of 2 atoms"},
      {"AIM2TAB row out of columns", readaim2tab, kCount + kHead + aim_row(1, "O1", 0, 0, 0) + "   2 H1  0.0 0.0 0.0\n",
       "ReadAim2Tab", "Atom table ends after 1 of 2 atoms"},
      {"AIM2TAB no table", readaim2tab, kCount, "ReadAim2Tab",
       "No atom table (\"NO. ATOM       AT.MASS\") in AIM2TAB output file in.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vorn::Run fresh;
    run = std::move(fresh);
    const Fatal f = [&] {
      if (!c.text.empty()) return fatal(c.reader, c.text);
      std::filesystem::remove("in.txt");
      try {
        vorn::test::open_reader_outputs(run, dir_, console);
        c.reader(run, "in.txt");
      } catch (const Fatal& e) {
        return e;
      }
      return Fatal("", "");
    }();
    EXPECT_EQ(f.where, c.where);
    EXPECT_EQ(f.message, c.message);
  }
}
