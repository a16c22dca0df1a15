// The command line: options as control lines, formats by extension and content, usage and exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "driver/cmdline.h"
#include "driver/vorn.h"
#include "support.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

class CommandLine : public test::InTempDir {};

bool has(const std::vector<std::string>& v, const std::string& s) { return std::find(v.begin(), v.end(), s) != v.end(); }

}  // namespace

// Each option is its control-file line; the one-liner's defaults come first, options last.
TEST_F(CommandLine, OptionsBecomeControlLines) {
  fs::copy_file(test::data_path("driver/water.res"), "water.res");
  struct Row {
    std::vector<std::string> args;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {{"water.res"}, {"RINGS 3 8", "NCELLS 1", "XDPAR", "FORMAT *shelx", "INPUT water.res"}},
      {{"water.res", "--no-rings", "--ncells", "0"}, {"XDPAR", "FORMAT *shelx", "INPUT water.res", "NCELLS -1"}},
      {{"water.res", "--rings", "5", "6", "--ncells", "2"},
       {"XDPAR", "FORMAT *shelx", "INPUT water.res", "RINGS 5 6", "NCELLS 2"}},
      {{"water.res", "--extend-h", "--scale", "fract", "--charge", "-1", "--verbose", "3", "--databank", "a.db"},
       {"RINGS 3 8", "NCELLS 1", "XDPAR", "FORMAT *shelx", "INPUT water.res", "EXTEND_H", "SCALE *FRAC",
        "CHFRAG -1 *all", "VERBOSE 3", "DATABANK a.db"}},
      {{"water.res", "--tsc", "w.hkl", "--radial", "C", "2", "2", "2", "3", "4", "3.2"},
       {"RINGS 3 8", "NCELLS 1", "XDPAR", "FORMAT *shelx", "INPUT water.res", "TSC w.hkl",
        "RADIAL C 2 2 2 3 4 3.2"}},
      {{"water.res", "--tscb", "w.hkl"},
       {"RINGS 3 8", "NCELLS 1", "XDPAR", "FORMAT *shelx", "INPUT water.res", "TSC w.hkl BINARY"}},
      {{"--plain", "water.res", "--scale", "SIGMA"},
       {"RINGS 3 8", "NCELLS 1", "XDPAR", "FORMAT *shelx", "INPUT water.res *toxd", "SCALE *SIGMA"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args[0] + " " + std::to_string(r.args.size()));
    const CmdLine c = parse_cmdline(r.args);
    ASSERT_EQ(c.action, CmdLine::Action::run) << c.message;
    EXPECT_TRUE(c.from_args);
    EXPECT_TRUE(c.unattended);
    EXPECT_EQ(c.lines, r.lines);
  }
  // a control file from elsewhere replaces the defaults; the options follow it
  test::write_file("job.inp", "FORMAT *shelx\nINPUT water.res\nVERBOSE 2\n");
  const CmdLine c = parse_cmdline({"--control", "job.inp", "--verbose", "4", "-q"});
  EXPECT_EQ(c.lines, (std::vector<std::string>{"FORMAT *shelx", "INPUT water.res", "VERBOSE 2", "VERBOSE 4"}));
  EXPECT_TRUE(c.quiet);
  EXPECT_FALSE(c.unattended);
  // with -o the run works in the output directory: paths are rewritten to be seen from there
  const CmdLine o = parse_cmdline({"water.res", "-o", "out/sub", "--databank", "dbs/a.db", "--tsc", "w.hkl"});
  EXPECT_TRUE(has(o.lines, "INPUT ../../water.res")) << o.lines.back();
  EXPECT_TRUE(has(o.lines, "DATABANK ../../dbs/a.db"));
  EXPECT_TRUE(has(o.lines, "TSC ../../w.hkl"));
  EXPECT_EQ(o.outdir, "out/sub");
  // the word BINARY of --tscb stays after the rewritten path; a file called BINARY is a path
  EXPECT_TRUE(has(parse_cmdline({"water.res", "-o", "out", "--tscb", "w.hkl"}).lines, "TSC ../w.hkl BINARY"));
  EXPECT_TRUE(has(parse_cmdline({"water.res", "-o", "out", "--tsc", "BINARY"}).lines, "TSC ../BINARY"));
}

TEST_F(CommandLine, FormatByExtensionThenContent) {
  const std::string shelx = test::slurp(test::data_path("driver/water.res"));
  struct Row {
    const char* name;
    std::string text;
    const char* format;
  };
  const Row rows[] = {
      {"a.res", "", "shelx"},
      {"a.INS", "", "shelx"},
      {"a.cif", "", "cif"},
      {"a.ang", "", "platon"},
      {"a.pla", "", "platon"},
      {"a.tab", "", "aim2tab"},
      {"shelx.txt", shelx, "shelx"},
      {"deposit", "data_x\n_cell_length_a 5\nloop_\n_atom_site_label\n", "cif"},
      {"table.out", "text\nNUMBER OF ATOMS READ =       2\n", "aim2tab"},
      {"coords", "ANGSTROM\nATOM C1 1 2 3\n", "platon"},
      {"notes.txt", "nothing to read here\n", ""},
      {"m.pdb", "", "pdb"},
      {"m.ENT", "", "pdb"},
      {"m.pdb.gz", "", "pdb"},
      {"m.cif.gz", "", "mmcif"},
      {"m.res.gz", "", ""},
      {"m.cif", "data_m\nloop_\n_atom_site.group_PDB\n_atom_site.id\n", "mmcif"},
      {"model", "CRYST1   22.329   18.471   40.769  90.00  90.55  90.00 P 1 21 1      2\n", "pdb"},
      {"nocell", "ATOM      1  N   THR A   1       3.265 -14.107  16.877  0.87  4.71           N\n", "pdb"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    test::write_file(r.name, r.text);
    const Detected d = detect_format(r.name);
    EXPECT_EQ(d.format, r.format);
    if (std::string(r.format).empty()) {
      EXPECT_NE(d.message.find(".res/.ins (SHELX)"), std::string::npos);
    }
  }
  // an XD master file takes the parameter file of its stem
  test::write_file("x.mas", "");
  EXPECT_NE(detect_format("x.mas").message.find("No XD parameter file beside x.mas"), std::string::npos);
  test::write_file("x.inp", "");
  EXPECT_EQ(detect_format("x.mas").partner, "x.inp");
}

// 0 for a complete run or a question answered, 2 for a command-line mistake, 1 for a file
// that cannot be used; mistakes print their message and the usage line, and write nothing.
TEST_F(CommandLine, ExitStatusAndMessages) {
  fs::copy_file(test::data_path("driver/water.res"), "water.res");
  test::write_file("notes.txt", "nothing\n");
  struct Row {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const Row rows[] = {
      {{"--help"}, exit_ok, "usage: vorn [FILE [FILE.inp]] [options]"},
      {{"--version"}, exit_ok, "vorn 1."},
      {{"-h"}, exit_ok, "FORMAT  *shelx xd aim2tab platon "},
      {{"water.res", "--frobnicate"}, exit_usage, " vorn: Unknown option --frobnicate"},
      {{"water.res", "--rings", "3"}, exit_usage, " vorn: Option --rings needs two whole numbers"},
      {{"water.res", "--ncells"}, exit_usage, " vorn: Option --ncells needs a whole number"},
      {{"water.res", "--scale", "median"}, exit_usage, " vorn: Option --scale needs sigma, diff or fract"},
      {{"water.res", "--charge", "minus"}, exit_usage, " vorn: Option --charge needs a number"},
      {{"water.res", "-o"}, exit_usage, " vorn: Option -o needs a directory"},
      {{"water.res", "--tscb"}, exit_usage, " vorn: Option --tscb needs a reflection file name"},
      {{"--verbose", "2"}, exit_usage, " vorn: No structure file given"},
      {{"water.res", "notes.txt"}, exit_usage, " vorn: More than one structure file given: water.res and notes.txt"},
      {{"water.res", "--control", "none.inp"}, exit_fatal, " vorn: Unable to open control file none.inp"},
      {{"nothere.res"}, exit_fatal, " vorn: Structure file nothere.res does not exist"},
      {{"notes.txt"}, exit_fatal, " vorn: Cannot tell the format of notes.txt"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args[0] + " " + r.args.back());
    std::ostringstream con;
    std::istringstream in;
    EXPECT_EQ(vorn_main(r.args, con, in), r.status);
    EXPECT_NE(con.str().find(r.says), std::string::npos) << con.str();
    if (r.status != exit_ok) {
      EXPECT_NE(con.str().find(usage_line()), std::string::npos);
    }
    EXPECT_FALSE(fs::exists("vorn.out"));
  }
}

// The executable's status reaches the shell: a failed run is 1, a mistake 2.
TEST_F(CommandLine, ExecutableExitStatus) {
  test::write_file("vorn.inp", "FORMAT *shelx\nINPUT nothere.res\n");
  auto status = [](const std::string& args) {
    const int rc = std::system((std::string(VORN_EXE) + " " + args + " > console.txt 2>&1 < /dev/null").c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  };
  EXPECT_EQ(status(""), exit_fatal);
  EXPECT_EQ(status("--bogus"), exit_usage);
  fs::copy_file(test::data_path("driver/water.res"), "water.res");
  EXPECT_EQ(status("water.res -o out"), exit_ok);
  EXPECT_TRUE(fs::exists("out/xd_vorn.inp"));
}
