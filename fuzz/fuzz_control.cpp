// Fuzz target: the control file.
#include <sstream>

#include "driver/control.h"
#include "fuzz_common.h"
#include "util/err.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch("vorn_fuzz_control");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vorn::Run run;
  std::ostringstream con;
  run.console = &con;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    vorn::init(run);
    vorn::readinp_stream(run, in);
  } catch (const vorn::Fatal&) {
  }
  return 0;
}
