// Fuzz target: one structure reader (VORN_READER: shelx, platon, aim2tab, cif, or xd on a master
// file and a parameter file, the two pieces of the input around a line "#####").
#include <sstream>

#include "driver/control.h"
#include "fuzz_common.h"
#include "readers/cartesian.h"
#include "readers/cif.h"
#include "readers/shelx.h"
#include "readers/xd.h"
#include "util/err.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch("vorn_fuzz_" VORN_READER);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string r = VORN_READER;
  if (r == "xd") {
    const auto p = fuzz::pieces(data, size, 2);
    fuzz::write("s.mas", p[0]);
    fuzz::write("s.in", p[1]);
  } else {
    fuzz::write("s.in", std::string(reinterpret_cast<const char*>(data), size));
  }
  vorn::Run run;
  std::ostringstream con;
  run.console = &con;
  try {
    vorn::init(run);
    if (r == "shelx") vorn::readshelx(run, "s.in");
    if (r == "platon") vorn::readplaton(run, "s.in");
    if (r == "aim2tab") vorn::readaim2tab(run, "s.in");
    if (r == "cif") vorn::readcif(run, "s.in");
    if (r == "xd") {
      run.set.mas = "s.mas";
      run.xdold = vorn::load_xd_master("s.mas");
      vorn::readxd(run, "s.in");
    }
  } catch (const vorn::Fatal&) {
  }
  return 0;
}
