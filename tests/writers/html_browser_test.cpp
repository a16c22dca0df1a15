// vorn.html in headless Chromium: the page draws without a JavaScript error and reports "N atoms, M axes drawn".
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include "../support.h"
#include "driver/vorn.h"
#include "page_check.h"
#include "supercell.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

const fs::path kExamples = fs::path(VORN_TEST_DATA) / ".." / ".." / "examples";
const fs::path kShared = VORN_SHARED_DATA;

// The page draws the axes of at most this many atoms of a structure of 10000 atoms or more.
constexpr int kAxisCap = 3000;

// The browser on the PATH, or "".
std::string find_chromium() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string d; std::getline(dirs, d, ':');)
    for (const char* name : {"chromium", "chromium-browser"})
      if (!d.empty() && fs::exists(fs::path(d) / name)) return (fs::path(d) / name).string();
  return "";
}

std::string capture(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

// The text of <div id="status"> in the DOM Chromium dumps after the page has run, with the
// entities a text node is serialised with turned back into characters.
std::string status_of(const std::string& dom) {
  std::smatch m;
  if (!std::regex_search(dom, m, std::regex("<div id=\"status\"[^>]*>([^<]*)</div>"))) return "(no status element)";
  std::string s = m[1];
  for (const auto& [ent, ch] : {std::pair<std::string, std::string>{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}})
    for (size_t p; (p = s.find(ent)) != std::string::npos;) s.replace(p, ent.size(), ch);
  return s;
}

class Browser : public test::InTempDir {
 protected:
  void SetUp() override {
    test::InTempDir::SetUp();
    chromium_ = find_chromium();
  }
  // Loads ./vorn.html headless (software WebGL) and returns its status line.
  std::string page_status() {
    const std::string dir = fs::current_path().string();
    // root needs --no-sandbox; the profile and HOME stay in the scratch directory
    const std::string cmd = "HOME='" + dir + "' timeout 300 '" + chromium_ +
                            "' --headless --no-sandbox --disable-gpu --enable-unsafe-swiftshader "
                            "--no-first-run --disable-dev-shm-usage --user-data-dir='" + dir +
                            "/profile' --virtual-time-budget=30000 --dump-dom 'file://" + dir +
                            "/vorn.html' 2>/dev/null";
    return status_of(capture(cmd));
  }
  void run_job(const std::string& control) {
    test::write_file("vorn.inp", control);
    std::ostringstream con;
    std::istringstream in;
    vorn_main({}, con, in);
    ASSERT_TRUE(fs::exists("vorn.html")) << con.str();
  }
  std::string chromium_;
};

#define NEED_CHROMIUM()                                                                             \
  if (chromium_.empty()) GTEST_SKIP() << "chromium is not installed: the page is not tried in a browser"

TEST_F(Browser, EveryAtomGetsItsAxesInTheExampleAndRealStructures) {
  NEED_CHROMIUM();
  struct Case {
    const char* name;
    fs::path input;
    std::string control;  // empty: the example's own control file and databank
  };
  const Case cases[] = {
      {"example", kExamples / "methanol.res", ""},
      {"images on axes", kShared / "shelx" / "alga_fluoroalkoxide_inversion_C2c.res",
       "FORMAT *shelx\nINPUT alga_fluoroalkoxide_inversion_C2c.res\nRINGS 3 8\nNCELLS 1\n"},
      {"Fe perchlorate (special positions)", kShared / "shelx" / "fe_perchlorate_hydrate_R-3c.res",
       "FORMAT *shelx\nINPUT fe_perchlorate_hydrate_R-3c.res\nRINGS 3 8\nNCELLS 1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!fs::exists(c.input)) {
      std::cout << "skipped (" << c.name << "): " << c.input << " absent\n";
      continue;
    }
    for (const auto& e : fs::directory_iterator(".")) fs::remove_all(e.path());
    fs::copy_file(c.input, c.input.filename());
    if (c.control.empty()) fs::copy_file(kExamples / "sample.db", "sample.db");
    run_job(c.control.empty() ? test::slurp(kExamples / "vorn.inp") : c.control);
    const int n = static_cast<int>(test::master_table(test::slurp("xd_vorn.mas")).atoms.size());
    ASSERT_GT(n, 0);
    EXPECT_EQ(page_status(), std::to_string(n) + " atoms, " + std::to_string(n) + " axes drawn");
  }
}

TEST_F(Browser, LargeStructureOpensWithCappedAxes) {
  NEED_CHROMIUM();
  const fs::path trp = kShared / "shelx" / "dl_tryptophan_P21c.res";
  if (!fs::exists(trp)) GTEST_SKIP() << trp << " absent";
  // 108 atoms a cell, 5 x 5 x 4 cells
  const int atoms = bench::write_supercell(bench::full_cell(trp.string()), 5, 5, 4, "super.res");
  ASSERT_GE(atoms, 10000);
  run_job("FORMAT *shelx\nINPUT super.res\n");
  const std::string s = page_status();
  const std::string head = std::to_string(atoms) + " atoms, " + std::to_string(kAxisCap) + " axes drawn (";
  EXPECT_EQ(s.substr(0, head.size()), head) << s;
  EXPECT_NE(s.find("nearest the first molecule"), std::string::npos) << s;
}

TEST_F(Browser, BrokenDataReachesTheStatusLine) {
  NEED_CHROMIUM();
  // the example's page with its data block replaced: the page must say what went wrong
  fs::copy_file(kExamples / "methanol.res", "methanol.res");
  run_job("FORMAT *shelx\nINPUT methanol.res\n");
  const std::string page = test::slurp("vorn.html");
  const std::string block = test::data_block(page);
  ASSERT_FALSE(block.empty());
  struct Case {
    std::string data, status;
  };
  const Case cases[] = {
      {"{" + block, "Error: the data block does not parse"},
      // an atom without coordinates fails inside the drawing code: the error handler reports it
      {"{\"atoms\":[{\"label\":\"C1\"}],\"dummies\":[],\"images\":[]}", "JavaScript error: "},
  };
  for (const Case& c : cases) {
    std::string broken = page;
    broken.replace(broken.find(block), block.size(), c.data);
    test::write_file("vorn.html", broken);
    const std::string s = page_status();
    EXPECT_EQ(s.rfind(c.status, 0), 0u) << s;
  }
}

}  // namespace
