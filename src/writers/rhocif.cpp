// vorn.cif: cell, symmetry, atom sites with the dummy atoms, local axes, multipole populations and kappas in the IUCr rhoCIF names.
#include "writers/rhocif.h"

#include <gemmi/cifdoc.hpp>
#include <gemmi/symmetry.hpp>
#include <gemmi/to_cif.hpp>  // write_text_field

#include <cctype>
#include <cmath>
#include <functional>
#include <string_view>
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
std::string num(float v, int d) { return fmt::f_bare(v, 16, d); }

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

// A CIF written as it goes, in gemmi's Aligned style (to_cif.hpp), byte for byte: a table of a
// hundred thousand atoms never sits in memory as a string per value (a gemmi document of it
// took 270 MB). A loop's values are made once, kept end to end for the column widths, and written.
class CifOut {
 public:
  // gemmi's is_text_field on a view: a value that had to become a ;-delimited text field
  static bool text_field(std::string_view v) {
    return v.size() > 2 && v[0] == ';' && (v[v.size() - 2] == '\n' || v[v.size() - 2] == '\r');
  }
  explicit CifOut(std::ostream& os) : os_(os) {}
  using Row = std::function<void(size_t, std::vector<std::string>&)>;

  void pair(const std::string& name, const std::string& value) {
    separate(name);
    os_ << name;
    if (text_field(value)) {
      os_.put('\n');
      cif::write_text_field(os_, value);
    } else {
      if (name.size() + value.size() > 120)
        os_.put('\n');
      else if (name.size() < 34)
        os_.write(kBlanks, static_cast<std::streamsize>(34 - name.size()));
      else
        os_.put(' ');
      os_ << value;
    }
    os_.put('\n');
  }

  // gemmi writes nothing for a loop without rows, but the blank line before it stays.
  void loop(const std::string& category, const std::vector<std::string>& tags, size_t rows, const Row& row) {
    separate("");
    if (rows == 0) return;
    constexpr size_t max_padding = 30;
    const size_t ncol = tags.size();
    std::vector<size_t> width(ncol, 1);
    // the values as made, end to end, for the second pass: formatting them again cost more
    std::string text;
    std::vector<size_t> ends;
    ends.reserve(rows * ncol);
    std::vector<std::string> values;
    for (size_t r = 0; r < rows; ++r) {
      row(r, values);
      for (size_t c = 0; c < ncol; ++c) {
        if (!text_field(values[c])) width[c] = std::max(width[c], values[c].size());
        text += values[c];
        ends.push_back(text.size());
      }
    }
    for (size_t& w : width) w = std::min(w, max_padding);
    os_ << "loop_";
    for (const std::string& t : tags) os_ << '\n' << category << t;
    size_t k = 0, from = 0;
    for (size_t r = 0; r < rows; ++r) {
      bool new_line = true;
      for (size_t c = 0; c < ncol; ++c, ++k) {
        const std::string_view v(text.data() + from, ends[k] - from);
        from = ends[k];
        const bool field = text_field(v);
        os_.put(new_line || field ? '\n' : ' ');
        new_line = field;
        if (field)
          cif::write_text_field(os_, std::string(v));
        else
          os_ << v;
        if (c + 1 < ncol && v.size() < width[c])
          os_.write(kBlanks, static_cast<std::streamsize>(width[c] - v.size()));
      }
    }
    os_.put('\n');
  }

 private:
  static constexpr const char* kBlanks = "                                  ";
  // A blank line between items, except between pairs of one category (_cell.length_a, _cell.length_b).
  void separate(const std::string& pair_name) {
    bool blank = started_;
    if (started_ && !pair_name.empty() && !last_.empty()) {
      const size_t adot = last_.find('.'), bdot = pair_name.find('.');
      blank = adot != std::string::npos &&
              (adot != bdot || last_.compare(0, adot, pair_name, 0, adot) != 0);
    }
    if (blank) os_.put('\n');
    started_ = true;
    last_ = pair_name;
  }
  std::ostream& os_;
  bool started_ = false;
  std::string last_;  // the previous pair's name; empty after a loop
};

void cell_and_symmetry(const Run& run, CifOut& out) {
  static const char* const names[6] = {"length_a", "length_b", "length_c", "angle_alpha", "angle_beta", "angle_gamma"};
  for (int j = 0; j < 6; ++j) out.pair(std::string("_cell.") + names[j], num(run.ucell.uc[j], 4));
  out.loop("_space_group_symop.", {"id", "operation_xyz"}, static_cast<size_t>(run.symm.ns),
           [&](size_t r, std::vector<std::string>& row) {
             const int n = static_cast<int>(r) + 1;
             row = {std::to_string(n), cif::quote(triplet(run.symm.fs[n], run.symm.ts[n]))};
           });
}

// The residue number and the insertion code of a macromolecular identifier such as -3 or 27A.
std::pair<std::string, std::string> seq_and_icode(const std::string& resnum) {
  size_t e = resnum.size();
  while (e > 0 && !std::isdigit(static_cast<unsigned char>(resnum[e - 1]))) --e;
  const std::string seq = resnum.substr(0, e), ins = resnum.substr(e);
  return {seq.empty() ? "?" : seq, ins.empty() ? "?" : cif::quote(ins)};
}

void sites(const Run& run, CifOut& out, bool frac) {
  const int ia = run.atoms.ia;
  std::vector<std::string> tags{"label", "type_symbol"};
  for (const char* t : frac ? std::array{"fract_x", "fract_y", "fract_z"} : std::array{"Cartn_x", "Cartn_y", "Cartn_z"})
    tags.push_back(t);
  for (const char* t : {"occupancy", "U_iso_or_equiv", "adp_type"}) tags.push_back(t);
  // a macromolecular model keeps its own identifiers beside the unique labels, in the PDBx names
  const bool macro = run.set.iform == iform_pdb || run.set.iform == iform_mmcif;
  if (macro)
    for (const char* t : {"auth_atom_id", "label_alt_id", "auth_comp_id", "auth_asym_id", "auth_seq_id",
                          "pdbx_PDB_ins_code"})
      tags.push_back(t);
  auto ident = [&](int i) -> const AtomIdent& {
    static const AtomIdent none;
    return static_cast<size_t>(i) < run.idents.id.size() ? run.idents.id[i] : none;
  };
  out.loop("_atom_site.", tags, static_cast<size_t>(ia + run.dummy.ndum), [&](size_t r, std::vector<std::string>& row) {
    const int i = static_cast<int>(r) + 1;
    if (i <= ia) {
      const Vec3& x = frac ? run.atoms.xf[i] : run.atoms.xc[i];
      // the file holds the share of the general position, a CIF the occupancy of the site
      const float occ = frac ? run.atoms1.occ[i] * static_cast<float>(site_order(run, i)) : run.atoms1.occ[i];
      const bool aniso = run.atoms1.iut[i] >= 2;
      row = {label_of(run.atoms.atom[i]), fmt::trim(symbat(run.atoms.itype[i])), num(x[0], 6), num(x[1], 6),
             num(x[2], 6), num(occ, 4), num(aniso ? calcueq(run, i) : run.at_uij.u[i][0], 6), aniso ? "Uani" : "Uiso"};
      if (macro) {
        const AtomIdent& id = ident(i);
        const auto [seq, ins] = seq_and_icode(id.resnum);
        row.insert(row.end(), {id.label.empty() ? "?" : cif::quote(id.label),
                               id.altloc == ' ' ? "." : cif::quote(std::string(1, id.altloc)),
                               id.resname.empty() ? "?" : cif::quote(id.resname),
                               id.chain.empty() ? "?" : cif::quote(id.chain), seq, ins});
      }
      return;
    }
    // dummy atoms carry no density: occupancy zero
    const Vec3& x = run.dummy.xdum[i - ia];
    row = {label_of(run.dummy.dlab[i - ia]), ".", num(x[0], 6), num(x[1], 6), num(x[2], 6), "0", ".", "."};
    if (macro) row.insert(row.end(), 6, ".");
  });
  std::vector<int> aniso;
  for (int i = 1; i <= ia; ++i)
    if (run.atoms1.iut[i] >= 2) aniso.push_back(i);
  if (aniso.empty()) return;
  out.loop("_atom_site_aniso.", {"label", "U_11", "U_22", "U_33", "U_12", "U_13", "U_23"}, aniso.size(),
           [&](size_t r, std::vector<std::string>& row) {
             const int i = aniso[r];
             row = {label_of(run.atoms.atom[i])};
             for (float u : run.at_uij.u[i]) row.push_back(num(u, 6));
           });
}

void axes(const Run& run, CifOut& out) {
  out.loop("_atom_local_axes.", {"atom_label", "atom0", "ax1", "atom1", "atom2", "ax2"},
           static_cast<size_t>(run.atoms.ia), [&](size_t r, std::vector<std::string>& row) {
             const int i = static_cast<int>(r) + 1;
             const auto& iar = run.mpoles.iar[i];
             row = {label_of(run.atoms.atom[i]), point_label(run, iar[3]), axis_name(iar[1]),
                    point_label(run, iar[4]), point_label(run, iar[5]), axis_name(iar[2])};
           });
}

// Populations of the full atom, as the dictionary defines them (Pc + Pv + P00 = Z for a neutral
// atom); xd_vorn.inp holds them multiplied by the occupancy, which _atom_site.occupancy gives here.
void populations(const Run& run, CifOut& out) {
  const size_t ia = static_cast<size_t>(run.atoms.ia);
  std::map<int, FreeAtom> free;
  for (size_t i = 1; i <= ia; ++i)
    if (!free.count(run.atoms.itype[i])) free.emplace(run.atoms.itype[i], free_atom(run.atoms.itype[i]));
  const std::string source = cif::quote("Koga et al. (1999, 2000) Roothaan-Hartree-Fock Slater orbitals");
  out.loop("_atom_rho_multipole.", {"atom_label", "configuration", "core_source", "valence_source"}, ia,
           [&](size_t r, std::vector<std::string>& row) {
             const size_t i = r + 1;
             row = {label_of(run.atoms.atom[i]), cif::quote(free.at(run.atoms.itype[i]).configuration), source, source};
           });
  std::vector<std::string> tags{"atom_label", "Pc", "Pv"};
  for (int l = 0; l <= 4; ++l)
    for (int m : {0, 1, -1, 2, -2, 3, -3, 4, -4})
      if (std::abs(m) <= l) tags.push_back(rho_coeff_name(l, m));
  out.loop("_atom_rho_multipole_coeff.", tags, ia, [&](size_t r, std::vector<std::string>& row) {
    const int i = static_cast<int>(r) + 1;
    row = {label_of(run.atoms.atom[i]), num(static_cast<float>(free.at(run.atoms.itype[i]).pc), 4),
           num(static_cast<float>(full_pv(run, i)), 4)};
    for (int l = 0; l <= 4; ++l)
      for (int m : {0, 1, -1, 2, -2, 3, -3, 4, -4})
        if (std::abs(m) <= l) row.push_back(num(static_cast<float>(full_plm(run, i, l, m)), 4));
  });
  // the dictionary's radial items stop at l = 3; the hexadecapoles need n4 and zeta4 beside them
  std::vector<std::string> rtags{"atom_label"};
  for (int l = 0; l <= 4; ++l) rtags.push_back("n" + std::to_string(l));
  for (int l = 0; l <= 4; ++l) rtags.push_back("zeta" + std::to_string(l));
  std::map<int, SlaterRadial> radial;
  for (size_t i = 1; i <= ia; ++i)
    if (!radial.count(run.atoms.itype[i])) radial.emplace(run.atoms.itype[i], radial_for(run, run.atoms.itype[i]));
  out.loop("_atom_rho_multipole_radial_slater.", rtags, ia, [&](size_t r, std::vector<std::string>& row) {
    const size_t i = r + 1;
    const SlaterRadial& s = radial.at(run.atoms.itype[i]);
    row = {label_of(run.atoms.atom[i])};
    for (int l = 0; l <= 4; ++l) row.push_back(std::to_string(s.n[l]));
    for (int l = 0; l <= 4; ++l) row.push_back(num(static_cast<float>(s.zeta[l]), 4));
  });
  // XD keeps one kappa' for every level
  out.loop("_atom_rho_multipole_kappa.", {"atom_label", "base", "prime0", "prime1", "prime2", "prime3", "prime4"}, ia,
           [&](size_t r, std::vector<std::string>& row) {
             const size_t i = r + 1;
             const int ks = run.kappaset.kset[i];
             const bool known = ks >= 1 && ks < static_cast<int>(run.kappas.rkappa.size());
             const auto k = known ? run.kappas.rkappa[ks] : std::array<float, 2>{1.0f, 1.0f};
             row = {label_of(run.atoms.atom[i]), num(k[0], 6)};
             for (int l = 0; l <= 4; ++l) row.push_back(num(k[1], 6));
           });
}

}  // namespace

std::string rho_coeff_name(int l, int m) {
  return "P" + std::to_string(l) + (m < 0 ? "_" : "") + std::to_string(std::abs(m));
}

void write_rhocif(const Run& run) {
  // The readers made every label unique (a repeat is renamed there), so the labels of
  // xd_vorn.mas serve as the site names.
  std::ofstream file(kFile);
  if (!file) err(kPlace, std::string("Unable to open output file ") + kFile);
  file << "data_vorn\n";
  CifOut out(file);
  const bool cell = run.ucell.uc[0] > 0.0f;
  if (cell) cell_and_symmetry(run, out);
  sites(run, out, run.set.ifra == frac_stored && cell);
  axes(run, out);
  populations(run, out);
  close_out(file, kFile, kPlace);
}

}  // namespace vorn
