// The PLATON plot file vorn.spf: head and tail.
#include "writers/plotfile.h"

#include <string>

#include "model/tables.h"
#include "util/format.h"
#include "util/geometry.h"

namespace vorn {

namespace {

constexpr const char* kDisplay[] = {
    "SOLID COLOR", "COLOR TYPE X GREEN Y YELLOW Z BROWN D ORANGE", "RADII ATOMS ALL 0.06",
    "RADII ATOMS X 0.02", "RADII ATOMS Y 0.02", "RADII ATOMS Z 0.02", "RADII BONDS ALL 0.01 1",
    "RADII BONDS TO X 0.01 1", "RADII BONDS TO Y 0.01 1", "RADII BONDS TO Z 0.01 1",
    "RADII BONDS TO D 0.00 0", "DETACH X Y", "DETACH X Z", "DETACH Y Z", "DETACH X X",
    "DETACH Y Y", "DETACH Z Z", "LABEL ON", "LABEL H", "UNLABEL X Y Z"};

constexpr const char* kDummyDisplay[] = {"RADII ATOMS D 0.02", "DETACH D X", "DETACH D Y",
                                         "DETACH D Z", "LABEL D"};

// Elements past Xe have no covalent radius; they are drawn with the largest one, 2.16.
float plot_radius(const Run& run, int z) { return z >= 1 && z <= 54 ? run.set.covrad[z] : 2.16f; }

}  // namespace

void spf_head(Run& run) { run.iplat << "TITL X-green, Y-yellow, Z-brown, Dummy(D)-orange\nANGSTROM\n"; }

void spf_tail(Run& run) {
  const int ndum = run.dummy.ndum;
  for (int j = 1; j <= ndum; ++j) {
    Vec3 p = run.set.ifra == 1 ? rabs(run.transf, 0, run.dummy.xdum[j]) : run.dummy.xdum[j];
    // the number field widens past 9 so that every dummy keeps its own label
    run.iplat << "ATOM D(" << fmt::i(j, j < 10 ? 1 : static_cast<int>(std::to_string(j).size())) << ")  "
              << fmt::f(p[0], 14, 4) << fmt::f(p[1], 14, 4) << fmt::f(p[2], 14, 4) << '\n';
  }
  std::string join = "JOIN RADII ";
  for (int k = 1; k <= run.at_types.ntyp; ++k) {
    int z = run.at_types.iatype[k];
    join += " " + symbat(z) + fmt::f(plot_radius(run, z), 5, 2);
  }
  for (const char* l : {"X", "Y", "Z"}) join += std::string(" ") + l + fmt::f(0.01f, 5, 2);
  if (ndum > 0) join += " D" + fmt::f(0.01f, 5, 2);
  run.iplat << join << '\n';
  for (const char* l : kDisplay) run.iplat << l << '\n';
  if (ndum > 0) {
    for (const char* l : kDummyDisplay) run.iplat << l << '\n';
    for (int k = 1; k <= run.at_types.ntyp; ++k) run.iplat << "DETACH D " << symbat(run.at_types.iatype[k]) << '\n';
  }
  run.iplat << "PLOT\n";
}

}  // namespace vorn
