// The PLATON plot file vorn.spf: head, and the dummy, radius and display records of its tail.
#pragma once
#include "model/run.h"

namespace vorn {

void spf_head(Run& run);
void spf_tail(Run& run);

}  // namespace vorn
