// Protein-like benchmark model: crambin's P2(1) cell made P1 and repeated, written as mmCIF.
#pragma once
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

// One atom record of the PDB file, in its Cartesian frame (a along x, b along y for P2(1) with
// alpha = gamma = 90, so the two-fold is diag(-1, 1, -1) there).
struct ProteinAtom {
  std::string line;  // the ATOM/HETATM record as read
  double x[3];
  bool aniso = false;
  int u[6];  // U11 U22 U33 U12 U13 U23, 1e-4 A^2
};

struct Protein {
  double cell[6] = {};
  std::vector<ProteinAtom> atoms;
};

inline Protein read_protein(const std::string& pdb) {
  Protein p;
  std::ifstream in(pdb);
  for (std::string l; std::getline(in, l);) {
    if (l.rfind("CRYST1", 0) == 0) {
      for (int j = 0; j < 3; ++j) p.cell[j] = std::stod(l.substr(6 + 9 * j, 9));
      for (int j = 0; j < 3; ++j) p.cell[3 + j] = std::stod(l.substr(33 + 7 * j, 7));
    } else if (l.rfind("ATOM  ", 0) == 0 || l.rfind("HETATM", 0) == 0) {
      ProteinAtom a;
      a.line = l;
      for (int j = 0; j < 3; ++j) a.x[j] = std::stod(l.substr(30 + 8 * j, 8));
      p.atoms.push_back(a);
    } else if (l.rfind("ANISOU", 0) == 0 && !p.atoms.empty()) {
      p.atoms.back().aniso = true;
      for (int j = 0; j < 6; ++j) p.atoms.back().u[j] = std::stoi(l.substr(28 + 7 * j, 7));
    }
  }
  return p;
}

inline std::string field(const std::string& l, size_t at, size_t n, const char* blank = ".") {
  std::string s = l.size() > at ? l.substr(at, n) : "";
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s.empty() ? blank : s;
}

// The cell's two molecules (x, y, z and -x, y + 1/2, -z, the image moved back by whole cells),
// repeated r[0] x r[1] x r[2] times in P1, each copy its own chain; returns the atom count.
inline int write_protein_supercell(const Protein& p, const int r[3], const std::string& name) {
  const double pi = std::acos(-1.0);
  const double be = p.cell[4] * pi / 180.0;
  // PDB frame for alpha = gamma = 90: a = (a, 0, 0), b = (0, b, 0), c = (c cos beta, 0, c sin beta)
  const double a = p.cell[0], b = p.cell[1], c = p.cell[2];
  auto frac = [&](const double x[3], double f[3]) {
    f[2] = x[2] / (c * std::sin(be));
    f[0] = (x[0] - f[2] * c * std::cos(be)) / a;
    f[1] = x[1] / b;
  };
  auto cart = [&](const double f[3], double x[3]) {
    x[0] = f[0] * a + f[2] * c * std::cos(be);
    x[1] = f[1] * b;
    x[2] = f[2] * c * std::sin(be);
  };
  std::ofstream out(name);
  out << "data_protein\n_cell.length_a " << a * r[0] << "\n_cell.length_b " << b * r[1] << "\n_cell.length_c "
      << c * r[2] << "\n_cell.angle_alpha 90\n_cell.angle_beta " << p.cell[4]
      << "\n_cell.angle_gamma 90\n_symmetry.space_group_name_H-M 'P 1'\nloop_\n";
  for (const char* t : {"group_PDB", "id", "type_symbol", "label_atom_id", "label_alt_id", "label_comp_id",
                        "label_asym_id", "label_seq_id", "pdbx_PDB_ins_code", "Cartn_x", "Cartn_y", "Cartn_z",
                        "occupancy", "B_iso_or_equiv", "auth_seq_id", "auth_asym_id", "pdbx_PDB_model_num"})
    out << "_atom_site." << t << "\n";
  // the image molecule goes back by the whole cells that bring its centre into the cell
  double centre[3] = {0, 0, 0};
  for (const auto& at : p.atoms) {
    double f[3];
    frac(at.x, f);
    for (int j = 0; j < 3; ++j) centre[j] += f[j] / static_cast<double>(p.atoms.size());
  }
  const double img_centre[3] = {-centre[0], centre[1] + 0.5, -centre[2]};
  double shift[3];
  for (int j = 0; j < 3; ++j) shift[j] = -std::floor(img_centre[j]);
  std::string anis;
  int id = 0, chain = 0;
  char buf[256];
  for (int i = 0; i < r[0]; ++i)
    for (int j = 0; j < r[1]; ++j)
      for (int k = 0; k < r[2]; ++k)
        for (int m = 0; m < 2; ++m) {
          ++chain;
          const std::string ch = "C" + std::to_string(chain);
          for (const auto& at : p.atoms) {
            double f[3], x[3];
            frac(at.x, f);
            if (m == 1) f[0] = -f[0] + shift[0], f[1] = f[1] + 0.5 + shift[1], f[2] = -f[2] + shift[2];
            f[0] += i, f[1] += j, f[2] += k;
            cart(f, x);
            const std::string& l = at.line;
            std::snprintf(buf, sizeof buf, "%s %d %s %s %s %s %s . ? %.3f %.3f %.3f %s %s %s %s 1\n",
                          field(l, 0, 6).c_str(), ++id, field(l, 76, 2).c_str(), field(l, 12, 4).c_str(),
                          field(l, 16, 1).c_str(), field(l, 17, 3).c_str(), ch.c_str(), x[0], x[1], x[2],
                          field(l, 54, 6).c_str(), field(l, 60, 6).c_str(), field(l, 22, 4).c_str(), ch.c_str());
            out << buf;
            if (at.aniso) {
              // the two-fold turns the signs of U12 and U23
              const int s = m == 1 ? -1 : 1;
              std::snprintf(buf, sizeof buf, "%d %.4f %.4f %.4f %.4f %.4f %.4f\n", id, at.u[0] * 1e-4,
                            at.u[1] * 1e-4, at.u[2] * 1e-4, s * at.u[3] * 1e-4, at.u[4] * 1e-4, s * at.u[5] * 1e-4);
              anis += buf;
            }
          }
        }
  out << "loop_\n_atom_site_anisotrop.id\n_atom_site_anisotrop.U[1][1]\n_atom_site_anisotrop.U[2][2]\n"
         "_atom_site_anisotrop.U[3][3]\n_atom_site_anisotrop.U[1][2]\n_atom_site_anisotrop.U[1][3]\n"
         "_atom_site_anisotrop.U[2][3]\n"
      << anis;
  return id;
}

}  // namespace bench
