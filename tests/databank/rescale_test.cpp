// Valence-population scaling: fragments from vorn.inp, the three methods, the prompts and the
// corrections that are undefined.
#include "databank/rescale.h"

#include <gtest/gtest.h>

#include <sstream>

#include "../support.h"
#include "util/err.h"
#include "util/format.h"

using namespace vorn;

namespace {

struct Atom {
  int z;
  float occ, pv, spv;
};

struct Result {
  std::vector<float> pv;  // 1-based
  std::string log, console, fatal;
};

// Rescales the given atoms with vorn.inp holding control, answering prompts with answers.
Result rescale(const std::vector<Atom>& atoms, int isca, const std::string& control, const std::string& answers = "") {
  if (!control.empty()) test::write_file("vorn.inp", control);
  Run run;
  std::ostringstream con;
  std::istringstream in(answers);
  run.console = &con;
  run.input = &in;
  run.set.isca = isca;
  for (const Atom& a : atoms) {
    const int i = add_atom(run, "Test");
    run.atoms.itype[i] = a.z;
    run.atoms.atom[i] = fmt::pad("A" + std::to_string(i), 8);
    run.atoms1.occ[i] = a.occ;
    run.mpoles.pv[i] = a.pv;
    run.mpoles.spv[i] = a.spv;
    run.atoms.ia = run.cryst.natoms = i;
  }
  run.nout.open("vorn.out");
  Result r;
  try {
    rescalepv(run);
  } catch (const Fatal& f) {
    r.fatal = f.where + ": " + f.message;
  }
  run.nout.close();
  r.pv = run.mpoles.pv;
  r.log = test::slurp("vorn.out");
  r.console = con.str();
  return r;
}

bool has(const std::string& text, const std::string& s) { return text.find(s) != std::string::npos; }

// Ten carbons at Pv 3.9 (free 4), sigma 0.1 each.
std::vector<Atom> carbons(int n = 10) { return std::vector<Atom>(n, Atom{6, 1.0f, 3.9f, 0.1f}); }

float sum(const std::vector<float>& pv, int from, int to) {
  float s = 0;
  for (int i = from; i <= to; ++i) s += pv[i];
  return s;
}

class Rescale : public test::InTempDir {};

}  // namespace

// Every method meets its target Pfree - q over the members and leaves other atoms alone.
TEST_F(Rescale, MethodsMeetTheTargetOfEachFragment) {
  const struct {
    const char* what;
    int isca;
    std::string control;
    std::vector<int> members;
    float target;
  } cases[] = {
      {"no FRAG, charge -1", 1, "CHFRAG -1.\n", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 41.0f},
      {"range 1 -5 and 9, charge +1", 2, "NFRAG 1\nFRAG 1 1 -5 9\nCHFRAG 1.\n", {1, 2, 3, 4, 5, 9}, 23.0f},
      {"two FRAG lines add up", 3, "nfrag 1\nfrag 1 2\nFRAG 1 4 -6\nchfrag 0.\n", {2, 4, 5, 6}, 16.0f},
      {"numbers past ia are never summed", 1, "NFRAG 1\nFRAG 1 9 -20 100000\nCHFRAG 0.\n", {9, 10}, 8.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Result r = rescale(carbons(), c.isca, c.control);
    ASSERT_EQ(r.fatal, "");
    float s = 0;
    for (int i = 1; i <= 10; ++i) {
      const bool member = std::find(c.members.begin(), c.members.end(), i) != c.members.end();
      if (member) s += r.pv[i];
      else EXPECT_EQ(r.pv[i], 3.9f) << i;
    }
    EXPECT_NEAR(s, c.target, 1e-4f);
  }
}

TEST_F(Rescale, LogTablesOfTheDifferenceMethod) {
  const Result r = rescale({{6, 1.0f, 3.8f, 0.1f}, {8, 0.5f, 3.2f, 0.1f}}, 1, "CHFRAG -1.\n");
  EXPECT_TRUE(has(r.log, "\n Using difference method for rescaling...\n"));
  EXPECT_TRUE(has(r.log, "\n Using ALL atoms for fragment 1 !\n"));
  EXPECT_TRUE(has(r.log, "\n ***** Rescaling Pv's in fragment =   1 *****\n"));
  EXPECT_TRUE(has(r.log, "\n Sum-of-Pv[free]     =     7.000000 el.\n Sum-of-Pv[databank] =     7.000000 el.\n"
                         " Difference          =     0.000000 el. (   0.00 % )\n"));
  EXPECT_TRUE(has(r.log, "\n Rescaling Sum-of-Pv to      8.000000 el.   ( Charge =   -1.000 el. )\n"));
  EXPECT_TRUE(has(r.log, "\n    NO  ATOM       Occup.    Pv(DB)      Pv(free)    +Corr       Pv(new)\n\n"));
  EXPECT_TRUE(has(r.log, "\n     2  A2         0.500     3.20000     3.00000    +0.50000     3.70000\n"));
  EXPECT_TRUE(has(r.log, "\n                    SUM      7.00000     7.00000     1.00000     8.00000\n"));
  EXPECT_TRUE(has(r.console, " ***** Rescaling Pv's in fragment =   1 *****"));
  EXPECT_FALSE(has(r.console, "Pv(DB)"));
}

TEST_F(Rescale, FractionAtItsTargetAndSigmaWithZeroUncertainty) {
  const Result f = rescale({{6, 1.0f, 3.7f, 0.1f}, {1, 1.0f, 1.3f, 0.1f}}, 2, "CHFRAG 0.\n");
  EXPECT_EQ(f.pv[1], 3.7f);
  EXPECT_EQ(f.pv[2], 1.3f);
  EXPECT_TRUE(has(f.log, "    +1.00000     3.70000\n"));
  EXPECT_TRUE(has(f.log, "    *Corr"));
  const Result s = rescale({{6, 1.0f, 3.7f, 0.0f}, {1, 1.0f, 0.8f, 0.2f}}, 3, "CHFRAG 0.\n");
  EXPECT_EQ(s.pv[1], 3.7f);
  EXPECT_NEAR(s.pv[2], 1.3f, 1e-6f);
  EXPECT_TRUE(has(s.log, " Sum of sigma(Pv)    =     0.200000\n"));
}

// Fragment 1 of atoms 1-2; fragment 2 empty, or every Pv or every sigma zero.
TEST_F(Rescale, UndefinedCorrectionsLeaveThePopulations) {
  const struct {
    const char* what;
    int isca;
    std::vector<Atom> atoms;
    std::string control, message;
  } cases[] = {
      {"empty fragment", 1, carbons(2), "NFRAG 2\nFRAG 1 1 -2\nCHFRAG 0. 0.\n",
       " Correction undefined for fragment   2 (no atoms in the fragment) : Pv's left unchanged"},
      {"empty fragment, fraction", 2, carbons(2), "NFRAG 2\nFRAG 1 1 -2\nCHFRAG 0. 0.\n",
       " Correction undefined for fragment   2 (no atoms in the fragment) : Pv's left unchanged"},
      {"Ptot 0", 2, {{6, 1.0f, 0.0f, 0.1f}, {6, 1.0f, 0.0f, 0.1f}}, "CHFRAG 0.\n",
       " Correction undefined for fragment   1 (Sum-of-Pv[databank] = 0) : Pv's left unchanged"},
      {"Psig 0", 3, {{6, 1.0f, 3.0f, 0.0f}, {6, 1.0f, 3.5f, 0.0f}}, "CHFRAG 0.\n",
       " Correction undefined for fragment   1 (Sum of sigma(Pv) = 0) : Pv's left unchanged"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Result r = rescale(c.atoms, c.isca, c.control);
    EXPECT_EQ(r.fatal, "");
    EXPECT_TRUE(has(r.log, c.message)) << r.log;
    EXPECT_TRUE(has(r.console, c.message));
    for (size_t i = 1; i < c.atoms.size() + 1; ++i)
      if (c.message.find("fragment   1") != std::string::npos) {
        EXPECT_EQ(r.pv[i], c.atoms[i - 1].pv);
      }
    EXPECT_FALSE(has(r.log, "nan"));
    EXPECT_FALSE(has(r.log, "inf"));
  }
}

TEST_F(Rescale, PromptsForMethodAndCharges) {
  const struct {
    const char* what;
    int isca;
    std::string control, answers, fatal;
    float total;  // of the two carbons, 0 when the run stops
    int prompts;
  } cases[] = {
      {"Enter keeps charge 0", 1, "NFRAG 1\nFRAG 1 1 2\n", "\n", "", 8.0f, 1},
      {"blank answer is 0 too", 1, "NFRAG 2\nFRAG 1 1\nFRAG 2 2\n", "   \n-1\n", "", 9.0f, 2},
      {"method f, then charge", 0, "CHFRAG 0.\n", "f\n", "", 8.0f, 0},
      {"empty method answer is sigma", 0, "CHFRAG 2.\n", "\n", "", 6.0f, 0},
      {"end of input at the charge", 1, "NFRAG 1\nFRAG 1 1 2\n", "", "rescalePv: No net charge of fragment 1 on standard input", 0, 1},
      {"end of input at the method", 0, "CHFRAG 0.\n", "", "rescalePv: No scaling method on standard input", 0, 0},
      {"charge not a number", 1, "NFRAG 1\nFRAG 1 1 2\n", "minus one\n",
       "rescalePv: Net charge of fragment 1 is not a number: minus one", 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Result r = rescale(carbons(2), c.isca, c.control, c.answers);
    EXPECT_EQ(r.fatal, c.fatal);
    if (c.fatal.empty()) {
      EXPECT_NEAR(sum(r.pv, 1, 2), c.total, 1e-5f);
    }
    size_t n = 0;
    for (size_t p = r.console.find(" Enter net charge of fragment "); p != std::string::npos;
         p = r.console.find(" Enter net charge of fragment ", p + 1))
      ++n;
    EXPECT_EQ(n, static_cast<size_t>(c.prompts));
    if (c.isca == 0) {
      EXPECT_TRUE(has(r.console, " Use difference (d), fraction (f) or sigmas (s) [s] : "));
    }
  }
  EXPECT_TRUE(has(rescale(carbons(2), 0, "CHFRAG 0.\n", "F\n").log, " Using fraction method"));
  EXPECT_TRUE(has(rescale(carbons(2), 0, "CHFRAG 0.\n", "\n").log, " Using sigmaPv method"));
}

TEST_F(Rescale, BadFragmentLinesAreRejected) {
  const struct {
    std::string control, fatal;
  } cases[] = {
      {"NFRAG 1\nFRAG 1 0\n", "rescalePv: Atom number 0 on FRAG line outside 1 .. 10000000"},
      {"NFRAG 1\nFRAG 1 10000001\n", "rescalePv: Atom number 10000001 on FRAG line outside 1 .. 10000000"},
      {"NFRAG 1\nFRAG 1 1 -10000001\n", "rescalePv: Atom number 10000001 on FRAG line outside 1 .. 10000000"},
      {"NFRAG 1\nFRAG 1 -2\n", "rescalePv: Range on FRAG line without a first atom: FRAG 1 -2"},
      {"NFRAG 1\nFRAG 1 1 -2 -3\n", "rescalePv: Range on FRAG line without a first atom: FRAG 1 1 -2 -3"},
      {"NFRAG 1\nFRAG 1 2 -1\n", "rescalePv: Descending range on FRAG line: FRAG 1 2 -1"},
      {"NFRAG 1\nFRAG 1 one\n", "rescalePv: Error reading fragments from vorn.inp"},
      {"NFRAG 1\nFRAG 1 1.5\n", "rescalePv: Error reading fragments from vorn.inp"},
      {"NFRAG 1\nFRAG\n", "rescalePv: Error reading fragments from vorn.inp"},
      {"NFRAG x\nFRAG 1 1\n", "rescalePv: Error reading NFRAG from vorn.inp"},
      {"NFRAG -1\nFRAG 1 1\n", "rescalePv: Number of fragments on NFRAG line outside 0 .. 10000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control);
    EXPECT_EQ(rescale(carbons(2), 1, c.control + "CHFRAG 0.\n").fatal, c.fatal);
  }
}

TEST_F(Rescale, WithoutControlFileAllAtomsFormOneFragment) {
  const Result r = rescale(carbons(2), 1, "", "\n");
  EXPECT_EQ(r.fatal, "");
  EXPECT_TRUE(has(r.console, "\n Using ALL atoms for fragment 1 !\n"));
  EXPECT_NEAR(sum(r.pv, 1, 2), 8.0f, 1e-5f);
}
