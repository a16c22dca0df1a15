// Test helper: PDB records in their fixed columns, from tables of atoms.
#pragma once
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace vorn::test {

struct PdbAtom {
  std::string name;     // atom name, at most 4 characters
  char altloc = ' ';
  std::string resname;  // residue name, 3 characters
  char chain = 'A';
  int resnum = 1;
  char icode = ' ';
  double x = 0, y = 0, z = 0;  // Cartesian, A
  double occ = 1.0, b = 10.0;
  std::string element;  // element column
  bool het = false;
  std::vector<int> anisou;  // U11 U22 U33 U12 U13 U23 in 1e-4 A^2; empty: none
  std::string charge;       // "1+", "2-" or empty

  PdbAtom(std::string n, char alt, std::string res, char ch, int num, char ic, double x_, double y_, double z_,
          double o, double b_, std::string el, bool h = false, std::vector<int> u = {}, std::string q = "")
      : name(std::move(n)), altloc(alt), resname(std::move(res)), chain(ch), resnum(num), icode(ic), x(x_), y(y_),
        z(z_), occ(o), b(b_), element(std::move(el)), het(h), anisou(std::move(u)), charge(std::move(q)) {}
};

inline std::string cryst1(double a, double b, double c, double al, double be, double ga, const std::string& sg) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "CRYST1%9.3f%9.3f%9.3f%7.2f%7.2f%7.2f %-11s%4d\n", a, b, c, al, be, ga, sg.c_str(), 1);
  return buf;
}

// Atom names of fewer than four characters start in column 14, as the format places them.
inline std::string pdb_name(const std::string& n) { return n.size() < 4 ? " " + n : n; }

inline std::string pdb_lines(const std::vector<PdbAtom>& atoms) {
  std::string out;
  int serial = 0;
  for (const PdbAtom& a : atoms) {
    char buf[128];
    ++serial;
    std::snprintf(buf, sizeof buf, "%-6s%5d %-4s%c%3s %c%4d%c   %8.3f%8.3f%8.3f%6.2f%6.2f          %2s%2s\n",
                  a.het ? "HETATM" : "ATOM", serial, pdb_name(a.name).c_str(), a.altloc, a.resname.c_str(), a.chain,
                  a.resnum, a.icode, a.x, a.y, a.z, a.occ, a.b, a.element.c_str(), a.charge.c_str());
    out += buf;
    if (a.anisou.size() == 6) {
      std::snprintf(buf, sizeof buf, "ANISOU%5d %-4s%c%3s %c%4d%c %7d%7d%7d%7d%7d%7d      %2s%2s\n", serial,
                    pdb_name(a.name).c_str(), a.altloc, a.resname.c_str(), a.chain, a.resnum, a.icode, a.anisou[0],
                    a.anisou[1], a.anisou[2], a.anisou[3], a.anisou[4], a.anisou[5], a.element.c_str(),
                    a.charge.c_str());
      out += buf;
    }
  }
  return out;
}

}  // namespace vorn::test
