// Output files whose failed writes stop the run: a full disk is never reported as success.
#pragma once
#include <fstream>
#include <string>

namespace vorn {

// Flushes f and stops the run from `place` with "Error writing file <name>" when any write
// to it has failed; the file stays open.
void check_out(std::ofstream& f, const std::string& name, const std::string& place);

// check_out, then close (the close itself is checked too).
void close_out(std::ofstream& f, const std::string& name, const std::string& place);

}  // namespace vorn
