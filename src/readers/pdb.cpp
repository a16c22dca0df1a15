// PDB and mmCIF macromolecular models (plain or gzipped): cell, space group, first model's atoms with residues and alternate conformations, read with gemmi.
#include "readers/pdb.h"

#include <gemmi/gz.hpp>
#include <gemmi/mmread.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "model/coords.h"
#include "model/log.h"
#include "model/widen.h"
#include "readers/cif.h"
#include "readers/groupops.h"
#include "readers/head.h"
#include "readers/summary.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "ReadPdb";
// Mo K-alpha, as for a CIF without wavelength: the model files carry none the run could use
constexpr float kDefaultWave = 0.71073f;
constexpr double kEightPi2 = 78.95683520871486;  // B = 8 pi^2 U

const char* kind(int iform) { return iform == iform_mmcif ? "mmCIF" : "PDB"; }

// One atom of the first model with what the outputs need of its residue.
struct Site {
  const gemmi::Atom* atom = nullptr;
  const gemmi::Residue* res = nullptr;
  std::string chain;
  int z = 0;
};

gemmi::Structure load(Run& run, const std::string& name) {
  if (!std::ifstream(name)) err(kPlace, std::string("Error opening ") + kind(run.set.iform) + " file");
  try {
    const auto format = run.set.iform == iform_mmcif ? gemmi::CoorFormat::Mmcif : gemmi::CoorFormat::Pdb;
    return gemmi::read_structure(gemmi::MaybeGzipped(name), format);
  } catch (const std::exception& e) {
    err(kPlace, std::string(kind(run.set.iform)) + " file cannot be read: " + e.what());
  }
}

// Cell of the model; a model without one (NMR, or a CRYST1 of 1 1 1) has nothing to set up.
void read_cell(Run& run, const gemmi::Structure& st) {
  if (!st.cell.is_crystal())
    err(kPlace, std::string("No unit cell in ") + kind(run.set.iform) + " file (CRYST1 or _cell missing)");
  const gemmi::UnitCell& c = st.cell;
  const double v[6] = {c.a, c.b, c.c, c.alpha, c.beta, c.gamma};
  for (int j = 0; j < 6; ++j) run.ucell.uc[j] = static_cast<float>(v[j]);
}

std::vector<gemmi::Op> read_operators(Run& run, const gemmi::Structure& st) {
  const std::string& hm = st.spacegroup_hm;
  if (hm.empty()) err(kPlace, std::string("No space group in ") + kind(run.set.iform) + " file");
  const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_name(hm, st.cell.alpha, st.cell.gamma);
  if (!sg) err(kPlace, "Unknown space-group symbol '" + hm + "'");
  logl(run, " Symmetry operators from the space-group symbol " + hm + " (Hall " + sg->hall + ")");
  return group_list(sg->operations());
}

std::string atom_where(const Site& s) {
  std::string w = "Atom " + s.atom->name + " of " + s.res->name + " " + s.res->seqid.str();
  if (!s.chain.empty()) w += " chain " + s.chain;
  return w;
}

std::vector<Site> collect(Run& run, const gemmi::Structure& st) {
  if (st.models.empty()) err(kPlace, std::string("No atoms in ") + kind(run.set.iform) + " file");
  if (st.models.size() > 1)
    logl(run, " " + std::to_string(st.models.size()) + " models in " + kind(run.set.iform) +
                  " file: the first is read, the others are ignored");
  std::vector<Site> sites;
  for (const gemmi::Chain& ch : st.models[0].chains)
    for (const gemmi::Residue& r : ch.residues)
      for (const gemmi::Atom& a : r.atoms) {
        Site s{&a, &r, ch.name, a.element.atomic_number()};
        if (s.z == 0) err(kPlace, atom_where(s) + ": unknown element");
        if (!has_covrad(s.z))
          err(kPlace, "No covalent radius for atomic number " + std::to_string(s.z) + " (known up to " +
                          std::to_string(maxcovz) + ")");
        if (!(a.occ >= 0.0f && a.occ <= 1.0f)) err(kPlace, atom_where(s) + ": occupancy out of range");
        sites.push_back(s);
      }
  if (sites.empty()) err(kPlace, std::string("No atoms in ") + kind(run.set.iform) + " file");
  return sites;
}

// Element types in the order first met.
void set_types(Run& run, const std::vector<Site>& sites) {
  AtTypes& at = run.at_types;
  for (const Site& s : sites)
    if (std::find(at.iatype.begin() + 1, at.iatype.end(), s.z) == at.iatype.end()) {
      if (at.ntyp == nat) err(kPlace, "Too many element types");
      at.iatype.push_back(s.z);
      ++at.ntyp;
    }
}

// Cartesian U of the file to the U of the fractional axes the other readers store:
// U* = F U F^T with F = Cartesian -> fractional, then U_ij = U*_ij / (a*_i a*_j).
std::array<float, 6> fractional_u(const gemmi::UnitCell& cell, const gemmi::SMat33<float>& a) {
  const double u[3][3] = {{a.u11, a.u12, a.u13}, {a.u12, a.u22, a.u23}, {a.u13, a.u23, a.u33}};
  const auto& f = cell.frac.mat;
  double t[3][3] = {}, s[3][3] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) t[i][j] += f[i][k] * u[k][j];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) s[i][j] += t[i][k] * f[j][k];
  const double r[3] = {cell.ar, cell.br, cell.cr};
  auto at = [&](int i, int j) { return static_cast<float>(s[i][j] / (r[i] * r[j])); };
  return {at(0, 0), at(1, 1), at(2, 2), at(0, 1), at(0, 2), at(1, 2)};
}

// Alternate locations as parts, in the order of their codes: A, B, ... become 1, 2, ...
std::map<char, int> parts_of(const std::vector<Site>& sites) {
  std::set<char> codes;
  for (const Site& s : sites)
    if (s.atom->has_altloc()) codes.insert(s.atom->altloc);
  std::map<char, int> part;
  for (char c : codes) part.emplace(c, static_cast<int>(part.size()) + 1);
  return part;
}

// Residue number with its insertion code, as the file writes it.
std::string resnum_text(const gemmi::Residue& r) {
  if (!r.seqid.num.has_value()) return "";
  std::string t = std::to_string(r.seqid.num.value);
  if (r.seqid.icode != ' ' && r.seqid.icode != '\0') t += r.seqid.icode;
  return t;
}

// MoPro residue-style names: the atom name, then what tells apart atoms that would share a
// name and residue number: the conformer (PRO22/SER22 of crambin, side chains in two places),
// the insertion code (27 and 27A) and, with more than one chain, the chain.
void set_residues(Run& run, const std::vector<Site>& sites) {
  std::set<std::string> chains;
  for (const Site& s : sites) chains.insert(s.chain);
  auto& r = run.resi1;
  r.resi11 = true;
  r.resi1.assign(sites.size() + 1, std::string(17, ' '));
  r.resi2.assign(sites.size() + 1, std::string(10, ' '));
  std::set<std::string> seen;
  int dup = 0;
  for (size_t k = 0; k < sites.size(); ++k) {
    const Site& s = sites[k];
    std::string name = s.atom->name;
    if (s.atom->has_altloc()) name += s.atom->altloc;
    if (s.res->seqid.icode != ' ' && s.res->seqid.icode != '\0') name += s.res->seqid.icode;
    if (chains.size() > 1) name += s.chain;
    // a name past 6 characters widens its field rather than lose the part that makes it unique
    if (name.size() < 6) name.resize(6, ' ');
    const long long num = s.res->seqid.num.has_value() ? s.res->seqid.num.value : 0;
    const std::string n = idfield(run, "mopro_vorn.par", "residue number", num, 3);
    r.resi1[k + 1] = name + " " + n + "  " + fmt::pad(s.res->name, 5);
    r.resi2[k + 1] = name + " " + n;
    if (!seen.insert(r.resi2[k + 1]).second) ++dup;
  }
  if (dup > 0)
    both(run, " Warning : " + std::to_string(dup) +
                  " atoms repeat the MoPro name and residue number of an earlier atom (atom names repeated within a residue)");
}

}  // namespace

void readpdb(Run& run, const std::string& fname) {
  const std::string name = fmt::trim(fname);
  const gemmi::Structure st = load(run, name);
  logl(run, std::string(" Reading ") + kind(run.set.iform) + " file : " + name);

  read_cell(run, st);
  logl(run, " No wavelength read from the model file: " + fmt::trim(fmt::f(kDefaultWave, 10, 5)) + " A (Mo K-alpha) assumed");
  std::vector<gemmi::Op> cards;
  std::vector<std::string> texts;
  const Lattice lat = split_operators(read_operators(run, st), cards, texts, kPlace);
  const std::vector<Site> sites = collect(run, st);
  set_types(run, sites);

  write_symmetry_head(run, kDefaultWave, lat, cards, texts, kPlace);

  const std::map<char, int> part = parts_of(sites);
  std::vector<int> count(run.at_types.ntyp + 1, 0);
  int nh = 0;
  // every table grown at once: a protein's atoms added one by one took a third of a second
  const int first = atom_slots(run);
  check_atom_capacity(first - 1LL + static_cast<long long>(sites.size()), kPlace);
  reserve_atoms(run, first - 1LL + static_cast<long long>(sites.size()));
  resize_atoms(run, first - 1 + static_cast<int>(sites.size()));
  int i = first - 1;
  for (const Site& s : sites) {
    const gemmi::Atom& a = *s.atom;
    ++i;
    run.atoms.ia = i;
    const int t = set_atom_element(run, i, s.z);
    if (s.z == 1) ++nh;
    // element and running number within the element: the atom names repeat in every residue
    std::string label = fmt::trim(symbat(s.z)) + "(" + std::to_string(++count[t]) + ")";
    if (static_cast<int>(label.size()) > labw)
      err(kPlace, "More atoms of element " + fmt::trim(symbat(s.z)) + " than labels of 8 characters can number");
    run.atoms.atom[i] = fmt::pad(label, labw);
    const gemmi::Fractional f = st.cell.fractionalize(a.pos);
    run.atoms.xf[i] = {static_cast<float>(f.x), static_cast<float>(f.y), static_cast<float>(f.z)};
    run.atoms.xc[i] = to_cart(run.transf, run.atoms.xf[i]);
    if (a.aniso.nonzero()) {
      run.atoms1.iut[i] = 2;
      run.at_uij.u[i] = fractional_u(st.cell, a.aniso);
    } else {
      run.atoms1.iut[i] = 1;
      run.at_uij.u[i] = {static_cast<float>(a.b_iso / kEightPi2), 0, 0, 0, 0, 0};
    }
    if (a.has_altloc()) {
      run.atoms1.part[i] = part.at(a.altloc);
      run.atoms1.lpart = true;
    }
    // the file gives the occupancy of the site, SHELX and XD the share of the general position
    run.atoms1.occ[i] = a.occ / static_cast<float>(site_order(run, i));
    run.idents.id[i] = AtomIdent{a.name, s.res->name, resnum_text(*s.res), s.chain, a.altloc ? a.altloc : ' ', a.charge};
    if (a.charge != 0)
      logl(run, " " + atom_where(s) + " (" + fmt::trim(label) + ") has the formal charge " +
                    (a.charge > 0 ? "+" : "") + std::to_string(a.charge));
    list_atom(run, i);
  }
  set_residues(run, sites);
  if (nh == 0)
    both(run, " Warning : no hydrogen atoms in the model: the local axes of atoms whose hydrogens are missing "
              "follow the heavy atoms only (hydrogens are not added)");
  finish_atoms(run, kind(run.set.iform));
}

}  // namespace vorn
