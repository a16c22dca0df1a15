// The closing summary: counts of the model and of each warning kind, with the first atoms named.
#include "driver/closing.h"

#include <utility>

#include "model/log.h"
#include "util/format.h"

namespace vorn {

namespace {

// Site-symmetry labels in the order the key table lists them; others follow as first met.
constexpr const char* kLabels[] = {"NO", "m", "mm2", "3m", "-42m", "cyl", "C", "2", "2/m", "222", "mmm", "4", "3"};

std::string site_symmetries(const Run& run) {
  std::vector<std::pair<std::string, int>> counts;
  for (const char* l : kLabels) counts.push_back({l, 0});
  for (int i = 1; i <= run.atoms.ia; ++i) {
    const std::string a = fmt::trim(run.atoms.asym[i]);
    if (a.empty()) continue;
    bool known = false;
    for (auto& [label, n] : counts)
      if (label == a) ++n, known = true;
    if (!known) counts.push_back({a, 1});
  }
  std::string s;
  for (const auto& [label, n] : counts)
    if (n > 0) s += "  " + label + " " + std::to_string(n);
  return s.empty() ? "  none" : s;
}

std::string named(const std::vector<std::string>& atoms) {
  std::string s;
  for (size_t k = 0; k < atoms.size() && k < static_cast<size_t>(summary_named); ++k) s += " " + atoms[k];
  if (atoms.size() > static_cast<size_t>(summary_named)) s += " ...";
  return s;
}

}  // namespace

std::vector<std::string> closing_lines(const Run& run) {
  std::vector<std::string> l;
  l.push_back(" Closing summary :");
  l.push_back("   Atoms in the asymmetric unit : " + fmt::i(run.atoms.ia, 8));
  l.push_back("   Site symmetries              :" + site_symmetries(run));
  l.push_back("   Dummy atoms                  : " + fmt::i(run.dummy.ndum, 8));
  l.push_back("   Kappa sets                   : " + fmt::i(run.kappas.nkap, 8));
  if (run.set.ldb)
    l.push_back("   Databank matches             : " + fmt::i(run.dbcount.nfound, 8) + " of " +
                std::to_string(run.dbcount.ntot) + " atoms searched");
  if (run.warnings.kinds.empty()) {
    l.push_back("   Warnings                     :     none");
    return l;
  }
  l.push_back("   Warnings :");
  for (const auto& [kind, atoms] : run.warnings.kinds)
    l.push_back("   " + fmt::i(static_cast<long long>(atoms.size()), 8) + " x " + kind + " :" + named(atoms));
  return l;
}

void closing_summary(Run& run) {
  both(run, "");
  for (const std::string& line : closing_lines(run)) both(run, line);
}

}  // namespace vorn
