// XD input: cell, lattice and symmetry from the master file, the atoms from the parameter file.
#pragma once
#include <istream>
#include <string>
#include <vector>

#include "model/run.h"

namespace vorn {

// The old master file's lines, '\r' removed. The driver reads it before xd_vorn.mas is
// created, since the user may have named the old file so.
std::vector<std::string> load_xd_master(const std::string& name);

// The parts of an old master file that the new one carries over unchanged: its head up to the
// atom table, the lines between END ATOM and KEY, and everything from EXTCN on (that first
// line upper-cased). Lines are trimmed of trailing blanks. A missing marker stops the run.
struct XdCarried {
  std::vector<std::string> head, mid, tail;
};
XdCarried xd_carried(const std::vector<std::string>& lines, const std::string& name);

// Next line that is not a comment ("!" in column 1), upper-cased, tabs made blanks; false at
// the end of the file. A line longer than 255 characters stops the run.
bool readxdline(std::istream& in, std::string& line);

// Reads run.xdold (the master file, name set.mas) and the parameter file fname.
void readxd(Run& run, const std::string& fname);

}  // namespace vorn
