// Published SHELX result files: atom count and operator count, or the stop each file must meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "../support.h"
#include "readers/shelx.h"
#include "util/err.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

// Files the reader must refuse, with the place and the message of the stop: none of the
// published files any more.
struct Expected {
  const char* where;
  const char* part;
};
const std::map<std::string, Expected> kStops = {};

// What the files beyond the old limits must give: operators, atoms on special positions (by
// element), and SCAT lines that must be in the master file.
struct Beyond {
  int ns;
  std::vector<int> special;
  std::vector<std::string> scat;
};
const std::map<std::string, Beyond> kBeyond = {
    {"fe_perchlorate_hydrate_R-3c.res", {36, {26, 17}, {}}},  // R centring, -3c
    {"ag_in_al_fluoroalkoxide_P21n.res",
     {4, {}, {"Ag   CHFW CHFW CSZD    2   2   2   2   6   6   6  10 -10   0  -1   0",
              "In   CHFW CHFW CSZD    2   2   2   2   6   6   6  10  10   0  -2  -1"}}},
    {"in_al_1529atoms_P-1.res", {2, {}, {"In   CHFW CHFW CSZD    2   2   2   2   6   6   6  10  10   0  -2  -1"}}},
    {"NaCl_Fm-3m.res", {192, {11, 17}, {}}},  // 24 cards x 4 points x 2
};

std::string up4(const std::string& l) {
  std::string s = l.substr(0, std::min<size_t>(4, l.size()));
  s.resize(4, ' ');
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool is_number(const std::string& w) {
  if (w.empty()) return false;
  char* end = nullptr;
  std::strtod(w.c_str(), &end);
  return end && *end == '\0';
}

// What the file itself says: atom lines are a name in column 1 followed by an integer type and
// at least five more numbers (x y z sof U), on their own or with "=" continuation lines,
// between the title and HKLF/END; SHELXL's instructions never count.
struct Census {
  int atoms = 0;
  int symm = 0;
  int latt = 1;
};

Census census(const fs::path& p) {
  static const std::set<std::string> ins = {
      "ABIN", "ACTA", "AFIX", "ANIS", "ANSC", "ANSR", "BASF", "BEDE", "BIND", "BLOC", "BOND", "BUMP", "CELL",
      "CGLS", "CHIV", "CONF", "CONN", "DAMP", "DANG", "DEFS", "DELU", "DFIX", "DISP", "EADP", "EQIV", "EXTI",
      "EXYZ", "FEND", "FLAT", "FMAP", "FRAG", "FREE", "FVAR", "GRID", "HFIX", "HOPE", "HTAB", "ISOR", "L.S.",
      "LATT", "LAUE", "LIST", "LONE", "MERG", "MORE", "MOVE", "MPLA", "NCSY", "NEUT", "OMIT", "PART", "PLAN",
      "PRIG", "REM ", "RESI", "RIGU", "RTAB", "SADI", "SAME", "SFAC", "SHEL", "SIMU", "SIZE", "SPEC", "STIR",
      "SUMP", "SWAT", "SYMM", "TEMP", "TIME", "TITL", "TWIN", "TWST", "UNIT", "WGHT", "WIGL", "WPDB", "XNPD",
      "ZERR"};
  std::ifstream in(p);
  std::string l;
  Census c;
  bool titled = false, done = false, joined = false;
  std::string pending;
  auto finish = [&]() {
    if (pending.empty()) return;
    std::istringstream ws(pending);
    std::vector<std::string> w;
    for (std::string t; ws >> t;)
      if (t != "=") w.push_back(t);
    int nums = 0;
    for (size_t k = 1; k < w.size(); ++k) nums += is_number(w[k]);
    const bool type_ok = w.size() > 1 && w[1].find_first_not_of("0123456789") == std::string::npos;
    if (type_ok && nums >= 6) ++c.atoms;
    pending.clear();
  };
  while (std::getline(in, l)) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    const std::string k = up4(l);
    if (k == "SYMM") ++c.symm;
    if (k == "LATT") c.latt = std::stoi(l.substr(4));
    const bool continues = !l.empty() && l.find_last_not_of(' ') != std::string::npos &&
                           l[l.find_last_not_of(' ')] == '=';
    if (joined) {  // continuation of the previous line
      if (!pending.empty()) pending += " " + l;
      joined = continues;
      if (!joined) finish();
      continue;
    }
    joined = continues;
    if (k == "TITL") titled = true;
    if (k == "HKLF" || k == "END ") done = true;
    if (!titled || done || l.empty() || !std::isalpha(static_cast<unsigned char>(l[0])) || ins.count(k)) continue;
    pending = l;
    if (!joined) finish();
  }
  return c;
}

int lattice_points(int latt) {
  switch (std::abs(latt)) {
    case 1: return 1;
    case 3: return 3;
    case 4: return 4;
    default: return 2;
  }
}

}  // namespace

TEST(RealShelx, EveryPublishedFileReadsOrStopsAsExpected) {
  const fs::path dir = fs::path(VORN_SHARED_DATA) / "shelx";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no shared SHELX data folder at " << dir;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".res") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty()) << "no .res files in " << dir;

  const fs::path scratch = fs::temp_directory_path() / ("vorn_realshelx_" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  int read = 0, stopped = 0;
  for (const fs::path& p : files) {
    SCOPED_TRACE(p.filename().string());
    vorn::Run run;
    std::ostringstream console;
    test::open_reader_outputs(run, scratch, console);
    const auto stop = kStops.find(p.filename().string());
    try {
      readshelx(run, p.string());
      EXPECT_EQ(stop, kStops.end()) << "expected a stop in " << stop->second.where;
      const Census c = census(p);
      EXPECT_EQ(run.atoms.ia, c.atoms);
      EXPECT_EQ(run.symm.ns, (c.symm + 1) * lattice_points(c.latt) * (c.latt > 0 ? 2 : 1));
      // decoded occupancies are fractions; riding hydrogens got a positive Uiso from their parent
      // (heavy atoms may keep a refined negative Uiso: al_ga_cluster has one)
      int bad = 0;
      for (int i = 1; i <= run.atoms.ia; ++i) {
        if (run.atoms1.occ[i] < 0.0f || run.atoms1.occ[i] > 1.0f) ++bad;
        if (run.atoms.itype[i] == 1 && run.at_uij.u[i][0] <= 0.0f) ++bad;
      }
      EXPECT_EQ(bad, 0);
      if (const auto b = kBeyond.find(p.filename().string()); b != kBeyond.end()) {
        EXPECT_EQ(run.symm.ns, b->second.ns);
        for (int z : b->second.special) {
          bool on_special = false;
          for (int i = 1; i <= run.atoms.ia; ++i)
            if (run.atoms.itype[i] == z && run.atoms1.iaf[i] == 1) on_special = true;
          EXPECT_TRUE(on_special) << "no atom of element " << z << " on a special position";
        }
        run.imas.flush();
        const std::string mas = test::slurp((scratch / "xd_vorn.mas").string());
        for (const std::string& s : b->second.scat) EXPECT_NE(mas.find(s), std::string::npos) << s;
      }
      ++read;
    } catch (const Fatal& f) {
      ASSERT_NE(stop, kStops.end()) << "unexpected stop: " << f.where << ": " << f.message;
      EXPECT_EQ(f.where, stop->second.where);
      EXPECT_NE(f.message.find(stop->second.part), std::string::npos) << f.message;
      ++stopped;
    }
  }
  fs::remove_all(scratch);
  EXPECT_EQ(stopped, static_cast<int>(kStops.size()));
  EXPECT_GT(read, 0);
}
