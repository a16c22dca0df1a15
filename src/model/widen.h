// Identifier fields of the output files that widen past their width, each widening logged once.
#pragma once
#include <string>

#include "model/run.h"

namespace vorn {

// fmt::iw(v, w); the first time the field `field` of file `file` widens, one log line says so.
std::string idfield(Run& run, const char* file, const char* field, long long v, int w);

}  // namespace vorn
