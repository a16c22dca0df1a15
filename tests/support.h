// Test helpers: a scratch working directory and whole-file reads.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/coords.h"
#include "model/run.h"
#include "util/geometry.h"

namespace vorn::test {

// Runs the test inside a fresh empty directory, as the program runs in its working directory.
class InTempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = std::filesystem::current_path();
    auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("vorn_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_, old_;
};

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void write_file(const std::filesystem::path& p, const std::string& text) {
  std::ofstream out(p);
  out << text;
}

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> r;
  std::stringstream ss(text);
  std::string l;
  while (std::getline(ss, l)) r.push_back(l);
  return r;
}

// The published SHELX files beside the project, sorted; empty when the folder is absent.
inline std::vector<std::filesystem::path> shared_shelx_files() {
  std::vector<std::filesystem::path> r;
  const std::filesystem::path dir = std::filesystem::path(VORN_SHARED_DATA) / "shelx";
  if (!std::filesystem::is_directory(dir)) return r;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ".res") r.push_back(e.path());
  std::sort(r.begin(), r.end());
  return r;
}

// Opens in dir the files a reader writes to (log, master file, MoPro file); the console goes to con.
inline void open_reader_outputs(vorn::Run& run, const std::filesystem::path& dir, std::ostream& con,
                                const std::string& tag = "") {
  run.console = &con;
  run.nout.open(dir / ("vorn.out" + tag));
  run.imas.open(dir / ("xd_vorn.mas" + tag));
  run.ipro.open(dir / ("mopro_vorn.par" + tag));
}

inline std::string pad_to(std::string s, size_t n) {
  if (s.size() < n) s.resize(n, ' ');
  return s;
}

// Whether the operator (m, t) is in the set, translations compared modulo whole cells.
inline bool has_symop(const vorn::Symm& s, const vorn::Mat3& m, const vorn::Vec3& t) {
  for (int n = 1; n <= s.ns; ++n) {
    bool same = s.fs[n] == m;
    for (int j = 0; j < 3; ++j) same = same && std::fabs(std::remainder(s.ts[n][j] - t[j], 1.0f)) < 1e-5f;
    if (same) return true;
  }
  return false;
}

inline std::string data_path(const std::string& rel) { return std::string(VORN_TEST_DATA) + "/" + rel; }

// One X-H bond of const.bond: parent and hydrogen atom numbers (from the CON lines) and the
// distance of its comment line.
struct XHBond {
  int parent = 0, h = 0;
  float r = 0.0f;
};
inline std::vector<XHBond> const_bonds(const std::string& text) {
  std::vector<XHBond> r;
  for (const auto& l : lines_of(text)) {
    if (l.rfind("! ", 0) == 0 && l.find(" = ") != std::string::npos) {
      r.push_back({});
      r.back().r = std::stof(l.substr(l.find(" = ") + 3));
    } else if (l.rfind("CON 1 X/", 0) == 0 && !r.empty()) {
      r.back().parent = std::stoi(l.substr(8));
      r.back().h = std::stoi(l.substr(l.find("-1 X/") + 5));
    }
  }
  return r;
}

// The fractional coordinates of the fixedH.ins lines, in atom order (index 0 = atom 1).
inline std::vector<vorn::Vec3> fixedh_coordinates(const std::string& text) {
  std::vector<vorn::Vec3> r;
  for (const auto& l : lines_of(text))
    r.push_back({std::stof(l.substr(15, 12)), std::stof(l.substr(27, 12)), std::stof(l.substr(39, 12))});
  return r;
}

// fixedH.ins against the structure before the extension (`before`, with the symmetry images of
// fragment completion): each hydrogen of const.bond at its distance from its parent, along the
// original X-H direction; every other atom where it was. Returns the bonds checked.
inline std::vector<XHBond> expect_extension_geometry(const vorn::Run& before, const std::string& fixedh,
                                                     const std::string& constbond) {
  const auto xf = fixedh_coordinates(fixedh);
  const auto bonds = const_bonds(constbond);
  const int ia = before.atoms.ia;
  EXPECT_EQ(static_cast<int>(xf.size()), ia);
  if (static_cast<int>(xf.size()) != ia) return bonds;
  std::vector<bool> moved(static_cast<size_t>(ia) + 1, false);
  for (const XHBond& b : bonds) {
    SCOPED_TRACE(before.atoms.atom[b.h]);
    EXPECT_TRUE(b.h >= 1 && b.h <= ia && b.parent >= 1 && b.parent <= before.cryst.natoms);
    if (b.h < 1 || b.h > ia || b.parent < 1 || b.parent > before.cryst.natoms) continue;
    moved[b.h] = true;
    const vorn::Vec3 x = b.parent <= ia ? vorn::to_cart(before.transf, xf[b.parent - 1]) : before.atoms.xc[b.parent];
    const vorn::Vec3 h = vorn::to_cart(before.transf, xf[b.h - 1]);
    EXPECT_NEAR(vorn::dist(x, h), b.r, 0.001f);
    const vorn::Vec3 u{h[0] - x[0], h[1] - x[1], h[2] - x[2]};
    const vorn::Vec3& h0 = before.atoms.xc[b.h];
    const vorn::Vec3 v{h0[0] - x[0], h0[1] - x[1], h0[2] - x[2]};
    const float along = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
    EXPECT_GT(along, 0.0f);
    EXPECT_LT(vorn::rlength(vorn::vmult(u, v)) / (vorn::rlength(u) * vorn::rlength(v)), 1e-4f);
  }
  for (int i = 1; i <= ia; ++i) {
    if (moved[i]) continue;
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(xf[i - 1][a], before.atoms.xf[i][a], 1e-6f) << before.atoms.atom[i];
  }
  return bonds;
}

}  // namespace vorn::test
