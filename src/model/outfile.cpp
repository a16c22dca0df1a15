// Checked flushing and closing of output files.
#include "model/outfile.h"

#include "util/err.h"

namespace vorn {

void check_out(std::ofstream& f, const std::string& name, const std::string& place) {
  if (!f.is_open()) return;
  f.flush();
  if (!f) err(place, "Error writing file " + name);
}

void close_out(std::ofstream& f, const std::string& name, const std::string& place) {
  if (!f.is_open()) return;
  check_out(f, name, place);
  f.close();
  if (!f) err(place, "Error writing file " + name);
}

}  // namespace vorn
