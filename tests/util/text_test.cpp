// Logical lines, word splitting, label forms and element numbers.
#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "util/elements.h"
#include "util/err.h"
#include "util/text.h"

using namespace vorn;

TEST(TextLines, ContinuationAcrossACommentLine) {
  std::istringstream in("VERBOSE 4 \\\n! a comment\nTOLS\n");
  std::string line;
  ASSERT_TRUE(readinputline(in, line));
  EXPECT_EQ(line.size(), 255u);
  LineExtract le = readline(line);
  ASSERT_EQ(le.nch, 3);
  EXPECT_EQ(le.vchar[1], "VERBOSE");
  EXPECT_EQ(le.vchar[2], "\\");
  EXPECT_EQ(le.vchar[3], "TOLS");
  auto n = read_all_reals(line);
  ASSERT_TRUE(n);
  ASSERT_EQ(n->size(), 1u);
  EXPECT_EQ((*n)[0], 4.0f);
  EXPECT_FALSE(readinputline(in, line));
}

TEST(TextLines, CommentsBlankLinesAndCarriageReturns) {
  std::istringstream in("! only a comment\n\n   \nNCELLS 1\r\n");
  std::string line;
  ASSERT_TRUE(readinputline(in, line));
  EXPECT_EQ(line.substr(0, 9), "NCELLS 1 ");
  EXPECT_FALSE(readinputline(in, line));
}

TEST(TextLines, ValueAgainstTheBackslashIsLostAsANumber) {
  std::istringstream in("TOLS 0.4 2\\\n0.1\n");
  std::string line;
  ASSERT_TRUE(readinputline(in, line));
  LineExtract le = readline(line);
  EXPECT_EQ(le.vchar[2], "2\\");
  auto n = read_all_reals(line);
  ASSERT_TRUE(n);
  EXPECT_EQ(n->size(), 2u);
}

TEST(TextLines, TooLongLinesStop) {
  std::istringstream one(std::string(256, 'A') + "\n");
  std::string line;
  EXPECT_THROW(readinputline(one, line), Fatal);
  std::istringstream joined(std::string(200, 'A') + " \\\n" + std::string(100, 'B') + "\n");
  try {
    readinputline(joined, line);
    FAIL() << "joined line of 304 characters accepted";
  } catch (const Fatal& f) {
    EXPECT_EQ(f.where, "ReadInputLine");
    EXPECT_EQ(f.message, "Line exceeds limit of 255 characters");
  }
  std::istringstream exact(std::string(255, 'A') + "\n");
  EXPECT_TRUE(readinputline(exact, line));
}

TEST(TextWords, NumbersAndWordsMixed) {
  std::string line = "TOLS bond 0.4 ring 0.1 group 0.1";
  LineExtract le = readline(line);
  ASSERT_EQ(le.nch, 4);
  EXPECT_EQ(le.vchar[2], "BOND");
  EXPECT_EQ(le.vchar[4], "GROUP");
  auto n = read_reals(line, 3);
  ASSERT_TRUE(n);
  EXPECT_FLOAT_EQ((*n)[0], 0.4f);
  EXPECT_EQ(line.find("bond"), std::string::npos);
}

TEST(TextWords, StarsCutsAndLimits) {
  std::string line = "FORMAT *shelx xd EXTEND_HYDROGEN *";
  LineExtract le = readline(line);
  ASSERT_EQ(le.nch, 5);
  EXPECT_EQ(le.istar[2], 1);
  EXPECT_EQ(le.vchar[2], "SHELX");
  EXPECT_EQ(le.istar[3], 0);
  EXPECT_EQ(le.vchar[4], "EXTEND_H");
  EXPECT_EQ(le.istar[5], 1);
  EXPECT_EQ(le.vchar[5], "");
  std::string many;
  for (int k = 0; k < 41; ++k) many += "W ";
  EXPECT_THROW(readline(many), Fatal);
}

TEST(TextWords, NumberForms) {
  EXPECT_TRUE(parse_real("1"));
  EXPECT_TRUE(parse_real("-.5"));
  EXPECT_TRUE(parse_real("1.d-09"));
  EXPECT_FLOAT_EQ(*parse_real("2.5E2"), 250.0f);
  EXPECT_FALSE(parse_real("-"));
  EXPECT_FALSE(parse_real("."));
  EXPECT_FALSE(parse_real("1/2"));
  EXPECT_FALSE(parse_real("C1"));
  EXPECT_FALSE(parse_real("1E"));
  EXPECT_FALSE(parse_int("4.0"));
  EXPECT_EQ(*parse_int("-3"), -3);
}

TEST(TextWords, WordPositions) {
  EXPECT_EQ(dnumline("  A BB  C"), 3);
  EXPECT_EQ(dnumline("A"), 1);  // a word in the last column still counts
  int i1 = 0, i2 = 0;
  readchar("  A BB  C", 2, i1, i2);
  EXPECT_EQ(i1, 5);
  EXPECT_EQ(i2, 6);
  try {
    readchar("INPUT", 2, i1, i2);
    FAIL();
  } catch (const Fatal& f) {
    EXPECT_EQ(f.where, "ReadChar");
    EXPECT_EQ(f.message, "Unexpected STOP in ReadChar...");
  }
}

TEST(TextHelpers, LengthsAndCase) {
  const std::string blank(60, ' ');
  EXPECT_EQ(ils(blank), 60);
  EXPECT_EQ(lenstr(blank, 60), 0);
  EXPECT_EQ(ils("AB  "), 2);
  EXPECT_EQ(ifs("  AB"), 3);
  EXPECT_EQ(ifs("    "), 0);
  EXPECT_EQ(upper("aZ(1)b"), "AZ(1)B");
  std::string s = "Cl(1)";
  locase(s);
  EXPECT_EQ(s, "cl(1)");
  std::string r = " A B  C ";
  rmblanks(r);
  EXPECT_EQ(r, "ABC     ");
  std::string big(300, 'x');
  EXPECT_THROW(rmblanks(big), Fatal);
}

TEST(TextHelpers, LabelForms) {
  std::string a = "C(12)     ";
  erbras(a);
  EXPECT_EQ(a, "C12       ");
  std::string b = "C(12)     ";
  ernum(b);
  EXPECT_EQ(b, "C         ");
  std::string c = "  H1A     ";
  ernum(c);
  EXPECT_EQ(c, "H1A       ");
  std::string d = "DUM12     ";
  erum(d);
  EXPECT_EQ(d, "D12       ");
}

TEST(Elements, AtomicNumbers) {
  EXPECT_EQ(iatnum("Co"), 27);
  EXPECT_EQ(iatnum("Hf"), 72);
  EXPECT_EQ(iatnum("NO"), 102);
  EXPECT_EQ(iatnum("CL"), 17);
  EXPECT_EQ(iatnum("C1"), 6);
  EXPECT_EQ(iatnum("Ca"), 20);
  EXPECT_EQ(iatnum("X1"), 0);
  EXPECT_EQ(iatnum("H "), 1);
  EXPECT_EQ(iatnum("Mt"), 109);
  EXPECT_EQ(iatnum("U1"), 92);
}

TEST(Elements, ValenceElectrons) {
  // z, valence electrons: iodine and indium keep 4d10 in the core (7 and 3, not 17 and 13),
  // as do thallium 5d10 and lutetium to mercury 4f14; gallium to krypton count 3d10 as valence
  const std::pair<int, float> rows[] = {{1, 1.0f},   {2, 2.0f},   {6, 4.0f},   {17, 7.0f},  {26, 8.0f},
                                        {31, 13.0f}, {35, 17.0f}, {47, 11.0f}, {48, 12.0f}, {49, 3.0f},
                                        {50, 4.0f},  {53, 7.0f},  {54, 8.0f},  {70, 16.0f}, {71, 3.0f},
                                        {78, 10.0f}, {80, 12.0f}, {81, 3.0f},  {83, 5.0f},  {86, 8.0f},
                                        {87, 1.0f},  {92, 6.0f}};
  for (const auto& [z, pv] : rows) EXPECT_EQ(pval(z), pv) << "z = " << z;
}

// Pv of xd_vorn.inp and the SCAT row of xd_vorn.mas must count the same valence electrons,
// and the SCAT row must hold all z electrons, for every element with a configuration.
TEST(Elements, ValenceMatchesScatConfiguration) {
  for (int z = 1; z <= maxcovz; ++z) {
    const std::array<int, 18> o = getsft(z);
    int valence = 0, total = 0;
    for (int n : o) {
      if (n < 0) valence -= n;
      total += n < 0 ? -n : n;
    }
    EXPECT_EQ(total, z) << symbat(z);
    EXPECT_EQ(pval(z), static_cast<float>(valence)) << symbat(z) << " z = " << z;
  }
}
