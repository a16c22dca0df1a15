// vorn.html: one offline page that draws every atom's local axes beside a table of their definitions.
#include "writers/html.h"

#include <algorithm>
#include <fstream>

#include "model/coords.h"
#include "model/outfile.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"
#include "writers/embedded.h"
#include "writers/jsontext.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "WriteHtml";
constexpr const char* kFile = "vorn.html";
constexpr std::string_view kDataMarker = "@VORN_DATA@";
constexpr std::string_view kViewerMarker = "@VORN_VIEWER@";

// A dummy that replaced a symmetry image was made from that image's own coordinates, so the
// two coincide to rounding.
constexpr float kOnPoint = 0.001f;

// Cartesian coordinates to 0.0001 A as in vorn.ang; unit vectors to 1e-6.
constexpr int kXyzDecimals = 4;
constexpr int kAxisDecimals = 6;

std::string vec(const Vec3& v, int d) {
  return "[" + json_number(v[0], d) + "," + json_number(v[1], d) + "," + json_number(v[2], d) + "]";
}

std::string label_json(const std::string& label) { return json_string(fmt::trim(label)); }

// iar's axis numbers X = 1, Y = 2, Z = 3 as letters; ' ' for anything else.
char axis_letter(int code) { return code >= 1 && code <= 3 ? "XYZ"[code - 1] : ' '; }

std::string letter_json(int code) {
  const char c = axis_letter(code);
  return json_string(c == ' ' ? std::string() : std::string(1, c));
}

// The Cartesian position of an axis point code; false when the code names nothing.
bool point_xyz(const Run& run, int code, Vec3& p) {
  const int ia = run.atoms.ia;
  if (code >= 1 && code <= ia) {
    p = run.atoms.xc[code];
    return true;
  }
  if (code > ia && code - ia <= run.dummy.ndum) {
    p = stored_to_cart(run.transf, run.set.ifra, run.dummy.xdum[code - ia]);
    return true;
  }
  return false;
}

std::string element_json(int z) { return json_string(fmt::trim(symbat(z))); }

std::string text_at(const std::vector<std::string>& v, int k) {
  return k >= 0 && k < static_cast<int>(v.size()) ? fmt::trim(v[k]) : std::string();
}

// The atom as the input file names it: a macromolecular model's chain, residue, atom name and
// conformer ("A THR1 CA alt B"), else the file's own label with its residue, where they differ
// from the label shown.
std::string own_name(const Run& run, int k) {
  if (k < 0 || k >= static_cast<int>(run.idents.id.size())) return "";
  const AtomIdent& id = run.idents.id[k];
  std::string s;
  if (run.set.iform == iform_pdb || run.set.iform == iform_mmcif) {
    s = (id.chain.empty() ? "" : id.chain + " ") + id.resname + id.resnum + " " + id.label;
    if (id.altloc != ' ') s += std::string(" alt ") + id.altloc;
    return s;
  }
  if (!id.label.empty() && id.label != fmt::trim(run.atoms.atom[k])) s = id.label;
  if (!id.resnum.empty()) s += (s.empty() ? fmt::trim(run.atoms.atom[k]) : "") + " res " + id.resname + " " + id.resnum;
  return s;
}

void write_atom(std::ostream& out, const Run& run, int k) {
  const auto& iar = run.mpoles.iar[k];
  const LocalFrame f = atom_frame(run, k);
  out << "{\"label\":" << label_json(run.atoms.atom[k]) << ",\"element\":" << element_json(run.atoms.itype[k])
      << ",\"xyz\":" << vec(run.atoms.xc[k], kXyzDecimals) << ",\"axes\":";
  if (f.defined)
    out << "{\"X\":" << vec(f.axis[0], kAxisDecimals) << ",\"Y\":" << vec(f.axis[1], kAxisDecimals)
        << ",\"Z\":" << vec(f.axis[2], kAxisDecimals) << "}";
  else
    out << "null";
  out << ",\"def\":{\"atom0\":" << json_string(point_label(run, iar[3])) << ",\"ax1\":" << letter_json(iar[1])
      << ",\"atom1\":" << label_json(run.atoms.atom[k]) << ",\"atom2\":" << json_string(point_label(run, iar[5]))
      << ",\"ax2\":" << letter_json(iar[2]) << "}"
      << ",\"sitesym\":" << label_json(run.atoms.asym[k]) << ",\"kappa\":" << run.kappaset.kset[k]
      << ",\"group\":" << json_string(text_at(run.except.group, k))
      << ",\"db\":" << json_string(text_at(run.text.dbentry, k)) << ",\"id\":" << json_string(own_name(run, k)) << "}";
}

void write_point(std::ostream& out, const std::string& label, const Vec3& xyz) {
  out << "{\"label\":" << label_json(label) << ",\"xyz\":" << vec(xyz, kXyzDecimals) << "}";
}

}  // namespace

std::string point_label(const Run& run, int code) {
  const int ia = run.atoms.ia;
  if (code >= 1 && code <= ia) return fmt::trim(run.atoms.atom[code]);
  if (code > ia && code - ia <= run.dummy.ndum) return fmt::trim(run.dummy.dlab[code - ia]);
  return "";
}

LocalFrame atom_frame(const Run& run, int k) {
  const auto& iar = run.mpoles.iar[k];
  Vec3 p1{}, p2{};
  if (!point_xyz(run, iar[3], p1) || !point_xyz(run, iar[5], p2)) return {};
  return xd_frame(run.atoms.xc[k], p1, axis_letter(iar[1]), p2, axis_letter(iar[2]));
}

std::vector<int> context_images(const Run& run) {
  const int ia = run.atoms.ia, n = run.cryst.natoms;
  if (n <= ia) return {};
  std::vector<char> keep(static_cast<size_t>(n) + 1, 0);
  const Neighbors& nb = run.neighbors;
  for (int k = 1; k <= ia && k < static_cast<int>(nb.nnei.size()); ++k)
    for (int t = 0; t < nb.nnei[k] && t < nbond; ++t) {
      const int j = nb.jnei[k][t];
      if (j > ia && j <= n) keep[j] = 1;
    }
  // images on an axis point: the generated atoms sorted by x, each point looked up in its x window
  std::vector<int> by_x;
  by_x.reserve(static_cast<size_t>(n - ia));
  for (int j = ia + 1; j <= n; ++j) by_x.push_back(j);
  const auto& xc = run.atoms.xc;
  std::sort(by_x.begin(), by_x.end(), [&](int a, int b) { return xc[a][0] < xc[b][0]; });
  for (int k = 1; k <= ia; ++k)
    for (int e : {3, 5}) {
      const int code = run.mpoles.iar[k][e];
      Vec3 p{};
      if (code <= ia || !point_xyz(run, code, p)) continue;
      auto it = std::lower_bound(by_x.begin(), by_x.end(), p[0] - kOnPoint,
                                 [&](int j, float x) { return xc[j][0] < x; });
      for (; it != by_x.end() && xc[*it][0] <= p[0] + kOnPoint; ++it)
        if (dist(xc[*it], p) <= kOnPoint) keep[*it] = 1;
    }
  std::vector<int> r;
  for (int j = ia + 1; j <= n; ++j)
    if (keep[j]) r.push_back(j);
  return r;
}

void write_page_data(std::ostream& out, const Run& run) {
  const auto& uc = run.ucell.uc;
  // the Cartesian formats have no cell
  out << "{\"cell\":";
  if (uc[0] > 0 && uc[1] > 0 && uc[2] > 0)
    out << "[" << json_number(uc[0], 4) << "," << json_number(uc[1], 4) << "," << json_number(uc[2], 4) << ","
        << json_number(uc[3], 3) << "," << json_number(uc[4], 3) << "," << json_number(uc[5], 3) << "]";
  else
    out << "null";
  out << ",\n\"atoms\":[";
  for (int k = 1; k <= run.atoms.ia; ++k) {
    out << (k > 1 ? ",\n" : "\n");
    write_atom(out, run, k);
  }
  out << "\n],\n\"dummies\":[";
  for (int j = 1; j <= run.dummy.ndum; ++j) {
    out << (j > 1 ? ",\n" : "\n");
    write_point(out, run.dummy.dlab[j], stored_to_cart(run.transf, run.set.ifra, run.dummy.xdum[j]));
  }
  out << "\n],\n\"images\":[";
  bool first = true;
  for (int j : context_images(run)) {
    out << (first ? "\n" : ",\n");
    first = false;
    write_point(out, run.atoms.atom[j], run.atoms.xc[j]);
  }
  out << "\n]}";
}

void write_page(std::ostream& out, const Run& run) {
  const std::string_view page = page_template();
  const size_t d = page.find(kDataMarker), v = page.find(kViewerMarker);
  if (d == std::string_view::npos || v == std::string_view::npos || v < d)
    err(kPlace, "Internal error: the page template lacks its data or viewer marker");
  out << page.substr(0, d);
  write_page_data(out, run);
  const size_t after_data = d + kDataMarker.size();
  out << page.substr(after_data, v - after_data) << viewer_js() << page.substr(v + kViewerMarker.size());
}

void write_html(const Run& run) {
  std::ofstream f(kFile, std::ios::out | std::ios::trunc);
  if (!f) err(kPlace, std::string("Unable to open output file ") + kFile);
  write_page(f, run);
  close_out(f, kFile, kPlace);
}

}  // namespace vorn
