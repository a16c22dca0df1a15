// SHELX reader: free-variable codes, riding Uiso, labels, lattice, symmetry count and bad files.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "../support.h"
#include "readers/shelx.h"
#include "util/err.h"

using namespace vorn;
using vorn::test::data_path;
using vorn::test::lines_of;
using vorn::test::slurp;

namespace {

class Shelx : public vorn::test::InTempDir {
 protected:
  // Reads tests/data/shelx/<name> into a fresh run with its files in the scratch directory.
  void read(const std::string& name) {
    open_files();
    readshelx(run, data_path("shelx/" + name));
    close_files();
  }
  // The fatal error of reading <name>; fails the test when the file reads without one.
  Fatal fatal(const std::string& name) {
    open_files();
    try {
      readshelx(run, data_path("shelx/" + name));
    } catch (const Fatal& f) {
      close_files();
      return f;
    }
    close_files();
    ADD_FAILURE() << name << " was read without a fatal error";
    return Fatal("", "");
  }
  void open_files() {
    run.console = &console;
    run.nout.open("vorn.out");
    run.imas.open("xd_vorn.mas");
    run.ipro.open("mopro_vorn.par");
  }
  void close_files() {
    run.nout.close();
    run.imas.close();
    run.ipro.close();
  }
  std::string log() { return slurp("vorn.out"); }
  std::string label(int i) { return run.atoms.atom[i]; }
  float uiso(int i) { return run.at_uij.u[i][0]; }

  vorn::Run run;
  std::ostringstream console;
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

// ---- free-variable codes ----

TEST(ShelxFvar, FixedAndFreeVariableCodes) {
  vorn::Run run;
  run.shelx1.ifv = 3;
  run.shelx1.fvar[1] = 1.1f;
  run.shelx1.fvar[2] = 0.6f;
  run.shelx1.fvar[3] = 0.25f;
  EXPECT_FLOAT_EQ(decode_fvar(run, 11.0f), 1.0f);
  EXPECT_FLOAT_EQ(decode_fvar(run, 10.5f), 0.5f);
  EXPECT_FLOAT_EQ(decode_fvar(run, -10.5f), -0.5f);  // c + 10, so the sign stays
  EXPECT_FLOAT_EQ(decode_fvar(run, 10.0f), 0.0f);
  EXPECT_FLOAT_EQ(decode_fvar(run, -10.0f), 0.0f);
  EXPECT_FLOAT_EQ(decode_fvar(run, 21.0f), 0.6f);
  EXPECT_FLOAT_EQ(decode_fvar(run, -21.0f), 0.4f);   // 1 - fvar(2)
  EXPECT_FLOAT_EQ(decode_fvar(run, 20.5f), 0.3f);    // half of fvar(2)
  EXPECT_FLOAT_EQ(decode_fvar(run, 31.0f), 0.25f);
  EXPECT_FLOAT_EQ(decode_fvar(run, 28.0f), 8.0f * 0.25f);  // remainder 8 rounds to variable 3
  EXPECT_FLOAT_EQ(decode_fvar(run, 0.123f), 0.123f);
  EXPECT_FLOAT_EQ(decode_fvar(run, -9.99f), -9.99f);
}

TEST(ShelxFvar, CodeBeyondTheFreeVariablesReadIsFatal) {
  vorn::Run run;
  run.shelx1.ifv = 2;
  run.shelx1.fvar[2] = 0.5f;
  EXPECT_THROW(decode_fvar(run, 31.0f), Fatal);
  EXPECT_THROW(decode_fvar(run, -41.0f), Fatal);
  EXPECT_NO_THROW(decode_fvar(run, 21.0f));
}

// ---- scattering table ----

TEST(ShelxGetsft, ConfigurationsOfLightAndFirstRowTransitionElements) {
  //                       1S 2S 3S 4S 2P 3P 4P 3D 4D 4F 5S 5P 6S 6P 5D 7S 6D 5F
  std::array<int, 18> h{-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::array<int, 18> c{2, -2, 0, 0, -2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::array<int, 18> o{2, -2, 0, 0, -4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::array<int, 18> cl{2, 2, -2, 0, 6, -5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::array<int, 18> cr{2, 2, 2, -2, 6, 6, 0, -4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::array<int, 18> cu{2, 2, 2, -2, 6, 6, 0, -9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::array<int, 18> br{2, 2, 2, -2, 6, 6, -5, -10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::array<int, 18> i{2, 2, 2, 2, 6, 6, 6, 10, 10, 0, -2, -5, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(getsft(1), h);
  EXPECT_EQ(getsft(6), c);
  EXPECT_EQ(getsft(8), o);
  EXPECT_EQ(getsft(17), cl);
  EXPECT_EQ(getsft(24), cr);  // plain filling order, not 3d5 4s1
  EXPECT_EQ(getsft(29), cu);
  EXPECT_EQ(getsft(35), br);
  EXPECT_EQ(getsft(53), i);
}

// The rules the table had to keep for H to Kr and I, written out shell by shell.
std::array<int, 18> light_rule(int z) {
  enum { s1, s2, s3, s4, p2, p3, p4, d3, d4, f4, s5, p5 };
  std::array<int, 18> o{};
  o[s1] = z == 1 ? -1 : z == 2 ? -2 : 2;
  if (z >= 3) o[s2] = z == 3 ? -1 : z > 10 ? 2 : -2;
  if (z >= 5) o[p2] = z > 10 ? 6 : 4 - z;
  if (z >= 11) o[s3] = z == 11 ? -1 : z > 18 ? 2 : -2;
  if (z >= 13) o[p3] = z > 18 ? 6 : 12 - z;
  if (z >= 19) o[s4] = z == 19 ? -1 : z > 36 ? 2 : -2;
  if (z >= 21) o[d3] = z > 36 ? 10 : z > 30 ? -10 : 20 - z;
  if (z >= 31) o[p4] = z > 36 ? 6 : 30 - z;
  if (z == 53) o[d4] = 10, o[s5] = -2, o[p5] = -5;
  return o;
}

TEST(ShelxGetsft, EveryElementToUraniumCountsItsElectrons) {
  enum { s1, s2, s3, s4, p2, p3, p4, d3, d4, f4, s5, p5, s6, p6, d5, s7, d6, f5 };
  for (int z = 1; z <= 92; ++z) {
    const auto o = getsft(z);
    int core = 0, valence = 0;
    for (int n : o) (n > 0 ? core : valence) += n;
    EXPECT_EQ(core - valence, z) << "z = " << z;
    if (z <= 36 || z == 53) {
      EXPECT_EQ(o, light_rule(z)) << "z = " << z;
    }
  }
  // ground states from Rb on: 4d4 5s1 (Nb), 4d10 (Pd), 5d10 6s1 (Au), 4f7 5d1 6s2 (Gd), 5f3 6d1 7s2 (U)
  EXPECT_EQ(getsft(41)[d4], -4);
  EXPECT_EQ(getsft(41)[s5], -1);
  EXPECT_EQ(getsft(46)[d4], -10);
  EXPECT_EQ(getsft(46)[s5], 0);
  EXPECT_EQ(getsft(47)[s5], -1);
  EXPECT_EQ(getsft(79)[d5], -10);
  EXPECT_EQ(getsft(79)[s6], -1);
  EXPECT_EQ(getsft(79)[f4], 14);
  EXPECT_EQ(getsft(64)[f4], -7);
  EXPECT_EQ(getsft(64)[d5], -1);
  EXPECT_EQ(getsft(92)[f5], -3);
  EXPECT_EQ(getsft(92)[d6], -1);
  EXPECT_EQ(getsft(92)[s7], -2);
  // the p block of a row keeps the d shell in the core, as iodine does
  EXPECT_EQ(getsft(50)[d4], 10);
  EXPECT_EQ(getsft(50)[p5], -2);
  for (int z : {0, 93, 109}) {
    try {
      getsft(z);
      ADD_FAILURE() << "z = " << z;
    } catch (const Fatal& f) {
      EXPECT_EQ(f.where, "GetSFT");
      EXPECT_EQ(f.message, "atomic number not implemented yet");
    }
  }
}

// ---- cell and Ueq ----

TEST(ShelxUeq, ReciprocalLengthsAndMonoclinicUeq) {
  vorn::Run run;
  run.ucell.uc = {7.355f, 9.37f, 6.942f, 90.0f, 110.0f, 90.0f};
  const double sb = std::sin(110.0 * M_PI / 180.0), cb = std::cos(110.0 * M_PI / 180.0);
  auto rc = r_cell(run.ucell.uc);
  EXPECT_NEAR(rc[0], 1.0 / (7.355 * sb), 1e-6);
  EXPECT_NEAR(rc[1], 1.0 / 9.37, 1e-6);
  EXPECT_NEAR(rc[2], 1.0 / (6.942 * sb), 1e-6);

  resize_atoms(run, 2);
  run.atoms1.iut[1] = 2;
  run.at_uij.u[1] = {0.04f, 0.041f, 0.042f, 0.002f, 0.005f, 0.001f};
  const double ueq = ((0.04 + 0.042 + 2 * 0.005 * cb) / (sb * sb) + 0.041) / 3.0;
  EXPECT_NEAR(calcueq(run, 1), ueq, 1e-6);
  run.atoms1.iut[2] = 1;
  run.at_uij.u[2][0] = 0.033f;
  EXPECT_FLOAT_EQ(calcueq(run, 2), 0.033f);
}

// ---- whole files ----

TEST_F(Shelx, AnisotropicAtomsAndRidingHydrogens) {
  read("methanol.res");
  ASSERT_EQ(run.atoms.ia, 6);
  EXPECT_EQ(label(1), "C(1)    ");
  EXPECT_EQ(label(2), "O(1)    ");
  EXPECT_EQ(run.atoms.itype[2], 8);
  EXPECT_EQ(run.atoms1.isft[2], 3);
  EXPECT_EQ(run.atoms1.lmx[2], 4);
  EXPECT_EQ(run.atoms1.lmx[3], 2);
  EXPECT_EQ(run.atoms1.iut[1], 2);
  // file order U11 U22 U33 U23 U13 U12, stored U11 U22 U33 U12 U13 U23
  const std::array<float, 6> u1{0.03f, 0.031f, 0.029f, -0.003f, 0.002f, 0.001f};
  EXPECT_EQ(run.at_uij.u[1], u1);
  EXPECT_EQ(run.atoms1.iut[3], 1);
  // O1 has Ueq 0.022; H2 rides after the riding H1, so it also takes O1
  EXPECT_NEAR(uiso(3), 1.5f * 0.022f, 1e-6);
  EXPECT_NEAR(uiso(4), 1.2f * 0.022f, 1e-6);
  EXPECT_NEAR(uiso(6), 1.2f * 0.022f, 1e-6);
  EXPECT_EQ(run.symm.ns, 4);  // three cards and the identity, acentric primitive
  EXPECT_FLOAT_EQ(run.shelx1.fvar[1], 1.2345f);
  EXPECT_EQ(run.shelx1.ifv, 1);
  EXPECT_FLOAT_EQ(run.shelx1.wght[2], 0.2f);
  EXPECT_NEAR(run.atoms.xc[2][0], 4.43f, 1e-5);
  EXPECT_NEAR(run.atoms.xc[2][1], 0.36364f * 11.0f, 1e-5);
}

TEST_F(Shelx, RidingChainsAndTheRidingRange) {
  read("riding.res");
  ASSERT_EQ(run.atoms.ia, 7);
  for (int i : {2, 3, 4}) EXPECT_NEAR(uiso(i), 0.03f, 1e-7) << i;  // all on C1
  EXPECT_NEAR(uiso(6), 1.2f * 0.03f, 1e-7);                           // on the anisotropic O1
  EXPECT_FLOAT_EQ(uiso(7), -0.4f);  // above -0.5: not a riding code, kept as given
  EXPECT_EQ(label(2), "H(1A)   ");
}

TEST_F(Shelx, RidingRangeEndsAreInclusive) {
  // -0.5 and -5.0 ride (factors 0.5 and 5.0 on C1's 0.02); just outside both ends is kept
  test::write_file("ends.res",
                   "TITL\nCELL 0.7 10 10 10 90 90 90\nLATT -1\nSFAC C H\n"
                   "C1 1 0.1 0.1 0.1 11.0 0.02\nH1 2 0.2 0.1 0.1 11.0 -0.5\nH2 2 0.1 0.2 0.1 11.0 -5.0\n"
                   "H3 2 0.1 0.1 0.2 11.0 -0.4999\nH4 2 0.0 0.1 0.1 11.0 -5.001\nEND\n");
  open_files();
  readshelx(run, "ends.res");
  close_files();
  EXPECT_NEAR(uiso(2), 0.5f * 0.02f, 1e-7);
  EXPECT_NEAR(uiso(3), 5.0f * 0.02f, 1e-6);
  EXPECT_FLOAT_EQ(uiso(4), -0.4999f);
  EXPECT_FLOAT_EQ(uiso(5), -5.001f);
}

TEST_F(Shelx, RidingWithoutAParentStops) {
  test::write_file("first_rides.res",
                   "TITL\nCELL 0.7 5 5 5 90 90 90\nLATT -1\nSFAC H\nH1 1 0.1 0.1 0.1 11.0 -1.2\nEND\n");
  open_files();
  try {
    readshelx(run, "first_rides.res");
    FAIL();
  } catch (const Fatal& f) {
    EXPECT_EQ(f.message, "ProcessU :: Could not find parent atom");
  }
}

TEST_F(Shelx, FreeVariableOccupanciesOfADisorderedGroup) {
  read("disorder.res");
  ASSERT_EQ(run.atoms.ia, 6);
  EXPECT_EQ(run.shelx1.ifv, 2);
  EXPECT_FLOAT_EQ(run.atoms1.occ[1], 1.0f);
  EXPECT_FLOAT_EQ(run.atoms1.occ[3], 0.65f);
  EXPECT_FLOAT_EQ(run.atoms1.occ[4], 0.35f);
  EXPECT_FLOAT_EQ(run.atoms1.occ[5], 0.5f);
  EXPECT_FLOAT_EQ(run.atoms1.occ[6], 0.25f);  // a negative occupancy is refused (bad-input table)
  EXPECT_EQ(label(4), "C(2')   ");
  // no symmetry but the identity: every partial atom is disordered
  EXPECT_EQ(run.symm.ns, 1);
  EXPECT_EQ(run.atoms1.iaf[1], 0);
  EXPECT_EQ(run.atoms1.iaf[3], -1);
  EXPECT_EQ(run.atoms1.iaf[4], -1);
}

TEST_F(Shelx, ContinuationsAndComments) {
  read("continuation.res");
  ASSERT_EQ(run.atoms.ia, 3);
  const std::array<float, 6> u1{0.011f, 0.012f, 0.013f, 0.006f, 0.005f, 0.004f};
  const std::array<float, 6> u2{0.021f, 0.022f, 0.023f, -0.006f, -0.005f, -0.004f};
  EXPECT_EQ(run.at_uij.u[1], u1);
  EXPECT_EQ(run.at_uij.u[2], u2);
  EXPECT_EQ(label(3), "C(2)    ");
  EXPECT_EQ(run.atoms1.iut[3], 1);  // the numbers of the comment are not read
  EXPECT_EQ(run.at_types.ntyp, 2);
  EXPECT_EQ(run.at_types.iatype[2], 8);
  EXPECT_FLOAT_EQ(run.ucell.uc[2], 7.0f);
  EXPECT_EQ(run.shelx1.ifv, 3);
  EXPECT_FLOAT_EQ(run.atoms1.occ[3], 0.3f);
}

TEST_F(Shelx, AtomLineContinuedTwice) {
  test::write_file("twice.res",
                   "TITL\nCELL 0.7 5 6 7 90 90 90\nLATT -1\nSFAC C\n"
                   "C1 1 0.1 0.2 0.3 11.0 0.011 0.012 =\n 0.013 =\n 0.004 0.005 0.006\n"
                   "C2 1 0.4 0.3 0.3 11.0 0.02\nEND\n");
  open_files();
  readshelx(run, "twice.res");
  close_files();
  ASSERT_EQ(run.atoms.ia, 2);
  const std::array<float, 6> u1{0.011f, 0.012f, 0.013f, 0.006f, 0.005f, 0.004f};
  EXPECT_EQ(run.at_uij.u[1], u1);
  EXPECT_EQ(run.atoms1.iut[1], 2);
  EXPECT_EQ(label(2), "C(2)    ");
}

TEST_F(Shelx, InstructionsIncludesAndFreeTextAreNotAtoms) {
  read("rigu_include.res");
  ASSERT_EQ(run.atoms.ia, 3);
  EXPECT_EQ(label(1), "C(1)    ");
  EXPECT_EQ(label(3), "N(1)    ");
  EXPECT_TRUE(contains(log(), " Warning: include file not followed: +restraints.inc"));
}

TEST_F(Shelx, NothingAfterEndIsAnAtomButInstructionsAreRead) {
  read("after_end.res");
  EXPECT_EQ(run.atoms.ia, 1);
  EXPECT_FLOAT_EQ(run.shelx1.wght[1], 0.0275f);  // the first pass reads the whole file
  EXPECT_FLOAT_EQ(run.shelx1.wght[2], 23.0848f);
}

TEST_F(Shelx, AcentricAndCentrosymmetricPrimitive) {
  read("water.res");  // LATT -1, no cards
  EXPECT_EQ(run.symm.ns, 1);
  EXPECT_TRUE(contains(log(), " Lattice is Acentric"));
  EXPECT_TRUE(contains(slurp("xd_vorn.mas"), "LATT A P\n"));

  run = vorn::Run();
  read("benzene_inversion.res");  // LATT 1, one card
  EXPECT_EQ(run.symm.ns, 4);
  EXPECT_TRUE(contains(log(), " Lattice is CentroSymmetric"));
  EXPECT_TRUE(contains(slurp("xd_vorn.mas"), "LATT C P\n"));
  EXPECT_TRUE(contains(slurp("mopro_vorn.par"), "SYMM   2 P CENTRO\n"));
  ASSERT_EQ(run.atoms.ia, 6);
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(run.atoms1.iaf[i], 0);
}

TEST_F(Shelx, MissingLattIsCentrosymmetricPrimitive) {
  read("nolatt.res");
  EXPECT_EQ(run.symm.ns, 2);
  EXPECT_TRUE(contains(slurp("xd_vorn.mas"), "LATT C P\n"));
  EXPECT_TRUE(contains(log(), "LATT 1"));
  EXPECT_EQ(run.atoms.ia, 1);
}

TEST_F(Shelx, CentredLatticeAndSpecialPositions) {
  read("ccentred.res");
  EXPECT_EQ(run.symm.ns, 8);  // 2 operators, C centring, inversion
  EXPECT_TRUE(contains(slurp("mopro_vorn.par"), "SYMM   2 C CENTRO\n"));
  ASSERT_EQ(run.atoms.ia, 4);
  EXPECT_EQ(label(1), "FE(1)   ");
  EXPECT_EQ(label(2), "CL(1)   ");
  EXPECT_EQ(run.atoms.itype[1], 26);
  EXPECT_FLOAT_EQ(run.atoms1.occ[1], 0.25f);
  EXPECT_EQ(run.atoms1.iaf[1], 1);   // at the origin
  EXPECT_EQ(run.atoms1.iaf[2], 1);   // on the mirror
  EXPECT_EQ(run.atoms1.iaf[3], -1);  // half occupied on a general position
  EXPECT_EQ(run.atoms1.iaf[4], 0);   // full occupancy on the twofold axis
  // the centring vector of C is (1/2, 1/2, 0): the image of CL2 under it lies at x+1/2, y+1/2
  EXPECT_EQ(run.symm.ts[3], (Vec3{0.5f, 0.5f, 0.0f}));
  EXPECT_EQ(run.symm.ts[4], (Vec3{0.5f, 0.5f, 0.0f}));
}

TEST_F(Shelx, RenamedLabelsCountStraightOrPerType) {
  run.set.lrs = true;
  run.set.irs = 0;
  read("ccentred.res");
  EXPECT_EQ(label(1), "Fe(1)   ");
  EXPECT_EQ(label(2), "Cl(2)   ");
  EXPECT_EQ(label(4), "Cl(4)   ");
  run = vorn::Run();
  run.set.lrs = true;
  run.set.irs = 1;
  read("ccentred.res");
  EXPECT_EQ(label(2), "Cl(1)   ");
  EXPECT_EQ(label(4), "Cl(3)   ");
  run = vorn::Run();
  run.set.lrs = true;
  run.set.irs = 1;
  read("methanol.res");
  EXPECT_EQ(label(1), "C(1)    ");  // one-letter symbol: the blank is removed
  EXPECT_EQ(label(6), "H(4)    ");
}

TEST_F(Shelx, MasterFileHeadAndMoProBlock) {
  read("methanol.res");
  const auto mas = lines_of(slurp("xd_vorn.mas"));
  const std::vector<std::string> head = {
      std::string(79, '!'),
      "!                   CREATED BY PROGRAM << VORN >>",
      std::string(79, '!'),
      "TITLE TEST",
      "CELL      10.0000     11.0000     12.0000     90.0000     90.0000     90.0000",
      "WAVE     0.710730",
      "LATT A P",
      "SYMM 0.5-X, -Y, 0.5+Z",
      "SYMM -X, 0.5+Y, 0.5-Z",
      "SYMM 0.5+X, 0.5-Y, -Z",
      std::string(79, '!'),
      "!",
      "    MODULE *XDLSM",
      "!",
      "SELECT  *model 4 0 0 0 based_on F test verbose 3",
      "SELECT  cycle 15 dampk 0.6 cmin 0.6 cmax 1. eigcut 1.d-09",
      "SAVE  deriv lsqmat cormat",
      "SOLVE  *inv diag *cond",
      "!" + std::string(78, '-'),
      "SCAT CORE SPHV DEFV   1S  2S  3S  4S  2P  3P  4P  3D  4D  4F  5S  5P  6S  6P  5D  7S  6D  5F  DELF'   DELF''  NSCTL",
      "C    CHFW CHFW CSZD    2  -2   0   0  -2   0   0   0   0   0   0   0   0   0   0   0   0   0  0.0000  0.0000  0.000",
      "H    CHFW CHFW CSZD   -1   0   0   0   0   0   0   0   0   0   0   0   0   0   0   0   0   0  0.0000  0.0000  0.000",
      "O    CHFW CHFW CSZD    2  -2   0   0  -4   0   0   0   0   0   0   0   0   0   0   0   0   0  0.0000  0.0000  0.000",
      "END SCAT",
      "!" + std::string(78, '-')};
  ASSERT_EQ(mas.size(), head.size());
  for (size_t k = 0; k < head.size(); ++k) EXPECT_EQ(mas[k], head[k]) << "line " << k + 1;

  const std::vector<std::string> pro = {
      "CELL   10.0000   11.0000   12.0000  90.0000  90.0000  90.0000  0.71073",
      "",
      "SYMM   4 P",
      "  X, Y, Z",
      " 0.5-X, -Y, 0.5+Z             ",
      " -X, 0.5+Y, 0.5-Z             ",
      " 0.5+X, 0.5-Y, -Z             ",
      "", "SCALE  1  1.0", "", "FMULT  1.0", "", "UOVER  0.0", "", "SOLVT  0.0  50.0", "",
      "EXTIN  0.0  GAUSSIAN  ISOT  TYP1", ""};
  EXPECT_EQ(lines_of(slurp("mopro_vorn.par")), pro);
}

TEST_F(Shelx, AtomTableOnLogAndConsole) {
  read("methanol.res");
  const std::string header = "    NO.  ATOM     IZ IU SF    XF       YF       ZF    OCCUP  U's -->";
  const std::string c1 = "     1   C(1)      6  2  1  0.30000  0.36364  0.41667 1.000  0.030  0.031  0.029 -0.003  0.002  0.001";
  const std::string h1 = "     3   H(1)      1  1  2  0.47500  0.44545  0.41667 1.000  0.033";
  for (const std::string& out : {log(), console.str()}) {
    EXPECT_TRUE(contains(out, "\n" + header + "\n")) << out;
    EXPECT_TRUE(contains(out, c1 + "\n")) << out;
    EXPECT_TRUE(contains(out, h1 + "\n")) << out;
  }
  const std::string lg = log();
  EXPECT_TRUE(contains(lg, " Reading SHELX file : "));
  EXPECT_TRUE(contains(lg, " Cell parameters:     10.000    11.000    12.000    90.000    90.000    90.000\n"));
  EXPECT_TRUE(contains(lg, " Lattice type : P\n"));
  EXPECT_TRUE(contains(lg, " Total atoms read from SHELX file =     6\n"));
  EXPECT_TRUE(contains(lg, " FLAG =  0 : normal atoms (     6 )"));
  EXPECT_LT(lg.find(header), lg.find(" Total atoms read"));
}

// ---- bad input ----

TEST_F(Shelx, AtomLineWithFiveNumbersStops) {
  Fatal f = fatal("bad_few_numbers.res");
  EXPECT_EQ(f.where, "ReadShelx");
  EXPECT_EQ(f.message, "Error reading atom C(1)");
  EXPECT_TRUE(contains(console.str(), " Error reading atom: C(1) Line <<"));
  EXPECT_TRUE(contains(console.str(), "11.00000>>"));
}

TEST_F(Shelx, BadFilesStopWithClearMessages) {
  struct Case {
    const char* file;
    const char* where;
    const char* part;
  };
  for (const Case& c : {Case{"bad_fvar_ref.res", "ReadShelx", "C(1) refers to free variable 3"},
                        Case{"bad_sfac.res", "ReadShelx", "Unknown element symbol XX"},
                        Case{"bad_type.res", "ReadShelx", "scattering-factor type 3, outside 1..2"},
                        Case{"bad_cell.res", "ReadShelx", "CELL record"},
                        Case{"bad_long_line.res", "ReadShelx", "Line longer than 255 characters in SHELX file"},
                        Case{"no_such_file.res", "ReadShelx", "Error opening SHELX file"}}) {
    run = vorn::Run();
    Fatal f = fatal(c.file);
    EXPECT_EQ(f.where, c.where) << c.file;
    EXPECT_TRUE(contains(f.message, c.part)) << c.file << ": " << f.message;
  }
}

TEST_F(Shelx, HeavyElementsAndChargedSfacEntries) {
  // silver gets its SCAT line; a charged long-form entry names its element by the leading letters
  test::write_file("silver.res",
                   "TITL\nCELL 0.7 5 5 5 90 90 90\nLATT -1\nSFAC C AG\n"
                   "SFAC FE2+ 11.7695 4.7611 7.3573 0.3072 3.5222 15.3535 2.3045 76.8805 1.0369 0 0 0 1 55.85\n"
                   "SFAC Cl-\nAG1 2 0 0 0 11 0.02\nFE1 3 0.2 0 0 11 0.02\nCL1 4 0.4 0 0 11 0.02\nEND\n");
  open_files();
  readshelx(run, "silver.res");
  close_files();
  ASSERT_EQ(run.atoms.ia, 3);
  EXPECT_EQ(run.at_types.iatype, (std::vector<int>{0, 6, 47, 26, 17}));
  EXPECT_EQ(label(2), "FE(1)   ");
  EXPECT_TRUE(contains(slurp("xd_vorn.mas"),
                       "Ag   CHFW CHFW CSZD    2   2   2   2   6   6   6  10 -10   0  -1   0   0   0   0   0   0   0"));
  test::write_file("bad.res", "TITL\nCELL 0.7 5 5 5 90 90 90\nLATT -1\nSFAC C QQ2+\nEND\n");
  run = vorn::Run();
  open_files();
  try {
    readshelx(run, "bad.res");
    ADD_FAILURE() << "QQ2+ was read as an element";
  } catch (const Fatal& f) {
    EXPECT_EQ(f.message, "Unknown element symbol QQ2+ on SFAC record");
  }
  close_files();
}

TEST_F(Shelx, TooManyOperatorsOrCardsStop) {
  std::string cards;
  for (int k = 0; k < 193; ++k) cards += "SYMM -X, -Y, Z\n";
  test::write_file("cards.res", "TITL\nCELL 0.7 5 5 5 90 90 90\nLATT -1\n" + cards + "SFAC C\nEND\n");
  open_files();
  try {
    readshelx(run, "cards.res");
    FAIL();
  } catch (const Fatal& f) {
    EXPECT_EQ(f.message, "More than 192 SYMM records in SHELX file");
  }
  close_files();

  // 25 operators of an F lattice with inversion would need 200 slots
  run = vorn::Run();
  std::string fcards;
  const char* ops[] = {"-X,-Y,Z", "-X,Y,-Z", "X,-Y,-Z", "Z,X,Y", "Z,-X,-Y", "-Z,-X,Y", "-Z,X,-Y", "Y,Z,X",
                       "-Y,Z,-X", "Y,-Z,-X", "-Y,-Z,X", "Y,X,-Z", "-Y,-X,-Z", "Y,-X,Z", "-Y,X,Z", "X,Z,-Y",
                       "-X,Z,Y", "-X,-Z,-Y", "X,-Z,Y", "Z,Y,-X", "Z,-Y,X", "-Z,Y,X", "-Z,-Y,-X", "X+1/2,Y,Z"};
  for (const char* o : ops) fcards += std::string("SYMM ") + o + "\n";
  test::write_file("f.res", "TITL\nCELL 0.7 5 5 5 90 90 90\nLATT 4\n" + fcards + "SFAC C\nEND\n");
  open_files();
  try {
    readshelx(run, "f.res");
    FAIL();
  } catch (const Fatal& f) {
    EXPECT_EQ(f.where, "ReadShelx");
    EXPECT_TRUE(contains(f.message, "200 symmetry operators, more than 192")) << f.message;
  }
}

TEST_F(Shelx, TooManyFreeVariablesStop) {
  std::string fv;
  for (int k = 0; k < 21; ++k) fv += "FVAR 1 2 3 4 5 6 7 8 9 10\n";
  test::write_file("fv.res", "TITL\nCELL 0.7 5 5 5 90 90 90\nLATT -1\nSFAC C\n" + fv + "END\n");
  open_files();
  try {
    readshelx(run, "fv.res");
    FAIL();
  } catch (const Fatal& f) {
    EXPECT_EQ(f.message, "More than 200 free variables in SHELX file");
  }
}

// Residue names follow the last RESI line before each atom, across AFIX and PART lines;
// atoms before the first RESI and after RESI 0 are residue 0.
TEST_F(Shelx, ResidueNamesFollowTheLastResiLineBeforeEachAtom) {
  read("residues.res");
  ASSERT_EQ(run.atoms.ia, 7);
  EXPECT_TRUE(run.resi1.resi11);
  // atoms outside every residue are residue 0 of SHELXL, named MOL for MoPro
  const std::vector<std::pair<std::string, std::string>> want = {
      {"O9       0  MOL  ", "O9       0"},  // before the first RESI
      {"C1       1  ALA  ", "C1       1"},
      {"H1A      1  ALA  ", "H1A      1"},  // after AFIX 137
      {"H1B      1  ALA  ", "H1B      1"},
      {"O1       1  ALA  ", "O1       1"},  // after AFIX 0 and PART 1
      {"C9       0  MOL  ", "C9       0"},  // after RESI 0
      {"C2       2  GLY  ", "C2       2"},  // name before number
  };
  for (int i = 1; i <= 7; ++i) {
    SCOPED_TRACE(label(i));
    EXPECT_EQ(run.resi1.resi1[i], want[i - 1].first);
    EXPECT_EQ(run.resi1.resi2[i], want[i - 1].second);
  }
}

// Residue numbers past three digits widen the MoPro name's number, as the macromolecular
// reader's do, and the log says so once; before, they were written as stars.
TEST_F(Shelx, ResidueNumbersPastThreeDigitsWiden) {
  std::ofstream("wide.res") << "TITL wide\nCELL 0.71073 10 10 10 90 90 90\nLATT -1\nSFAC C\nUNIT 3\n"
                               "RESI 999 ALA\nC1 1 0.1 0.1 0.1 11.0 0.02\n"
                               "RESI 1234 GLY\nC2 1 0.3 0.3 0.3 11.0 0.02\n"
                               "RESI -120 SER\nC3 1 0.5 0.5 0.5 11.0 0.02\nHKLF 4\nEND\n";
  open_files();
  readshelx(run, "wide.res");
  close_files();
  ASSERT_EQ(run.atoms.ia, 3);
  const std::pair<std::string, std::string> want[] = {
      {"C1     999  ALA  ", "C1     999"}, {"C2      1234  GLY  ", "C2      1234"}, {"C3      -120  SER  ", "C3      -120"}};
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(run.resi1.resi1[i], want[i - 1].first);
    EXPECT_EQ(run.resi1.resi2[i], want[i - 1].second);
  }
  const std::string note = "Note : residue number of mopro_vorn.par does not fit I3 (1234); the field is widened";
  EXPECT_TRUE(contains(log(), note)) << log();
  EXPECT_EQ(log().find("does not fit I3"), log().rfind("does not fit I3"));  // once
}
