// Control file: keywords, validation, KEYGEN consistency and the option report.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "driver/control.h"
#include "model/run.h"
#include "support.h"
#include "util/err.h"
#include "util/format.h"

using namespace vorn;

namespace {

class Control : public test::InTempDir {
 protected:
  // Reads the control text; returns the log.
  std::string read(const std::string& text) {
    run_.nout.open("vorn.out");
    run_.console = &console_;
    std::istringstream in(text);
    readinp_stream(run_, in);
    run_.nout.close();
    return test::slurp("vorn.out");
  }
  Fatal fails(const std::string& text) {
    try {
      read(text);
    } catch (const Fatal& f) {
      return f;
    }
    ADD_FAILURE() << "no fatal error for:\n" << text;
    return Fatal("", "");
  }
  vorn::Run run_;
  std::ostringstream console_;
};

}  // namespace

TEST_F(Control, FormatSelection) {
  read("FORMAT *shelx xd aim2tab platon\nINPUT a.res\n");
  EXPECT_EQ(run_.set.iform, 1);
  EXPECT_EQ(run_.set.ifra, 1);
  vorn::Run other;
  run_.set = other.set;
  read("FORMAT shelx *platon\nINPUT a.txt\nNCELLS 1\n");
  EXPECT_EQ(run_.set.iform, 5);
  EXPECT_EQ(run_.set.ifra, 0);
  // a later FORMAT line back to a fractional format restores fractional dummies
  run_.set = other.set;
  read("FORMAT *platon\nFORMAT *xd\nINPUT a.mas a.inp\n");
  EXPECT_EQ(run_.set.iform, 2);
  EXPECT_EQ(run_.set.ifra, 1);
}

// A CIF may name its data block after the file; the switches after it keep their meaning.
TEST_F(Control, CifFormatAndItsDataBlock) {
  const struct {
    const char* input;
    const char* block;
    bool lrs, lsx;
    int irs;
  } cases[] = {{"INPUT s.cif\n", "", false, false, 0},
               {"INPUT s.cif 2100348 *rename *toxd\n", "2100348", true, true, 0},
               {"INPUT s.cif blk *rename 1 toxd\n", "blk", true, false, 1},
               {"INPUT s.cif *rename 1 toxd\n", "", true, false, 1}};
  for (const auto& c : cases) {
    run_.set = vorn::Run().set;
    const std::string log = read(std::string("FORMAT shelx *cif\n") + c.input);
    EXPECT_EQ(run_.set.iform, iform_cif);
    EXPECT_EQ(run_.set.ifra, 1);
    EXPECT_EQ(run_.set.cifblock, c.block) << c.input;
    EXPECT_EQ(run_.set.lrs, c.lrs) << c.input;
    EXPECT_EQ(run_.set.lsx, c.lsx) << c.input;
    EXPECT_EQ(run_.set.irs, c.irs) << c.input;
    const std::string report = std::string(" Input file format = CIF    file(s) = s.cif") +
                               (*c.block ? std::string(" data_") + c.block : std::string()) + "\n";
    EXPECT_NE(log.find(report), std::string::npos) << log;
  }
}

TEST_F(Control, FormatMissingOrUnstarred) {
  EXPECT_EQ(fails("INPUT a.res\n").message, "Unknown input file format");
  Fatal f = fails("FORMAT shelx xd\nINPUT a.res\n");
  EXPECT_EQ(f.where, "ReadInp");
  EXPECT_EQ(f.message, "Unknown input file format");
}

TEST_F(Control, InputNamesAndOrderForXd) {
  read("INPUT xd.mas xd.inp\nFORMAT *xd\n");
  EXPECT_EQ(fmt::trim(run_.set.fname[0]), "xd.mas");
  EXPECT_EQ(fmt::trim(run_.set.mas), "");
  vorn::Run fresh;
  run_.set = fresh.set;
  std::string log = read("FORMAT *xd\nINPUT Xd.mas xd.inp\n");
  EXPECT_EQ(fmt::trim(run_.set.mas), "Xd.mas");
  EXPECT_EQ(fmt::trim(run_.set.fname[0]), "xd.inp");
  EXPECT_NE(log.find(" Input file format = XD    file(s) = Xd.mas xd.inp"), std::string::npos);
}

TEST_F(Control, RenameAndConversion) {
  read("FORMAT *shelx\nINPUT l-dopa.shelx   rename 0 toxd\n");
  EXPECT_FALSE(run_.set.lrs);
  EXPECT_FALSE(run_.set.lsx);
  vorn::Run a;
  run_.set = a.set;
  std::string log = read("FORMAT *shelx\nINPUT x.res *rename 1\n");
  EXPECT_TRUE(run_.set.lrs);
  EXPECT_EQ(run_.set.irs, 1);
  EXPECT_NE(console_.str().find(" inum = "), std::string::npos);
  EXPECT_NE(log.find(" Change SHELX atom names ( irs=1 : counting atoms types ) "), std::string::npos);
  vorn::Run b;
  run_.set = b.set;
  read("FORMAT *shelx\nINPUT x.res *rename 5\n");
  EXPECT_EQ(run_.set.irs, 1);
  vorn::Run c;
  run_.set = c.set;
  log = read("FORMAT *shelx\nINPUT x.res rename *toxd\nEXTEND_H\nRINGS 3 6\nDATABANK db.txt\n");
  EXPECT_TRUE(run_.set.lsx);
  EXPECT_FALSE(run_.set.lfh);
  EXPECT_FALSE(run_.set.ldb);
  EXPECT_FALSE(run_.set.lring);
  EXPECT_NE(log.find(" SIMPLE CONVERSION OF SHELX FILE TO XD FILES WAS REQUESTED"), std::string::npos);
  EXPECT_EQ(log.find("Threshold"), std::string::npos);  // the report ends after the conversion note
}

TEST_F(Control, InputWithoutFileName) {
  Fatal f = fails("FORMAT *shelx\nINPUT\n");
  EXPECT_EQ(f.where, "ReadChar");
  EXPECT_EQ(f.message, "Unexpected STOP in ReadChar...");
  EXPECT_EQ(fails("FORMAT *xd\nINPUT only.mas\n").where, "ReadChar");
  EXPECT_EQ(fails("FORMAT *shelx\nINPUT \"a.res *toxd\n").message, "Unmatched double quote on line: INPUT \"a.res *toxd");
  EXPECT_EQ(fails("FORMAT *shelx\nINPUT \"a\"b.res\n").where, "ReadInp");
  EXPECT_EQ(fails("FORMAT *shelx\nINPUT a.res \\\n *toxd\n").where, "ReadInp");
  EXPECT_EQ(fails("FORMAT *shelx\nDATABANK my.db\\").where, "ReadInp");  // continued on the last line
}

// Names longer than 60 characters are kept whole; double quotes hold a name with blanks, and
// words inside them are never taken for switches, numbers or a CIF block.
TEST_F(Control, LongAndQuotedFileNames) {
  const std::string longname = std::string(70, 'a') + ".res";
  read("FORMAT *shelx\nINPUT " + longname + " rename *toxd\n");
  EXPECT_EQ(fmt::trim(run_.set.fname[0]), longname);
  EXPECT_TRUE(run_.set.lsx);
  run_ = vorn::Run();
  read("FORMAT *shelx\nINPUT \"my *rename 2 file.res\" *toxd\nDATABANK \"data banks/x.db\"\n");
  EXPECT_EQ(fmt::trim(run_.set.fname[0]), "my *rename 2 file.res");
  EXPECT_TRUE(run_.set.lsx);
  EXPECT_FALSE(run_.set.lrs);
  EXPECT_EQ(fmt::trim(run_.set.abank), "data banks/x.db");
  run_ = vorn::Run();
  read("FORMAT *xd\nINPUT \"old master.mas\" \"old par.inp\"\n");
  EXPECT_EQ(fmt::trim(run_.set.mas), "old master.mas");
  EXPECT_EQ(fmt::trim(run_.set.fname[0]), "old par.inp");
  run_ = vorn::Run();
  read("FORMAT *cif\nINPUT \"a b.cif\" 2100348 *rename\n");
  EXPECT_EQ(fmt::trim(run_.set.fname[0]), "a b.cif");
  EXPECT_EQ(run_.set.cifblock, "2100348");
}

TEST_F(Control, BackslashInsideANameIsPartOfIt) {
  read("FORMAT *shelx\nINPUT dir\\file.res *toxd\nDATABANK c:\\db\\bank.txt\n");
  EXPECT_EQ(fmt::trim(run_.set.fname[0]), "dir\\file.res");
  EXPECT_TRUE(run_.set.lsx);
  EXPECT_EQ(fmt::trim(run_.set.abank), "c:\\db\\bank.txt");
}

TEST_F(Control, NumbersAndTheirErrors) {
  read("FORMAT *shelx\nINPUT a\nVERBOSE 3\nTOLS bond 0.4 ring 0.15 group 0.05\nNCELLS -3\n");
  EXPECT_EQ(run_.set.iverbose, 3);
  EXPECT_FLOAT_EQ(run_.set.tol1, 0.4f);
  EXPECT_FLOAT_EQ(run_.set.tol2, 0.15f);
  EXPECT_FLOAT_EQ(run_.set.tol3, 0.05f);
  EXPECT_EQ(run_.set.ncells, 3);
  for (const char* bad : {"VERBOSE\n", "VERBOSE high\n", "TOLS 0.1 0.2\n", "NCELLS 1.5\n", "RINGS 3\n"}) {
    Fatal f = fails(std::string("FORMAT *shelx\nINPUT a\n") + bad);
    EXPECT_EQ(f.message, "Error while reading file vorn.inp") << bad;
  }
}

TEST_F(Control, FragmentSearchReport) {
  std::string log = read("FORMAT *shelx\nINPUT a\nNCELLS -3\n");
  EXPECT_NE(log.find(" Search for complete fragments within  -3 ...  +3 unit cells"), std::string::npos);
  vorn::Run fresh;
  run_.set = fresh.set;
  log = read("FORMAT *shelx\nINPUT a\n");
  EXPECT_EQ(run_.set.ncells, -1);
  EXPECT_NE(log.find(" Do not search for complete fragments"), std::string::npos);
}

TEST_F(Control, ScaleWordsMustBeExact) {
  read("FORMAT *shelx\nINPUT a\nSCALE *difference\n");
  EXPECT_EQ(run_.set.isca, 1);
  vorn::Run a;
  run_.set = a.set;
  read("FORMAT *shelx\nINPUT a\nSCALE sigma *frac\n");
  EXPECT_EQ(run_.set.isca, 2);
  vorn::Run b;
  run_.set = b.set;
  read("FORMAT *shelx\nINPUT a\nSCALE *sigma diff fract\n");
  EXPECT_EQ(run_.set.isca, 3);
}

TEST_F(Control, Radii) {
  std::string log = read("FORMAT *shelx\nINPUT a\nRADII H 0.3 CL 1.0 Xx 2.0 CS 2.5 U 1.9\n");
  EXPECT_FLOAT_EQ(run_.set.covrad[1], 0.3f);
  EXPECT_FLOAT_EQ(run_.set.covrad[17], 1.0f);
  EXPECT_FLOAT_EQ(run_.set.covrad[55], 2.5f);
  EXPECT_FLOAT_EQ(run_.set.covrad[92], 1.9f);
  EXPECT_NE(log.find(" Changing covalent radius of Cl to    1.000 Angstroms"), std::string::npos);
  EXPECT_NE(log.find("   H  0.30   He 0.93"), std::string::npos);
  EXPECT_EQ(fails("FORMAT *shelx\nINPUT a\nRADII H C 0.3\n").message, "Error while reading file vorn.inp");
  std::string many = "RADII";
  for (int k = 0; k < 21; ++k) many += " C 0.7";
  EXPECT_EQ(fails("FORMAT *shelx\nINPUT a\n" + many + "\n").where, "ReadInp");
}

TEST_F(Control, KeygenConsistency) {
  read("FORMAT *shelx\nINPUT a\nKEYGEN *XYZUIJ *all *ordered MULT *all ordered *kappas\n");
  EXPECT_TRUE(run_.set.lkeys[1]);
  EXPECT_FALSE(run_.set.lkeys[2]);  // all and ordered together: ordered wins
  EXPECT_TRUE(run_.set.lkeys[3]);
  for (int k = 4; k <= 7; ++k) EXPECT_FALSE(run_.set.lkeys[k]) << k;  // no MULT
  vorn::Run a;
  run_.set = a.set;
  std::string log = read("FORMAT *shelx\nINPUT a\nKEYGEN XYZUIJ *all *ordered *MULT *all *ordered\n");
  EXPECT_FALSE(run_.set.lkeys[2]);
  EXPECT_FALSE(run_.set.lkeys[3]);
  EXPECT_TRUE(run_.set.lkeys[4]);
  EXPECT_FALSE(run_.set.lkeys[5]);
  EXPECT_TRUE(run_.set.lkeys[6]);
  EXPECT_NE(log.find("   XYZUIJ=.F. all=.F. ordered=.F."), std::string::npos);
  EXPECT_NE(log.find("     MULT=.T. all=.F. ordered=.T. kappas=.F."), std::string::npos);
}

TEST_F(Control, SwitchesAndDatabankFromEnvironment) {
  setenv("VORN_DB", "/tmp/some.db", 1);
  std::string log = read(
      "FORMAT *shelx\nINPUT a\nDISORD *extendH db\nCHEMCON hydrogen *other\nSIMPLE\nEXTEND_H\n"
      "DATABANK\nRINGS 3 8 *special\nUNKNOWN stuff 1 2\n");
  unsetenv("VORN_DB");
  EXPECT_TRUE(run_.set.led);
  EXPECT_FALSE(run_.set.ldd);
  EXPECT_FALSE(run_.set.lhyd);
  EXPECT_TRUE(run_.set.lheav);
  EXPECT_EQ(run_.set.isimple, 1);
  EXPECT_TRUE(run_.set.lfh);
  EXPECT_TRUE(run_.set.ldb);
  EXPECT_EQ(fmt::trim(run_.set.abank), "/tmp/some.db");
  EXPECT_TRUE(run_.set.lring);
  EXPECT_EQ(run_.set.nrmin, 3);
  EXPECT_EQ(run_.set.nrmax, 8);
  EXPECT_TRUE(run_.set.lspe);
  EXPECT_NE(log.find(" Do NOT use chemical/kappa constraints for H-atoms"), std::string::npos);
  EXPECT_NE(log.find(" Use chemical/kappa constraints for non-H atoms"), std::string::npos);
  EXPECT_NE(log.find(" Find rings with   3 -   8 atoms"), std::string::npos);
  EXPECT_NE(log.find("   always m-symmetry : X - towards center, Y - neighbor in the ring"), std::string::npos);
  EXPECT_NE(log.find(" Scale total population using difference method"), std::string::npos);
  EXPECT_NE(log.find("   /tmp/some.db" + std::string(48, ' ')), std::string::npos);
}

TEST_F(Control, ReportOfDefaults) {
  std::string log = read("FORMAT *shelx\nINPUT water.res\n");
  auto lines = test::lines_of(log);
  auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
  EXPECT_TRUE(has(" VORN options : "));
  EXPECT_TRUE(has(" Verbosity level =  1"));
  EXPECT_TRUE(has(" Input file format = SHELX    file(s) = water.res"));
  EXPECT_TRUE(has("   bond criterion (tol1) : d(i-j) < covR(i) + covR(j) +  0.200 Angstroms"));
  EXPECT_TRUE(has("   ring  planarity criterion (tol2) : sigpln <   0.100 Angstroms"));
  EXPECT_TRUE(has("   do NOT apply Extend_H option"));
  EXPECT_TRUE(has("   as other atoms (only mark with iring=1)"));
  EXPECT_TRUE(has(" " + std::string(71, '-')));
  // seven a row up to U; the radii to Xe are those of the table before it was extended
  EXPECT_TRUE(has("   Sn 1.41   Sb 1.40   Te 1.36   I  1.33   Xe 1.31   Cs 2.44   Ba 2.15"));
  EXPECT_TRUE(has("   At 1.50   Rn 1.50   Fr 2.60   Ra 2.21   Ac 2.15   Th 2.06   Pa 2.00"));
  EXPECT_TRUE(has("   U  1.96"));
}

TEST_F(Control, MissingFile) {
  try {
    readinp(run_);
    FAIL();
  } catch (const Fatal& f) {
    EXPECT_EQ(f.where, "ReadInp");
    EXPECT_EQ(f.message, "Unable to open VORN input file vorn.inp");
  }
}
