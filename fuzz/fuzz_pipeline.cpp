// Fuzz target: the whole program on a control file and up to three files s1, s2, s3, the
// pieces of the input between lines "#####" (structure, XD parameter file, databank).
#include <sstream>

#include "driver/vorn.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch("vorn_fuzz_pipeline");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto p = fuzz::pieces(data, size, 4);
  fuzz::write("vorn.inp", p[0]);
  fuzz::write("s1", p[1]);
  fuzz::write("s2", p[2]);
  fuzz::write("s3", p[3]);
  std::ostringstream con;
  std::istringstream in;  // prompts meet the end of input
  vorn::vorn_main({}, con, in);
  return 0;
}
