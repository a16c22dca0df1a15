// CIF structure files: cell, wavelength, symmetry operators or space-group symbol, and atom sites, read with gemmi.
#include "readers/cif.h"

#include <gemmi/cif.hpp>
#include <gemmi/numb.hpp>
#include <gemmi/symmetry.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <optional>
#include <set>
#include <vector>

#include "model/coords.h"
#include "model/log.h"
#include "readers/groupops.h"
#include "readers/head.h"
#include "readers/summary.h"
#include "symmetry/symop.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"
#include "util/infile.h"
#include "util/physrange.h"
#include "util/text.h"

namespace vorn {

namespace cif = gemmi::cif;

namespace {

constexpr const char* kPlace = "ReadCif";
// Mo K-alpha: what a charge-density data set is nearly always measured with
constexpr float kDefaultWave = 0.71073f;
constexpr float kDefaultUiso = 0.05f;    // what SHELXL starts a new atom with
constexpr float kEightPi2 = 78.956835f;  // B = 8 pi^2 U

// ---- values ----

// A number for a message, without the blanks of its field.
std::string shown(float v, int d) {
  std::string t = fmt::f(v, 14, d);
  return t.substr(t.find_first_not_of(' '));
}

// The first value of the first of the tags present, pair or loop; CIF 1 and DDLm names both.
std::optional<std::string> value_of(cif::Block& b, std::initializer_list<const char*> tags) {
  for (const char* t : tags) {
    cif::Column c = b.find_values(t);
    if (c && c.length() > 0) return c[0];
  }
  return std::nullopt;
}

// A number with its standard uncertainty in parentheses ignored; nullopt for "?" and ".".
std::optional<float> number(const std::string& raw, const std::string& what) {
  if (cif::is_null(raw)) return std::nullopt;
  const double d = cif::as_number(raw);
  if (std::isnan(d)) err(kPlace, what + " is not a number: " + raw);
  // as the other readers: a value past single precision would be read as infinity
  if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
    err("ReadNumber", "Number " + raw + " is out of range in " + what);
  return static_cast<float>(d);
}

float need(const std::optional<std::string>& raw, const std::string& what) {
  if (!raw) err(kPlace, what + " missing in CIF file");
  auto v = number(*raw, what);
  if (!v) err(kPlace, what + " has no value in CIF file");
  return *v;
}

// A table under the CIF 1 prefix ("_atom_site_") or else the DDLm one ("_atom_site.").
cif::Table table(cif::Block& b, const std::string& category, const std::vector<std::string>& tags) {
  cif::Table t = b.find("_" + category + "_", tags);
  if (t.ok()) return t;
  return b.find("_" + category + ".", tags);
}

// ---- blocks ----

cif::Document load(const std::string& name) {
  std::string text;
  if (!slurp_text(name, text, kPlace, "CIF file")) err(kPlace, "Error opening CIF file " + name);
  try {
    return cif::read_memory(text.data(), text.size(), name.c_str());
  } catch (const std::exception& e) {
    err(kPlace, std::string("CIF syntax error: ") + e.what());
  }
}

bool has_sites(cif::Block& b) { return b.has_tag("_atom_site_label") || b.has_tag("_atom_site.label"); }

cif::Block& choose_block(Run& run, cif::Document& doc) {
  const std::string& want = run.set.cifblock;
  if (!want.empty()) {
    cif::Block* b = doc.find_block(want);
    if (!b) err(kPlace, "No data block " + want + " in CIF file");
    if (!has_sites(*b)) err(kPlace, "No atom sites in data block " + want);
    return *b;
  }
  for (cif::Block& b : doc.blocks)
    if (has_sites(b)) return b;
  err(kPlace, "No atom sites in CIF file");
}

// ---- cell ----

void read_cell(Run& run, cif::Block& b) {
  static const char* const names[6] = {"length_a", "length_b", "length_c", "angle_alpha", "angle_beta", "angle_gamma"};
  bool any = false;
  for (const char* n : names) any = any || value_of(b, {("_cell_" + std::string(n)).c_str()}) ||
                                   value_of(b, {("_cell." + std::string(n)).c_str()});
  if (!any) err(kPlace, "No cell in CIF file");
  auto& uc = run.ucell.uc;
  for (int j = 0; j < 6; ++j) {
    const std::string t1 = "_cell_" + std::string(names[j]), t2 = "_cell." + std::string(names[j]);
    uc[j] = need(value_of(b, {t1.c_str(), t2.c_str()}), t1);
    check_range(j < 3 ? Quantity::cell_length : Quantity::cell_angle, uc[j], kPlace, "in " + t1);
  }
  const float ca = cosd(uc[3]), cb = cosd(uc[4]), cg = cosd(uc[5]);
  if (1.0f - ca * ca - cb * cb - cg * cg + 2.0f * ca * cb * cg <= 0.0f)
    err(kPlace, "Cell angles do not form a cell");
}

float read_wave(Run& run, cif::Block& b) {
  auto raw = value_of(b, {"_diffrn_radiation_wavelength", "_diffrn_radiation_wavelength.value"});
  std::optional<float> w = raw ? number(*raw, "_diffrn_radiation_wavelength") : std::nullopt;
  if (!w) {
    logl(run, " No wavelength in CIF file: " + shown(kDefaultWave, 5) + " A (Mo K-alpha) assumed");
    return kDefaultWave;
  }
  check_range(Quantity::wavelength, *w, kPlace, "in _diffrn_radiation_wavelength");
  return *w;
}

// ---- symmetry ----

// The operator list as given, or the operators of the Hall or Hermann-Mauguin symbol.
std::vector<gemmi::Op> read_operators(Run& run, cif::Block& b) {
  for (const char* tag : {"_space_group_symop_operation_xyz", "_symmetry_equiv_pos_as_xyz",
                          "_space_group_symop.operation_xyz"}) {
    cif::Column col = b.find_values(tag);
    if (!col || col.length() == 0) continue;
    std::vector<gemmi::Op> ops;
    for (int k = 0; k < static_cast<int>(col.length()); ++k) {
      const std::string text = col.str(k);
      try {
        ops.push_back(gemmi::parse_triplet(text));
      } catch (const std::exception& e) {
        err(kPlace, "Symmetry operator '" + text + "' cannot be read: " + e.what());
      }
    }
    return ops;
  }
  if (auto hall = value_of(b, {"_space_group_name_Hall", "_symmetry_space_group_name_Hall", "_space_group.name_Hall"});
      hall && !cif::is_null(*hall)) {
    const std::string s = cif::as_string(*hall);
    logl(run, " Symmetry operators from the Hall symbol " + s);
    try {
      return group_list(gemmi::symops_from_hall(s.c_str()));
    } catch (const std::exception& e) {
      err(kPlace, "Hall symbol '" + s + "' cannot be read: " + e.what());
    }
  }
  if (auto hm = value_of(b, {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M", "_space_group.name_H-M_alt"});
      hm && !cif::is_null(*hm)) {
    const std::string s = cif::as_string(*hm);
    const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_name(s, run.ucell.uc[3], run.ucell.uc[5]);
    if (!sg) err(kPlace, "Unknown space-group symbol '" + s + "'");
    logl(run, " Symmetry operators from the space-group symbol " + s + " (Hall " + sg->hall + ")");
    return group_list(sg->operations());
  }
  err(kPlace, "No symmetry operators and no space-group symbol in CIF file");
}

// ---- atom sites ----

struct Site {
  std::string label;  // as in the file
  int z = 0;
  Vec3 xf{};
  float occ = 1.0f;
  int iut = 1;
  std::array<float, 6> u{};
  std::string group;  // _atom_site_disorder_group; empty for "." and "?"
};

// Disorder groups as parts: a number is its own part ("-1" a special-position group, as
// SHELXL writes PART -1); any other code gets the next part above the numbered ones, in the
// order first met, so that two codes never share a part.
std::vector<int> parts_of(const std::vector<Site>& sites) {
  std::vector<int> part(sites.size(), 0);
  int top = 0;
  for (const Site& s : sites)
    if (auto n = parse_int(s.group)) top = std::max(top, *n);
  std::vector<std::string> codes;
  for (size_t k = 0; k < sites.size(); ++k) {
    const std::string& g = sites[k].group;
    if (g.empty()) continue;
    if (auto n = parse_int(g)) {
      part[k] = *n;
      continue;
    }
    auto it = std::find(codes.begin(), codes.end(), g);
    if (it == codes.end()) it = codes.insert(codes.end(), g);
    part[k] = top + 1 + static_cast<int>(it - codes.begin());
  }
  return part;
}

// Atomic number of a type symbol: its leading letters ("Cl", "O2-", "FE3+"); D and T are hydrogen.
int element_of(const std::string& sym) {
  size_t n = 0;
  while (n < sym.size() && n < 3 && std::isalpha(static_cast<unsigned char>(sym[n]))) ++n;
  if (n == 0 || n > 2) return 0;
  const std::string e = upper(sym.substr(0, n));
  if (e == "D" || e == "T") return 1;
  return iatnum(e);
}

// Without a type symbol the element is read from the label: two letters only when the second is
// lower case and the pair is an element ("Cl1", but "CA1" is carbon).
int element_of_label(const std::string& label) {
  if (label.size() >= 2 && std::isalpha(static_cast<unsigned char>(label[0])) &&
      std::islower(static_cast<unsigned char>(label[1]))) {
    const int z = iatnum(label.substr(0, 2));
    if (z > 0) return z;
  }
  return label.empty() ? 0 : element_of(label.substr(0, 1));
}

std::vector<Site> read_sites(Run& run, cif::Block& b) {
  enum { kLabel, kType, kX, kY, kZ, kOcc, kU, kB, kGroup };
  cif::Table t = table(b, "atom_site", {"label", "?type_symbol", "?fract_x", "?fract_y", "?fract_z", "?occupancy",
                                         "?U_iso_or_equiv", "?B_iso_or_equiv", "?disorder_group"});
  std::vector<Site> sites;
  for (auto row : t) {
    Site s;
    s.label = row.str(kLabel);
    if (!printable_ascii(s.label))
      err(kPlace, "The label of atom site " + std::to_string(sites.size() + 1) + " holds a character that is not printable ASCII");
    const std::string where = "Atom site " + s.label;
    if (row.has2(kOcc)) s.occ = *number(row[kOcc], where + ": occupancy");
    if (s.occ == 0.0f) {
      logl(run, " " + where + " has occupancy 0 and is passed over (a dummy atom)");
      continue;
    }
    if (s.occ < 0.0f || s.occ > 1.0f) err(kPlace, where + ": occupancy out of range: " + row[kOcc]);
    if (!row.has2(kX) || !row.has2(kY) || !row.has2(kZ)) err(kPlace, where + " has no fractional coordinates");
    for (int j = 0; j < 3; ++j) {
      s.xf[j] = *number(row[kX + j], where + ": coordinate");
      check_range(Quantity::fractional, s.xf[j], kPlace, "in atom site " + s.label);
    }
    const std::string type = row.has2(kType) ? row.str(kType) : std::string();
    s.z = type.empty() ? element_of_label(s.label) : element_of(type);
    if (s.z == 0) err(kPlace, where + ": unknown type symbol " + (type.empty() ? s.label : type));
    if (!has_covrad(s.z))
      err(kPlace, "No covalent radius for atomic number " + std::to_string(s.z) + " (known up to " +
                      std::to_string(maxcovz) + ")");
    if (row.has2(kU)) {
      s.u[0] = *number(row[kU], where + ": Uiso");
      check_range(Quantity::displacement, s.u[0], kPlace, "in atom site " + s.label);
    } else if (row.has2(kB)) {
      s.u[0] = *number(row[kB], where + ": Biso") / kEightPi2;
      check_range(Quantity::displacement, s.u[0], kPlace, "in atom site " + s.label);
    } else {
      s.iut = 0;  // until an anisotropic row turns up
    }
    if (row.has2(kGroup)) s.group = row.str(kGroup);
    sites.push_back(s);
  }

  // U_ij or B_ij, joined to the sites by label
  static const char* const ij[6] = {"11", "22", "33", "12", "13", "23"};
  std::vector<std::string> tags{"label"};
  for (const char* p : {"U_", "B_"})
    for (const char* k : ij) tags.push_back(std::string("?") + p + k);
  cif::Table a = table(b, "atom_site_aniso", tags);
  for (auto row : a) {
    const std::string label = row.str(0);
    auto it = std::find_if(sites.begin(), sites.end(), [&](const Site& s) { return s.label == label; });
    if (it == sites.end()) {
      logl(run, " Warning: anisotropic parameters of " + label + " belong to no atom site read");
      continue;
    }
    const bool is_u = row.has2(1), is_b = !is_u && row.has2(7);
    if (!is_u && !is_b) continue;
    for (int k = 0; k < 6; ++k) {
      const int col = (is_u ? 1 : 7) + k;
      if (!row.has2(col)) err(kPlace, "Atom site " + label + ": U" + ij[k] + " missing");
      const float v = *number(row[col], "Atom site " + label + ": U" + ij[k]);
      it->u[k] = is_u ? v : v / kEightPi2;
      check_range(Quantity::displacement, it->u[k], kPlace, "in the anisotropic parameters of atom site " + label);
    }
    it->iut = 2;
  }
  if (sites.empty()) err(kPlace, "No atom sites in CIF file");
  // powder and database files may give no displacement parameters at all
  int bare = 0;
  for (auto& s : sites)
    if (s.iut == 0) {
      s.iut = 1;
      s.u[0] = kDefaultUiso;
      ++bare;
    }
  if (bare > 0)
    both(run, " Warning: " + std::to_string(bare) + " atom sites without Uiso or Uaniso get Uiso " +
                  shown(kDefaultUiso, 3));
  return sites;
}

// Element types in the order of the _atom_type loop (SHELXL writes it in SFAC order), then
// any element of a site that the loop does not list.
void set_types(Run& run, cif::Block& b, const std::vector<Site>& sites) {
  AtTypes& at = run.at_types;
  auto add = [&at](int z) {
    if (std::find(at.iatype.begin() + 1, at.iatype.end(), z) != at.iatype.end()) return;
    at.iatype.push_back(z);
    ++at.ntyp;
  };
  cif::Table types = table(b, "atom_type", {"symbol"});
  for (auto row : types) {
    if (cif::is_null(row[0])) continue;
    const std::string sym = row.str(0);
    const int z = element_of(sym);
    if (z == 0) err(kPlace, "Unknown type symbol " + sym + " in the atom types");
    add(z);
  }
  for (const auto& s : sites) add(s.z);
}

// C12 of carbon -> C(12), H12A -> H(12A); a label that does not begin with its element keeps
// all of itself inside the parentheses.
std::string cif_label(const Run& run, const Site& s, int ia, int count) {
  const std::string lab = upper(s.label);
  const std::string el = upper(fmt::trim(symbat(s.z)));
  std::string prefix = el, rest = lab;
  if (lab.rfind(el, 0) == 0) rest = lab.substr(el.size());
  if (!run.set.lrs && prefix.size() + rest.size() + 2 > static_cast<size_t>(labw))
    err(kPlace, "Atom label " + s.label + " is longer than 8 characters as " + prefix + "(" + rest + ")");
  return build_label(run, prefix, rest, s.z, ia, count);
}

}  // namespace

int site_order(const Run& run, int i) {
  const Symm& sy = run.symm;
  const Vec3& x = run.atoms.xf[i];
  int order = 0;
  for (int j = 1; j <= sy.ns; ++j) {
    Vec3 r{};
    for (int c = 0; c < 3; ++c)
      r[c] = sy.fs[j][0][c] * x[0] + sy.fs[j][1][c] * x[1] + sy.fs[j][2][c] * x[2] + sy.ts[j][c];
    bool on = false;
    for (int k = -2; k <= 2 && !on; ++k)
      for (int l = -2; l <= 2 && !on; ++l)
        for (int m = -2; m <= 2 && !on; ++m) {
          const Vec3 img{r[0] + static_cast<float>(k), r[1] + static_cast<float>(l), r[2] + static_cast<float>(m)};
          on = dist(to_cart(run.transf, img), run.atoms.xc[i]) < 0.001f;
        }
    if (on) ++order;
  }
  return std::max(order, 1);
}

void readcif(Run& run, const std::string& fname) {
  const std::string name = fmt::trim(fname);
  cif::Document doc = load(name);
  logl(run, " Reading CIF file : " + name);
  cif::Block& b = choose_block(run, doc);
  logl(run, " Data block : " + b.name);

  read_cell(run, b);
  const float rlam = read_wave(run, b);
  std::vector<gemmi::Op> cards;
  std::vector<std::string> texts;  // the cards as SYMM records
  const Lattice lat = split_operators(read_operators(run, b), cards, texts, kPlace);
  const std::vector<Site> sites = read_sites(run, b);
  set_types(run, b, sites);

  write_symmetry_head(run, rlam, lat, cards, texts, kPlace);

  std::vector<int> count(run.at_types.ntyp + 1, 0);
  const std::vector<int> part = parts_of(sites);
  reserve_atoms(run, static_cast<long long>(sites.size()));
  for (size_t k = 0; k < sites.size(); ++k) {
    const Site& s = sites[k];
    const int i = add_atom(run, kPlace);
    run.atoms1.part[i] = part[k];
    if (run.atoms1.part[i] != 0) run.atoms1.lpart = true;
    run.atoms.ia = i;
    const int t = set_atom_element(run, i, s.z);
    run.atoms.atom[i] = cif_label(run, s, i, ++count[t]);
    run.idents.id[i].label = s.label;
    run.atoms.xf[i] = s.xf;
    run.atoms.xc[i] = to_cart(run.transf, s.xf);
    run.atoms1.iut[i] = s.iut;
    run.at_uij.u[i] = s.u;
    // a CIF gives the occupancy of the site, SHELX and XD the share of the general position
    run.atoms1.occ[i] = s.occ / static_cast<float>(site_order(run, i));
    list_atom(run, i);
  }
  finish_atoms(run, "CIF");
}

}  // namespace vorn
