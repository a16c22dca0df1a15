// The whole program in a working directory: command line, files, stages in order, summary, errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <sstream>

#include "driver/vorn.h"
#include "util/err.h"
#include "support.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

class Driver : public test::InTempDir {
 protected:
  int run(std::vector<std::string> args = {}, const std::string& stdin_text = "") {
    console_.str("");
    std::istringstream in(stdin_text);
    return vorn_main(args, console_, in);
  }
  void water(const std::string& extra = "") {
    fs::copy_file(test::data_path("driver/water.res"), "water.res");
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT water.res\n" + extra);
  }
  std::string con() const { return console_.str(); }
  std::ostringstream console_;
};

bool contains(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

}  // namespace

TEST_F(Driver, HelpPrintsBannerAndSampleAndWritesNothing) {
  EXPECT_EQ(run({"-h"}), 0);
  auto lines = test::lines_of(con());
  // the 44 lines of the sample and the two comment lines for CIF input after the XD example
  ASSERT_EQ(lines.size(), 10u + 46u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], " " + std::string(71, '='));
  EXPECT_EQ(lines[2], "   PROGRAM  V O R N  -  AUTOMATIC SETUP OF THE LOCAL COORDINATE SYSTEM");
  EXPECT_EQ(lines[7], " Sample VORN input file (vorn.inp) can be printed out with : vorn -h");
  EXPECT_EQ(lines[10], " ");
  EXPECT_EQ(lines[14], "FORMAT  *shelx xd aim2tab platon ");
  EXPECT_EQ(lines[18], "!INPUT   xd.mas xd.inp ");
  EXPECT_EQ(lines[19], "! for CIF (FORMAT *cif; a data block may follow the name) : ");
  EXPECT_EQ(lines[20], "!INPUT   structure.cif ");
  EXPECT_EQ(lines[21], "! etc : ");
  EXPECT_EQ(lines[55], " ");
  EXPECT_TRUE(fs::is_empty(fs::current_path()));
}

// An option the program does not know is a command-line mistake: message, usage line, status 2.
TEST_F(Driver, OtherArgumentIsAMistake) {
  EXPECT_EQ(run({"--frobnicate"}), exit_usage);
  EXPECT_EQ(test::lines_of(con()).size(), 2u);
  EXPECT_TRUE(fs::is_empty(fs::current_path()));
}

TEST_F(Driver, SampleControlFileReadsBack) {
  run({"-h"});
  auto lines = test::lines_of(con());
  std::string sample;
  for (size_t k = 10; k < lines.size(); ++k) sample += lines[k] + "\n";
  test::write_file("vorn.inp", sample);
  run();
  std::string log = test::slurp("vorn.out");
  EXPECT_TRUE(contains(log, " Verbosity level =  4"));
  EXPECT_TRUE(contains(log, " Input file format = SHELX    file(s) = l-dopa.shelx"));
  EXPECT_TRUE(contains(log, " Search for complete fragments within  -1 ...  +1 unit cells"));
  EXPECT_TRUE(contains(log, " Use simple model for determination of chemical equivalency"));
  EXPECT_TRUE(contains(log, " Find rings with   3 -   8 atoms"));
  EXPECT_TRUE(contains(log, " Scale total population using sigmaPv method"));
  // l-dopa.shelx is not here: the run stops in the reader
  EXPECT_TRUE(contains(con(), " ERROR *** ReadShelx *** Error opening SHELX file"));
}

TEST_F(Driver, MissingControlFileStopsWithTheMessage) {
  EXPECT_EQ(run(), exit_fatal);
  const std::string msg = "\n ERROR *** ReadInp *** Unable to open VORN input file vorn.inp\n\n";
  EXPECT_TRUE(contains(con(), msg));
  std::string log = test::slurp("vorn.out");
  EXPECT_TRUE(log.size() >= msg.size() && log.compare(log.size() - msg.size(), msg.size(), msg) == 0);
  EXPECT_FALSE(contains(con(), "Total program elapsed times"));
}

TEST_F(Driver, PlainRunWritesTheFramesAndTheSummary) {
  water();
  EXPECT_EQ(run(), 0);
  EXPECT_FALSE(contains(con(), "ERROR")) << con();
  EXPECT_TRUE(contains(con(), " XD instructions are in file            : xd_vorn.mas"));
  EXPECT_FALSE(contains(con(), "XD parameters are in file"));
  EXPECT_TRUE(contains(con(), " Summary of exceptions    : grep -i 'Exception identified' vorn.out"));
  EXPECT_TRUE(contains(con(), " Total program elapsed times u,s,t (s) :"));
  EXPECT_FALSE(fs::exists("xd_vorn.inp"));
  EXPECT_FALSE(fs::exists("fixedH.ins"));
  // the local-symmetry lines only: no similarity block without the parameter-file step
  EXPECT_EQ(test::slurp("con_mopro.inp"),
            "!\n! local symmetry  \n!\nSYMPLM  mxmz O1         1\nSYMPLM  cy   H1         1\n"
            "SYMPLM  cy   H2         1\n");
  auto par = test::lines_of(test::slurp("mopro_vorn.par"));
  ASSERT_GE(par.size(), 5u);
  EXPECT_EQ(par[0], std::string(80, '!'));
  EXPECT_EQ(par[1], "!           CREATED BY PROGRAM << VORN >>");
  EXPECT_EQ(par[3], "!  ");
  EXPECT_EQ(par[4].substr(0, 4), "CELL");
  auto spf = test::lines_of(test::slurp("vorn.spf"));
  ASSERT_GE(spf.size(), 4u);
  EXPECT_EQ(spf[0], "TITL X-green, Y-yellow, Z-brown, Dummy(D)-orange");
  EXPECT_EQ(spf[1], "ANGSTROM");
  EXPECT_EQ(spf[2].substr(0, 9), "ATOM O(1)");
  // four records per atom, then the one dummy (the H-H midpoint of the water oxygen)
  ASSERT_GE(spf.size(), 16u);
  EXPECT_EQ(spf[14].substr(0, 9), "ATOM D(1)");
  EXPECT_EQ(spf[15], "JOIN RADII  O  0.73 H  0.40 X 0.01 Y 0.01 Z 0.01 D 0.01");
  EXPECT_EQ(spf.back(), "PLOT");
  EXPECT_TRUE(contains(test::slurp("vorn.spf"), "DETACH D H"));
  auto log = test::lines_of(test::slurp("vorn.out"));
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], std::string(80, '-'));
  EXPECT_EQ(log.back(), "");
  EXPECT_FALSE(contains(test::slurp("vorn.out"), "Timing for ring search"));
}

TEST_F(Driver, RingSearchIsTimed) {
  water("RINGS 3 6\n");
  run();
  EXPECT_TRUE(contains(test::slurp("vorn.out"), " Timing for ring search u,s,t (s) :"));
  EXPECT_TRUE(contains(con(), " Timing for ring search u,s,t (s) :"));
}

TEST_F(Driver, ConversionFramesTheParameterFileStep) {
  water();
  test::write_file("vorn.inp", "FORMAT *shelx\nINPUT water.res *toxd\n");
  run();
  EXPECT_TRUE(contains(con(), " Creating XD parameter file..."));
  EXPECT_TRUE(contains(con(), " XD parameters are in file              : xd_vorn.inp"));
  std::string c = test::slurp("con_mopro.inp");
  EXPECT_TRUE(contains(c, "! similarity (switched-off)\n!\n!\n! end\n!\n"));
  // a plain conversion: ranked neighbours, no site symmetry, kappa set = scattering table
  auto mas = test::slurp("xd_vorn.mas");
  EXPECT_TRUE(contains(mas, "\nO(1)     H(1)      X  O(1)     H(2)     Y   R   1  1   1   4   NO\n"));
  EXPECT_TRUE(contains(mas, "\nH(2)     O(1)      X  H(2)     H(1)     Y   R   1  2   2   2   NO\nEND ATOM\n"));
  EXPECT_TRUE(contains(mas, "\nO(1)    000 000000 0000000000 000000000000000 00 000 00000 0000000 000000000\n"));
  auto inp = test::lines_of(test::slurp("xd_vorn.inp"));
  ASSERT_EQ(inp.size(), 29u);
  EXPECT_EQ(inp[6], "USAGE    3 2 4    2 0 1 0 0    2 0 0 0 0    0");
  // X (1) to H(1) = atom 2, Y (2) to H(2) = atom 3; iut 1, table 1, kappa set 1, lmax 4
  EXPECT_EQ(inp[9], "O(1)      1  2    2    1    3      1    1    1    4    1    0  0.50000  0.50000  0.50000  1.0000");
  EXPECT_EQ(inp[11].substr(0, 16), "  6.0000  0.0000");  // neutral O: six valence electrons
  EXPECT_EQ(inp[14], "H(1)      1  2    1    2    3      1    2    2    4    1    0  0.59560  0.50000  0.56200  1.0000");
  EXPECT_EQ(inp[15], "  0.030000  0.000000  0.000000  0.000000  0.000000  0.000000");  // 1.5 x Ueq(O)
  EXPECT_EQ(inp[24], "  1  1.000000  1.000000  1.000000  1.000000  1.000000  1.000000");
  EXPECT_EQ(inp[28], " 0.100000E+01");
  auto par = test::slurp("mopro_vorn.par");
  EXPECT_TRUE(contains(par, "\nATOMS    3\n"));
  EXPECT_TRUE(contains(par, "\nXY   O1           H2            QUA     K2       V0  M0  Q0"));
}

TEST_F(Driver, ExtendHOpensTheBondFiles) {
  water("EXTEND_H\n");
  run();
  EXPECT_TRUE(fs::exists("reset.bond"));
  EXPECT_TRUE(fs::exists("const.bond"));
  // water: both O-H bonds restrained at 0.9584 A, URATIO 1.5 kept full width (100 columns)
  const std::string ur = "URATIO       O1   1   H1   1    1.5 0.01", ur2 = "URATIO       O1   1   H2   1    1.5 0.01";
  EXPECT_EQ(test::slurp("res_mopro.inp"),
            "!\n! X-H distances\n!\n"
            "DISTAN    O1   1   H1   1  0.958 0.001\nDISTAN    O1   1   H2   1  0.958 0.001\n"
            "!\n! isotropic H atoms ADPs\n!\n" +
                test::pad_to(ur, 100) + "\n" + test::pad_to(ur2, 100) + "\n!\n! end\n!\n");
  EXPECT_EQ(test::slurp("reset.bond"), "RESET BOND  O(1) H(1) 0.958\nRESET BOND  O(1) H(2) 0.958\n");
  EXPECT_TRUE(fs::exists("fixedH.ins"));
  EXPECT_TRUE(contains(con(), " RESET BOND instructions for H-atoms    : reset.bond"));
}

TEST_F(Driver, MissingStructureFile) {
  test::write_file("vorn.inp", "FORMAT *shelx\nINPUT nothere.res\n");
  EXPECT_EQ(run(), exit_fatal);
  EXPECT_TRUE(contains(con(), " ERROR *** ReadShelx *** Error opening SHELX file"));
  EXPECT_TRUE(contains(test::slurp("vorn.out"), " ERROR *** ReadShelx *** Error opening SHELX file"));
}

TEST_F(Driver, DatabankPromptRepeatsUntilAFileOpens) {
  water("DATABANK missing.db\n");
  test::write_file("real.db", "databank\n");
  // the last answer is the fragment charge the scaling asks for
  run({}, "\n   \nreal.db\n\n");
  EXPECT_TRUE(contains(con(), " Error opening databank file missing.db"));
  size_t prompts = 0;
  for (size_t p = con().find("Enter the name of databank file"); p != std::string::npos;
       p = con().find("Enter the name of databank file", p + 1))
    ++prompts;
  EXPECT_EQ(prompts, 3u);
  EXPECT_FALSE(contains(con(), "ERROR"));
  EXPECT_TRUE(contains(con(), " ATOMS SEARCHED in DB, FOUND in DB, NOT FOUND in DB = "));
}

TEST_F(Driver, DatabankThatIsADirectoryIsAskedForAgain) {
  water("DATABANK sub\n");
  fs::create_directory("sub");
  test::write_file("real.db", "databank\n");
  run({}, "real.db\n\n");
  EXPECT_TRUE(contains(con(), " Error opening databank file sub"));
  EXPECT_FALSE(contains(con(), "ERROR"));
}

TEST_F(Driver, DatabankPromptAtEndOfInputStops) {
  water("DATABANK missing.db\n");
  EXPECT_EQ(run({}, ""), exit_fatal);
  EXPECT_TRUE(contains(con(), " ERROR *** VORN *** No databank file name on standard input"));
}

// The FORMAT line picks the reader: each stops on its missing file with its own message.
TEST_F(Driver, FormatLineChoosesTheReader) {
  const std::pair<const char*, const char*> cases[] = {
      {"FORMAT *platon\nINPUT a.ang\n", " ERROR *** ReadPlaton *** Error opening PLATON file"},
      {"FORMAT *aim2tab\nINPUT a.tab\n", " ERROR *** ReadAim2Tab *** Error opening AIM2TAB output file..."},
      {"FORMAT *xd\nINPUT a.mas a.inp\n", " ERROR *** ReadXD *** Error opening XD master file a.mas"},
      {"INPUT a.mas a.inp\nFORMAT *xd\n", " ERROR *** ReadXD *** Error opening XD master file: no name"},
  };
  for (const auto& [control, message] : cases) {
    test::write_file("vorn.inp", control);
    EXPECT_EQ(run(), exit_fatal);
    EXPECT_TRUE(contains(con(), message)) << con();
  }
}

TEST_F(Driver, ExecutableRunsTheSampleInItsDirectory) {
  fs::copy_file(test::data_path("driver/water.res"), "water.res");
  test::write_file("vorn.inp", "FORMAT *shelx\nINPUT water.res\n");
  int rc = std::system((std::string(VORN_EXE) + " > console.txt 2>&1").c_str());
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(contains(test::slurp("console.txt"), " Program log file                       : vorn.out"));
}

TEST_F(Driver, UnexpectedExceptionsEndThroughTheFatalPath) {
  struct Case {
    std::function<void()> body;
    const char* report;
  };
  const Case cases[] = {
      {[] { throw std::out_of_range("vector::at"); }, "\n ERROR *** VORN *** Internal error: vector::at\n\n"},
      {[] { throw 7; }, "\n ERROR *** VORN *** Internal error\n\n"},
      {[] { err("ReadDB", "End of databank file"); }, "\n ERROR *** ReadDB *** End of databank file\n\n"},
  };
  for (const Case& c : cases) {
    vorn::Run r;
    std::ostringstream out;
    r.console = &out;
    r.nout.open("vorn.out");
    EXPECT_FALSE(run_guarded(r, c.body));
    EXPECT_EQ(out.str(), c.report);
    EXPECT_FALSE(r.nout.is_open());
    EXPECT_EQ(test::slurp("vorn.out"), c.report);
  }
  vorn::Run ok;
  EXPECT_TRUE(run_guarded(ok, [] {}));
}

TEST_F(Driver, FullDiskStopsTheRunNamingTheFile) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  for (const char* name : {"xd_vorn.mas", "vorn.out", "vorn.ang", "vorn.spf", "xd_vorn.inp", "reduced.ang"}) {
    SCOPED_TRACE(name);
    for (const auto& e : fs::directory_iterator(".")) fs::remove(e.path());
    water("RINGS 3 8\nEXTEND_H\n");
    fs::create_symlink("/dev/full", name);
    EXPECT_EQ(run(), exit_fatal);
    EXPECT_TRUE(contains(con(), std::string("*** Error writing file ") + name)) << con();
    EXPECT_FALSE(contains(con(), " Program log file"));
    EXPECT_FALSE(contains(con(), "Total program elapsed times"));
  }
}
