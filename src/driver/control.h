// The control file vorn.inp: defaults, keywords, validation and the option report.
#pragma once
#include <istream>

#include "model/run.h"

namespace vorn {

// Defaults of every switch, counter and per-atom table.
void init(Run& run);

// Opens vorn.inp in the current directory, reads it, validates it and writes the report.
void readinp(Run& run);

// Reads the control file from an open stream (readinp without the file).
void readinp_stream(Run& run, std::istream& in);

// The tolerance block of the option report.
void prttol(Run& run);

}  // namespace vorn
