// `vorn FILE`: the same files as the control-file run, output directory, unattended charges, stale files, the file list.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "driver/vorn.h"
#include "model/coords.h"
#include "readers/shelx.h"
#include "support.h"
#include "util/format.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

class OneLiner : public test::InTempDir {
 protected:
  int run(const std::vector<std::string>& args, const std::string& stdin_text = "", Terminal term = {}) {
    console_.str("");
    std::istringstream in(stdin_text);
    return vorn_main(args, console_, in, DbSearch::index, nullptr, Algorithms::fast, term);
  }
  // the classic run of the control text inside dir
  int run_in(const std::string& dir, const std::string& control) {
    fs::create_directories(dir);
    const fs::path back = fs::current_path();
    fs::current_path(dir);
    test::write_file("vorn.inp", control);
    const int status = run({});
    fs::remove("vorn.inp");
    fs::current_path(back);
    return status;
  }
  std::string con() const { return console_.str(); }
  std::ostringstream console_;
};

bool contains(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

// Every file of a directory with its text; the process times of the log are dropped.
std::map<std::string, std::string> files_of(const fs::path& dir) {
  std::map<std::string, std::string> r;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string text = test::slurp(e.path());
    if (e.path().filename() == "vorn.out") {
      std::string kept;
      for (const std::string& l : test::lines_of(text))
        if (!contains(l, "(s) :")) kept += l + "\n";
      text = kept;
    }
    r[e.path().filename().string()] = text;
  }
  return r;
}

// The file names of the closing list on the console.
std::set<std::string> listed(const std::string& console) {
  std::set<std::string> r;
  bool in = false;
  for (const std::string& l : test::lines_of(console)) {
    if (contains(l, " XD instructions are in file")) in = true;
    if (!in) continue;
    if (l.empty()) break;
    if (l.rfind(" Removed ", 0) == 0) continue;
    std::istringstream words(l.substr(l.find(" : ") + 3));
    for (std::string w; words >> w;)
      if (w != "&") r.insert(w);
  }
  return r;
}

// The water molecule of the driver tests as a PLATON and an AIM2TAB file (bohr).
void cartesian_waters() {
  vorn::Run a;
  std::ostringstream sink;
  a.console = &sink;
  readshelx(a, test::data_path("driver/water.res"));
  std::string pla = "ANGSTROM\nCELL 1 1 1 90 90 90\n";
  std::string tab = "NUMBER OF ATOMS READ = " + fmt::i(a.atoms.ia, 7) + "\nNO. ATOM       AT.MASS\n---\n";
  for (int i = 1; i <= a.atoms.ia; ++i) {
    const Vec3& x = a.atoms.xc[i];
    const std::string l = fmt::trim(a.atoms.atom[i]);
    char buf[120];
    std::snprintf(buf, sizeof buf, "ATOM %s %.6f %.6f %.6f\n", l.c_str(), x[0], x[1], x[2]);
    pla += buf;
    std::snprintf(buf, sizeof buf, "%4d %-8s%11s%9.4f%9.4f%9.4f\n", i, l.c_str(), "1", x[0] / 0.52917725f,
                  x[1] / 0.52917725f, x[2] / 0.52917725f);
    tab += buf;
  }
  test::write_file("s.pla", pla);
  test::write_file("s.tab", tab);
}

}  // namespace

// `vorn FILE -o one` and the control file FORMAT, INPUT, RINGS 3 8, NCELLS 1, XDPAR run in
// `two` write the same files, byte for byte, xd_vorn.inp among them, for every format.
TEST_F(OneLiner, SameFilesAsTheControlFileRun) {
  struct Case {
    std::string source, name, format, input;
  };
  std::vector<Case> cases;
  for (const char* dir : {"localaxes", "shelx", "cif", "chemistry", "hydrogen", "databank"})
    for (const auto& e : fs::directory_iterator(test::data_path(dir))) {
      const std::string ext = e.path().extension().string();
      const std::string stem = e.path().stem().string();
      if (stem.rfind("bad_", 0) == 0 || stem == "after_end" || (ext != ".res" && ext != ".cif")) continue;
      const std::string name = std::string(dir) + "_" + stem + ext;
      cases.push_back({e.path().string(), name, ext == ".cif" ? "cif" : "shelx", "../" + name});
    }
  fs::copy_file(test::data_path("xd/centro_p.mas"), "x.mas");
  fs::copy_file(test::data_path("xd/v1.inp"), "x.inp");
  cartesian_waters();
  cases.push_back({"", "x.mas", "xd", "../x.mas ../x.inp"});
  cases.push_back({"", "s.pla", "platon", "../s.pla"});
  cases.push_back({"", "s.tab", "aim2tab", "../s.tab"});
  ASSERT_GT(cases.size(), 30u);
  int compared = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.source.empty()) fs::copy_file(c.source, c.name, fs::copy_options::overwrite_existing);
    fs::remove_all("one");
    fs::remove_all("two");
    const int one = run({c.name, "-o", "one"});
    const std::string con_one = con();
    const int two = run_in("two", "FORMAT *" + c.format + "\nINPUT " + c.input + "\nRINGS 3 8\nNCELLS 1\nXDPAR\n");
    EXPECT_EQ(one, two) << con_one;
    if (one != exit_ok) continue;  // a structure that stops stops the same way in both
    const auto a = files_of("one"), b = files_of("two");
    EXPECT_TRUE(a.count("xd_vorn.inp"));
    EXPECT_TRUE(a.count("vorn.cif"));
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [file, text] : a) {
      ASSERT_TRUE(b.count(file)) << file;
      EXPECT_TRUE(text == b.at(file)) << file;
    }
    ++compared;
  }
  EXPECT_GT(compared, 25);
}

// Outputs go to -o DIR (made if missing); the current directory keeps only its input.
TEST_F(OneLiner, OutputDirectory) {
  fs::copy_file(test::data_path("driver/water.res"), "water.res");
  ASSERT_EQ(run({"water.res", "-o", "out/deeper"}), exit_ok) << con();
  EXPECT_TRUE(fs::exists("out/deeper/xd_vorn.mas"));
  EXPECT_TRUE(fs::exists("out/deeper/vorn.out"));
  size_t here = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(".")) ++here;
  EXPECT_EQ(here, 2u);  // water.res and out
  // a full disk under the output directory is a fatal error, status 1
  if (fs::exists("/dev/full")) {
    fs::create_directory("full");
    fs::create_symlink("/dev/full", "full/xd_vorn.mas");
    EXPECT_EQ(run({"water.res", "-o", "full"}), exit_fatal);
    EXPECT_TRUE(contains(con(), "*** Error writing file xd_vorn.mas")) << con();
  }
}

// Without a terminal (or in the FILE form) a missing fragment charge is 0 and says so; a
// databank that does not open stops the run instead of prompting.
TEST_F(OneLiner, UnattendedDatabankJob) {
  fs::copy_file(test::data_path("driver/water.res"), "water.res");
  test::write_file("real.db", "databank\n");
  struct Row {
    std::vector<std::string> args;
    std::string control;
    Terminal term;
    int status;
    std::vector<std::string> says;
  };
  const Row rows[] = {
      {{"water.res", "--databank", "real.db"}, "", {}, exit_ok,
       {" Net charge of fragment 1 not given : 0 assumed", "( Charge =   +0.000 el. )",
        "fragment charge not given, 0 assumed : fragment 1"}},
      {{}, "FORMAT *shelx\nINPUT water.res\nDATABANK real.db\n", {false, false}, exit_ok,
       {" Net charge of fragment 1 not given : 0 assumed"}},
      {{"water.res", "--databank", "real.db", "--charge", "-1"}, "", {}, exit_ok, {"( Charge =   -1.000 el. )"}},
      {{"water.res", "--databank", "missing.db"}, "", {}, exit_fatal,
       {" ERROR *** VORN *** Error opening databank file missing.db"}},
      {{}, "FORMAT *shelx\nINPUT water.res\nDATABANK missing.db\n", {false, false}, exit_fatal,
       {" ERROR *** VORN *** Error opening databank file missing.db"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args.empty() ? r.control : r.args.back());
    if (!r.control.empty()) test::write_file("vorn.inp", r.control);
    EXPECT_EQ(run(r.args, "", r.term), r.status);
    for (const std::string& s : r.says) EXPECT_TRUE(contains(con(), s)) << s << "\n" << con();
    EXPECT_FALSE(contains(con(), "Enter "));
    fs::remove("vorn.inp");
  }
}

// A second run with fewer options removes the first run's files that it does not write, and
// says so; an input that carries an output's name is kept.
TEST_F(OneLiner, StaleOutputsAreRemoved) {
  fs::copy_file(test::data_path("localaxes/methanol.res"), "m.res");
  ASSERT_EQ(run_in(".", "FORMAT *shelx\nINPUT m.res\nRINGS 3 8\nEXTEND_H\nNCELLS 1\n"), exit_ok);
  const char* const stale[] = {"xd_vorn.inp", "vorn.cif",    "fixedH.ins",    "reset.bond",
                               "const.bond",  "res_mopro.inp", "reduced.ang", "reduced_1.ang"};
  for (const char* f : stale) ASSERT_TRUE(fs::exists(f)) << f;
  ASSERT_EQ(run_in(".", "FORMAT *shelx\nINPUT m.res\n"), exit_ok);
  for (const char* f : stale) {
    EXPECT_FALSE(fs::exists(f)) << f;
    EXPECT_TRUE(contains(con(), std::string(" Removed ") + f + " : an earlier run's output")) << f;
  }
  EXPECT_FALSE(contains(con(), " Removed xd_vorn.mas"));
  // a PLATON input called like the completion listing stays
  fs::copy_file(test::data_path("driver/water.res"), "water.res");
  ASSERT_EQ(run({"water.res"}), exit_ok);
  fs::copy("vorn.ang", "complete.ang");
  std::string ang;
  for (const std::string& l : test::lines_of(test::slurp("complete.ang")))
    if (l.rfind("ATOM Li", 0) != 0) ang += l + "\n";
  test::write_file("complete.ang", ang);
  ASSERT_EQ(run_in(".", "FORMAT *platon\nINPUT complete.ang\n"), exit_ok) << con();
  EXPECT_EQ(test::slurp("complete.ang"), ang);
}

// The closing list names exactly the files in the directory, whatever the options.
TEST_F(OneLiner, ClosingListNamesExactlyTheFilesWritten) {
  fs::copy_file(test::data_path("localaxes/methanol.res"), "m.res");
  for (const char* extra : {"", "RINGS 3 8\n", "EXTEND_H\n", "XDPAR\n", "NCELLS 1\nRINGS 3 8\nEXTEND_H\n",
                            "INPUT m.res *toxd\n"}) {
    SCOPED_TRACE(extra);
    ASSERT_EQ(run_in(".", std::string("FORMAT *shelx\nINPUT m.res\n") + extra), exit_ok);
    std::set<std::string> present;
    for (const auto& e : fs::directory_iterator("."))
      if (e.path().filename() != "m.res") present.insert(e.path().filename().string());
    EXPECT_EQ(listed(con()), present) << con();
  }
}

// -q keeps the stages off the console; the closing summary and the file list stay, the log keeps all.
TEST_F(OneLiner, QuietConsole) {
  fs::copy_file(test::data_path("driver/water.res"), "water.res");
  ASSERT_EQ(run({"water.res", "-q"}), exit_ok);
  EXPECT_FALSE(contains(con(), "IDENTIFYING COVALENTLY-BONDED NEIGHBORS"));
  EXPECT_FALSE(contains(con(), "PROGRAM  V O R N"));
  EXPECT_TRUE(contains(con(), " Closing summary :"));
  EXPECT_TRUE(contains(con(), " XD parameters are in file              : xd_vorn.inp"));
  EXPECT_TRUE(contains(test::slurp("vorn.out"), "IDENTIFYING COVALENTLY-BONDED NEIGHBORS"));
  // a fatal error still reaches the console
  EXPECT_EQ(run({"water.res", "-q", "--databank", "missing.db"}), exit_fatal);
  EXPECT_TRUE(contains(con(), "Error opening databank file missing.db"));
}
