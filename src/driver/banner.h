// The banner and the sample control file printed by "-h".
#pragma once
#include <ostream>

namespace vorn {

void header(std::ostream& out);
void printhelp(std::ostream& out);

}  // namespace vorn
