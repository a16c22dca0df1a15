// Whole runs on CIF input: same outputs as the SHELX twin, vorn.cif against the XD files, the published CIFs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <gemmi/cif.hpp>
#include <gemmi/symmetry.hpp>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "../support.h"
#include "driver/vorn.h"
#include "writers/rhocif.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

const char* const kOptions =
    "rename *toxd\nRINGS 3 8 *special\nNCELLS 1\nVERBOSE 3\n"
    "KEYGEN *XYZUIJ all *ordered *MULT all *ordered\n";

// Runs the program in dir on the control text; returns the console.
std::string job(const fs::path& dir, const std::string& control) {
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  test::write_file("vorn.inp", control);
  std::ostringstream con;
  std::istringstream in;
  vorn_main({}, con, in);
  fs::current_path(old);
  return con.str();
}

// Lines that name the reader, its file or what only a CIF says, and the process times.
std::vector<std::string> comparable(const std::string& text) {
  static const char* const differ[] = {
      "Input file format",       "Reading SHELX file", "Reading CIF file", "Data block :", "No wavelength",
      "Symmetry operators from", "Total atoms read",   "Timing",           "elapsed times"};
  std::vector<std::string> r;
  for (const auto& l : test::lines_of(text))
    if (std::none_of(std::begin(differ), std::end(differ),
                     [&](const char* d) { return l.find(d) != std::string::npos; }))
      r.push_back(l);
  return r;
}

std::vector<std::string> words(const std::string& l) {
  std::istringstream ss(l);
  std::vector<std::string> w;
  for (std::string s; ss >> s;) w.push_back(s);
  return w;
}

class CifRun : public test::InTempDir {};

}  // namespace

// The same structure as a SHELX file and as a CIF: the centred group from its symbol, the
// acentric one from its operator list (with a block before the one holding the sites).
TEST_F(CifRun, EveryOutputEqualsThatOfTheShelxTwin) {
  for (const std::string name : {"c2c_methanol_water", "p212121_chloromethanol"}) {
    SCOPED_TRACE(name);
    fs::create_directories(name + "/shelx");
    fs::create_directories(name + "/cif");
    fs::copy_file(test::data_path("cif/" + name + ".res"), name + "/shelx/s.res");
    fs::copy_file(test::data_path("cif/" + name + ".cif"), name + "/cif/s.cif");
    const std::string c1 = job(name + "/shelx", std::string("FORMAT *shelx\nINPUT s.res ") + kOptions);
    const std::string c2 = job(name + "/cif", std::string("FORMAT *cif\nINPUT s.cif ") + kOptions);
    EXPECT_EQ(comparable(c1), comparable(c2));
    int files = 0;
    for (const auto& e : fs::directory_iterator(name + "/shelx")) {
      const std::string f = e.path().filename();
      if (f == "s.res" || f == "vorn.inp") continue;
      ++files;
      // the page also names each atom as its own file writes it (CL1 in the SHELX file, Cl1 in the CIF)
      auto text = [&](const fs::path& p) {
        std::string t = test::slurp(p);
        return f == "vorn.html" ? std::regex_replace(t, std::regex(R"(,"id":"[^"]*")"), "") : t;
      };
      EXPECT_EQ(comparable(text(e.path())), comparable(text(name + "/cif/" + f))) << f;
    }
    EXPECT_GE(files, 8);
    for (const char* f : {"xd_vorn.mas", "xd_vorn.inp", "vorn.cif", "mopro_vorn.par"})
      EXPECT_TRUE(fs::exists(name + "/cif/" + f)) << f;
  }
}

// The operators of a CIF's space-group symbol, or of vorn.cif's operator loop, as gemmi
// writes them: a set that does not depend on the order or the form of each triplet.
std::string upper_text(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

// A CIF number without its standard uncertainty: 0.25(3) -> 0.25.
double value_of(const std::string& v) { return std::stod(v.substr(0, v.find('('))); }

std::set<std::string> symbol_operators(gemmi::cif::Block& b) {
  std::set<std::string> ops;
  const std::string* hm = b.find_value("_space_group_name_H-M_alt");
  if (!hm) hm = b.find_value("_symmetry_space_group_name_H-M");
  if (!hm) return ops;
  for (gemmi::Op op : gemmi::find_spacegroup_by_name(gemmi::cif::as_string(*hm))->operations())
    ops.insert(op.wrap().triplet());
  return ops;
}

std::set<std::string> written_operators(gemmi::cif::Block& b) {
  std::set<std::string> ops;
  for (auto row : b.find("_space_group_symop.", {"operation_xyz"}))
    ops.insert(gemmi::parse_triplet(row.str(0)).wrap().triplet());
  return ops;
}

// vorn.cif against its input read by gemmi: the same operators (a rotation written transposed
// shows in a trigonal group only), and each site with the occupancy the input gives it, though
// the run divides it by the order of the site (the water O of C2/c on its twofold, Ca on -3, C
// on 32, O on a twofold of R-3c: 1 each).
TEST_F(CifRun, VornCifKeepsTheInputOperatorsAndSiteOccupancies) {
  const struct {
    const char* name;
    std::string options;
    int sites;
  } cases[] = {{"c2c_methanol_water", kOptions, 8}, {"r3c_calcite", "rename *toxd\n", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::create_directory(c.name);
    fs::copy_file(test::data_path(std::string("cif/") + c.name + ".cif"), std::string(c.name) + "/s.cif");
    const std::string con = job(c.name, "FORMAT *cif\nINPUT s.cif " + c.options);
    ASSERT_EQ(con.find("ERROR"), std::string::npos) << con;
    gemmi::cif::Document in = gemmi::cif::read_file(test::data_path(std::string("cif/") + c.name + ".cif"));
    gemmi::cif::Document out = gemmi::cif::read_file(std::string(c.name) + "/vorn.cif");
    gemmi::cif::Block& bi = in.sole_block();
    gemmi::cif::Block& bo = out.sole_block();
    const std::set<std::string> want = symbol_operators(bi);
    ASSERT_FALSE(want.empty());
    EXPECT_EQ(written_operators(bo), want);
    std::map<std::string, double> occ;  // vorn.cif labels without brackets: O(2) -> O2
    for (auto row : bo.find("_atom_site.", {"label", "occupancy"})) {
      std::string l = row.str(0);
      l.erase(std::remove_if(l.begin(), l.end(), [](char ch) { return ch == '(' || ch == ')'; }), l.end());
      occ[upper_text(l)] = value_of(row.str(1));
    }
    int seen = 0;
    for (auto row : bi.find("_atom_site_", {"label", "occupancy"})) {
      const std::string l = upper_text(row.str(0));
      ASSERT_TRUE(occ.count(l)) << l;
      EXPECT_NEAR(occ[l], value_of(row.str(1)), 5e-5) << l;
      ++seen;
    }
    EXPECT_EQ(seen, c.sites);
  }
}

// vorn.cif holds the axes of xd_vorn.mas and the populations of xd_vorn.inp, in rhoCIF names:
// the sample job (databank populations) and benzene, whose ring centre is a dummy atom.
TEST_F(CifRun, RhoCifReadsBackAsTheXdFiles) {
  fs::create_directory("sample");
  for (const char* f : {"vorn.inp", "methanol.res", "sample.db"})
    fs::copy_file(fs::path(VORN_TEST_DATA) / "../../examples" / f, fs::path("sample") / f);
  job("sample", test::slurp("sample/vorn.inp"));
  fs::create_directory("benzene");
  fs::copy_file(test::data_path("localaxes/benzene.res"), "benzene/s.res");
  fs::copy_file("sample/sample.db", "benzene/sample.db");
  job("benzene",
      "FORMAT *shelx\nINPUT s.res\nRINGS 3 8 *special\nDATABANK sample.db\nNFRAG 1\nFRAG 1 1 -12\nCHFRAG 0.\n");
  for (const std::string d : {"sample", "benzene"}) {
    SCOPED_TRACE(d);
    fs::current_path(d);
    ASSERT_TRUE(fs::exists("vorn.cif"));
    gemmi::cif::Document doc = gemmi::cif::read_file("vorn.cif");
    gemmi::cif::Block& b = doc.sole_block();

    std::vector<std::vector<std::string>> mas;  // the atom-table lines
    std::set<std::string> dummies;
    bool in = false;
    for (const auto& l : test::lines_of(test::slurp("xd_vorn.mas"))) {
      if (l.rfind("END ATOM", 0) == 0) break;
      if (in && l.rfind("DUM", 0) == 0)
        dummies.insert(words(l)[0]);
      else if (in)
        mas.push_back(words(l));
      in = in || l.rfind("ATOM     ATOM0", 0) == 0;
    }
    gemmi::cif::Table axes = b.find("_atom_local_axes.", {"atom_label", "atom0", "ax1", "atom1", "atom2", "ax2"});
    ASSERT_EQ(axes.length(), mas.size());
    ASSERT_EQ(dummies.empty(), d == "sample");
    for (size_t k = 0; k < mas.size(); ++k)
      for (int c = 0; c < 6; ++c) EXPECT_EQ(axes[k].str(c), mas[k][c]) << k << " " << c;
    for (auto row : b.find("_atom_site.", {"label", "occupancy"}))
      if (dummies.erase(row.str(0))) {
        EXPECT_EQ(row.str(1), "0");
      }
    EXPECT_TRUE(dummies.empty());  // every dummy is an atom site

    // xd_vorn.inp: an atom line, its U line, then Pv and 25 populations on three lines in the
    // order (0,0); (1,1), (1,-1), (1,0); (2,0), (2,1), (2,-1), (2,2), (2,-2); ...
    std::vector<std::string> tags{"atom_label", "Pv", "P00", "P11", "P1_1", "P10"};
    for (int l = 2; l <= 4; ++l)
      for (int m : {0, 1, -1, 2, -2, 3, -3, 4, -4})
        if (std::abs(m) <= l) tags.push_back(rho_coeff_name(l, m));
    gemmi::cif::Table pops = b.find("_atom_rho_multipole_coeff.", tags);
    const auto inp = test::lines_of(test::slurp("xd_vorn.inp"));
    ASSERT_EQ(pops.length(), mas.size());
    for (size_t k = 0; k < pops.length(); ++k) {
      auto at = std::find_if(inp.begin(), inp.end(), [&](const std::string& l) {
        const auto w = words(l);
        return !w.empty() && w[0] == pops[k].str(0);
      });
      ASSERT_NE(at, inp.end()) << pops[k].str(0);
      std::vector<std::string> v;
      for (int j = 2; j <= 4; ++j)
        for (const auto& w : words(*(at + j))) v.push_back(w);
      ASSERT_EQ(v.size(), 26u);
      // vorn.cif holds the full atom, xd_vorn.inp the populations times the occupancy (last field)
      const float occ = std::stof(words(*at).back());
      for (int c = 0; c < 26; ++c)
        EXPECT_NEAR(std::stof(pops[k].str(c + 1)) * occ, std::stof(v[c]), 3e-4f) << tags[c + 1];
    }
    EXPECT_NE(test::slurp("vorn.cif").find("_atom_rho_multipole_kappa.prime4"), std::string::npos);
    if (d == "sample") {
      // C(1)'s kappa and kappa' are those of the databank entry the log names for it (the
      // methyl carbon's PVAL line: Pv, kappa 0.99, kappa' 0.85, sigma)
      const std::string log = test::slurp("vorn.out");
      const std::string key = " DB comment for C(1) = [";
      const size_t at = log.find(key);
      ASSERT_NE(at, std::string::npos);
      const std::string comment = log.substr(at + key.size(), log.find(']', at) - at - key.size());
      const std::string db = test::slurp("sample.db");
      const size_t entry = db.find(comment);
      ASSERT_NE(entry, std::string::npos) << comment;
      const std::vector<std::string> pval = words(db.substr(db.find("PVAL", entry), 60));
      const float kappa = std::stof(pval[2]), kappa_prime = std::stof(pval[3]);
      ASSERT_NE(kappa, kappa_prime);  // else a swap could not show
      bool found = false;
      for (auto row : b.find("_atom_rho_multipole_kappa.",
                             {"atom_label", "base", "prime0", "prime1", "prime2", "prime3", "prime4"}))
        if (row.str(0) == "C(1)") {
          found = true;
          EXPECT_FLOAT_EQ(std::stof(row.str(1)), kappa);
          for (int c = 2; c <= 6; ++c) EXPECT_FLOAT_EQ(std::stof(row.str(c)), kappa_prime) << c;
        }
      EXPECT_TRUE(found);
    }

    // every rhoCIF name used is one the dictionary defines
    const fs::path dic = fs::path(VORN_SHARED_DATA) / "cif_rho/cif_rho.dic";
    if (!fs::exists(dic)) GTEST_SKIP() << "rhoCIF dictionary absent: " << dic;  // InTempDir restores the directory
    const std::string text = test::slurp(dic);
    for (const auto& item : b.items)
      for (const std::string& tag :
           item.type == gemmi::cif::ItemType::Loop ? item.loop.tags : std::vector<std::string>{item.pair[0]})
        // the dictionary's Slater items stop at l = 3; n4 and zeta4 carry the hexadecapoles' function
        if ((tag.rfind("_atom_local_axes.", 0) == 0 || tag.rfind("_atom_rho_", 0) == 0) &&
            tag != "_atom_rho_multipole_radial_slater.n4" && tag != "_atom_rho_multipole_radial_slater.zeta4") {
          EXPECT_NE(text.find("_definition.id                '" + tag + "'"), std::string::npos) << tag;
        }
    fs::current_path(dir_);
  }
}

// Every published CIF runs end to end and writes vorn.cif with one axis row per atom site.
TEST_F(CifRun, EveryPublishedCifRunsAndWritesVornCif) {
  const fs::path dir = fs::path(VORN_SHARED_DATA) / "cif";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "shared CIFs absent: " << dir;
  int n = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().extension() != ".cif") continue;
    const std::string name = e.path().stem();
    SCOPED_TRACE(name);
    fs::create_directory(name);
    fs::copy_file(e.path(), name + "/s.cif");
    const std::string con = job(name, std::string("FORMAT *cif\nINPUT s.cif ") + kOptions);
    EXPECT_EQ(con.find("ERROR"), std::string::npos) << con.substr(con.size() > 400 ? con.size() - 400 : 0);
    ASSERT_TRUE(fs::exists(name + "/vorn.cif"));
    gemmi::cif::Document in = gemmi::cif::read_file(e.path().string());
    gemmi::cif::Document out = gemmi::cif::read_file(name + "/vorn.cif");
    size_t sites = 0;
    for (auto& blk : in.blocks) sites = std::max<size_t>(sites, blk.find_values("_atom_site_label").length());
    EXPECT_EQ(out.sole_block().find_values("_atom_local_axes.atom_label").length(), sites);
    ++n;
  }
  EXPECT_GT(n, 0);
}
