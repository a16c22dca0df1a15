// Fuzz-target helpers: a scratch working directory per process and files written from the input.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fuzz {

// Every target runs in its own scratch directory, as the program runs in its working directory.
inline void enter_scratch(const char* name) {
  const auto dir = std::filesystem::temp_directory_path() / (std::string(name) + "_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
}

inline void write(const std::string& name, const std::string& text) {
  std::ofstream(name, std::ios::binary) << text;
}

// The input split at lines "#####" into at most n pieces.
inline std::vector<std::string> pieces(const uint8_t* data, size_t size, size_t n) {
  std::vector<std::string> out(1);
  const std::string all(reinterpret_cast<const char*>(data), size);
  size_t p = 0;
  while (p <= all.size()) {
    const size_t q = all.find("\n#####\n", p);
    if (q == std::string::npos || out.size() == n) {
      out.back() += all.substr(p);
      break;
    }
    out.back() += all.substr(p, q - p);
    out.emplace_back();
    p = q + 7;
  }
  out.resize(n);
  return out;
}

}  // namespace fuzz
