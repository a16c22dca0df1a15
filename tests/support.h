// Test helpers: a scratch working directory and whole-file reads.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

inline std::string data_path(const std::string& rel) { return std::string(VORN_TEST_DATA) + "/" + rel; }

}  // namespace vorn::test
