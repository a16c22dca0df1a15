// Every structure through the program with the sample databank: the index and the search over
// the file write the same files, and the counts add up.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../support.h"
#include "driver/vorn.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

const std::string kSampleDb = std::string(VORN_TEST_DATA) + "/../../examples/sample.db";

// Runs the job in dir and returns the console; the timing lines differ from run to run.
std::string job(const fs::path& dir, const fs::path& res, DbSearch mode) {
  fs::create_directories(dir);
  fs::copy_file(res, dir / "s.res");
  fs::copy_file(kSampleDb, dir / "sample.db");
  test::write_file(dir / "vorn.inp",
                   "FORMAT *shelx\nINPUT s.res\nRINGS 3 8\nVERBOSE 2\nDATABANK sample.db\nSCALE *frac\nCHFRAG 0.\n");
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  std::ostringstream con;
  std::istringstream in;
  vorn_main({}, con, in, mode);
  fs::current_path(old);
  return con.str();
}

// The text with the rest of every timing line cut off.
std::string untimed(const std::string& text) {
  std::string out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    for (const char* t : {"elapsed times", "Timing for"})
      if (const size_t p = l.find(t); p != std::string::npos) l.erase(p);
    out += l + '\n';
  }
  return out;
}

void same_outputs(const fs::path& res) {
  const std::string a = job("index", res, DbSearch::index), b = job("rescan", res, DbSearch::rescan);
  EXPECT_EQ(untimed(a), untimed(b));
  for (const auto& e : fs::directory_iterator("index")) {
    const fs::path other = fs::path("rescan") / e.path().filename();
    ASSERT_TRUE(fs::exists(other)) << other;
    EXPECT_TRUE(untimed(test::slurp(e.path())) == untimed(test::slurp(other))) << e.path().filename();
  }
  if (a.find("ERROR") == std::string::npos) {
    const std::string head = " ATOMS SEARCHED in DB, FOUND in DB, NOT FOUND in DB = ";
    const size_t p = a.find(head);
    ASSERT_NE(p, std::string::npos);
    int searched = -1, found = -1, missed = -1;
    std::istringstream(a.substr(p + head.size())) >> searched >> found >> missed;
    EXPECT_EQ(searched, found + missed);
    std::cout << "    " << res.filename().string() << " : searched " << searched << ", found " << found
              << ", not found " << missed << "\n";
  }
  fs::remove_all("index");
  fs::remove_all("rescan");
}

class DatabankReal : public test::InTempDir {};

}  // namespace

TEST_F(DatabankReal, ProjectStructuresGiveTheSameRunBothWays) {
  std::vector<fs::path> files{std::string(VORN_TEST_DATA) + "/../../examples/methanol.res"};
  for (const auto& d : fs::directory_iterator(VORN_TEST_DATA))
    for (const auto& f : fs::directory_iterator(d.path()))
      if (f.path().extension() == ".res") files.push_back(f.path());
  std::sort(files.begin() + 1, files.end());
  for (const auto& f : files) {
    SCOPED_TRACE(f.string());
    same_outputs(f);
  }
}

TEST_F(DatabankReal, PublishedStructuresGiveTheSameRunBothWays) {
  const auto files = test::shared_shelx_files();
  if (files.empty()) GTEST_SKIP() << "no published structures in " << VORN_SHARED_DATA;
  for (const auto& f : files) {
    SCOPED_TRACE(f.string());
    same_outputs(f);
  }
}
