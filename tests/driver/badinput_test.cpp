// Broken numbers, cells and symmetry through the whole program: each ends with its message or a logged repair.
#include <gtest/gtest.h>

#include <sstream>

#include "driver/vorn.h"
#include "support.h"

using namespace vorn;

namespace {

class BadInput : public test::InTempDir {};

// A water molecule; the cell, the LATT/SYMM lines and the oxygen's occupancy are the row's.
std::string water(const std::string& cell, const std::string& symm, const std::string& occ,
                  const std::string& x = "0.50000") {
  return "TITL water\nCELL 0.71073 " + cell + "\n" + symm + "\nSFAC O H\nUNIT 1 2\nFVAR 1.0\n" +
         "O1    1    " + x + "   0.50000   0.50000  " + occ + "  0.02000\n" +
         "H1    2    0.59560   0.50000   0.56200  11.00000  -1.50000\n"
         "H2    2    0.40440   0.50000   0.56200  11.00000  -1.50000\nHKLF 4\nEND\n";
}

// One run on the structure text res with the control lines after FORMAT/INPUT; the console.
// A run that ends with its message returns exit_fatal, a repaired one exit_ok.
std::string job(const std::string& res, const std::string& control = "", int status = exit_ok) {
  test::write_file("s.res", res);
  test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\n" + control);
  std::ostringstream con;
  std::istringstream in;
  EXPECT_EQ(vorn_main({}, con, in), status);
  return con.str();
}

}  // namespace

TEST_F(BadInput, EachEndsWithItsMessage) {
  const std::string cell = "8.0 9.0 10.0 90 90 90";
  struct Row {
    const char* what;
    std::string control, res, expect;
  };
  const Row rows[] = {
      {"tolerance past single precision", "TOLS 1e39 1e39 1e39\n", water(cell, "LATT -1", "11.0"),
       " ERROR *** ReadNumber *** Number 1e39 is out of range in line <<TOLS 1e39 1e39 1e39>>"},
      {"radius past single precision", "RADII C 1e39\n", water(cell, "LATT -1", "11.0"),
       " ERROR *** ReadNumber *** Number 1e39 is out of range in line <<RADII C 1e39>>"},
      {"cell length past single precision", "", water("1e39 9.0 10.0 90 90 90", "LATT -1", "11.0"),
       " ERROR *** ReadNumber *** Number 1E39 is out of range in line"},
      {"coordinate past single precision", "", water(cell, "LATT -1", "11.0", "1.0E+39"),
       " ERROR *** ReadNumber *** Number 1.0E+39 is out of range in line"},
      {"free-variable code past an int", "", water(cell, "LATT -1", "42949672960"),
       " ERROR *** ReadShelx *** Atom O(1) refers to free variable"},
      {"free-variable code 1e30", "", water(cell, "LATT -1", "1e30"),
       " ERROR *** ReadShelx *** Atom O(1) refers to free variable"},
      {"flat cell", "", water("8.0 9.0 10.0 90 90 180", "LATT -1", "11.0"),
       " ERROR *** TranMat *** Impossible cell parameters: the cell has no volume"},
      {"nearly flat cell", "", water("8.0 9.0 10.0 90 90 179.99", "LATT -1", "11.0"),
       " ERROR *** TranMat *** Impossible cell parameters: the cell has no volume"},
      {"NUL byte in a label", "", [] {
         std::string r = water("8.0 9.0 10.0 90 90 90", "LATT -1", "11.0");
         r[r.find("H1 ") + 1] = '\0';
         return r;
       }(),
       " ERROR *** ReadShelx *** The label of atom 2 holds a character that is not printable ASCII"},
      {"UTF-8 character in a label", "", [] {
         std::string r = water("8.0 9.0 10.0 90 90 90", "LATT -1", "11.0");
         return r.replace(r.find("H2 "), 2, "H\xc3\xa9");
       }(),
       " ERROR *** ReadShelx *** The label of atom 3 holds a character that is not printable ASCII"},
      {"isolated atom in a 0.001 A cell", "",
       "TITL tiny\nCELL 0.71073 0.001 0.001 0.001 90 90 90\nLATT -1\nSFAC C\nUNIT 1\nFVAR 1.0\n"
       "C1 1 0.1 0.2 0.3 11.0 0.03\nHKLF 4\nEND\n",
       " ERROR *** LocalDef *** No fixed point defines the X-axis of atom C(1) : the cell is too small"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const std::string con = job(r.res, r.control, exit_fatal);
    const size_t e = con.rfind("ERROR");
    EXPECT_NE(con.find(r.expect), std::string::npos) << con.substr(e == std::string::npos ? 0 : e);
    EXPECT_EQ(con.find("Total program elapsed times"), std::string::npos);
  }
}

// A huge NCELLS is bounded and costs only what the fragments need.
TEST_F(BadInput, HugeNcellsIsBounded) {
  const std::string con = job(water("8.0 9.0 10.0 90 90 90", "LATT -1", "11.0"), "NCELLS 999999999\n");
  EXPECT_EQ(con.find("ERROR"), std::string::npos);
  const std::string log = test::slurp("vorn.out");
  EXPECT_NE(log.find(" NCELLS above 99 is taken as 99"), std::string::npos);
  EXPECT_NE(log.find(" Search for complete fragments within -99 ... +99 unit cells"), std::string::npos);
}

// An explicit inversion card in a centrosymmetric lattice: the repeated operators are dropped, so a
// half-occupied atom on a general position stays disordered instead of landing on a special position.
TEST_F(BadInput, RepeatedOperatorsAreDropped) {
  const std::string con = job(water("8.0 9.0 10.0 90 90 90", "LATT 1\nSYMM -X, -Y, -Z", "10.50000", "0.31000"));
  EXPECT_EQ(con.find("ERROR"), std::string::npos);
  const std::string log = test::slurp("vorn.out");
  EXPECT_NE(log.find(" Symmetry operation   3 repeats operation   2 : dropped"), std::string::npos);
  EXPECT_NE(log.find(" Symmetry operation   4 repeats operation   1 : dropped"), std::string::npos);
  EXPECT_NE(log.find(" Symmetry operations with Center of Symmetry applied:   2"), std::string::npos);
}

// An illegal SYMM card and a second LATT record reach neither the master file nor the MoPro file.
TEST_F(BadInput, IllegalCardsAndRepeatedLattStayOutOfTheFiles) {
  const std::string con = job(water("8.0 9.0 10.0 90 90 90", "LATT -1\nLATT 2\nSYMM X,Y\nSYMM -X, -Y, Z", "11.0"));
  EXPECT_EQ(con.find("ERROR"), std::string::npos);
  const std::string mas = test::slurp("xd_vorn.mas");
  EXPECT_NE(mas.find("LATT A P\n"), std::string::npos);
  EXPECT_EQ(mas.find("LATT C I"), std::string::npos);
  EXPECT_EQ(mas.find("SYMM X,Y\n"), std::string::npos);
  EXPECT_NE(mas.find("SYMM -X, -Y, Z\n"), std::string::npos);
  EXPECT_NE(test::slurp("mopro_vorn.par").find("SYMM   2 P\n"), std::string::npos);
  const std::string log = test::slurp("vorn.out");
  EXPECT_NE(log.find(" Warning : second LATT record ignored: LATT 2"), std::string::npos);
  EXPECT_NE(log.find(" Warning : illegal SYMM record not written to the output files: SYMM X,Y"), std::string::npos);
}

// Two long labels cut to the same 8 characters are both kept, with a warning in the log.
TEST_F(BadInput, LabelsCutToTheSameTextAreWarned) {
  std::string r = water("8.0 9.0 10.0 90 90 90", "LATT -1", "11.0");
  r.replace(r.find("H1 "), 2, "H12345678");
  r.replace(r.find("H2 "), 2, "H12345679");
  job(r);
  EXPECT_NE(test::slurp("vorn.out").find(" Warning : atom 3 has the label H(123456 of atom 2 (labels are cut to 8 characters)"),
            std::string::npos);
}
