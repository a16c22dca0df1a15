// Capacities of the run: storage is sized to the data, these are the limits it enforces.
#pragma once

namespace vorn {

constexpr int nat = 100000;    // atoms, asymmetric unit plus generated
constexpr int nbond = 20;      // neighbours per atom
constexpr int maxrings = 1000; // rings
constexpr int maxmem = 100;    // atoms per ring
constexpr int ndumax = 2000;   // dummy atoms
constexpr int maxnei = 1000;   // entries of an environment list
constexpr int maxchar = 40;    // words per split line
constexpr int maxsym = 192;    // symmetry operators: cubic F with inversion
constexpr int maxfvar = 200;   // free variables
constexpr int maxline = 255;   // characters per logical line
constexpr int labw = 8;        // characters of an atom label
constexpr int maxncells = 99;  // lattice translations searched by fragment completion

}  // namespace vorn
