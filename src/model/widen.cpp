// Identifier fields of the output files that widen past their width, each widening logged once.
#include "model/widen.h"

#include "model/log.h"
#include "util/format.h"

namespace vorn {

std::string idfield(Run& run, const char* file, const char* field, long long v, int w) {
  std::string s = fmt::iw(v, w);
  if (static_cast<int>(s.size()) > w && run.widened.insert(std::string(file) + " " + field).second)
    logl(run, std::string("\n Note : ") + field + " of " + file + " does not fit I" + std::to_string(w) + " (" +
                  std::to_string(v) + "); the field is widened");
  return s;
}

}  // namespace vorn
