// Databank matching on a hand-built methanol: which entry each atom takes, the limits, the
// broken files, and the index giving the search over the file line for line.
#include "databank/readdb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "../support.h"
#include "util/err.h"
#include "util/format.h"

using namespace vorn;

namespace {

// Atoms: 1 C, 2 O, 3 H on O, 4-6 H on C.
void methanol(Run& run) {
  const struct {
    int z;
    Vec3 x;
  } at[] = {{6, {0, 0, 0}},           {8, {1.43f, 0, 0}},           {1, {1.75f, 0.92f, 0}},
            {1, {-0.36f, 1.03f, 0}}, {1, {-0.36f, -0.51f, 0.89f}}, {1, {-0.36f, -0.51f, -0.89f}}};
  for (const auto& a : at) {
    const int i = add_atom(run, "Test");
    run.atoms.itype[i] = a.z;
    run.atoms.xc[i] = run.atoms.xf[i] = a.x;
    run.atoms.atom[i] = fmt::pad((a.z == 6 ? "C(" : a.z == 8 ? "O(" : "H(") + std::to_string(i) + ")", 8);
    run.atoms.ia = run.cryst.natoms = i;
  }
  run.atoms.asym[1] = "3m   ";
  run.atoms.asym[2] = "m    ";
  for (int i = 3; i <= 6; ++i) run.atoms.asym[i] = "cyl  ";
  run.forh.ihp[3] = 8, run.forh.isp[3] = 2, run.forh.ihnei[3] = 1;
  for (int i = 4; i <= 6; ++i) run.forh.ihp[i] = 6, run.forh.isp[i] = 4, run.forh.ihnei[i] = 3;
}

struct Outcome {
  Mpoles1 m;
  std::string log, fatal;
  DbCount count;
};

// Atom k searched in db text, the group and planarity set as the local-axes stage would.
Outcome search(const std::string& db, int k, DbSearch mode, const std::string& group = "", int verbose = 2,
               int iring = 0, int imemb = 0) {
  test::write_file("test.db", db);
  Run run;
  std::ostringstream con;
  run.console = &con;
  run.set.iverbose = verbose;
  run.dbsearch = mode;
  methanol(run);
  if (!group.empty()) run.except.iexp[k] = 1, run.except.group[k] = fmt::pad(group, 40);
  run.forring.iring = iring;
  run.forring.imemb = imemb;
  run.idb.open("test.db");
  run.nout.open("vorn.out");
  Outcome o;
  try {
    readdb(run, k, k != 1);
  } catch (const Fatal& f) {
    o.fatal = f.where + ": " + f.message;
  }
  run.nout.close();
  o.m = run.mpoles1;
  o.log = test::slurp("vorn.out");
  o.count = run.dbcount;
  return o;
}

// Both searches; they must agree in everything they write and return.
Outcome both_ways(const std::string& db, int k, const std::string& group = "", int iring = 0, int imemb = 0) {
  const Outcome a = search(db, k, DbSearch::index, group, 2, iring, imemb),
                b = search(db, k, DbSearch::rescan, group, 2, iring, imemb);
  EXPECT_EQ(a.log, b.log);
  EXPECT_EQ(a.fatal, b.fatal);
  EXPECT_EQ(a.m.ifind, b.m.ifind);
  EXPECT_EQ(a.m.pv1, b.m.pv1);
  EXPECT_EQ(a.m.plm1, b.m.plm1);
  EXPECT_EQ(a.count.ntot, b.count.ntot);
  return a;
}

const std::string kCarbon = "ATOM 6 C methyl carbon\nNEIG 4 2 0 0 3m planar F\n 1 1 3\n 2 8 1\nPVAL 4.10 0.99 0.85 0.05\n";
const std::string kOxygen = "ATOM 8 O hydroxyl oxygen\nNEIG 2 2 0 0 m planar T\n 1 1 1\n 2 6 1\nPVAL 6.20 0.98 1.0 0.08\n";
const std::string kHydroxylH = "ATOM 1 H hydroxyl hydrogen\nPRNT 8 2 1 cyl\nPVAL 0.70 1.16 1.2 0.04\n";

class ReadDB : public test::InTempDir {};

}  // namespace

// Which entry an atom takes: the Pv of the entry names it; 0 means the defaults.
TEST_F(ReadDB, FirstMatchingEntryWins) {
  const struct {
    const char* what;
    int atom;
    std::string group, db;
    float pv;
    int iring = 0, imemb = 0;  // the atom's planar-ring environment
  } cases[] = {
      {"element without entry", 2, "", kCarbon, 0},
      {"two matches", 1, "", kCarbon + "ATOM 6 C second\nNEIG 4 2 0 0 3m p F\n 1 1 3\n 2 8 1\nPVAL 4.2 1 1 0.1\n", 4.10f},
      {"symmetry differs, then blank symmetry matches any", 1, "",
       "ATOM 6 C a\nNEIG 4 2 0 0 mm2 p F\n 1 1 3\n 2 8 1\nPVAL 4.3 1 1 0\nATOM 6 C b\nNEIG 4 2 0 0\n 1 1 3\n 2 8 1\nPVAL 4.4 1 1 0\n",
       4.4f},
      {"types differ", 1, "", "ATOM 6 C a\nNEIG 4 2 0 0 3m p F\n 1 1 2\n 2 8 2\nPVAL 4.3 1 1 0\n" + kCarbon, 4.10f},
      {"planarity flag differs, default flag", 2, "",
       "ATOM 8 O a\nNEIG 2 2 0 0 m p F\n 1 1 1\n 2 6 1\nPVAL 6.3 1 1 0\nATOM 8 O b\nNEIG 2 2 0 0 m\n 1 1 1\n 2 6 1\nPVAL 6.4 1 1 0\n",
       6.4f},
      {"PRNT symmetry is exact", 3, "",
       "ATOM 1 H a\nPRNT 8 2 1\nPVAL 0.6 1 1 0\nATOM 1 H b\nPRNT 8 2 1 cyl\nPVAL 0.8 1 1 0\n", 0.8f},
      {"PRNT parent differs", 3, "", "ATOM 1 H a\nPRNT 6 4 3 cyl\nPVAL 0.9 1 1 0\n", 0},
      {"comments inside, a commented ATOM line", 2, "",
       "!ATOM 8 O commented out\n!NEIG 2 2 0 0 m\nATOM 8 O c\n! note\nNEIG 2 2 0 0 m planar T\n! a\n 1 1 1\n!b\n 2 6 1\n!c\nPVAL 6.5 1 1 0\n",
       6.5f},
      {"group atom skips plain and other groups", 2, "CARBOXYLATE",
       kOxygen + "ATOM 8 O g\nNEIG 2 2 0 0 m p T\n 1 1 1\n 2 6 1\nEXCEPT GROUP amide\nPVAL 6.6 1 1 0\n" +
           "ATOM 8 O g\nNEIG 2 2 0 0 m p T\n 1 1 1\n 2 6 1\nexcept group Carboxylate\nPVAL 6.7 1 1 0\n",
       6.7f},
      {"plain atom skips group entries", 2, "",
       "ATOM 8 O g\nNEIG 2 2 0 0 m p T\n 1 1 1\n 2 6 1\nEXCEPT GROUP amide\nPVAL 6.6 1 1 0\n" + kOxygen, 6.2f},
      {"hydrogen group entry", 3, "HYDROXYL",
       kHydroxylH + "ATOM 1 H g\nPRNT 8 2 1 cyl\nEXCEPT GROUP hydroxyl\nPVAL 0.75 1 1 0\n", 0.75f},
      {"last entry ends with its PVAL line", 3, "", "ATOM 1 H a\nPRNT 8 2 1 cyl\nPVAL 0.7 1 1 0", 0.7f},
      // a carbon in one six-membered planar ring passes over the five-ring entry listed first
      {"ring size differs", 1, "",
       "ATOM 6 C five\nNEIG 4 2 1 5 3m p F\n 1 1 3\n 2 8 1\nPVAL 4.3 1 1 0\n"
       "ATOM 6 C six\nNEIG 4 2 1 6 3m p F\n 1 1 3\n 2 8 1\nPVAL 4.4 1 1 0\n",
       4.4f, 1, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome o = both_ways(c.db, c.atom, c.group, c.iring, c.imemb);
    EXPECT_EQ(o.fatal, "");
    EXPECT_EQ(o.m.ifind, c.pv != 0 ? 1 : 0);
    // the same databank with CRLF line ends gives the same match
    std::string crlf;
    for (char ch : c.db) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    const Outcome w = both_ways(crlf, c.atom, c.group, c.iring, c.imemb);
    EXPECT_EQ(w.fatal, "");
    EXPECT_EQ(w.m.ifind, o.m.ifind);
    EXPECT_EQ(w.m.pv1, o.m.pv1);
    EXPECT_EQ(o.count.ntot, 1);
    EXPECT_EQ(o.count.nfound + o.count.nmissed, 1);
    if (c.pv != 0) {
      EXPECT_FLOAT_EQ(o.m.pv1, c.pv);
    }
  }
}

TEST_F(ReadDB, NotFoundKeepsTheFreeAtomAndReportsIt) {
  const Outcome o = both_ways(kCarbon, 2);
  EXPECT_EQ(o.count.nmissed, 1);
  EXPECT_FLOAT_EQ(o.m.pv1, 6.0f);
  EXPECT_FLOAT_EQ(o.m.spv1, 0.01f);
  EXPECT_EQ(o.m.rkap1, (std::array<float, 2>{1.0f, 1.0f}));
  EXPECT_EQ(o.m.plm1, Plm{});
  EXPECT_NE(o.log.find("\n ReadDB :: atom O(2) was NOT found in the DataBank\n"), std::string::npos);
  EXPECT_NE(o.log.find("   Pval, Kappa, Kappa', sigmaPv =       6.0000      1.0000      1.0000      0.0100\n"
                       "    2nd Monopole:  0.000\n         Dipoles:  0.000  0.000  0.000\n"),
            std::string::npos);
}

TEST_F(ReadDB, FoundEntryIsReportedWithItsCommentAndParameters) {
  const std::string db = kCarbon + "PLMS 2.0 0 0.1 1.6 2.4 -0.2\nPLMS 4 -4 0.3";
  const Outcome o = both_ways(db, 1);
  EXPECT_EQ(o.count.nfound, 1);
  EXPECT_FLOAT_EQ(o.m.plm1[2][0 + 4], 0.1f);
  EXPECT_FLOAT_EQ(o.m.plm1[2][2 + 4], -0.2f);
  EXPECT_FLOAT_EQ(o.m.plm1[4][-4 + 4], 0.3f);
  EXPECT_EQ(o.m.rkap1, (std::array<float, 2>{0.99f, 0.85f}));
  EXPECT_FLOAT_EQ(o.m.spv1, 0.05f);
  for (const char* line : {"\n ReadDB :: atom C(1) was found in the DataBank\n",
                           "\n DB comment for C(1) = [methyl carbon]\n",
                           "\n Pseudoatom parameters assigned to C(1)     : \n\n",
                           "     Quadrupoles:  0.000  0.000  0.100  0.000 -0.200\n",
                           "   Hexadecapoles:  0.300  0.000", "   jnei=  4 jty=  2 jring=  0 asymr=[3M   ] planar=F\n jmemb=  0\n",
                           "   type =  1 jatum =  1 jndt =  3\n"})
    EXPECT_NE(o.log.find(line), std::string::npos) << line;
}

TEST_F(ReadDB, GroupOfTheEntryIsReported) {
  const Outcome o = both_ways("ATOM 8 O g\nNEIG 2 2 0 0 m p T\n 1 1 1\n 2 6 1\nEXCEPT GROUP  carboxylate \nPVAL 6.7 1 1 0\n",
                              2, "CARBOXYLATE");
  EXPECT_NE(o.log.find("\n Functional group = [CARBOXYLATE]\n"), std::string::npos);
  EXPECT_NE(o.log.find("      group read from DB = [CARBOXYLATE" + std::string(29, ' ') + "]\n"), std::string::npos);
}

// The file breaks only where the search reaches; before that the run goes on.
TEST_F(ReadDB, BrokenFilesStopWhereTheSearchReachesThem) {
  const struct {
    const char* what;
    int atom;
    std::string db, fatal;
  } cases[] = {
      {"entry cut off before PVAL", 1, "ATOM 6 C cut\nNEIG 4 2 0 0 3m p F\n 1 1 3\n 2 8 1\n",
       "ReadFile: Error reading unit =           10"},
      {"entry of another element cut off", 2, "ATOM 6 C cut\n" + kOxygen, ""},
      {"ATOM line without atomic number", 2, "ATOM\n" + kOxygen, "ReadChar: Unexpected STOP in ReadChar..."},
      {"broken ATOM line after the match", 2, kOxygen + "ATOM\n", ""},
      {"matching ATOM line without comment", 2, "ATOM 8 O\n" + kOxygen, "ReadChar: Unexpected STOP in ReadChar..."},
      {"atomic number not a number", 1, "ATOM C6 x y\n" + kCarbon, "ReadDB: Atomic number expected on DataBank line: ATOM C6 x y"},
      {"more than 10 types", 1, "ATOM 6 C t\nNEIG 4 11 0 0 3m p F\n",
       "ReadDB: More than 10 neighbour types (or fewer than 0) in DataBank entry [ATOM 6 C t]"},
      {"l out of range", 1, kCarbon + "PLMS 5 0 0.1\n",
       "ReadDB: PLMS l or m out of range (l 0..4, m -l..l) in DataBank entry [ATOM 6 C methyl carbon]"},
      {"m out of range", 1, kCarbon + "PLMS 2 -2.6 0.1\n",
       "ReadDB: PLMS l or m out of range (l 0..4, m -l..l) in DataBank entry [ATOM 6 C methyl carbon]"},
      {"PLMS not in triples", 1, kCarbon + "PLMS 2 0\n",
       "ReadDB: PLMS numbers not in triples (l, m, value) in DataBank entry [ATOM 6 C methyl carbon]"},
      {"unreadable PVAL", 1, "ATOM 6 C methyl carbon\nNEIG 4 2 0 0 3m planar F\n 1 1 3\n 2 8 1\nPVAL 4.1\n",
       "ReadDB: Unreadable PVAL line in DataBank entry [ATOM 6 C methyl carbon]"},
      {"long line before the match", 2, std::string(201, 'x') + "\n" + kOxygen,
       "ReadDB: DataBank line longer than 200 characters: " + std::string(40, 'x') + "..."},
      {"long line after the match", 2, kOxygen + kCarbon + std::string(201, 'x') + "\n", ""},
      {"line of exactly 200 characters", 2, std::string(200, 'x') + "\n" + kOxygen, ""},
      {"long line read for PLMS", 2, kOxygen + std::string(201, 'x') + "\n",
       "ReadDB: DataBank line longer than 200 characters: " + std::string(40, 'x') + "..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome o = both_ways(c.db, c.atom);
    EXPECT_EQ(o.fatal, c.fatal);
  }
}

// A structure can meet a broken entry only for its later atoms: the index keeps going for the
// others and stops at the same atom, after the same log, as reading the file would.
TEST_F(ReadDB, IndexStopsAtTheSameAtomAsTheFile) {
  const std::string db = kOxygen + kHydroxylH + "ATOM 1 H cut off\n";
  for (int k : {2, 3}) EXPECT_EQ(both_ways(db, k).fatal, "") << k;
  EXPECT_EQ(both_ways(db, 4).fatal, "ReadFile: Error reading unit =           10");
}
