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
  // The fatal error of reading text (no file when it is empty), or an empty one.
  Fatal read(Reader reader, const std::string& text) {
    run = vorn::Run();
    std::filesystem::remove("in.txt");
    if (!text.empty()) test::write_file("in.txt", text);
    vorn::test::open_reader_outputs(run, dir_, console);
    try {
      reader(run, "in.txt");
    } catch (const Fatal& f) {
      return f;
    }
    return Fatal("", "");
  }
  vorn::Run run;
  std::ostringstream console;
};

// One row of an AIM2TAB table, "(5x,a8,11x,3f9.4)", in bohr.
std::string row(int n, const char* label, float x) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "%4d %-8s%11s%9.4f%9.4f%9.4f\n", n, label, "12.0110", x, 0.0f, 1.0f);
  return buf;
}
const std::string kCount = "NUMBER OF ATOMS READ =       2\n";
const std::string kHead = "NO. ATOM       AT.MASS      X        Y        Z\n-----\n";

}  // namespace

TEST_F(Cartesian, AtomsAsWritten) {
  ASSERT_EQ(read(readplaton, "ANGSTROM\nCELL 5 6 7 90 90 90\nATOM C1 1.2 3.4 5.6\nTITLE x\nATOM Cl2 -1 0 2\n").message, "");
  ASSERT_EQ(run.atoms.ia, 2);
  EXPECT_EQ(run.atoms.atom[2], "CL2     ");
  EXPECT_EQ(run.atoms.xc[1], (Vec3{1.2f, 3.4f, 5.6f}));
  EXPECT_EQ(run.atoms.xf[1], (Vec3{0, 0, 0}));
  EXPECT_EQ(run.at_types.iatype, (std::vector<int>{0, 6, 17}));
  EXPECT_EQ(run.ucell.uc[0], 0.0f);  // the CELL line is not read
  ASSERT_EQ(read(readaim2tab, "text\n" + kCount + kHead + row(1, "O1", 10.0f) + row(2, "H1", 0) + "text\n").message, "");
  ASSERT_EQ(run.atoms.ia, 2);
  EXPECT_EQ(run.atoms.xc[1][0], 10.0f * 0.52917725f);
  EXPECT_EQ(run.atoms1.lmx[2], 2);
  EXPECT_EQ(run.atoms1.isft[2], 2);  // the element's place in the element list
}

TEST_F(Cartesian, BadFiles) {
  const struct {
    Reader reader;
    std::string text;
    const char* message;
  } cases[] = {
      {readplaton, "", "Error opening PLATON file in.txt"},
      {readplaton, "ANGSTROM\nCELL 1 1 1 90 90 90\n", "No ATOM lines in PLATON file in.txt"},
      {readplaton, "ATOM Q1 0 0 0\n", "No element recognised in atom label Q1"},
      {readplaton, "ATOM C1 1.0 2.0\n", "Error reading PLATON file"},
      {readaim2tab, "", "Error opening AIM2TAB output file..."},
      {readaim2tab, kHead + row(1, "O1", 0) + kCount, "The atom table comes before the \"NUMBER OF ATOMS READ =\" line"},
      {readaim2tab, kCount + kHead + row(1, "O1", 0), "Atom table ends after 1 of 2 atoms"},
      {readaim2tab, kCount + kHead + row(1, "O1", 0) + "   2 H1  0.0 0.0 0.0\n", "Atom table ends after 1 of 2 atoms"},
      {readaim2tab, kCount, "No atom table (\"NO. ATOM       AT.MASS\") in AIM2TAB output file in.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(read(c.reader, c.text).message, c.message) << c.text;
}
