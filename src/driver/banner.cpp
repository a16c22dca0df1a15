// The banner and the sample control file printed by "-h".
#include "driver/banner.h"

#include <string>

namespace vorn {

namespace {

std::string rule(char c) { return " " + std::string(71, c); }

constexpr const char* kSample[] = {
    " ",
    "!",
    "! Example of VORN input file (vorn.inp) : ",
    "!",
    "FORMAT  *shelx xd aim2tab platon ",
    "! for SHELX :",
    "INPUT   l-dopa.shelx   rename 0 toxd ",
    "! for XD : ",
    "!INPUT   xd.mas xd.inp ",
    "! for CIF (FORMAT *cif; a data block may follow the name) : ",
    "!INPUT   structure.cif ",
    "! etc : ",
    "!INPUT file.inp ",
    "! printout level (higher number gives more printout) :",
    "VERBOSE  4",
    "! tolerances for bonds / planar rings / planar groups",
    "TOLS bond 0.4 ring 0.1 group 0.1",
    "! modify covalent radii",
    "!RADII  H 0.1  He 0.2  Li 0.3 ....",
    "! number of cells in each direction for complete fragment search",
    "! comment it out or set to -1 to turn off search",
    "NCELLS  1",
    "! how to handle disordered part",
    "DISORD  extendH  db",
    "! generation of keys",
    "KEYGEN  XYZUIJ all ordered  MULT all ordered",
    "! use simple model for determination of chemical equivalency",
    "SIMPLE",
    "! use/do_not_use chemical/kappa contraints for H/non-H atoms",
    "CHEMCON  *hydrogen   *other",
    "! extend H-atoms to neutron/standard distance ",
    "Extend_H",
    "! search for 3-8 membered rings",
    "RINGS  3  8  *special",
    "! assign pseudoatom parameters from KESTRAN LAB databank",
    "DATABANK /data/databank/example.db",
    "! select method for scaling of Pv's ",
    "SCALE *sigma diff fract",
    "! number of fragments ",
    "NFRAG 1",
    "! fragment specifications",
    "!FRAG 1 1 -25",
    "!FRAG 2 26 -50",
    "! net charges of fragments",
    "!CHFRAG 0. 0.",
    " ",
};

}  // namespace

void header(std::ostream& out) {
  out << '\n'
      << rule('=') << '\n'
      << "   PROGRAM  V O R N  -  AUTOMATIC SETUP OF THE LOCAL COORDINATE SYSTEM\n"
      << rule('=') << '\n'
      << " Program determines the local coordinate system for each atom based on\n"
      << std::string(16, ' ') << "connectivity and geometrical parameters\n"
      << " In addition it provides an interface to KESTRAN LAB pseudoatom databank\n"
      << " Sample VORN input file (vorn.inp) can be printed out with : vorn -h\n"
      << rule('-') << '\n'
      << rule('=') << '\n';
}

void printhelp(std::ostream& out) {
  for (const char* line : kSample) out << line << '\n';
}

}  // namespace vorn
