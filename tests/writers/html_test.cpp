// vorn.html: the frame of an axis definition, JSON escaping, and the page's data against the run's other files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "../support.h"
#include "driver/vorn.h"
#include "page_check.h"
#include "util/err.h"
#include "writers/html.h"
#include "writers/jsontext.h"
#include "writers/localframe.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

// ---- the frame of an axis definition ----

struct FrameCase {
  char ax1, ax2;
  Vec3 x, y, z;  // expected for the atom at (1,1,1), p1 at (3,1,1), p2 at (2,4,1)
};

// p1 lies along +x from the atom and p2 in the xy plane on the +y side: the first axis is +x,
// the second +y, and the third +z or -z so that (X, Y, Z) stays right-handed.
const FrameCase kFrames[] = {
    {'X', 'Y', {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},   {'Y', 'X', {0, 1, 0}, {1, 0, 0}, {0, 0, -1}},
    {'Z', 'X', {0, 1, 0}, {0, 0, 1}, {1, 0, 0}},   {'X', 'Z', {1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
    {'Y', 'Z', {0, 0, 1}, {1, 0, 0}, {0, 1, 0}},   {'Z', 'Y', {0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
};

TEST(XdFrame, FirstAxisToP1SecondTowardsP2RightHanded) {
  const Vec3 x0{1, 1, 1}, p1{3, 1, 1}, p2{2, 4, 1};
  for (const FrameCase& c : kFrames) {
    SCOPED_TRACE(std::string(1, c.ax1) + c.ax2);
    const LocalFrame f = xd_frame(x0, p1, c.ax1, p2, c.ax2);
    ASSERT_TRUE(f.defined);
    const Vec3 want[3] = {c.x, c.y, c.z};
    for (int k = 0; k < 3; ++k)
      for (int j = 0; j < 3; ++j) EXPECT_NEAR(f.axis[k][j], want[k][j], 1e-6f) << "XYZ"[k];
  }
}

TEST(XdFrame, UndefinedWithoutTwoAxesAndTwoDirections) {
  const Vec3 x0{1, 1, 1};
  struct Bad {
    const char* why;
    Vec3 p1, p2;
    char ax1, ax2;
  };
  const Bad bad[] = {
      {"same axis twice", {2, 1, 1}, {1, 2, 1}, 'X', 'X'},
      {"not an axis letter", {2, 1, 1}, {1, 2, 1}, 'X', ' '},
      {"lower-case letter", {2, 1, 1}, {1, 2, 1}, 'x', 'Y'},
      {"first point on the atom", {1, 1, 1}, {1, 2, 1}, 'X', 'Y'},
      {"second point on the atom", {2, 1, 1}, {1, 1, 1}, 'X', 'Y'},
      {"second point on the first axis", {2, 1, 1}, {3, 1, 1}, 'Z', 'X'},
      {"second point behind, on the axis", {2, 1, 1}, {-4, 1, 1}, 'Z', 'X'},
      {"a point not finite", {NAN, 1, 1}, {1, 2, 1}, 'X', 'Y'},
  };
  for (const Bad& b : bad) EXPECT_FALSE(xd_frame(x0, b.p1, b.ax1, b.p2, b.ax2).defined) << b.why;
  // a second point nearly, but not quite, on the axis still gives a frame
  EXPECT_TRUE(xd_frame(x0, {2, 1, 1}, 'Z', {3, 1.01f, 1}, 'X').defined);
}

// ---- JSON text ----

TEST(JsonText, StringsStayInsideTheScriptElementAndValidUtf8) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"C(1)", "\"C(1)\""},
      {"", "\"\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"</script>", "\"\\u003c/script\\u003e\""},
      {"<!--&", "\"\\u003c!--\\u0026\""},
      {"a\nb\tc\x01\x7f", "\"a\\nb\\tc\\u0001\\u007f\""},
      {"caf\xc3\xa9", "\"caf\xc3\xa9\""},                      // valid UTF-8 passes
      {"\xe2\x82\xac\xf0\x9f\x98\x80", "\"\xe2\x82\xac\xf0\x9f\x98\x80\""},
      {"caf\xe9", "\"caf\\u00e9\""},                           // a Latin-1 byte
      {"\xc3", "\"\\u00c3\""},                                 // a sequence cut short
      {"\xc0\x80", "\"\\u00c0\\u0080\""},                      // overlong
      {"\xed\xa0\x80", "\"\\u00ed\\u00a0\\u0080\""},           // a surrogate
      {"\xf5\x80\x80\x80", "\"\\u00f5\\u0080\\u0080\\u0080\""},  // past U+10FFFF
      {"\xe2\x80\xa8", "\"\\u2028\""},
      {std::string("a\0b", 3), "\"a\\u0000b\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(json_string(c.in), c.out) << c.in;
    // and the reader gets back the text, Latin-1 bytes as their characters
    EXPECT_NO_THROW(test::JsonReader::parse(json_string(c.in))) << c.in;
  }
  EXPECT_EQ(test::JsonReader::parse(json_string("caf\xe9")).str, "caf\xc3\xa9");
}

TEST(JsonText, NumbersFixedOrNull) {
  EXPECT_EQ(json_number(1.23456, 4), "1.2346");
  EXPECT_EQ(json_number(-0.00001, 4), "-0.0000");
  EXPECT_EQ(json_number(12345.5, 0), "12346");
  EXPECT_EQ(json_number(3.0e38, 1).size(), 41u);
  EXPECT_EQ(json_number(NAN, 4), "null");
  EXPECT_EQ(json_number(INFINITY, 4), "null");
  EXPECT_EQ(json_number(-INFINITY, 4), "null");
  for (const char* n : {"1.2346", "-0.0000", "12346"}) EXPECT_NO_THROW(test::JsonReader::parse(n));
}

// ---- the page of a hand-made run ----

// Two atoms and one dummy: atom 1 points to atom 2 (X) and the dummy (Y), atom 2 names points
// that do not exist.
vorn::Run two_atoms(const std::string& label1) {
  vorn::Run run;
  resize_atoms(run, 2);
  run.atoms.ia = run.cryst.natoms = 2;
  run.set.ifra = 0;  // Cartesian dummies, no cell
  run.atoms.atom[1] = label1;
  run.atoms.atom[2] = "O(1)    ";
  run.atoms.itype[1] = 6;
  run.atoms.itype[2] = 8;
  run.atoms.xc[1] = {0, 0, 0};
  run.atoms.xc[2] = {1.4f, 0, 0};
  run.atoms.asym[1] = "m    ";
  run.dummy.ndum = 1;
  run.dummy.dlab.push_back("DUM1  ");
  run.dummy.xdum.push_back({0.5f, 1.0f, 0});
  run.mpoles.iar[1] = {0, 1, 2, 2, 1, 3};
  run.mpoles.iar[2] = {0, 3, 4, 7, 2, 0};
  run.kappaset.kset[1] = 1;
  run.kappaset.kset[2] = 2;
  run.except.group[1] = "CARBONYL                                ";
  run.text.dbentry[1] = "C=O carbon <test>";
  return run;
}

TEST(HtmlPage, OddLabelsNeitherEndTheBlockNorBreakTheJson) {
  const std::string odd = std::string("</script>\xff\"x");
  vorn::Run run = two_atoms(odd);
  std::ostringstream page;
  write_page(page, run);
  const std::string text = page.str();
  const std::string block = test::data_block(text);
  ASSERT_FALSE(block.empty());
  // the block ends where the page's own closing tag is, not inside a label
  EXPECT_EQ(block.find("</"), std::string::npos);
  const test::Json d = test::JsonReader::parse(block);
  EXPECT_EQ(d["cell"].kind, test::Json::null);
  ASSERT_EQ(d["atoms"].arr.size(), 2u);
  const test::Json& a = d["atoms"][0];
  EXPECT_EQ(a["label"].str, "</script>\xc3\xbf\"x");
  EXPECT_EQ(a["element"].str, "C");
  EXPECT_EQ(a["def"]["atom0"].str, "O(1)");
  EXPECT_EQ(a["def"]["ax1"].str, "X");
  EXPECT_EQ(a["def"]["atom2"].str, "DUM1");
  EXPECT_EQ(a["def"]["ax2"].str, "Y");
  EXPECT_EQ(a["sitesym"].str, "m");
  EXPECT_EQ(a["group"].str, "CARBONYL");
  EXPECT_EQ(a["db"].str, "C=O carbon <test>");
  EXPECT_EQ(a["kappa"].num, 1);
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(a["axes"]["X"][k].num, (k == 0), 1e-6);
    EXPECT_NEAR(a["axes"]["Y"][k].num, (k == 1), 1e-6);
    EXPECT_NEAR(a["axes"]["Z"][k].num, (k == 2), 1e-6);
  }
  // atom 2 names a dummy that does not exist and an axis number out of range: no frame
  const test::Json& b = d["atoms"][1];
  EXPECT_EQ(b["axes"].kind, test::Json::null);
  EXPECT_EQ(b["def"]["atom0"].str, "");
  EXPECT_EQ(b["def"]["ax2"].str, "");
  EXPECT_EQ(b["db"].str, "");
  ASSERT_EQ(d["dummies"].arr.size(), 1u);
  EXPECT_EQ(d["dummies"][0]["label"].str, "DUM1");
  EXPECT_TRUE(d["images"].arr.empty());
  // self-contained: nothing is fetched when the page opens
  EXPECT_EQ(text.find("<script src"), std::string::npos);
  EXPECT_EQ(text.find("<link"), std::string::npos);
  EXPECT_NE(text.find("<div id=\"status\">"), std::string::npos);
  EXPECT_EQ(text.find("@VORN_"), std::string::npos);
}

class HtmlRun : public test::InTempDir {};

TEST_F(HtmlRun, UnwritablePageStopsTheRun) {
  fs::create_directory("vorn.html");
  vorn::Run run = two_atoms("C(1)");
  try {
    write_html(run);
    FAIL() << "no error";
  } catch (const Fatal& f) {
    EXPECT_EQ(f.where, "WriteHtml");
    EXPECT_EQ(f.message, "Unable to open output file vorn.html");
  }
}

// ---- the page of whole runs, against xd_vorn.mas, vorn.ang and the log ----

const fs::path kExamples = fs::path(VORN_TEST_DATA) / ".." / ".." / "examples";
const fs::path kShared = VORN_SHARED_DATA;

struct Job {
  const char* name;
  const char* input;     // copied into the working directory (relative to the shared data or examples)
  bool shared;
  const char* control;   // vorn.inp
  bool want_images;      // fragment completion puts symmetry images on axes
};

const Job kJobs[] = {
    {"example job with databank", "methanol.res", false, nullptr, false},
    {"plain conversion", "methanol.res", false, "FORMAT *shelx\nINPUT methanol.res rename *toxd\n", false},
    {"sucrose", "shelx/sucrose_P21.res", true, "FORMAT *shelx\nINPUT sucrose_P21.res\nRINGS 3 8\nNCELLS 1\n", false},
    {"tryptophan with moved hydrogens", "shelx/dl_tryptophan_P21c.res", true,
     "FORMAT *shelx\nINPUT dl_tryptophan_P21c.res\nRINGS 3 8\nNCELLS 1\nEXTEND_H\n", false},
    // its Ga sits on a twofold axis and takes axes along the axis (a dummy), so no image is
    // replaced here; the perchlorate below keeps the replaced-image check
    {"molecule on an inversion centre", "shelx/alga_fluoroalkoxide_inversion_C2c.res", true,
     "FORMAT *shelx\nINPUT alga_fluoroalkoxide_inversion_C2c.res\nRINGS 3 8\nNCELLS 1\n", false},
    {"special positions", "shelx/fe_perchlorate_hydrate_R-3c.res", true,
     "FORMAT *shelx\nINPUT fe_perchlorate_hydrate_R-3c.res\nRINGS 3 8\nNCELLS 1\n", true},
    {"CIF", "cif/paracetamol_formI_100K_P21n.cif", true,
     "FORMAT *cif\nINPUT paracetamol_formI_100K_P21n.cif\nRINGS 3 8\nNCELLS 1\n", false},
};

TEST_F(HtmlRun, PageMatchesTheMasterFileOfEachJob) {
  for (const Job& j : kJobs) {
    SCOPED_TRACE(j.name);
    const fs::path src = (j.shared ? kShared : kExamples) / j.input;
    if (!fs::exists(src)) {
      std::cout << "skipped (" << j.name << "): " << src << " absent\n";
      continue;
    }
    for (const auto& e : fs::directory_iterator(".")) fs::remove_all(e.path());
    fs::copy_file(src, src.filename());
    if (j.control) test::write_file("vorn.inp", j.control);
    else for (const char* f : {"vorn.inp", "sample.db"}) fs::copy_file(kExamples / f, f);
    std::ostringstream con;
    std::istringstream in;
    vorn_main({}, con, in);
    ASSERT_TRUE(fs::exists("vorn.html")) << con.str();
    const test::PageCheck pc = test::check_page_against_run();
    EXPECT_GT(pc.atoms, 0);
    EXPECT_EQ(pc.with_axes, pc.atoms);
    if (j.want_images) {
      EXPECT_GT(pc.images, 0);
    }

    // every dummy that replaced a symmetry image has that image drawn at its place
    const test::Json d = test::JsonReader::parse(test::data_block(test::slurp("vorn.html")));
    int replaced = 0;
    for (const auto& l : test::lines_of(test::slurp("vorn.out"))) {
      const size_t p = l.find("is symmetry-generated; replace with dummy ");
      if (p == std::string::npos) continue;
      ++replaced;
      const int n = std::stoi(l.substr(p + 42));
      const test::Json& dum = d["dummies"][static_cast<size_t>(n - 1)];
      bool drawn = false;
      for (const test::Json& im : d["images"].arr) {
        double r2 = 0;
        for (int k = 0; k < 3; ++k) r2 += std::pow(im["xyz"][k].num - dum["xyz"][k].num, 2);
        drawn = drawn || r2 < 1e-6;
      }
      EXPECT_TRUE(drawn) << "no image at " << dum["label"].str;
    }
    if (j.want_images) {
      EXPECT_GT(replaced, 0);
    }
  }
}

TEST_F(HtmlRun, CartesianInputHasNoCellAndCartesianDummies) {
  const fs::path trp = kShared / "shelx" / "dl_tryptophan_P21c.res";
  if (!fs::exists(trp)) GTEST_SKIP() << trp << " absent";
  fs::copy_file(trp, trp.filename());
  test::write_file("vorn.inp", "FORMAT *shelx\nINPUT dl_tryptophan_P21c.res\n");
  std::ostringstream con;
  std::istringstream in;
  vorn_main({}, con, in);
  // a PLATON file made from vorn.ang, without its dummy lines
  std::string ang;
  for (const auto& l : test::lines_of(test::slurp("vorn.ang")))
    if (l.rfind("ATOM Li(", 0) != 0) ang += l + "\n";
  test::write_file("trp.ang", ang);
  test::write_file("vorn.inp", "FORMAT *platon\nINPUT trp.ang\n");
  vorn_main({}, con, in);
  const test::PageCheck pc = test::check_page_against_run();
  EXPECT_EQ(pc.atoms, 27);
  EXPECT_EQ(pc.with_axes, 27);
  EXPECT_GT(pc.dummies, 0);
  const test::Json d = test::JsonReader::parse(test::data_block(test::slurp("vorn.html")));
  EXPECT_EQ(d["cell"].kind, test::Json::null);
}

}  // namespace
