// Fuzz target: the databank reader and the rescaling, on a fixed methanol job whose databank
// file is the input.
#include <sstream>

#include "driver/vorn.h"
#include "fuzz_common.h"

namespace {

const char* const kControl =
    "FORMAT *shelx\nINPUT s1 rename toxd\nRINGS 3 8 *special\nEXTEND_H\nDATABANK s3\n"
    "SCALE *sigma diff fract\nNFRAG 1\nFRAG 1 1 -6\nCHFRAG 0.\n";

const char* const kMethanol =
    "TITL methanol\nCELL 0.71073 10.0 11.0 12.0 90.0 90.0 90.0\nZERR 4 0.001 0.001 0.001 0 0 0\n"
    "LATT -1\nSYMM 0.5-X, -Y, 0.5+Z\nSYMM -X, 0.5+Y, 0.5-Z\nSYMM 0.5+X, 0.5-Y, -Z\nSFAC C H O\n"
    "UNIT 4 16 4\nFVAR 1.0\n"
    "C1 1 0.30000 0.36364 0.41667 11.0 0.03\nO1 3 0.44300 0.36364 0.41667 11.0 0.03\n"
    "H1 2 0.47500 0.44545 0.41667 11.0 -1.2\nH2 2 0.26400 0.45727 0.41667 11.0 -1.2\n"
    "H3 2 0.26400 0.31727 0.49083 11.0 -1.2\nH4 2 0.26400 0.31727 0.34250 11.0 -1.2\nHKLF 4\nEND\n";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch("vorn_fuzz_databank");
  fuzz::write("vorn.inp", kControl);
  fuzz::write("s1", kMethanol);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::write("s3", std::string(reinterpret_cast<const char*>(data), size));
  std::ostringstream con;
  std::istringstream in;
  vorn::vorn_main({}, con, in);
  return 0;
}
