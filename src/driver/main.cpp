// Entry point of the vorn executable.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "driver/memory.h"
#include "driver/vorn.h"

int main(int argc, char** argv) {
  vorn::prefer_huge_pages(argv);
  vorn::keep_freed_memory();
  std::vector<std::string> args(argv + 1, argv + argc);
  const vorn::Terminal term{isatty(STDIN_FILENO) == 1, isatty(STDOUT_FILENO) == 1};
  return vorn::vorn_main(args, std::cout, std::cin, vorn::DbSearch::index, nullptr, vorn::Algorithms::fast, term);
}
