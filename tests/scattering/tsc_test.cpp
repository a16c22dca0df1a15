// vorn.tsc, vorn.tscb and the model items of vorn.cif from whole runs: header, labels, equivalents, disorder, special positions, bad files.
#include <gemmi/cif.hpp>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <complex>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "driver/vorn.h"
#include "scattering/freeatom.h"
#include "scattering/slater.h"
#include "support.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

struct Table {
  std::vector<std::string> head;
  std::vector<std::string> labels;
  std::map<std::array<int, 3>, std::vector<std::complex<double>>> rows;
  std::vector<std::array<int, 3>> order;  // the reflections as the lines list them
  size_t lines = 0;
};

Table read_tsc(const std::string& text) {
  Table t;
  std::istringstream in(text);
  std::string line;
  bool data = false;
  while (std::getline(in, line)) {
    EXPECT_FALSE(line.empty()) << "blank line after " << t.head.size() + t.lines << " lines";
    if (!data) {
      t.head.push_back(line);
      data = line == "DATA:";
      if (line.rfind("SCATTERERS: ", 0) == 0) {
        std::istringstream w(line.substr(12));
        for (std::string l; w >> l;) t.labels.push_back(l);
      }
      continue;
    }
    ++t.lines;
    std::istringstream w(line);
    std::array<int, 3> h{};
    w >> h[0] >> h[1] >> h[2];
    std::vector<std::complex<double>> f;
    static const std::regex pair(R"(-?\d\.\d{8}e[+-]\d\d,-?\d\.\d{8}e[+-]\d\d)");
    for (std::string p; w >> p;) {
      EXPECT_TRUE(std::regex_match(p, pair)) << p;
      const size_t c = p.find(',');
      f.emplace_back(std::stod(p.substr(0, c)), std::stod(p.substr(c + 1)));
    }
    EXPECT_EQ(f.size(), t.labels.size()) << line.substr(0, 40);
    EXPECT_TRUE(t.rows.emplace(h, f).second) << "repeated reflection";
    t.order.push_back(h);
  }
  return t;
}

// vorn.tscb read back: little-endian int32 and float64 fields, as the writer lays them out.
struct BinaryTable {
  std::string head, labels;
  std::vector<std::array<int, 3>> hkl;
  std::vector<std::vector<std::complex<double>>> f;
};

BinaryTable read_tscb(const std::string& bytes, size_t scatterers) {
  BinaryTable t;
  size_t at = 0;
  auto take = [&](size_t n) -> uint64_t {
    if (at + n > bytes.size()) throw std::runtime_error("vorn.tscb ends at byte " + std::to_string(at));
    uint64_t v = 0;
    for (size_t b = 0; b < n; ++b) v |= uint64_t(static_cast<unsigned char>(bytes[at + b])) << (8 * b);
    at += n;
    return v;
  };
  auto int32 = [&] { return static_cast<int32_t>(static_cast<uint32_t>(take(4))); };
  auto text = [&] {
    const int32_t n = int32();
    if (n < 0 || at + size_t(n) > bytes.size()) throw std::runtime_error("bad text length");
    at += size_t(n);
    return bytes.substr(at - size_t(n), size_t(n));
  };
  t.head = text();
  t.labels = text();
  const int32_t rows = int32();
  for (int32_t r = 0; r < rows; ++r) {
    t.hkl.push_back({int32(), int32(), int32()});
    std::vector<std::complex<double>> f;
    for (size_t a = 0; a < scatterers; ++a) {
      const double re = std::bit_cast<double>(take(8));
      f.emplace_back(re, std::bit_cast<double>(take(8)));
    }
    t.f.push_back(f);
  }
  EXPECT_EQ(at, bytes.size()) << "bytes after the last reflection";
  return t;
}

class Tsc : public test::InTempDir {
 protected:
  std::string job(const std::string& control, const std::vector<std::string>& args = {}) {
    test::write_file("vorn.inp", control);
    std::ostringstream con;
    std::istringstream in;
    vorn_main(args, con, in);
    return con.str();
  }
  static void hkl(const std::string& name, const std::vector<std::array<int, 3>>& list) {
    std::string t;
    char buf[64];
    for (const auto& h : list) {
      std::snprintf(buf, sizeof buf, "%4d%4d%4d%8.2f%8.2f\n", h[0], h[1], h[2], 10.0, 1.0);
      t += buf;
    }
    test::write_file(name, t + "   0   0   0    0.00    0.00\n");
  }
};

// The spherical free atom at the reciprocal vector of h in an orthogonal cell.
double free_f(int z, const std::array<int, 3>& h, const std::array<double, 3>& cell) {
  const FreeAtom fa = free_atom(z);
  double q = 0;
  for (int j = 0; j < 3; ++j) q += (h[j] / cell[j]) * (h[j] / cell[j]);
  const double k = 2 * pi * bohr * std::sqrt(q);
  return fa.pc * density_transform(fa.core, k) + fa.nv * density_transform(fa.valence, k);
}

TEST_F(Tsc, SphericalMethanolHeaderEquivalentsAndValues) {
  fs::copy_file(test::data_path("../../examples/methanol.res"), "methanol.res");
  hkl("m.hkl", {{1, 0, 0}, {1, 2, 3}, {0, 0, 4}, {-3, 1, 2}});
  const std::string con = job("FORMAT *shelx\nINPUT methanol.res\nTSC m.hkl\n");
  ASSERT_EQ(con.find("ERROR"), std::string::npos) << con;
  const Table t = read_tsc(test::slurp("vorn.tsc"));
  EXPECT_EQ(t.head, (std::vector<std::string>{"TITLE: methanol", "SYMM: expanded", "AD: FALSE",
                                              "SCATTERERS: C1 O1 H1 H2 H3 H4", "DATA:"}));
  // P212121 (Laue mmm): 1 0 0 -> 2, 0 0 4 -> 2, 1 2 3 and -3 1 2 -> 8 each
  EXPECT_EQ(t.lines, 20u);
  const std::array<double, 3> cell{10, 11, 12};
  for (const auto& [h, f] : t.rows) {
    for (size_t a = 0; a < f.size(); ++a) EXPECT_EQ(f[a].imag(), 0.0);
    EXPECT_NEAR(f[0].real(), free_f(6, h, cell), 2e-6 * 6);
    EXPECT_NEAR(f[1].real(), free_f(8, h, cell), 2e-6 * 8);
    EXPECT_NEAR(f[2].real(), free_f(1, h, cell), 2e-6);
    // every equivalent of a spherical atom scatters alike
    EXPECT_NEAR(f[0].real(), t.rows.at({std::abs(h[0]), std::abs(h[1]), std::abs(h[2])})[0].real(), 1e-7 * 6);
  }
  EXPECT_NE(test::slurp("vorn.out").find("reflections read"), std::string::npos);
}

TEST_F(Tsc, MultipolesMakeFriedelMatesComplexConjugates) {
  fs::copy_file(test::data_path("../../examples/methanol.res"), "methanol.res");
  fs::copy_file(test::data_path("../../examples/sample.db"), "sample.db");
  hkl("m.hkl", {{1, 2, 3}, {2, 1, 1}, {0, 3, 5}});
  const std::string con = job("FORMAT *shelx\nINPUT methanol.res\nDATABANK sample.db\nSCALE *diff\nCHFRAG 0.\n"
                              "TSC m.hkl\n");
  ASSERT_EQ(con.find("ERROR"), std::string::npos) << con;
  const Table t = read_tsc(test::slurp("vorn.tsc"));
  double imag = 0;
  for (const auto& [h, f] : t.rows) {
    const auto& g = t.rows.at({-h[0], -h[1], -h[2]});
    for (size_t a = 0; a < f.size(); ++a) {
      EXPECT_NEAR(f[a].real(), g[a].real(), 1e-7 * std::abs(f[a].real()) + 1e-12);
      EXPECT_NEAR(f[a].imag(), -g[a].imag(), 1e-7 * std::abs(f[a].imag()) + 1e-12);
      imag = std::max(imag, std::abs(f[a].imag()));
    }
  }
  EXPECT_GT(imag, 1e-3);  // the carbon's octupoles
  // vorn.cif holds the model: Pc, the radial functions with the defaults, the configuration
  gemmi::cif::Document doc = gemmi::cif::read_file("vorn.cif");
  gemmi::cif::Block& b = doc.sole_block();
  auto pc = b.find("_atom_rho_multipole_coeff.", {"atom_label", "Pc", "Pv"});
  ASSERT_EQ(pc.length(), 6u);
  EXPECT_EQ(pc[0].str(1), "2.0000");
  EXPECT_EQ(pc[2].str(1), "0.0000");
  auto rad = b.find("_atom_rho_multipole_radial_slater.", {"atom_label", "n0", "n3", "n4", "zeta0", "zeta4"});
  ASSERT_EQ(rad.length(), 6u);
  EXPECT_EQ(rad[0].str(2), "3");
  EXPECT_EQ(rad[0].str(3), "4");
  EXPECT_EQ(rad[0].str(4), "3.1762");  // 2 x mean(1.6083, 1.5679)
  EXPECT_EQ(rad[2].str(1), "0");
  EXPECT_EQ(rad[2].str(5), "2.0000");
  auto conf = b.find("_atom_rho_multipole.", {"atom_label", "configuration"});
  ASSERT_EQ(conf.length(), 6u);
  EXPECT_EQ(conf[1].str(1), "core 1s2 valence 2s2 2p4");
}

TEST_F(Tsc, RadialLineSetsTheFunctionsAndIsLogged) {
  fs::copy_file(test::data_path("../../examples/methanol.res"), "methanol.res");
  fs::copy_file(test::data_path("../../examples/sample.db"), "sample.db");
  hkl("m.hkl", {{1, 2, 3}});
  const std::string base = "FORMAT *shelx\nINPUT methanol.res\nDATABANK sample.db\nSCALE *diff\nCHFRAG 0.\nTSC m.hkl\n";
  std::string con = job(base + "RADIAL C 2 2 3 3 4 3.0\nRADIAL O 2 2 2 3 4 4.0 4.1 4.2 4.3 4.4\n");
  ASSERT_EQ(con.find("ERROR"), std::string::npos) << con;
  gemmi::cif::Document doc = gemmi::cif::read_file("vorn.cif");
  auto rad = doc.sole_block().find("_atom_rho_multipole_radial_slater.", {"n2", "zeta0", "zeta4"});
  EXPECT_EQ(rad[0].str(0), "3");
  EXPECT_EQ(rad[0].str(1), "3.0000");
  EXPECT_EQ(rad[1].str(2), "4.4000");
  EXPECT_NE(test::slurp("vorn.out").find("  zeta_l (1/bohr)  4.0000  4.1000"), std::string::npos);
  struct Bad { const char* line; const char* message; };
  for (const Bad& bad : {Bad{"RADIAL C 2 2 2 3 3.0\n", "RADIAL needs an element"},
                         Bad{"RADIAL Xx 2 2 2 3 4 3.0\n", "unknown element"},
                         Bad{"RADIAL C 2 0 2 3 4 3.0\n", "n1 must lie in 1..12"},
                         Bad{"RADIAL C 2 2 2 3 4 -3.0\n", "exponents must be positive"}}) {
    con = job(base + bad.line);
    EXPECT_NE(con.find(bad.message), std::string::npos) << bad.line << con;
  }
}

TEST_F(Tsc, RepeatedLabelsTakeTheResidueForm) {
  test::write_file("r.res",
                   "TITL two residues with the same names\nCELL 0.71073 10 10 10 90 90 90\nLATT -1\nSFAC C O\n"
                   "UNIT 2 2\nFVAR 1.0\nRESI 1 ALA\nC1 1 0.1 0.1 0.1 11.0 0.02\nO1 2 0.1 0.1 0.22 11.0 0.02\n"
                   "RESI 2 ALA\nC1 1 0.5 0.5 0.5 11.0 0.02\nO1 2 0.5 0.5 0.62 11.0 0.02\nRESI 0\n"
                   "C2 1 0.8 0.2 0.3 11.0 0.02\nHKLF 4\nEND\n");
  hkl("r.hkl", {{1, 1, 1}});
  const std::string con = job("FORMAT *shelx\nINPUT r.res\nTSC r.hkl\n");
  ASSERT_EQ(con.find("ERROR"), std::string::npos) << con;
  const Table t = read_tsc(test::slurp("vorn.tsc"));
  EXPECT_EQ(t.labels, (std::vector<std::string>{"C1_1", "O1_1", "C1_2", "O1_2", "C2"}));
}

TEST_F(Tsc, DisorderedAndSpecialAtomsAreFullAtoms) {
  // C2 and C2' share a site at 0.65 / 0.35; O2 sits on the inversion centre with occupancy 10.5
  test::write_file("d.res",
                   "TITL disorder and a special position\nCELL 0.71073 6 7 8 90 90 90\nLATT 1\nSFAC C O\n"
                   "UNIT 4 4\nFVAR 1.0 0.65\nC1 1 0.1 0.2 0.3 11.0 0.025\nO1 2 0.2 0.25 0.35 11.0 0.03\n"
                   "PART 1\nC2 1 0.3 0.3 0.4 21.0 0.04\nPART 2\nC2' 1 0.31 0.28 0.42 -21.0 0.045\nPART 0\n"
                   "O2 2 0.0 0.0 0.0 10.5 0.035\nHKLF 4\nEND\n");
  hkl("d.hkl", {{1, 0, 0}, {1, 1, 1}, {2, 3, 1}});
  const std::string con = job("FORMAT *shelx\nINPUT d.res\nEXTEND_H\nTSC d.hkl\n");
  ASSERT_EQ(con.find("ERROR"), std::string::npos) << con;
  const Table t = read_tsc(test::slurp("vorn.tsc"));
  ASSERT_EQ(t.labels.size(), 5u);
  EXPECT_EQ(t.labels[3], "C2'");
  for (const auto& [h, f] : t.rows) {
    EXPECT_NEAR(f[2].real(), f[0].real(), 1e-12);  // C2 at 0.65 scatters as C1
    EXPECT_NEAR(f[3].real(), f[0].real(), 1e-12);
    EXPECT_NEAR(f[4].real(), f[1].real(), 1e-12);  // O2 on the centre scatters as O1
  }
  // vorn.cif: populations of the full atom; xd_vorn.inp keeps them times the occupancy
  gemmi::cif::Document doc = gemmi::cif::read_file("vorn.cif");
  auto pv = doc.sole_block().find("_atom_rho_multipole_coeff.", {"atom_label", "Pv"});
  ASSERT_EQ(pv.length(), 5u);
  for (size_t k = 0; k < 5; ++k) EXPECT_EQ(pv[k].str(1), k == 1 || k == 4 ? "6.0000" : "4.0000") << pv[k].str(0);
}

// The lines of vorn.out from the table's first line to its "written", the file named vorn.tsc.
std::vector<std::string> table_log(const std::string& log) {
  std::vector<std::string> r;
  for (const std::string& l : test::lines_of(log)) {
    if (r.empty() && l.rfind(" Form-factor table ", 0) != 0) continue;
    r.push_back(std::regex_replace(l, std::regex("vorn\\.tscb"), "vorn.tsc"));
    if (l.ends_with(" written")) break;
  }
  return r;
}

// vorn.tscb holds the text table's reflections in its order at full precision; --tscb and
// TSC FILE BINARY write the same bytes; each table removes the other's stale file.
TEST_F(Tsc, BinaryTableHoldsTheTextTableAtFullPrecision) {
  fs::copy_file(test::data_path("../../examples/methanol.res"), "methanol.res");
  fs::copy_file(test::data_path("../../examples/sample.db"), "sample.db");
  hkl("m.hkl", {{1, 2, 3}, {2, 1, 1}, {0, 3, 5}, {4, 0, 0}});
  const std::string base = "FORMAT *shelx\nINPUT methanol.res\nDATABANK sample.db\nSCALE *diff\nCHFRAG 0.\n";
  std::string con = job(base + "TSC m.hkl\n");
  ASSERT_EQ(con.find("ERROR"), std::string::npos) << con;
  const std::string text_bytes = test::slurp("vorn.tsc");
  const Table text = read_tsc(text_bytes);
  const std::vector<std::string> text_log = table_log(test::slurp("vorn.out"));
  ASSERT_EQ(text_log.size(), 5u);  // the table, the kinds C, O and H, written

  con = job(base + "TSC m.hkl Binary\n");
  ASSERT_EQ(con.find("ERROR"), std::string::npos) << con;
  EXPECT_FALSE(fs::exists("vorn.tsc"));
  EXPECT_NE(con.find(" Removed vorn.tsc : an earlier run's output"), std::string::npos) << con;
  EXPECT_NE(con.find(" Aspherical form factors (.tscb binary) : vorn.tscb"), std::string::npos) << con;
  EXPECT_EQ(table_log(test::slurp("vorn.out")), text_log);
  const std::string bytes = test::slurp("vorn.tscb");
  const BinaryTable bin = read_tscb(bytes, text.labels.size());
  EXPECT_EQ(bin.head, "TITLE: methanol\nSYMM: expanded\nAD: FALSE\n");
  EXPECT_EQ(bin.labels, "C1 O1 H1 H2 H3 H4");
  EXPECT_EQ(bin.hkl, text.order);
  size_t finer = 0, imaginary = 0;
  for (size_t r = 0; r < bin.hkl.size() && r < text.order.size(); ++r) {
    const auto& t = text.rows.at(bin.hkl[r]);
    for (size_t a = 0; a < t.size(); ++a) {
      for (const auto& [b, d] : {std::pair{bin.f[r][a].real(), t[a].real()}, std::pair{bin.f[r][a].imag(), t[a].imag()}}) {
        // %.8e keeps nine digits: half a unit of the last one, relative to the value
        EXPECT_LE(std::abs(b - d), 5.0000001e-9 * std::abs(b)) << r << " " << a << " " << b << " " << d;
        finer += b != d;
      }
      imaginary += bin.f[r][a].imag() != 0;
    }
  }
  EXPECT_GT(finer, bin.hkl.size());  // the doubles are not the rounded text
  EXPECT_GT(imaginary, 0u);

  // the option writes the same file as the control-file line
  fs::remove("vorn.tscb");
  test::write_file("job.inp", base);
  con = job(base, {"--control", "job.inp", "--tscb", "m.hkl"});
  ASSERT_EQ(con.find("ERROR"), std::string::npos) << con;
  EXPECT_EQ(test::slurp("vorn.tscb"), bytes);

  // a text run removes the binary table and writes the text table unchanged
  con = job(base + "TSC m.hkl\n");
  EXPECT_FALSE(fs::exists("vorn.tscb"));
  EXPECT_NE(con.find(" Removed vorn.tscb : an earlier run's output"), std::string::npos) << con;
  EXPECT_EQ(test::slurp("vorn.tsc"), text_bytes);
}

TEST_F(Tsc, BadReflectionFileStopsTheRunWithItsName) {
  fs::copy_file(test::data_path("../../examples/methanol.res"), "methanol.res");
  struct Case { const char* file; const char* text; const char* message; };
  for (const Case& c : {Case{"none.hkl", nullptr, "Reflection file none.hkl cannot be opened"},
                        Case{"empty.hkl", "", "Reflection file empty.hkl holds no reflections"},
                        Case{"text.hkl", "hello world\n", "Reflection file text.hkl, line 1: not h k l"}}) {
    if (c.text) test::write_file(c.file, c.text);
    const std::string con = job(std::string("FORMAT *shelx\nINPUT methanol.res\nTSC ") + c.file + "\n");
    EXPECT_NE(con.find("ReadHKL"), std::string::npos) << con;
    EXPECT_NE(con.find(c.message), std::string::npos) << con;
  }
  const std::string con = job("FORMAT *shelx\nINPUT methanol.res\nTSC\n");
  EXPECT_NE(con.find("TSC needs the name of a reflection file"), std::string::npos) << con;
  // a word after the file name other than BINARY would silently give the text table
  struct Extra { const char* line; const char* word; };
  for (const Extra& e : {Extra{"TSC m.hkl BINRY\n", "BINRY"}, Extra{"TSC m.hkl BINARY 2\n", "2"},
                         Extra{"TSC m.hkl binary BINARY\n", "BINARY"}}) {
    const std::string c = job(std::string("FORMAT *shelx\nINPUT methanol.res\n") + e.line);
    EXPECT_NE(c.find(std::string("TSC: only the word BINARY may follow the reflection file name, not ") + e.word),
              std::string::npos) << c;
    EXPECT_FALSE(fs::exists("vorn.tsc") || fs::exists("vorn.tscb")) << e.line;
  }
}

}  // namespace
}  // namespace vorn
