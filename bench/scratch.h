// A scratch working directory for one benchmark: the stages write their files into it.
#pragma once
#include <filesystem>
#include <string>

namespace bench {

class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name)
      : dir_(std::filesystem::temp_directory_path() / name), old_(std::filesystem::current_path()) {
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  ~ScratchDir() {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

 private:
  std::filesystem::path dir_, old_;
};

}  // namespace bench
