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

#include "model/run.h"

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

}  // namespace vorn::test
