// Fuzz target: one structure reader (VORN_READER: shelx, platon, aim2tab or cif) on one file.
#include <sstream>

#include "driver/control.h"
#include "fuzz_common.h"
#include "readers/cartesian.h"
#include "readers/cif.h"
#include "readers/shelx.h"
#include "util/err.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch("vorn_fuzz_" VORN_READER);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::write("s.in", std::string(reinterpret_cast<const char*>(data), size));
  vorn::Run run;
  std::ostringstream con;
  run.console = &con;
  const std::string r = VORN_READER;
  try {
    vorn::init(run);
    if (r == "shelx") vorn::readshelx(run, "s.in");
    if (r == "platon") vorn::readplaton(run, "s.in");
    if (r == "aim2tab") vorn::readaim2tab(run, "s.in");
    if (r == "cif") vorn::readcif(run, "s.in");
  } catch (const vorn::Fatal&) {
  }
  return 0;
}
