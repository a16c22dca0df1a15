// vorn.cif: cell, symmetry, atom sites with the dummy atoms, local axes, multipole populations and kappas in the IUCr rhoCIF names.
#include "writers/rhocif.h"

#include <gemmi/cifdoc.hpp>
#include <gemmi/symmetry.hpp>
#include <gemmi/to_cif.hpp>

#include <cmath>
#include <fstream>
#include <map>
#include <vector>

#include "model/coords.h"
#include "model/outfile.h"
#include "readers/cif.h"
#include "readers/shelx.h"
#include "scattering/atommodels.h"
#include "scattering/freeatom.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"

namespace vorn {

namespace cif = gemmi::cif;

namespace {

constexpr const char* kPlace = "WriteRhoCif";
constexpr const char* kFile = "vorn.cif";

// A CIF number: the fixed field without its blanks.
std::string num(float v, int d) {
  std::string t = fmt::f(v, 16, d);
  return t.substr(t.find_first_not_of(' '));
}

std::string label_of(const std::string& l) { return cif::quote(fmt::trim(l)); }

// The operator in the x,y,z form, translations in [0, 1).
std::string triplet(const Mat3& fs, const Vec3& ts) {
  gemmi::Op op;
  const float den = static_cast<float>(gemmi::Op::DEN);
  for (int j = 0; j < 3; ++j) {
    op.tran[j] = static_cast<int>(std::lround(ts[j] * den));
    for (int i = 0; i < 3; ++i) op.rot[j][i] = static_cast<int>(std::lround(fs[i][j] * den));
  }
  return op.wrap().triplet();
}

// The label of an axis point as the parameter file numbers it: an atom, or ia + a dummy.
std::string point_label(const Run& run, int code) {
  const int ia = run.atoms.ia;
  if (code >= 1 && code <= ia) return label_of(run.atoms.atom[code]);
  if (code > ia && code <= ia + run.dummy.ndum) return label_of(run.dummy.dlab[code - ia]);
  return "?";
}

std::string axis_name(int n) { return n >= 1 && n <= 3 ? std::string(1, "XYZ"[n - 1]) : std::string("?"); }

void cell_and_symmetry(const Run& run, cif::Block& b) {
  static const char* const names[6] = {"length_a", "length_b", "length_c", "angle_alpha", "angle_beta", "angle_gamma"};
  for (int j = 0; j < 6; ++j) b.set_pair(std::string("_cell.") + names[j], num(run.ucell.uc[j], 4));
  cif::Loop& ops = b.init_loop("_space_group_symop.", {"id", "operation_xyz"});
  for (int n = 1; n <= run.symm.ns; ++n)
    ops.add_row({std::to_string(n), cif::quote(triplet(run.symm.fs[n], run.symm.ts[n]))});
}

void sites(const Run& run, cif::Block& b, bool frac) {
  const std::vector<std::string> xyz = frac ? std::vector<std::string>{"fract_x", "fract_y", "fract_z"}
                                            : std::vector<std::string>{"Cartn_x", "Cartn_y", "Cartn_z"};
  cif::Loop& loop = b.init_loop("_atom_site.", {"label", "type_symbol", xyz[0], xyz[1], xyz[2], "occupancy",
                                                "U_iso_or_equiv", "adp_type"});
  for (int i = 1; i <= run.atoms.ia; ++i) {
    const Vec3& x = frac ? run.atoms.xf[i] : run.atoms.xc[i];
    // the file holds the share of the general position, a CIF the occupancy of the site
    const float occ = frac ? run.atoms1.occ[i] * static_cast<float>(site_order(run, i)) : run.atoms1.occ[i];
    const bool aniso = run.atoms1.iut[i] >= 2;
    loop.add_row({label_of(run.atoms.atom[i]), fmt::trim(symbat(run.atoms.itype[i])), num(x[0], 6), num(x[1], 6),
                  num(x[2], 6), num(occ, 4), num(aniso ? calcueq(run, i) : run.at_uij.u[i][0], 6),
                  aniso ? "Uani" : "Uiso"});
  }
  // dummy atoms carry no density: occupancy zero
  for (int j = 1; j <= run.dummy.ndum; ++j) {
    const Vec3& x = run.dummy.xdum[j];
    loop.add_row({label_of(run.dummy.dlab[j]), ".", num(x[0], 6), num(x[1], 6), num(x[2], 6), "0", ".", "."});
  }
  bool any = false;
  for (int i = 1; i <= run.atoms.ia; ++i) any = any || run.atoms1.iut[i] >= 2;
  if (!any) return;
  cif::Loop& an = b.init_loop("_atom_site_aniso.", {"label", "U_11", "U_22", "U_33", "U_12", "U_13", "U_23"});
  for (int i = 1; i <= run.atoms.ia; ++i) {
    if (run.atoms1.iut[i] < 2) continue;
    std::vector<std::string> row{label_of(run.atoms.atom[i])};
    for (float u : run.at_uij.u[i]) row.push_back(num(u, 6));
    an.add_row(row);
  }
}

void axes(const Run& run, cif::Block& b) {
  cif::Loop& loop = b.init_loop("_atom_local_axes.", {"atom_label", "atom0", "ax1", "atom1", "atom2", "ax2"});
  for (int i = 1; i <= run.atoms.ia; ++i) {
    const auto& iar = run.mpoles.iar[i];
    loop.add_row({label_of(run.atoms.atom[i]), point_label(run, iar[3]), axis_name(iar[1]), point_label(run, iar[4]),
                  point_label(run, iar[5]), axis_name(iar[2])});
  }
}

// Populations of the full atom, as the dictionary defines them (Pc + Pv + P00 = Z for a neutral
// atom); xd_vorn.inp holds them multiplied by the occupancy, which _atom_site.occupancy gives here.
void populations(const Run& run, cif::Block& b) {
  std::map<int, FreeAtom> free;
  for (int i = 1; i <= run.atoms.ia; ++i)
    if (!free.count(run.atoms.itype[i])) free.emplace(run.atoms.itype[i], free_atom(run.atoms.itype[i]));
  cif::Loop& conf = b.init_loop("_atom_rho_multipole.", {"atom_label", "configuration", "core_source", "valence_source"});
  const std::string source = cif::quote("Koga et al. (1999, 2000) Roothaan-Hartree-Fock Slater orbitals");
  for (int i = 1; i <= run.atoms.ia; ++i)
    conf.add_row({label_of(run.atoms.atom[i]), cif::quote(free.at(run.atoms.itype[i]).configuration), source, source});
  std::vector<std::string> tags{"atom_label", "Pc", "Pv"};
  for (int l = 0; l <= 4; ++l)
    for (int m : {0, 1, -1, 2, -2, 3, -3, 4, -4})
      if (std::abs(m) <= l) tags.push_back(rho_coeff_name(l, m));
  cif::Loop& loop = b.init_loop("_atom_rho_multipole_coeff.", tags);
  for (int i = 1; i <= run.atoms.ia; ++i) {
    std::vector<std::string> row{label_of(run.atoms.atom[i]),
                                 num(static_cast<float>(free.at(run.atoms.itype[i]).pc), 4),
                                 num(static_cast<float>(full_pv(run, i)), 4)};
    for (int l = 0; l <= 4; ++l)
      for (int m : {0, 1, -1, 2, -2, 3, -3, 4, -4})
        if (std::abs(m) <= l) row.push_back(num(static_cast<float>(full_plm(run, i, l, m)), 4));
    loop.add_row(row);
  }
  // the dictionary's radial items stop at l = 3; the hexadecapoles need n4 and zeta4 beside them
  std::vector<std::string> rtags{"atom_label"};
  for (int l = 0; l <= 4; ++l) rtags.push_back("n" + std::to_string(l));
  for (int l = 0; l <= 4; ++l) rtags.push_back("zeta" + std::to_string(l));
  cif::Loop& rad = b.init_loop("_atom_rho_multipole_radial_slater.", rtags);
  for (int i = 1; i <= run.atoms.ia; ++i) {
    const SlaterRadial r = radial_for(run, run.atoms.itype[i]);
    std::vector<std::string> row{label_of(run.atoms.atom[i])};
    for (int l = 0; l <= 4; ++l) row.push_back(std::to_string(r.n[l]));
    for (int l = 0; l <= 4; ++l) row.push_back(num(static_cast<float>(r.zeta[l]), 4));
    rad.add_row(row);
  }
  // XD keeps one kappa' for every level
  cif::Loop& kap = b.init_loop("_atom_rho_multipole_kappa.",
                               {"atom_label", "base", "prime0", "prime1", "prime2", "prime3", "prime4"});
  for (int i = 1; i <= run.atoms.ia; ++i) {
    const int ks = run.kappaset.kset[i];
    const bool known = ks >= 1 && ks < static_cast<int>(run.kappas.rkappa.size());
    const auto k = known ? run.kappas.rkappa[ks] : std::array<float, 2>{1.0f, 1.0f};
    std::vector<std::string> row{label_of(run.atoms.atom[i]), num(k[0], 6)};
    for (int l = 0; l <= 4; ++l) row.push_back(num(k[1], 6));
    kap.add_row(row);
  }
}

}  // namespace

std::string rho_coeff_name(int l, int m) {
  return "P" + std::to_string(l) + (m < 0 ? "_" : "") + std::to_string(std::abs(m));
}

void write_rhocif(Run& run) {
  // The readers made every label unique (a repeat is renamed there), so the labels of
  // xd_vorn.mas serve as the site names.
  cif::Document doc;
  doc.blocks.emplace_back("vorn");
  cif::Block& b = doc.blocks.back();
  const bool cell = run.ucell.uc[0] > 0.0f;
  if (cell) cell_and_symmetry(run, b);
  sites(run, b, run.set.ifra == frac_stored && cell);
  axes(run, b);
  populations(run, b);
  std::ofstream out(kFile);
  if (!out) err(kPlace, std::string("Unable to open output file ") + kFile);
  cif::write_cif_to_stream(out, doc, cif::Style::Aligned);
  // a small file stays in the stream buffer: only the flush and the close see a full disk
  close_out(out, kFile, kPlace);
}

}  // namespace vorn
