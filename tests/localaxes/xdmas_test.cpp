// XD master-file records: refinement keys per KEYGEN choice and site symmetry, KAPPA lines, KEEP kappa wrapping, fixed blocks.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "localaxes/xdmas.h"
#include "support.h"
#include "util/format.h"

using namespace vorn;
using vorn::test::lines_of;

namespace {

constexpr const char* p1_zero = "000 000000 0000000000 000000000000000 ";
constexpr const char* p1_full = "111 111111 0000000000 000000000000000 ";
constexpr const char* p1_hyd = "111 100000 0000000000 000000000000000 ";
constexpr const char* p2_zero = "00 000 00000 0000000 000000000";
constexpr const char* p2_no = "10 111 11111 1111111 111111111";

// Atom 1 carbon ordered, atom 2 carbon disordered, atom 3 hydrogen ordered, all "NO".
void three_atoms(vorn::Run& run) {
  resize_atoms(run, 3);
  run.atoms.ia = 3;
  run.atoms.itype[1] = 6;
  run.atoms.itype[2] = 6;
  run.atoms.itype[3] = 1;
  run.atoms1.iaf[2] = -1;
  for (int k = 1; k <= 3; ++k) run.atoms.asym[k] = fmt::pad("NO", 5);
}

// KEYGEN flags by position: XYZUIJ, all, ordered, MULT, all, ordered, kappas.
void keygen(vorn::Run& run, std::initializer_list<int> on) {
  run.set.lkeys.fill(false);
  for (int f : on) run.set.lkeys[f] = true;
}

std::string block1(const vorn::Run& run, int nkap) {
  std::ostringstream os;
  wrxdmas1(os, run, nkap);
  return os.str();
}

// The KEEP kappa lines: everything between the opening rule and the KEEP charge line.
std::vector<std::string> keep_lines(int nkap) {
  vorn::Run run;
  auto all = lines_of(block1(run, nkap));
  std::vector<std::string> r;
  for (size_t n = 1; n < all.size() && all[n] != "KEEP  charge group1"; ++n) r.push_back(all[n]);
  return r;
}

const std::string nums1to19 =
    "   1   2   3   4   5   6   7   8   9  10  11  12  13  14  15  16  17  18  19";
const std::string nums21to39 =
    "  21  22  23  24  25  26  27  28  29  30  31  32  33  34  35  36  37  38  39";

}  // namespace

TEST(XdKey, KeyIsAlways68Characters) {
  vorn::Run run;
  three_atoms(run);
  run.atoms.asym[1] = fmt::pad("cyl", 5);
  for (auto flags : {std::initializer_list<int>{}, {1, 2}, {1, 2, 4, 5, 7}, {1, 3, 4, 6}})
    for (int k = 1; k <= 3; ++k) {
      keygen(run, flags);
      EXPECT_EQ(getkey(run, k).size(), 68u) << "atom " << k;
    }
}

TEST(XdKey, NoKeygenLeavesEverythingFixed) {
  vorn::Run run;
  three_atoms(run);
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(getkey(run, k), std::string(p1_zero) + p2_zero);
}

TEST(XdKey, WithoutMultTheMultipolePartStaysZero) {
  vorn::Run run;
  three_atoms(run);
  // "all" for multipoles set but MULT itself off: no multipole keys.
  keygen(run, {1, 2, 5});
  EXPECT_EQ(getkey(run, 1), std::string(p1_full) + p2_zero);
  keygen(run, {1, 2, 4, 5});
  EXPECT_EQ(getkey(run, 1), std::string(p1_full) + p2_no);
  // MULT on but neither "all" nor "ordered": nothing selected.
  keygen(run, {1, 2, 4});
  EXPECT_EQ(getkey(run, 1), std::string(p1_full) + p2_zero);
}

TEST(XdKey, PlainConversionFixesMultipolesButNotPositions) {
  vorn::Run run;
  three_atoms(run);
  keygen(run, {1, 2, 4, 5, 7});
  run.set.lsx = true;
  EXPECT_EQ(getkey(run, 1), std::string(p1_full) + p2_zero);
  EXPECT_EQ(getkey(run, 3), std::string(p1_hyd) + p2_zero);
}

TEST(XdKey, OrderedVersusAllForADisorderedAtom) {
  vorn::Run run;
  three_atoms(run);
  // "ordered" in both groups: the disordered atom 2 gets nothing, the ordered atom 1 everything.
  keygen(run, {1, 3, 4, 6});
  EXPECT_EQ(getkey(run, 1), std::string(p1_full) + p2_no);
  EXPECT_EQ(getkey(run, 2), std::string(p1_zero) + p2_zero);
  // "all" in both groups: the disordered atom is keyed as the ordered one.
  keygen(run, {1, 2, 4, 5});
  EXPECT_EQ(getkey(run, 2), getkey(run, 1));
  EXPECT_EQ(getkey(run, 2), std::string(p1_full) + p2_no);
  // Mixed: positions for all atoms, multipoles for ordered ones only, and the reverse.
  keygen(run, {1, 2, 4, 6});
  EXPECT_EQ(getkey(run, 2), std::string(p1_full) + p2_zero);
  keygen(run, {1, 3, 4, 5});
  EXPECT_EQ(getkey(run, 2), std::string(p1_zero) + p2_no);
  // A special-position atom (iaf = 1) counts as ordered.
  run.atoms1.iaf[2] = 1;
  keygen(run, {1, 3, 4, 6});
  EXPECT_EQ(getkey(run, 2), std::string(p1_full) + p2_no);
}

TEST(XdKey, HydrogenRefinesPositionAndUisoOnly) {
  vorn::Run run;
  three_atoms(run);
  keygen(run, {1, 2});
  EXPECT_EQ(getkey(run, 3).substr(0, 38), "111 100000 0000000000 000000000000000 ");
  // The hydrogen's multipoles follow its site symmetry like any other atom.
  keygen(run, {1, 2, 4, 5});
  EXPECT_EQ(getkey(run, 3), std::string(p1_hyd) + p2_no);
  // A disordered hydrogen under "ordered" gets nothing.
  run.atoms1.iaf[3] = -1;
  keygen(run, {1, 3});
  EXPECT_EQ(getkey(run, 3).substr(0, 38), p1_zero);
}

TEST(XdKey, EverySiteSymmetrySelectsItsMultipoles) {
  // M D Q O H per site symmetry.
  const std::vector<std::pair<std::string, std::string>> table = {
      {"NO", "10 111 11111 1111111 111111111"},   {"C", "10 000 11111 0000000 111111111"},
      {"2", "10 000 10011 1001100 100110011"},    {"m", "10 110 10011 0110011 100110011"},
      {"2/m", "10 000 10011 0000000 100110011"},  {"222", "10 001 10010 1000100 100100010"},
      {"mm2", "10 001 10010 1001000 100100010"},  {"mmm", "10 000 10010 0000000 100100010"},
      {"4", "10 001 10000 1000000 100000011"},    {"-42m", "10 001 10000 0001000 100000010"},
      {"3", "10 001 10000 1000011 100001100"},    {"3m", "10 001 10000 1000010 100001000"},
      {"cyl", "10 001 10000 1000000 100000000"},
  };
  vorn::Run run;
  three_atoms(run);
  keygen(run, {1, 2, 4, 5});
  for (const auto& [label, m] : table) {
    run.atoms.asym[1] = fmt::pad(label, 5);
    EXPECT_EQ(getkey(run, 1), std::string(p1_full) + m) << label;
    // An unpadded label compares the same.
    run.atoms.asym[1] = label;
    EXPECT_EQ(getkey(run, 1).substr(38), m) << label << " unpadded";
  }
}

TEST(XdKey, UnknownSiteSymmetryLeavesMultipolesFixed) {
  vorn::Run run;
  three_atoms(run);
  keygen(run, {1, 2, 4, 5});
  // Blank, a symmetry outside the table, a wrong case, and prefixes of known labels.
  for (const char* label : {"", "6/mmm", "M", "no", "mm", "-4", "cy"}) {
    run.atoms.asym[1] = fmt::pad(label, 5);
    EXPECT_EQ(getkey(run, 1), std::string(p1_full) + p2_zero) << "'" << label << "'";
  }
}

TEST(XdKappa, KappaLinesFollowTheAtomsOfEachSet) {
  vorn::Run run;
  three_atoms(run);
  // Set 1: carbon and hydrogen; set 2: hydrogen only; set 3: no atom.
  run.kappaset.kset[1] = 1;
  run.kappaset.kset[2] = 1;
  run.kappaset.kset[3] = 2;
  run.kappaset.itkset = 3;
  keygen(run, {1, 2, 4, 5, 7});
  EXPECT_EQ(kappa_key(run, 1), "KAPPA   110000");
  EXPECT_EQ(kappa_key(run, 2), "KAPPA   100000");
  EXPECT_EQ(kappa_key(run, 3), "KAPPA   100000");
  // Only the asymmetric unit counts: a generated carbon in set 2 changes nothing.
  resize_atoms(run, 4);
  run.atoms.itype[4] = 6;
  run.kappaset.kset[4] = 2;
  EXPECT_EQ(kappa_key(run, 2), "KAPPA   100000");
  // The set's heavy atom may be the last of the asymmetric unit.
  run.kappaset.kset[1] = 3;
  run.kappaset.kset[2] = 2;
  EXPECT_EQ(kappa_key(run, 2), "KAPPA   110000");
}

TEST(XdKappa, KappaKeysOffOrPlainConversionFixEverySet) {
  vorn::Run run;
  three_atoms(run);
  run.kappaset.kset[1] = 1;
  run.kappaset.kset[3] = 2;
  keygen(run, {1, 2, 4, 5});
  EXPECT_EQ(kappa_key(run, 1), "KAPPA   000000");
  EXPECT_EQ(kappa_key(run, 2), "KAPPA   000000");
  keygen(run, {1, 2, 4, 5, 7});
  run.set.lsx = true;
  EXPECT_EQ(kappa_key(run, 1), "KAPPA   000000");
  EXPECT_EQ(kappa_key(run, 2), "KAPPA   000000");
}

TEST(XdKeepKappa, NoSetsWritesTheBareInstruction) {
  EXPECT_EQ(keep_lines(0), std::vector<std::string>{"KEEP  kappa "});
}

TEST(XdKeepKappa, PartLinesHaveNoContinuation) {
  EXPECT_EQ(keep_lines(1), std::vector<std::string>{"KEEP  kappa    1"});
  EXPECT_EQ(keep_lines(19), std::vector<std::string>{"KEEP  kappa " + nums1to19});
}

TEST(XdKeepKappa, FullLinesContinueOnlyWhenMoreNumbersFollow) {
  // every multiple of 20: the last line holds the last number, no continuation, no empty line
  const std::string full1 = "KEEP  kappa " + nums1to19 + "  20";
  EXPECT_EQ(keep_lines(20), (std::vector<std::string>{full1}));
  EXPECT_EQ(keep_lines(21), (std::vector<std::string>{full1 + " \\", "  21"}));
  EXPECT_EQ(keep_lines(40), (std::vector<std::string>{full1 + " \\", nums21to39 + "  40"}));
  EXPECT_EQ(keep_lines(41), (std::vector<std::string>{full1 + " \\", nums21to39 + "  40 \\", "  41"}));
  for (int n : {60, 200, 220, 240}) {
    const auto l = keep_lines(n);
    ASSERT_EQ(l.size(), static_cast<size_t>(n / 20)) << n;
    EXPECT_EQ(l.back().substr(l.back().size() - 4), vorn::fmt::iw(n, 4)) << n;
    for (size_t k = 0; k + 1 < l.size(); ++k) EXPECT_EQ(l[k].substr(l[k].size() - 2), " \\") << n;
  }
}

TEST(XdKeepKappa, ManySetsWrapTwentyPerLineWithoutGaps) {
  auto l = keep_lines(250);
  ASSERT_EQ(l.size(), 13u);  // 12 full lines and one with 10 numbers
  for (size_t n = 0; n < 12; ++n) {
    EXPECT_EQ(l[n].size(), (n == 0 ? 12u : 0u) + 80u + 2u) << n;
    EXPECT_EQ(l[n].substr(l[n].size() - 2), " \\") << n;
  }
  EXPECT_EQ(l[11].substr(l[11].size() - 6), " 240 \\");
  EXPECT_EQ(l[12], " 241 242 243 244 245 246 247 248 249 250");
}

TEST(XdBlocks, RefinementInstructionsWithDefaultWeights) {
  vorn::Run run;
  const std::string rule = "!------------------------------------------------------------------------------";
  ASSERT_EQ(rule.size(), 79u);
  const std::vector<std::string> expect = {
      rule,
      "KEEP  kappa    1   2",
      "KEEP  charge group1",
      "!KEEP  rigid group1",
      "!RESET bond C(1) H(1) 1.09 ...",
      "WEIGHT     -2.00000    0.00000    0.00000    0.00000    0.00000    0.33333",
      "SKIP  obs 0. 1.d10 *sigobs 3. 1.d06 sinthl 0. 2.",
      "PRINT sinthl .0 2. obs 0. 15. delta 0. 10. *del% 80 100 extcn 80. 100. *abssc",
      "!EXTCN  *iso aniso *type_1 type_2 type_3 distr_g *distr_l msc_0  msc_1",
      "!DMSDA  1.1  1.8",
      "!FOUR  fmod1 4 2 0 0  fmod2 -1 2 0 0",
      "!CON  num1 par1/iat1 num2 par2/iat2 ... = num0",
      rule,
  };
  const std::string text = block1(run, 2);
  EXPECT_EQ(lines_of(text), expect);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
}

TEST(XdBlocks, WeightsAreElevenWideWithFiveDecimals) {
  vorn::Run run;
  run.shelx1.wght = {0.0f, 0.0452f, 1.25f, -0.5f, 0.0f, 12.0f, 12345.0f};
  auto l = lines_of(block1(run, 1));
  ASSERT_GE(l.size(), 6u);
  EXPECT_EQ(l[5], "WEIGHT      0.04520    1.25000   -0.50000    0.00000   12.0000012345.00000");  // the last field exactly full
}

TEST(XdBlocks, PropertyAndGeometryTemplate) {
  vorn::Run run;
  resize_atoms(run, 12);
  run.atoms.ia = 12;
  std::ostringstream os;
  wrxdmas2(os, run);
  auto l = lines_of(os.str());
  const std::string bangs(79, '!');
  ASSERT_EQ(l.size(), 61u);
  EXPECT_EQ(l[0], "!");
  EXPECT_EQ(l[1], "   MODULE *XDPROP");
  EXPECT_EQ(l[15], "PROPERTY  *rho gradrho d2rho nucpot elpot core valence defden sigrho siglap esp ef efg");
  EXPECT_EQ(l[6], "SELECT  cpcut 0.0001 lmax 4  nstep 20  rcut 4.0 ");  // trailing blank kept
  EXPECT_EQ(l[34], "!");
  EXPECT_EQ(l[35], "!LATEN  frag1 1   12  *neutral");
  EXPECT_EQ(l[36], "!LATEN  ncells 0 20  nappl 0  symms 1 2 3");
  EXPECT_EQ(l[45], "!MAP  bvect1 x1 y1 z1 bvect2 x2 y2 z2 cen x0 y0 z0 npts 50 stepsize 0.1");
  EXPECT_EQ(l[49], "!CPSEARCH  shell ato(1) rmin 0.3 rmax 0.5 nrad 5 nang 11 11 cutoff 16.0");
  EXPECT_EQ(l[55], "   END XDPROP");
  EXPECT_EQ(l[56], bangs);
  EXPECT_EQ(l[57], "   MODULE XDGEOM");
  EXPECT_EQ(l[59], "   END  XDGEOM");
  EXPECT_EQ(l[60], bangs);
  // The atom count fills its 4 columns.
  run.atoms.ia = 1234;
  std::ostringstream os2;
  wrxdmas2(os2, run);
  EXPECT_EQ(lines_of(os2.str())[35], "!LATEN  frag1 1 1234  *neutral");
}
