// Bad input, round two: special files, byte-order marks, unusable values and lost writes, each with its message.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "driver/vorn.h"
#include "readers/shelx.h"
#include "support.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

class BadFiles : public test::InTempDir {};

const std::string kExamples = std::string(VORN_TEST_DATA) + "/../../examples/";

// A water molecule in an orthorhombic cell; the cell line and the oxygen's line are the row's.
std::string water(const std::string& cell = "CELL 0.71073 8.0 9.0 10.0 90 90 90",
                  const std::string& oxygen = "O1    1    0.50000   0.50000   0.50000  11.00000  0.02000") {
  return "TITL water\n" + cell + "\nLATT -1\nSFAC O H\nUNIT 1 2\nFVAR 1.0\n" + oxygen + "\n" +
         "H1    2    0.59560   0.50000   0.56200  11.00000  -1.50000\n"
         "H2    2    0.40440   0.50000   0.56200  11.00000  -1.50000\nHKLF 4\nEND\n";
}

std::string with_nul(std::string s, const std::string& at) {
  s[s.find(at) + 1] = '\0';
  return s;
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  return s.replace(s.find(from), from.size(), to);
}

// A two-atom CIF in P1; `cell_a` and the second site's x are the row's.
std::string cif(const std::string& cell_a = "8.0", const std::string& x2 = "0.65") {
  return "data_w\n_cell_length_a " + cell_a +
         "\n_cell_length_b 9.0\n_cell_length_c 10.0\n_cell_angle_alpha 90\n_cell_angle_beta 90\n"
         "_cell_angle_gamma 90\n_space_group_name_H-M_alt 'P 1'\nloop_\n_atom_site_label\n_atom_site_type_symbol\n"
         "_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n_atom_site_U_iso_or_equiv\n"
         "C1 C 0.50 0.50 0.50 0.02\nO1 O " + x2 + " 0.50 0.50 0.02\n";
}

std::string platon(const std::string& label = "O1", const std::string& x = "0.0") {
  return "ATOM " + label + " " + x + " 0.0 0.0\nATOM H1 0.96 0.0 0.0\nATOM H2 -0.24 0.93 0.0\n";
}

// An AIM2TAB table of water; the oxygen's label is the row's.
std::string aim2tab(const std::string& o = "O1") {
  auto row = [](int n, const std::string& label, float x, float y) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%4d %-8s%11s%9.4f%9.4f%9.4f\n", n, label.c_str(), "1.0000", x, y, 0.0f);
    return std::string(buf);
  };
  return "NUMBER OF ATOMS READ =       3\nNO. ATOM       AT.MASS\n----\n" + row(1, o, 0, 0) + row(2, "H1", 1.8f, 0) +
         row(3, "H2", -0.45f, 1.76f);
}

// The XD pair of the test data, with the carbon's label, occupancy or first coordinate replaced.
std::map<std::string, std::string> xd(const std::string& from = "", const std::string& to = "") {
  std::string par = test::slurp(test::data_path("xd/v1.inp"));
  if (!from.empty()) par = replaced(par, from, to);
  return {{"vorn.inp", "FORMAT *xd\nINPUT m.mas p.inp\n"}, {"m.mas", test::slurp(test::data_path("xd/centro_p.mas"))},
          {"p.inp", par}};
}

// The example methanol job on the sample databank, the databank or the control file changed.
std::map<std::string, std::string> dbjob(const std::string& db_from, const std::string& db_to,
                                         const std::string& extra = "CHFRAG 0.\n") {
  std::string db = test::slurp(kExamples + "sample.db");
  if (!db_from.empty()) db = replaced(db, db_from, db_to);
  return {{"vorn.inp", "FORMAT *shelx\nINPUT methanol.res\nDATABANK sample.db\nNFRAG 1\nFRAG 1 1 -6\n" + extra},
          {"methanol.res", test::slurp(kExamples + "methanol.res")},
          {"sample.db", db}};
}

std::map<std::string, std::string> shelx(const std::string& res, const std::string& control = "") {
  return {{"vorn.inp", "FORMAT *shelx\nINPUT s.res\n" + control}, {"s.res", res}};
}

// Runs the job in a fresh subdirectory made by `setup` after the files are written; the console.
std::string run_in(const std::string& dir, const std::map<std::string, std::string>& files,
                   void (*setup)() = nullptr) {
  fs::create_directory(dir);
  const fs::path back = fs::current_path();
  fs::current_path(dir);
  for (const auto& [name, text] : files) test::write_file(name, text);
  if (setup) setup();
  std::ostringstream con;
  std::istringstream in;
  vorn_main({}, con, in);
  fs::current_path(back);
  return con.str();
}

}  // namespace

TEST_F(BadFiles, EachEndsWithItsMessage) {
  struct Row {
    const char* what;
    std::map<std::string, std::string> files;
    void (*setup)();
    std::string expect;
  };
  const std::string cell = "CELL 0.71073 8.0 9.0 10.0 90 90 90";
  const Row rows[] = {
      // numbers that would overflow the cell grid or a field of stars
      {"covalent radius 2e38", shelx(water(), "RADII C 2e38\n"), nullptr,
       "Covalent radius 0.2000E+39 is out of range (0 .. 10) on the RADII line of vorn.inp"},
      {"cell and no atoms", shelx("TITL x\n" + cell + "\nLATT -1\nSFAC C\nUNIT 1\nHKLF 4\nEND\n"), nullptr,
       " ERROR *** ReadShelx *** No atoms in SHELX file s.res"},
      {"negative occupancy", shelx(water(cell, "O1    1    0.5  0.5  0.5  -0.5  0.02")), nullptr,
       "Occupancy -0.5000 is out of range (0 .. 1.001) in line <<O1    1    0.5  0.5  0.5  -0.5  0.02>>"},
      {"negative wavelength", shelx(water("CELL -1 8.0 9.0 10.0 90 90 90")), nullptr,
       " ERROR *** ReadShelx *** Wavelength -1.0000 is out of range (0 .. 20) in line <<CELL -1 8.0 9.0 10.0 90 90 90>>"},
      {"SHELX cell length 1e18", shelx(water("CELL 0.71073 1e18 9.0 10.0 90 90 90")), nullptr,
       "Cell length 0.1000E+19 is out of range (0 .. 5000)"},
      {"SHELX cell angle 1e30", shelx(water("CELL 0.71073 8.0 9.0 10.0 90 1e30 90")), nullptr,
       "Cell angle 0.1000E+31 is out of range (0 .. 180)"},
      {"SHELX Uiso 500 by a free variable",
       shelx(replaced(water(cell, "O1    1    0.5  0.5  0.5  11.0  21.0"), "FVAR 1.0", "FVAR 1.0 500")), nullptr,
       "Displacement parameter 500.0000 is out of range (-10 .. 10) in line <<O1    1    0.5  0.5  0.5  11.0  21.0>>"},
      {"CIF coordinate 1e30", {{"vorn.inp", "FORMAT *cif\nINPUT w.cif\n"}, {"w.cif", cif("8.0", "1e30")}}, nullptr,
       " ERROR *** ReadCif *** Fractional coordinate 0.1000E+31 is out of range (-10 .. 10) in atom site O1"},
      {"CIF cell length -1e30", {{"vorn.inp", "FORMAT *cif\nINPUT w.cif\n"}, {"w.cif", cif("-1e30")}}, nullptr,
       "Cell length -0.1000E+31 is out of range (0 .. 5000) in _cell_length_a"},
      {"CIF cell length 1e39", {{"vorn.inp", "FORMAT *cif\nINPUT w.cif\n"}, {"w.cif", cif("1e39")}}, nullptr,
       " ERROR *** ReadNumber *** Number 1e39 is out of range in _cell_length_a"},
      {"XD coordinate 1e30", xd("0.10000  0.20000", "1e30  0.20000"), nullptr,
       "Fractional coordinate 0.1000E+31 is out of range (-10 .. 10) in the record of atom C(1)"},
      {"XD occupancy -1", xd("0.30000  1.0000", "0.30000  -1.0000"), nullptr,
       "Occupancy -1.0000 is out of range (0 .. 1.001) in the record of atom C(1)"},
      {"PLATON coordinate 1e30", {{"vorn.inp", "FORMAT *platon\nINPUT w.ang\n"}, {"w.ang", platon("O1", "1e30")}},
       nullptr, " ERROR *** ReadPlaton *** Cartesian coordinate 0.1000E+31 is out of range (-10000 .. 10000) for atom 1 O1"},
      {"databank PVAL 3e38", dbjob("PVAL  4.050", "PVAL  3e38"), nullptr,
       "Population 0.3000E+39 is out of range (-50 .. 50) in line <<PVAL  3e38  0.990  0.850  0.050>>"},
      {"databank PLMS 2 0 3e38", dbjob("PLMS  2 0  0.020", "PLMS  2 0  3e38"), nullptr,
       "Population 0.3000E+39 is out of range (-50 .. 50) in line <<PLMS  2 0  3e38>>"},
      {"CHFRAG 3e38", dbjob("", "", "CHFRAG 3e38\n"), nullptr,
       "Charge 0.3000E+39 is out of range (-50 .. 50) in line <<CHFRAG 3E38>> of vorn.inp"},
      // labels that would carry a control byte into every output file
      {"NUL in an XD label", xd("C(1)      1", std::string("C\0(1)     1", 11)), nullptr,
       " ERROR *** ReadXD *** The label of atom 1 holds a character that is not printable ASCII"},
      {"NUL in an AIM2TAB label", {{"vorn.inp", "FORMAT *aim2tab\nINPUT w.tab\n"}, {"w.tab", with_nul(aim2tab("OX"), "OX")}},
       nullptr, " ERROR *** ReadAim2Tab *** The label of atom 1 holds a character that is not printable ASCII"},
      {"ESC in a PLATON label", {{"vorn.inp", "FORMAT *platon\nINPUT w.ang\n"}, {"w.ang", platon("O\x1b")}}, nullptr,
       " ERROR *** ReadPlaton *** The label of atom 1 holds a character that is not printable ASCII"},
      // files that are no regular files, and lines without end
      {"directory as SHELX input", shelx(""), [] { fs::remove("s.res"), fs::create_directory("s.res"); },
       " ERROR *** ReadShelx *** SHELX file s.res is not a regular file"},
      {"/dev/zero as SHELX input", {{"vorn.inp", "FORMAT *shelx\nINPUT /dev/zero\n"}}, nullptr,
       " ERROR *** ReadShelx *** SHELX file /dev/zero is not a regular file"},
      {"/dev/urandom as CIF", {{"vorn.inp", "FORMAT *cif\nINPUT /dev/urandom\n"}}, nullptr,
       " ERROR *** ReadCif *** CIF file /dev/urandom is not a regular file"},
      {"FIFO without a writer as PLATON file", {{"vorn.inp", "FORMAT *platon\nINPUT w.ang\n"}},
       [] { ASSERT_EQ(mkfifo("w.ang", 0600), 0); }, " ERROR *** ReadPlaton *** PLATON file w.ang is not a regular file"},
      {"/dev/zero as databank", dbjob("", "", "CHFRAG 0.\nDATABANK /dev/zero\n"), nullptr,
       " Databank file /dev/zero is not a regular file\n\n Error opening databank file /dev/zero"},
      {"FIFO as the control file", {}, [] { ASSERT_EQ(mkfifo("vorn.inp", 0600), 0); },
       "VORN input file vorn.inp is not a regular file"},
      {"a line of a megabyte in the control file", {{"vorn.inp", "FORMAT *shelx\n" + std::string(1 << 20, 'A') + "\n"}},
       nullptr, " ERROR *** ReadInputLine *** Line exceeds limit of 255 characters"},
      // outputs on a full disk
      {"vorn.cif on a full disk", shelx(water(), "INPUT s.res rename *toxd\n"),
       [] { fs::create_symlink("/dev/full", "vorn.cif"); }, "Error writing file vorn.cif"},
      {"group.ang on a full disk", shelx(test::slurp(test::data_path("localaxes/angles10.res"))),
       [] { fs::create_symlink("/dev/full", "group.ang"); }, " ERROR *** PrintGroup *** Error writing file group.ang"},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const std::string con = run_in("row" + std::to_string(++n), r.files, r.setup);
    const size_t e = con.rfind("ERROR");
    EXPECT_NE(con.find(r.expect), std::string::npos) << con.substr(e == std::string::npos ? 0 : e);
    EXPECT_EQ(con.find("Total program elapsed times"), std::string::npos);
  }
}

// The byte-order mark of an editor is skipped in every text input: the job runs as without it.
TEST_F(BadFiles, ByteOrderMarkIsSkipped) {
  const std::string bom = "\xEF\xBB\xBF";
  struct Row {
    const char* what;
    std::map<std::string, std::string> files;
    const char* log;  // a line of vorn.out that shows the input was read in full
  };
  const Row rows[] = {
      {"control file", {{"vorn.inp", bom + "EXTEND_H\nFORMAT *shelx\nINPUT s.res\n"}, {"s.res", water()}},
       " Extend H-atoms to standard/neutron distances and create files"},
      {"SHELX file", shelx(bom + water()), " Total atoms read from SHELX file =     3"},
      {"CIF", {{"vorn.inp", "FORMAT *cif\nINPUT w.cif\n"}, {"w.cif", bom + cif()}}, " Total atoms read from CIF file =     2"},
      {"PLATON file", {{"vorn.inp", "FORMAT *platon\nINPUT w.ang\n"}, {"w.ang", bom + platon()}},
       " Total atoms read from PLATON file =        3"},
      {"databank", [] {
         auto f = dbjob("", "");
         f["sample.db"] = "\xEF\xBB\xBF" + f["sample.db"];
         return f;
       }(),
       " ATOMS SEARCHED in DB, FOUND in DB, NOT FOUND in DB =        6       6       0"},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const std::string dir = "bom" + std::to_string(++n);
    const std::string con = run_in(dir, r.files);
    EXPECT_EQ(con.find("ERROR"), std::string::npos) << con;
    EXPECT_NE(test::slurp(fs::path(dir) / "vorn.out").find(r.log), std::string::npos);
  }
}

// Two atoms at one place pass with a warning naming both, counted for the closing summary.
TEST_F(BadFiles, AtomsAtTheSamePositionAreWarned) {
  std::string res = water();
  res = replaced(res, "HKLF", "O2    1    0.50000   0.50000   0.50000  11.00000  0.02000\nHKLF");
  const std::string con = run_in("same", shelx(res));
  EXPECT_EQ(con.find("ERROR"), std::string::npos);
  EXPECT_NE(test::slurp("same/vorn.out").find(" Warning : atom O(2) is at the same position as atom O(1)"),
            std::string::npos);
}

// More than 99999 atoms: the count in the log is written in full, not as a field of stars.
TEST_F(BadFiles, AtomCountPast99999IsWrittenInFull) {
  std::string res = "TITL grid\nCELL 0.71073 75 75 75 90 90 90\nLATT -1\nSFAC C\nUNIT 1\nFVAR 1.0\n";
  const int n = 100001, side = 47;  // 47^3 points 1.6 A apart
  char buf[96];
  for (int k = 0; k < n; ++k) {
    std::snprintf(buf, sizeof buf, "C%d 1 %.5f %.5f %.5f 11.0 0.02\n", k + 1, (k % side + 0.5) / side,
                  (k / side % side + 0.5) / side, (k / (side * side) + 0.5) / side);
    res += buf;
  }
  test::write_file("big.res", res + "HKLF 4\nEND\n");
  vorn::Run run;
  run.set.lrs = true;  // labels C(1) .. C(100001) would not fit 8 characters as read
  std::ostringstream con;
  test::open_reader_outputs(run, dir_, con);
  readshelx(run, "big.res");
  run.nout.close();
  EXPECT_EQ(run.atoms.ia, n);
  EXPECT_NE(test::slurp("vorn.out").find(" Total atoms read from SHELX file =  100001\n"), std::string::npos);
}
