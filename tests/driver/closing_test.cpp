// The closing summary: the model's counts against its files, warning kinds counted with their first atoms.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "driver/closing.h"
#include "driver/vorn.h"
#include "model/log.h"
#include "support.h"
#include "util/format.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

class Closing : public test::InTempDir {};

bool contains(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

std::string line_with(const std::string& text, const std::string& key) {
  for (const std::string& l : test::lines_of(text))
    if (contains(l, key)) return l;
  return "";
}

}  // namespace

TEST_F(Closing, WarningKindsCountedWithTheFirstAtomsNamed) {
  struct Row {
    int atoms;
    const char* tail;
  };
  const Row rows[] = {{1, " : A1"}, {summary_named, " : A1 A2 A3 A4 A5"}, {summary_named + 2, " : A1 A2 A3 A4 A5 ..."}};
  for (const Row& r : rows) {
    vorn::Run run;
    for (int k = 1; k <= r.atoms; ++k) tally_warning(run, "kind one", "A" + std::to_string(k));
    tally_warning(run, "kind two", "B1");
    const auto l = closing_lines(run);
    ASSERT_GE(l.size(), 3u);
    EXPECT_EQ(l[l.size() - 2], "   " + fmt::i(r.atoms, 8) + " x kind one" + r.tail);
    EXPECT_EQ(l.back(), "          1 x kind two : B1");
  }
  vorn::Run quiet;
  EXPECT_EQ(closing_lines(quiet).back(), "   Warnings                     :     none");
}

// On a real run the counts agree with xd_vorn.mas: atoms, dummies, one label per atom.
TEST_F(Closing, CountsAgreeWithTheMasterFile) {
  for (const char* name : {"localaxes/methanol.res", "localaxes/indole.res", "shelx/benzene_inversion.res"}) {
    SCOPED_TRACE(name);
    fs::copy_file(test::data_path(name), "s.res", fs::copy_options::overwrite_existing);
    test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\nNCELLS 1\n");
    std::ostringstream con;
    std::istringstream in;
    ASSERT_EQ(vorn_main({}, con, in), exit_ok);
    const std::string mas = test::slurp("xd_vorn.mas");
    int atoms = 0, dummies = 0;
    bool table = false;
    for (const std::string& l : test::lines_of(mas)) {
      if (l.rfind("ATOM     ATOM0", 0) == 0) table = true;
      else if (l.rfind("END ATOM", 0) == 0) table = false;
      else if (table && l.rfind("DUM", 0) == 0) ++dummies;
      else if (table) ++atoms;
    }
    EXPECT_EQ(line_with(con.str(), "Atoms in the asymmetric unit"), "   Atoms in the asymmetric unit : " + fmt::i(atoms, 8));
    EXPECT_EQ(line_with(con.str(), "Dummy atoms"), "   Dummy atoms                  : " + fmt::i(dummies, 8));
    std::istringstream sym(line_with(con.str(), "Site symmetries").substr(34));
    int labelled = 0;
    for (std::string label, n; sym >> label >> n;) labelled += std::stoi(n);
    EXPECT_EQ(labelled, atoms);
    EXPECT_EQ(line_with(test::slurp("vorn.out"), "Dummy atoms"), line_with(con.str(), "Dummy atoms"));
    // completed molecules: nothing is cut by symmetry
    EXPECT_FALSE(contains(con.str(), "molecule incomplete across symmetry"));
  }
}

// Half a benzene on an inversion centre without NCELLS: its atoms bond to images, and the
// summary says so; NCELLS 1 completes the molecule and the warning goes.
TEST_F(Closing, IncompleteMoleculeWithoutNcells) {
  fs::copy_file(test::data_path("shelx/benzene_inversion.res"), "s.res");
  test::write_file("vorn.inp", "FORMAT *shelx\nINPUT s.res\n");
  std::ostringstream con;
  std::istringstream in;
  ASSERT_EQ(vorn_main({}, con, in), exit_ok);
  EXPECT_TRUE(contains(con.str(), "       2 x molecule incomplete across symmetry (NCELLS not given) : C(2) C(3)"))
      << con.str();
  EXPECT_TRUE(contains(test::slurp("vorn.out"), " WARNING : atom C(2) bonds to a symmetry image"));
}
