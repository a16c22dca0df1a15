// The program driver (being written).
#include "driver/vorn.h"

namespace vorn {
int vorn_main(const std::vector<std::string>&, std::ostream&, std::istream&) { return 0; }
}  // namespace vorn
