// Shared writers for the log and the console.
#include "model/log.h"

namespace vorn {

void logl(Run& run, const std::string& s) {
  if (run.nout.is_open()) run.nout << s << '\n';
}

void conl(Run& run, const std::string& s) { *run.console << s << '\n'; }

void both(Run& run, const std::string& s) {
  logl(run, s);
  conl(run, s);
}

void cboth(Run& run, const std::string& s) {
  conl(run, s);
  logl(run, s);
}

std::string rule(char c, int n) { return " " + std::string(n, c); }

}  // namespace vorn

namespace vorn {
void stage_pending(Run& run, const std::string& op) {
  logl(run, "\n " + op + " : not available in this build; stage skipped");
}
}  // namespace vorn

namespace vorn {
void tally_warning(Run& run, const std::string& kind, const std::string& atom) {
  auto& kinds = run.warnings.kinds;
  for (auto& [k, atoms] : kinds)
    if (k == kind) {
      atoms.push_back(atom);
      return;
    }
  kinds.push_back({kind, {atom}});
}
}  // namespace vorn
