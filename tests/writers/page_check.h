// Checks of a written vorn.html against the files of the same run: xd_vorn.mas, vorn.ang and the log.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../support.h"
#include "json_reader.h"

namespace vorn::test {

// The text of the page's data block, or "" when the page has none.
inline std::string data_block(const std::string& page) {
  const std::string open = "<script type=\"application/json\" id=\"vorn-data\">";
  const size_t a = page.find(open);
  if (a == std::string::npos) return "";
  const size_t b = page.find("</script>", a + open.size());
  return b == std::string::npos ? "" : page.substr(a + open.size(), b - a - open.size());
}

inline std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

// The atom table of xd_vorn.mas: each atom's words (ATOM ATOM0 AX1 ATOM1 ATOM2 AX2 R TP TBL
// KAP LMX SITESYM [CHEMCON]) and each dummy's label and three coordinates.
struct MasterTable {
  std::vector<std::vector<std::string>> atoms;
  std::vector<std::pair<std::string, std::array<double, 3>>> dummies;
};

inline MasterTable master_table(const std::string& mas) {
  MasterTable t;
  bool in = false;
  for (const auto& l : lines_of(mas)) {
    if (l.rfind("ATOM     ATOM0", 0) == 0) in = true;
    else if (l == "END ATOM") in = false;
    else if (in && l.rfind("DUM", 0) == 0) {
      const auto w = words(l);
      if (w.size() == 4) t.dummies.push_back({w[0], {std::stod(w[1]), std::stod(w[2]), std::stod(w[3])}});
      else ADD_FAILURE() << "dummy line " << l;
    } else if (in) {
      t.atoms.push_back(words(l));
    }
  }
  return t;
}

using D3 = std::array<double, 3>;

inline D3 d3(const Json& v) { return {v[0].num, v[1].num, v[2].num}; }
inline D3 sub(const D3& a, const D3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline double dot3(const D3& a, const D3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline D3 cross3(const D3& a, const D3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline D3 unit3(const D3& a) {
  const double l = std::sqrt(dot3(a, a));
  return {a[0] / l, a[1] / l, a[2] / l};
}

// Fractional to Cartesian with a along x and b in the xy plane.
inline D3 cell_cart(const Json& cell, const D3& f) {
  const double d = M_PI / 180.0;
  const double a = cell[0].num, b = cell[1].num, c = cell[2].num;
  const double ca = std::cos(cell[3].num * d), cb = std::cos(cell[4].num * d), cg = std::cos(cell[5].num * d),
               sg = std::sin(cell[5].num * d);
  const double cx = c * cb, cy = c * (ca - cb * cg) / sg, cz = std::sqrt(c * c - cx * cx - cy * cy);
  return {a * f[0] + b * cg * f[1] + cx * f[2], b * sg * f[1] + cy * f[2], cz * f[2]};
}

// The frame an XD user gets from a table line: ax1 towards p1, ax2 towards p2 made orthogonal,
// the third axis of the sign that gives the three a determinant of +1 (R).
inline std::map<char, D3> frame_from(const D3& x0, const D3& p1, char ax1, const D3& p2, char ax2) {
  std::map<char, D3> f;
  const D3 e1 = unit3(sub(p1, x0));
  const D3 b = sub(p2, x0);
  const double t = dot3(b, e1);
  const D3 e2 = unit3({b[0] - t * e1[0], b[1] - t * e1[1], b[2] - t * e1[2]});
  f[ax1] = e1;
  f[ax2] = e2;
  char third = 'X';
  while (third == ax1 || third == ax2) ++third;
  f[third] = cross3(e1, e2);
  if (dot3(f['X'], cross3(f['Y'], f['Z'])) < 0) f[third] = cross3(e2, e1);
  return f;
}

// What the run's other files say the page must hold.
struct PageCheck {
  int atoms = 0;       // atoms of the asymmetric unit (lines of the master file's table)
  int with_axes = 0;   // atoms whose axes the page gives
  int dummies = 0;
  int images = 0;
};

// Parses vorn.html in the current directory and checks it against xd_vorn.mas, vorn.ang and
// vorn.out: every atom's label, site symmetry, kappa set and axis definition as in the table,
// its position as in vorn.ang, its axes those the table defines (orthonormal, right-handed),
// its databank entry and group as the log names them; the dummies as in the table.
inline PageCheck check_page_against_run() {
  PageCheck pc;
  const std::string page = slurp("vorn.html");
  const std::string block = data_block(page);
  EXPECT_FALSE(block.empty()) << "no data block in vorn.html";
  Json data;
  try {
    data = JsonReader::parse(block);
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
    return pc;
  }
  const MasterTable mt = master_table(slurp("xd_vorn.mas"));
  const Json& atoms = data["atoms"];
  const Json& dummies = data["dummies"];
  const Json& cell = data["cell"];
  pc.atoms = static_cast<int>(atoms.arr.size());
  pc.dummies = static_cast<int>(dummies.arr.size());
  pc.images = static_cast<int>(data["images"].arr.size());
  EXPECT_EQ(atoms.arr.size(), mt.atoms.size());
  EXPECT_EQ(dummies.arr.size(), mt.dummies.size());
  if (atoms.arr.size() != mt.atoms.size() || dummies.arr.size() != mt.dummies.size()) return pc;

  // every point an axis may name, by label, from the other files; a label the structure repeats
  // names each of its atoms
  std::map<std::string, std::vector<D3>> where;
  std::vector<D3> ang;
  for (const auto& l : lines_of(slurp("vorn.ang"))) {
    const auto w = words(l);
    if (w.size() == 5 && w[0] == "ATOM" && w[1].rfind("Li(", 0) != 0)
      ang.push_back({std::stod(w[2]), std::stod(w[3]), std::stod(w[4])});
  }
  EXPECT_EQ(ang.size(), atoms.arr.size());
  for (size_t i = 0; i < mt.dummies.size(); ++i) {
    const auto& [lab, x] = mt.dummies[i];
    const D3 c = cell.kind == Json::null ? x : cell_cart(cell, x);
    where[lab].push_back(c);
    EXPECT_EQ(dummies[i]["label"].str, lab);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(dummies[i]["xyz"][k].num, c[k], 2e-4) << lab;
  }
  for (size_t i = 0; i < mt.atoms.size() && i < ang.size(); ++i) where[mt.atoms[i][0]].push_back(ang[i]);

  // the log: databank entry and functional group per label
  std::map<std::string, std::string> db, group;
  for (const auto& l : lines_of(slurp("vorn.out"))) {
    auto between = [&](const std::string& pre, const std::string& mid, std::map<std::string, std::string>& m) {
      if (l.rfind(pre, 0) != 0) return;
      const size_t e = l.find(mid, pre.size());
      if (e == std::string::npos || l.back() != ']') return;
      m[l.substr(pre.size(), e - pre.size())] = l.substr(e + mid.size(), l.size() - e - mid.size() - 1);
    };
    between(" DB comment for ", " = [", db);
    between(" Exception identified for ", " : Functional group = [", group);
  }

  for (size_t i = 0; i < mt.atoms.size(); ++i) {
    const auto& w = mt.atoms[i];
    const Json& a = atoms[i];
    SCOPED_TRACE("atom " + std::to_string(i + 1) + " " + w[0]);
    EXPECT_GE(w.size(), 12u);
    if (w.size() < 12) continue;
    EXPECT_EQ(a["label"].str, w[0]);
    const Json& def = a["def"];
    EXPECT_EQ(def["atom0"].str, w[1]);
    EXPECT_EQ(def["ax1"].str, w[2]);
    EXPECT_EQ(def["atom1"].str, w[3]);
    EXPECT_EQ(def["atom2"].str, w[4]);
    EXPECT_EQ(def["ax2"].str, w[5]);
    EXPECT_EQ(w[6], "R");
    EXPECT_EQ(a["kappa"].num, std::stod(w[9]));
    EXPECT_EQ(a["sitesym"].str, w[11]);
    EXPECT_EQ(a["db"].str, db.count(w[0]) ? db[w[0]] : "");
    if (group.count(w[0])) {
      EXPECT_EQ(a["group"].str, group[w[0]]);
    }
    const D3 x0 = d3(a["xyz"]);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(x0[k], ang[i][k], 1e-4);
    if (!where.count(w[1]) || !where.count(w[4])) {
      ADD_FAILURE() << "axis point not in the table: " << w[1] << " " << w[4];
      continue;
    }
    if (a["axes"].kind == Json::null) continue;
    ++pc.with_axes;
    D3 axis[3];
    for (int k = 0; k < 3; ++k) {
      axis[k] = d3(a["axes"][std::string(1, "XYZ"[k])]);
      EXPECT_NEAR(dot3(axis[k], axis[k]), 1.0, 1e-5);
    }
    // the frame of the table's definition (of one of the atoms a repeated label names)
    double off = 1e9;
    for (const D3& p1 : where[w[1]])
      for (const D3& p2 : where[w[4]]) {
        const auto expect = frame_from(x0, p1, w[2][0], p2, w[5][0]);
        double worst = 0;
        for (int k = 0; k < 3; ++k)
          for (int c = 0; c < 3; ++c) worst = std::max(worst, std::fabs(axis[k][c] - expect.at("XYZ"[k])[c]));
        off = std::min(off, worst);
      }
    EXPECT_LT(off, 1e-3) << "axes differ from the definition " << w[1] << " " << w[2] << " " << w[4] << " " << w[5];
    EXPECT_NEAR(dot3(axis[0], cross3(axis[1], axis[2])), 1.0, 1e-5) << "not right-handed";
  }
  return pc;
}

}  // namespace vorn::test
