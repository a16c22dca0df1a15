// The fast algorithms against the literal ones: every output file byte-identical on the test
// structures, the published ones and supercells of a few thousand atoms.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "../support.h"
#include "driver/vorn.h"
#include "supercell.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

// The full job with the databank and rescaling, with the X-H extension and images, and with
// the other switches; VERBOSE 1 and 2 take the databank search with and without its trace.
const char* const kOptions[] = {
    "RINGS 3 8 *special\nVERBOSE 1\nDATABANK sample.db\nSCALE *sigma diff fract\nCHFRAG 0.\n",
    "RINGS 3 8\nNCELLS 1\nEXTEND_H\nVERBOSE 2\nDATABANK sample.db\nCHFRAG 0.\n",
    "TOLS bond 0.3 ring 0.2 group 0.2\nKEYGEN *XYZUIJ all *ordered  *MULT all *ordered\nCHEMCON *hydrogen *other\n",
};

const std::vector<std::string> kAll(std::begin(kOptions), std::end(kOptions));

class Literal : public test::InTempDir {
 protected:
  // Runs structure res with the control lines in a fresh folder; its files, timing lines
  // (the only ones that may differ) removed.
  std::map<std::string, std::string> run_in(const std::string& dir, const fs::path& res, const std::string& opts,
                                            Algorithms alg) {
    fs::create_directories(dir);
    fs::copy_file(res, dir + "/s.res");
    fs::copy_file(test::data_path("../../examples/sample.db"), dir + "/sample.db");
    test::write_file(dir + "/vorn.inp", "FORMAT *shelx\nINPUT s.res rename toxd\n" + opts);
    const fs::path back = fs::current_path();
    fs::current_path(dir);
    std::ostringstream con;
    std::istringstream in;
    vorn_main({}, con, in, alg == Algorithms::literal ? DbSearch::rescan : DbSearch::index, nullptr, alg);
    fs::current_path(back);
    std::map<std::string, std::string> files{{"console", con.str()}};
    for (const auto& e : fs::directory_iterator(dir)) files[e.path().filename().string()] = test::slurp(e.path());
    for (auto& [name, text] : files) {
      std::string kept;
      for (const std::string& l : test::lines_of(text))
        if (l.find("elapsed times") == std::string::npos && l.find("Timing for") == std::string::npos) kept += l + "\n";
      text = kept;
    }
    return files;
  }
  void same(const fs::path& res, const std::string& tag, const std::vector<std::string>& options = kAll) {
    for (size_t o = 0; o < options.size(); ++o) {
      SCOPED_TRACE(tag + " options " + std::to_string(o));
      const std::string d = tag + "_" + std::to_string(o);
      const auto fast = run_in(d + "_fast", res, options[o], Algorithms::fast);
      const auto literal = run_in(d + "_literal", res, options[o], Algorithms::literal);
      ASSERT_EQ(fast.size(), literal.size());
      for (const auto& [name, text] : fast) EXPECT_TRUE(literal.at(name) == text) << name << " differs";
      fs::remove_all(d + "_fast");
      fs::remove_all(d + "_literal");
    }
  }
};

}  // namespace

TEST_F(Literal, TestStructures) {
  int n = 0;
  for (const auto& e : fs::recursive_directory_iterator(test::data_path(""))) {
    if (e.path().extension() != ".res") continue;
    same(e.path(), e.path().parent_path().filename().string() + "_" + e.path().stem().string());
    ++n;
  }
  EXPECT_GT(n, 30);
}

TEST_F(Literal, PublishedStructures) {
  const auto files = test::shared_shelx_files();
  if (files.empty()) GTEST_SKIP() << "no published structures in " << VORN_SHARED_DATA;
  for (const auto& f : files) same(f, f.stem().string());
}

// P1 supercells: hundreds of dummies, rings and groups, molecules cut by the cell edges. The
// literal fragment completion takes minutes at this size (it is checked against the fast one
// on its own), so these jobs complete no fragments.
TEST_F(Literal, Supercells) {
  struct Case {
    fs::path res;
    int na, nb, nc;
  };
  std::vector<Case> cases = {{test::data_path("hydrogen/groups.res"), 2, 2, 2},
                             {test::data_path("localaxes/indole.res"), 3, 3, 3}};
  const fs::path trp = fs::path(VORN_SHARED_DATA) / "shelx" / "dl_tryptophan_P21c.res";
  if (fs::exists(trp)) cases.push_back({trp, 2, 5, 2});  // 2160 atoms
  for (const Case& c : cases) {
    const bench::Cell cell = bench::full_cell(c.res.string());
    const int atoms = bench::write_supercell(cell, c.na, c.nb, c.nc, "super.res");
    SCOPED_TRACE(c.res.filename().string() + ", " + std::to_string(atoms) + " atoms");
    same(fs::absolute("super.res"), c.res.stem().string(),
         {kOptions[0], "RINGS 3 8\nEXTEND_H\nVERBOSE 2\nDATABANK sample.db\nCHFRAG 0.\n", kOptions[2]});
  }
}
