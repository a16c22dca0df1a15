// Whole runs: unique labels in every output, MoPro names with residues, KEEP kappa, right-handed plot axes, quoted long names.
#include <gtest/gtest.h>

#include <gemmi/cif.hpp>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "../support.h"
#include "driver/vorn.h"
#include "util/format.h"
#include "util/text.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

class LabelRuns : public test::InTempDir {
 protected:
  // One run in the current directory on the test structure `name` copied as `as`; the console.
  std::string run_on(const fs::path& from, const std::string& as, const std::string& control) {
    fs::copy_file(from, as, fs::copy_options::overwrite_existing);
    test::write_file("vorn.inp", control);
    std::ostringstream con;
    std::istringstream in;
    vorn_main({}, con, in);
    return con.str();
  }
};

fs::path data(const std::string& f) { return fs::path(VORN_TEST_DATA) / f; }

// Label of each atom line of xd_vorn.mas (dummies left out) and of each key line.
void mas_labels(std::vector<std::string>& table, std::vector<std::string>& keys) {
  int part = 0;
  for (const auto& l : test::lines_of(test::slurp("xd_vorn.mas"))) {
    if (l.rfind("ATOM     ATOM0", 0) == 0) part = 1;
    else if (l == "END ATOM") part = 2;
    else if (l.rfind("KEY     XYZ", 0) == 0) part = 3;
    else if (l.rfind("KAPPA   ", 0) == 0 || l.rfind("EXTCN", 0) == 0) part = 4;
    else if (part == 1 && l.rfind("DUM", 0) != 0) table.push_back(fmt::trim(l.substr(0, 8)));
    else if (part == 3) keys.push_back(fmt::trim(l.substr(0, 8)));
  }
}

// The name of each ATOM record of mopro_vorn.par (17 characters after the atom number) with
// the axis line that follows it.
std::vector<std::pair<std::string, std::string>> mopro_records() {
  std::vector<std::pair<std::string, std::string>> r;
  const auto l = test::lines_of(test::slurp("mopro_vorn.par"));
  for (size_t k = 0; k + 1 < l.size(); ++k) {
    if (l[k].rfind("ATOM ", 0) != 0) continue;
    const size_t num = l[k].find_first_not_of(' ', 5);
    const size_t end = l[k].find(' ', num);
    r.emplace_back(upper(l[k].substr(end + 1, 17)), l[k + 1]);
  }
  return r;
}

std::vector<std::string> cif_labels() {
  gemmi::cif::Document d = gemmi::cif::read_file("vorn.cif");
  std::vector<std::string> v;
  for (const auto& s : d.sole_block().find_values("_atom_site.label")) v.push_back(s);
  return v;
}

// The labels of a list that occur more than once.
std::set<std::string> repeated(const std::vector<std::string>& v) {
  std::map<std::string, int> n;
  std::set<std::string> r;
  for (const auto& s : v)
    if (++n[upper(s)] == 2) r.insert(s);
  return r;
}

// Every repeated label of the outputs that name atoms, one message per output.
std::vector<std::string> duplicates_in_outputs() {
  std::vector<std::string> bad;
  auto check = [&bad](const std::string& what, const std::vector<std::string>& v) {
    for (const auto& s : repeated(v)) bad.push_back(what + " repeats " + s);
  };
  std::vector<std::string> table, keys;
  mas_labels(table, keys);
  check("xd_vorn.mas atom table", table);
  check("xd_vorn.mas keys", keys);
  std::vector<std::string> names;
  for (const auto& [name, axes] : mopro_records()) names.push_back(name);
  check("mopro_vorn.par", names);
  if (fs::exists("vorn.cif")) check("vorn.cif", cif_labels());
  std::vector<std::string> ang, spf;
  for (const auto& l : test::lines_of(test::slurp("vorn.ang")))
    if (l.rfind("ATOM ", 0) == 0 && l.rfind("ATOM Li(", 0) != 0) ang.push_back(fmt::trim(l.substr(5, 8)));
  check("vorn.ang", ang);
  const auto sp = test::lines_of(test::slurp("vorn.spf"));
  for (size_t k = 0; k + 1 < sp.size(); ++k)
    if (sp[k].rfind("ATOM ", 0) == 0 && sp[k + 1].rfind("ATOM X", 0) == 0) spf.push_back(fmt::trim(sp[k].substr(5, 8)));
  check("vorn.spf", spf);
  return bad;
}

Vec3 v3(const std::string& rec) { return {std::stof(rec.substr(16, 12)), std::stof(rec.substr(28, 12)), std::stof(rec.substr(40, 12))}; }

// (X x Y) . Z of every atom's three sticks in vorn.spf, in Angstrom^3.
std::vector<float> stick_handedness() {
  std::vector<float> r;
  const auto l = test::lines_of(test::slurp("vorn.spf"));
  for (size_t k = 0; k + 3 < l.size(); ++k) {
    if (l[k].rfind("ATOM ", 0) != 0 || l[k + 1].rfind("ATOM X", 0) != 0) continue;
    const Vec3 o = v3(l[k]), x = v3(l[k + 1]), y = v3(l[k + 2]), z = v3(l[k + 3]);
    const Vec3 a{x[0] - o[0], x[1] - o[1], x[2] - o[2]}, b{y[0] - o[0], y[1] - o[1], y[2] - o[2]},
        c{z[0] - o[0], z[1] - o[1], z[2] - o[2]};
    r.push_back((a[1] * b[2] - a[2] * b[1]) * c[0] + (a[2] * b[0] - a[0] * b[2]) * c[1] + (a[0] * b[1] - a[1] * b[0]) * c[2]);
    k += 3;
  }
  return r;
}

}  // namespace

TEST_F(LabelRuns, ResidueCollisionsGiveUniqueLabelsAndResidueNamesInEveryOutput) {
  const std::string con = run_on(data("shelx/resi_collide.res"), "r.res", "FORMAT *shelx\nINPUT r.res *toxd\n");
  ASSERT_EQ(con.find(" ERROR *** "), std::string::npos) << con;
  EXPECT_TRUE(duplicates_in_outputs().empty()) << ::testing::PrintToString(duplicates_in_outputs());
  std::vector<std::string> table, keys;
  mas_labels(table, keys);
  EXPECT_EQ(table, (std::vector<std::string>{"AL(1)", "O(1)", "C(1)", "C(2)", "O(2)", "C(4)", "C(5)", "O(3)", "C(3)"}));
  EXPECT_EQ(keys, table);
  EXPECT_EQ(cif_labels(), table);
  // the MoPro names are the file's names with their residue; an axis names an atom the same
  // way (name and residue number), or a dummy
  const auto recs = mopro_records();
  ASSERT_EQ(recs.size(), 9u);
  std::set<std::string> names;
  for (const auto& [name, axes] : recs) names.insert(name.substr(0, 10));
  EXPECT_EQ(recs[0].first, "AL1      0  MOL  ");
  EXPECT_EQ(recs[5].first, "C1       2  THF  ");
  for (const auto& [name, axes] : recs) {
    SCOPED_TRACE(axes);
    for (size_t at : {5u, 18u}) {
      const std::string p = axes.substr(at, 10);
      EXPECT_TRUE(names.count(p) || (p[0] == 'D' && fmt::trim(p).find(' ') == std::string::npos)) << "[" << p << "]";
    }
  }
  // the O1 of the solvent is bonded to its own C1, never to the complex's
  EXPECT_EQ(recs[7].second.substr(5, 10), "C1       2");
  for (const auto& l : test::lines_of(test::slurp("con_mopro.inp")))
    if (l.rfind("SYMPLM", 0) == 0) {
      EXPECT_TRUE(names.count(l.substr(15, 10))) << l;
    }
  EXPECT_NE(test::slurp("vorn.out").find("renamed C(4)"), std::string::npos);
}

TEST_F(LabelRuns, StructuresWithoutRepeatsKeepTheirLabels) {
  const std::string con = run_on(data("shelx/methanol.res"), "m.res", "FORMAT *shelx\nINPUT m.res *toxd\n");
  ASSERT_EQ(con.find(" ERROR *** "), std::string::npos) << con;
  EXPECT_EQ(test::slurp("vorn.out").find("renamed"), std::string::npos);
  // without residues the MoPro records keep the bracket-free label in one molecule
  const auto recs = mopro_records();
  ASSERT_FALSE(recs.empty());
  for (const auto& [name, axes] : recs) EXPECT_EQ(name.substr(10), "MOL   1") << name;
}

TEST_F(LabelRuns, TwentyKappaSetsEndTheKeepLineWithoutContinuation) {
  const std::string con = run_on(data("shelx/twenty_types.res"), "t.res", "FORMAT *shelx\nINPUT t.res *toxd\n");
  ASSERT_EQ(con.find(" ERROR *** "), std::string::npos) << con;
  const auto l = test::lines_of(test::slurp("xd_vorn.mas"));
  auto k = std::find_if(l.begin(), l.end(), [](const std::string& s) { return s.rfind("KEEP  kappa", 0) == 0; });
  ASSERT_NE(k, l.end());
  EXPECT_EQ(*k, "KEEP  kappa    1   2   3   4   5   6   7   8   9  10  11  12  13  14  15  16  17  18  19  20");
  EXPECT_EQ(*(k + 1), "KEEP  charge group1");
}

TEST_F(LabelRuns, PlotAxesAreRightHandedForEveryAtom) {
  // methanol's hydrogens use (Z, Y); the residue structure adds dummies and isolated atoms
  for (const char* f : {"shelx/methanol.res", "shelx/resi_collide.res", "cif/p212121_chloromethanol.res"}) {
    SCOPED_TRACE(f);
    const std::string con = run_on(data(f), "s.res", "FORMAT *shelx\nINPUT s.res\nNCELLS 1\nRINGS 3 8\n");
    ASSERT_EQ(con.find(" ERROR *** "), std::string::npos) << con;
    const auto h = stick_handedness();
    ASSERT_FALSE(h.empty());
    // sticks of 0.2 A printed to 4 decimals: a right-handed frame gives +0.008
    for (float t : h) EXPECT_NEAR(t, 0.008f, 2e-4f);
  }
}

TEST_F(LabelRuns, QuotedLongNamesWithBlanksAreRead) {
  const std::string name = "a structure file whose name runs past sixty characters, with blanks.res";
  ASSERT_GT(name.size(), 60u);
  const std::string con = run_on(data("shelx/methanol.res"), name, "FORMAT *shelx\nINPUT \"" + name + "\" *toxd\n");
  ASSERT_EQ(con.find(" ERROR *** "), std::string::npos) << con;
  EXPECT_NE(test::slurp("vorn.out").find(" Reading SHELX file : " + name), std::string::npos);
  EXPECT_TRUE(fs::exists("xd_vorn.inp"));  // the starred switch after the quoted name was seen
  const std::string bad = run_on(data("shelx/methanol.res"), "m.res", "FORMAT *shelx\nINPUT \"m.res *toxd\n");
  EXPECT_NE(bad.find("Unmatched double quote"), std::string::npos) << bad;
  const std::string absent = run_on(data("shelx/methanol.res"), "m.res", "FORMAT *shelx\nINPUT \"no file.res\"\n");
  EXPECT_NE(absent.find("Error opening SHELX file no file.res"), std::string::npos) << absent;
}

// The published structures: no output repeats a label.
TEST_F(LabelRuns, PublishedStructuresHaveNoRepeatedLabelInAnyOutput) {
  std::vector<std::pair<fs::path, std::string>> jobs;
  for (const auto& p : test::shared_shelx_files()) jobs.emplace_back(p, "FORMAT *shelx\nINPUT s.res *toxd\n");
  const fs::path cifs = fs::path(VORN_SHARED_DATA) / "cif";
  if (fs::is_directory(cifs))
    for (const auto& e : fs::directory_iterator(cifs))
      if (e.path().extension() == ".cif") jobs.emplace_back(e.path(), "FORMAT *cif\nINPUT s.cif *toxd\n");
  if (jobs.empty()) GTEST_SKIP() << "no shared data at " << VORN_SHARED_DATA;
  int runs = 0;
  for (const auto& [p, control] : jobs) {
    SCOPED_TRACE(p.filename().string());
    for (const char* f : {"xd_vorn.mas", "mopro_vorn.par", "vorn.cif", "vorn.ang", "vorn.spf"}) fs::remove(f);
    const std::string con = run_on(p, p.extension() == ".cif" ? "s.cif" : "s.res", control);
    if (con.find(" ERROR *** ") != std::string::npos) continue;  // refused input is the readers' tests' concern
    ++runs;
    const auto bad = duplicates_in_outputs();
    EXPECT_TRUE(bad.empty()) << ::testing::PrintToString(bad);
  }
  EXPECT_GT(runs, 0);
}
