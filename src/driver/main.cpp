// Entry point of the vorn executable.
#include <iostream>
#include <string>
#include <vector>

#include "driver/vorn.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vorn::vorn_main(args, std::cout, std::cin);
}
