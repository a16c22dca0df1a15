// Shared writers for the log (vorn.out) and the console; a text may hold several lines.
#pragma once
#include <string>

#include "model/run.h"

namespace vorn {

void logl(Run& run, const std::string& s);   // log
void conl(Run& run, const std::string& s);   // console
void both(Run& run, const std::string& s);   // log, then console
void cboth(Run& run, const std::string& s);  // console, then log

// Counts one warning of a kind (such as "atom on a special position") naming an atom label,
// for the closing summary; the warning text itself is written by the caller.
void tally_warning(Run& run, const std::string& kind, const std::string& atom);

// The rule of one blank and n copies of c.
std::string rule(char c, int n = 71);

}  // namespace vorn

namespace vorn {
// Log line of a stage that this build does not have yet: the run goes on without it.
void stage_pending(Run& run, const std::string& op);
}  // namespace vorn
