// The single fatal-error path.
#include "util/err.h"

#include "util/format.h"

namespace vorn {

void err(const std::string& where, const std::string& message) { throw Fatal(where, message); }

std::string err_text(const Fatal& f) {
  return "\n ERROR *** " + f.where + " *** " + fmt::trim(f.message) + "\n\n";
}

}  // namespace vorn
