// Capacities of the run: storage is sized to the data, these are the limits it enforces.
#pragma once

namespace vorn {

constexpr int nat = 10000000;  // atoms, asymmetric unit plus generated: past it the tables need tens of GB
constexpr int nbond = 20;      // neighbours per atom
constexpr int maxrings = nat;  // rings
constexpr int maxmem = 100;    // atoms per ring
constexpr int maxdumlab = 99999;  // dummy atoms: DUM1 .. DUM99999 fill an 8-character label
constexpr int maxnei = nat;    // entries of an environment list: every atom, if need be
constexpr int maxchar = 40;    // words per split line
constexpr int maxsym = 192;    // symmetry operators: cubic F with inversion
constexpr int maxfvar = 200;   // free variables
constexpr int maxline = 255;   // characters per logical line
constexpr int labw = 8;        // characters of an atom label
constexpr int maxncells = 99;  // lattice translations searched by fragment completion

}  // namespace vorn
