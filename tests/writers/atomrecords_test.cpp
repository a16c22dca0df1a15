// The atom pass: xd_vorn.inp, the MoPro parameter records and fixedH.ins, checked line by line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/run.h"
#include "support.h"
#include "writers/atomrecords.h"

using namespace vorn;

namespace {

void set_plm(Plm& p, int l, int m, float v) { p[l][m + 4] = v; }

class AtomRecords : public test::InTempDir {
 protected:
  // Two atoms, C(1) and H(1A), two kappa sets and one dummy atom.
  void SetUp() override {
    test::InTempDir::SetUp();
    resize_atoms(run_, 2);
    run_.atoms.ia = 2;
    run_.atoms.atom[1] = "C(1)    ";
    run_.atoms.atom[2] = "H(1A)   ";
    run_.atoms.xf[1] = {0.125f, -0.5f, 0.8125f};
    run_.atoms.xf[2] = {0.5f, 0.25f, 0.0f};
    run_.atoms1.occ[1] = 1.0f;
    run_.atoms1.occ[2] = 0.5f;
    run_.atoms1.isft[1] = 1;
    run_.atoms1.isft[2] = 2;
    run_.at_uij.u[1] = {0.0123f, 0.0234f, 0.0345f, 0.001f, -0.002f, 0.0005f};
    run_.at_uij.u[2] = {0.05f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    run_.mpoles.iar[1] = {0, 2, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    run_.mpoles.iar[2] = {0, 1, 2, -1, 12, 0, 4, 1, 2, 2, 1, 0};
    // C(1): P(l,m) = 0.1 l + 0.01 m, except P(0,0) = 0.05 and P(2,-1) negative
    run_.mpoles.pv[1] = 4.1f;
    Plm& c = run_.mpoles.plm[1];
    set_plm(c, 0, 0, 0.05f);
    const float v1[] = {0.11f, 0.09f, 0.10f};
    set_plm(c, 1, 1, v1[0]);
    set_plm(c, 1, -1, v1[1]);
    set_plm(c, 1, 0, v1[2]);
    set_plm(c, 2, 0, 0.20f);
    set_plm(c, 2, 1, 0.21f);
    set_plm(c, 2, -1, -0.19f);
    set_plm(c, 2, 2, 0.22f);
    set_plm(c, 2, -2, 0.18f);
    set_plm(c, 3, 0, 0.30f);
    set_plm(c, 3, 1, 0.31f);
    set_plm(c, 3, -1, 0.29f);
    set_plm(c, 3, 2, 0.32f);
    set_plm(c, 3, -2, 0.28f);
    set_plm(c, 3, 3, 0.33f);
    set_plm(c, 3, -3, 0.27f);
    set_plm(c, 4, 0, 0.40f);
    set_plm(c, 4, 1, 0.41f);
    set_plm(c, 4, -1, 0.39f);
    set_plm(c, 4, 2, 0.42f);
    set_plm(c, 4, -2, 0.38f);
    set_plm(c, 4, 3, 0.43f);
    set_plm(c, 4, -3, 0.37f);
    set_plm(c, 4, 4, 0.44f);
    set_plm(c, 4, -4, 0.36f);
    run_.mpoles.pv[2] = 0.9f;
    set_plm(run_.mpoles.plm[2], 1, 0, 0.12f);
    set_plm(run_.mpoles.plm[2], 2, 0, 0.05f);
    run_.text.mopro[1] = "AXIS XY  C(1)   DUM1" + std::string(70, ' ');
    run_.kappas.nkap = 2;
    run_.kappas.rkappa = {{0, 0}, {1.0f, 1.0f}, {1.17f, 1.2f}};
    run_.kappas.nkapsf = {0, 1, 2};
    run_.dummy.ndum = 1;
    run_.dummy.xdum = {Vec3{}, Vec3{0.25f, -0.5f, 0.125f}};
    run_.shelx1.fvar[2] = 0.5f;
    run_.shelx1.fvar[3] = -1.5f;
    run_.shelx1.fvar[9] = 0.25f;
    run_.nsft = 2;
  }
  void write() {
    run_.ixp.open("xd_vorn.inp");
    run_.ipro.open("mopro_vorn.par");
    run_.ifh.open("fixedH.ins");
    write_atom_records(run_);
    run_.ixp.close();
    run_.ipro.close();
    run_.ifh.close();
    xd_ = test::lines_of(test::slurp("xd_vorn.inp"));
    pro_ = test::lines_of(test::slurp("mopro_vorn.par"));
    fh_ = test::lines_of(test::slurp("fixedH.ins"));
  }
  // The MoPro lines from "ATOMS" on.
  std::vector<std::string> mopro_atoms() const {
    for (size_t k = 0; k < pro_.size(); ++k)
      if (pro_[k].rfind("ATOMS ", 0) == 0) return {pro_.begin() + static_cast<long>(k), pro_.end()};
    ADD_FAILURE() << "no ATOMS line";
    return {};
  }
  vorn::Run run_;
  std::vector<std::string> xd_, pro_, fh_;
};

const std::string kZero8 = "  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000";
const std::string kZero6 = "  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000";

TEST_F(AtomRecords, XdParameterFileOfTwoAtomsAndOneDummy) {
  write();
  const std::vector<std::string> want = {
      std::string(80, '!'),
      "!                   CREATED BY PROGRAM << VORN >>",
      std::string(80, '!'),
      "XDPARFILE VERSION  2",
      "  TEST   MODEL  4  2  1  0",
      "LIMITS nat 300 ntx 31 lmx 4 nzz 30 nto 0 nsc 20 ntb 20 nov 2500",
      "USAGE    2 2 4    2 0 1 0 0    2 0 0 0 0    1",
      kZero8,
      kZero6,
      "     0.250000    -0.500000     0.125000",
      "C(1)      2  1    3    4    5      6    7    8    9   10   11  0.12500 -0.50000  0.81250  1.0000",
      "  0.012300  0.023400  0.034500  0.001000 -0.002000  0.000500",
      "  4.1000  0.0500  0.1100  0.0900  0.1000  0.2000  0.2100 -0.1900  0.2200  0.1800",
      "  0.3000  0.3100  0.2900  0.3200  0.2800  0.3300  0.2700  0.4000  0.4100  0.3900",
      "  0.4200  0.3800  0.4300  0.3700  0.4400  0.3600",
      "H(1A)     1  2   -1   12    0      4    1    2    2    1    0  0.50000  0.25000  0.00000  0.5000",
      "  0.050000  0.000000  0.000000  0.000000  0.000000  0.000000",
      // a hydrogen keeps all 26 values, stored as they are (no occupancy scaling in XD)
      "  0.9000  0.0000  0.0000  0.0000  0.1200  0.0500  0.0000  0.0000  0.0000  0.0000",
      "  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000",
      "  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000",
      "  1  1.000000  1.000000  1.000000  1.000000  1.000000  1.000000",
      "  2  1.170000  1.200000  1.200000  1.200000  1.200000  1.200000",
      " 0.5000E+00-0.1500E+01 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00",
      " 0.2500E+00",
      " 0.100000E+01",
  };
  ASSERT_EQ(xd_.size(), want.size());
  for (size_t k = 0; k < want.size(); ++k) EXPECT_EQ(xd_[k], want[k]) << "line " << k + 1;
}

TEST_F(AtomRecords, XdWithoutDummiesAndWithAnXdModelName) {
  run_.dummy.ndum = 0;
  run_.amodel = "MYMODEL" + std::string(13, ' ');
  write();
  EXPECT_EQ(xd_[4], "  MYMODEL   MODEL  4  2  1  0");
  EXPECT_EQ(xd_[6], "USAGE    2 2 4    2 0 1 0 0    2 0 0 0 0    0");
  EXPECT_EQ(xd_[7], kZero8);
  EXPECT_EQ(xd_[8], kZero6);
  EXPECT_EQ(xd_[9].substr(0, 8), "C(1)    ");
  EXPECT_EQ(xd_.size(), 24u);
  EXPECT_EQ(pro_[0], "DUMMY   0");
  EXPECT_EQ(pro_[1], "");
  EXPECT_EQ(pro_[2], "KAPPA   2");
}

TEST_F(AtomRecords, MoproParameterRecordsOfTwoAtoms) {
  write();
  const std::string blank90(90, ' ');
  const std::vector<std::string> want = {
      "DUMMY   1",
      "DUMY     0.250000   -0.500000    0.125000  D1     0",
      "",
      "KAPPA   2",
      "  1.000000  1.000000",
      "  1.170000  1.200000",
      "",
      "ATOMS    2",
      "",
      "ATOM   1 C1        MOL   1    0.125000   -0.500000    0.812500 1.000  1 C         ",
      run_.text.mopro[1],
      "UANI     0.012300  0.023400  0.034500  0.001000 -0.002000  0.000500",
      " 4.10000 0.05000  0.110  0.090  0.100  0.200  0.210  -.190  0.220  0.180  ",
      // (3,-3) and (4,-3) change sign, the others keep theirs
      "  0.300  0.310  0.290  0.320  0.280  0.330  -.270  ",
      "  0.400  0.410  0.390  0.420  0.380  0.430  -.370  0.440  0.360  ",
      "",
      // H(1A) is a hydrogen: Uiso and one population line, populations per full site (occ 0.5)
      "ATOM   2 H1A       MOL   1    0.500000    0.250000    0.000000 0.500  1 H         ",
      blank90,
      "UISO     0.050000",
      " 1.80000 0.00000  0.000  0.000  0.240  0.100  0.000  0.000  0.000  0.000  ",
      "",
      "",
      "ANHAR    0    3         !  #atoms #order ",
      "! 1         ! atom number ",
      "! 0. 0. 0. 0. 0. 0. 0. 0. ",
      "! 0. 0. ",
      "",
      "STOP ",
  };
  EXPECT_EQ(run_.text.mopro[1].size(), 90u);
  ASSERT_EQ(pro_.size(), want.size());
  for (size_t k = 0; k < want.size(); ++k) EXPECT_EQ(pro_[k], want[k]) << "line " << k + 1;
}

TEST_F(AtomRecords, MoproHydrogenOnlyWhenTheElementPartIsExactlyH) {
  run_.atoms.atom[2] = "H1A     ";
  write();
  auto m = mopro_atoms();
  ASSERT_GE(m.size(), 17u);
  // atom 2 starts after ATOMS, empty line and the seven lines of atom 1
  EXPECT_EQ(m[9], "ATOM   2 H1A       MOL   1    0.500000    0.250000    0.000000 0.500  1 H1A       ");
  EXPECT_EQ(m[11], "UANI     0.050000  0.000000  0.000000  0.000000  0.000000  0.000000");
  EXPECT_EQ(m[12], " 1.80000 0.00000  0.000  0.000  0.240  0.100  0.000  0.000  0.000  0.000  ");
  EXPECT_EQ(m[13], "  0.000  0.000  0.000  0.000  0.000  0.000  0.000  ");
  EXPECT_EQ(m[14], "  0.000  0.000  0.000  0.000  0.000  0.000  0.000  0.000  0.000  ");
  EXPECT_EQ(m[15], "");
  // HG(1) is mercury, not hydrogen
  run_.atoms.atom[2] = "HG(1)   ";
  write();
  m = mopro_atoms();
  EXPECT_EQ(m[9].substr(9, 10), "HG1       ");
  EXPECT_EQ(m[9].substr(m[9].size() - 10), "HG        ");
  EXPECT_EQ(m[11].substr(0, 7), "UANI   ");
}

TEST_F(AtomRecords, MoproTenDummiesNumberedWithoutBlanks) {
  run_.dummy.ndum = 10;
  run_.dummy.xdum.assign(11, Vec3{0.1f, 0.2f, 0.3f});
  write();
  EXPECT_EQ(pro_[0], "DUMMY  10");
  EXPECT_EQ(pro_[9], "DUMY     0.100000    0.200000    0.300000  D9     0");
  EXPECT_EQ(pro_[10], "DUMY     0.100000    0.200000    0.300000  D10    0");
  EXPECT_EQ(pro_[11], "");
  EXPECT_EQ(xd_[6].substr(xd_[6].size() - 4), "  10");
  EXPECT_EQ(xd_[18], "     0.100000     0.200000     0.300000");
  EXPECT_EQ(xd_[19].substr(0, 8), "C(1)    ");
}

TEST_F(AtomRecords, MoproResidueFormOfTheAtomLine) {
  run_.resi1.resi11 = true;
  run_.resi1.resi1 = {std::string(17, ' '), "C1    ALA    1   ", "H1A   ALA    1   "};
  write();
  auto m = mopro_atoms();
  ASSERT_GE(m.size(), 10u);
  EXPECT_EQ(m[2], "ATOM   1 C1    ALA    1       0.125000   -0.500000    0.812500 1.000  1 C         ");
  EXPECT_EQ(m[9], "ATOM   2 H1A   ALA    1       0.500000    0.250000    0.000000 0.500  1 H         ");
}

// A residue name widened past its 17 characters (name with conformer and chain, residue 1234)
// is written whole, not cut inside the residue class.
TEST_F(AtomRecords, MoproWidenedResidueNameIsWrittenWhole) {
  run_.resi1.resi11 = true;
  run_.resi1.resi1 = {std::string(17, ' '), "HD21BAA  1234  ASN  ", "H1A   ALA    1   "};
  write();
  auto m = mopro_atoms();
  ASSERT_GE(m.size(), 10u);
  EXPECT_EQ(m[2], "ATOM   1 HD21BAA  1234  ASN    0.125000   -0.500000    0.812500 1.000  1 C         ");
  EXPECT_EQ(m[9], "ATOM   2 H1A   ALA    1       0.500000    0.250000    0.000000 0.500  1 H         ");
}

TEST_F(AtomRecords, ZeroOccupancyWritesZeroPopulations) {
  run_.atoms1.occ[1] = 0.0f;
  write();
  auto m = mopro_atoms();
  ASSERT_GE(m.size(), 8u);
  EXPECT_EQ(m[2].substr(62, 6), " 0.000");
  EXPECT_EQ(m[5], " 0.00000 0.00000  0.000  0.000  0.000  0.000  0.000  0.000  0.000  0.000  ");
  EXPECT_EQ(m[6], "  0.000  0.000  0.000  0.000  0.000  0.000  0.000  ");
  EXPECT_EQ(m[7], "  0.000  0.000  0.000  0.000  0.000  0.000  0.000  0.000  0.000  ");
  const std::string all = test::slurp("mopro_vorn.par");
  EXPECT_EQ(all.find('*'), std::string::npos);
  EXPECT_EQ(all.find("nan"), std::string::npos);
  EXPECT_EQ(all.find("inf"), std::string::npos);
  // XD keeps the stored populations
  EXPECT_EQ(xd_[12].substr(0, 16), "  4.1000  0.0500");
}

// A small occupancy blows the per-site populations past their fields: stars, same widths.
TEST_F(AtomRecords, PopulationsTooWideForTheirFieldsKeepTheColumns) {
  write();
  const auto normal = mopro_atoms();
  run_.atoms1.occ[1] = 0.01f;
  write();
  const auto small = mopro_atoms();
  ASSERT_GE(small.size(), 8u);
  EXPECT_EQ(small[5].substr(0, 8), "********");  // 4.1 / 0.01 needs nine columns
  for (size_t k = 5; k <= 7; ++k) EXPECT_EQ(small[k].size(), normal[k].size()) << k;
}

TEST_F(AtomRecords, FixedHLinesOnlyWithTheXhExtensionOutsideConversion) {
  write();
  EXPECT_TRUE(fh_.empty());
  run_.set.lfh = true;
  write();
  ASSERT_EQ(fh_.size(), 2u);
  EXPECT_EQ(fh_[0], "C(1)        1      0.125000   -0.500000    0.812500     1.00000   0.0123");
  EXPECT_EQ(fh_[1], "H(1A)       2      0.500000    0.250000    0.000000     0.50000   0.0500");
  run_.set.lsx = true;
  write();
  EXPECT_TRUE(fh_.empty());
}

}  // namespace

// Identifiers past their widths: each field that overflows gets its digits after one blank
// (one log line per file and field), LIMITS grows to the structure, and a structure that fits
// keeps its columns (the other tests of this file).
TEST_F(AtomRecords, OverflowingIdentifiersWidenAndAreLoggedOnce) {
  const int n = 10000;
  resize_atoms(run_, n);
  run_.atoms.ia = n;
  for (int i = 3; i <= n; ++i) {
    run_.atoms.atom[i] = "C(1)    ";
    run_.mpoles.iar[i] = run_.mpoles.iar[1];
  }
  run_.mpoles.iar[1][3] = 123456;  // an axis point past 99999 (atoms plus dummies)
  run_.mpoles.iar[1][8] = 100000;  // a kappa set likewise
  run_.kappas.nkap = 2;
  run_.dummy.ndum = 1000;
  run_.dummy.xdum.assign(1001, Vec3{0.1f, 0.2f, 0.3f});
  run_.nout.open("vorn.out");
  write();
  run_.nout.close();
  EXPECT_EQ(xd_[5], "LIMITS nat 10000 ntx 31 lmx 4 nzz 1000 nto 0 nsc 20 ntb 20 nov 2500");
  EXPECT_EQ(xd_[6], "USAGE  10000 2 4    2 0 1 0 0    2 0 0 0 0 1000");
  const std::string c1 = xd_[9 + 1000];
  EXPECT_EQ(c1.substr(0, 26), "C(1)      2  1 123456    4");
  EXPECT_NE(c1.find("    7 100000    9"), std::string::npos) << c1;
  EXPECT_EQ(pro_[0], "DUMMY  1000");
  const auto m = mopro_atoms();
  EXPECT_EQ(m[0], "ATOMS  10000");
  bool a999 = false, a1000 = false;
  for (const std::string& l : m) {
    a999 = a999 || l.rfind("ATOM 999 C1", 0) == 0;
    a1000 = a1000 || l.rfind("ATOM  1000 C1", 0) == 0;
  }
  EXPECT_TRUE(a999 && a1000);
  const std::string log = test::slurp("vorn.out");
  for (const char* note : {"LIMITS of xd_vorn.inp raised to nat 10000 nzz 1000",
                           "USAGE atoms of xd_vorn.inp does not fit I4 (10000)",
                           "axis atom number of xd_vorn.inp does not fit I5 (123456)",
                           "kappa set of xd_vorn.inp does not fit I5 (100000)",
                           "DUMMY count of mopro_vorn.par does not fit I3 (1000)",
                           "ATOMS count of mopro_vorn.par does not fit I4 (10000)",
                           "atom number of mopro_vorn.par does not fit I3 (1000)"}) {
    const size_t p = log.find(note);
    EXPECT_NE(p, std::string::npos) << note;
    EXPECT_EQ(log.find(note, p + 1), std::string::npos) << note << " logged twice";
  }
}
