// Unique atom labels: later atoms whose label repeats an earlier one are renamed.
#include "readers/labels.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <unordered_map>
#include <vector>

#include "model/log.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"
#include "util/text.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "UniqueLabels";

// Element part of a new label: the letters before "(" as the label writes them (Cl, CL, or D
// for a deuterium), else the atom's element symbol (labels such as C1 or C1(2)).
std::string element_part(const Run& run, int i) {
  const std::string l = fmt::trim(run.atoms.atom[i]);
  const size_t o = l.find('(');
  if (o != std::string::npos && o > 0 &&
      std::all_of(l.begin(), l.begin() + static_cast<long>(o), [](unsigned char ch) { return std::isalpha(ch) != 0; }))
    return l.substr(0, o);
  return upper(fmt::trim(symbat(run.atoms.itype[i])));
}

// The leading number inside the parentheses (12 of C(12A)), or 0.
long long label_number(const std::string& label) {
  const size_t o = label.find('(');
  if (o == std::string::npos) return 0;
  long long n = 0;
  for (size_t k = o + 1; k < label.size() && std::isdigit(static_cast<unsigned char>(label[k])) && n < 1000000; ++k)
    n = n * 10 + (label[k] - '0');
  return n;
}

// How the log names atom i as the file wrote it: "C1 of residue 2 THF".
std::string as_written(const Run& run, int i) {
  if (static_cast<int>(run.idents.id.size()) <= i) return fmt::trim(run.atoms.atom[i]);
  const AtomIdent& id = run.idents.id[i];
  std::string s = id.label.empty() ? fmt::trim(run.atoms.atom[i]) : id.label;
  if (!id.resnum.empty() || !id.resname.empty()) {
    s += " of residue";
    if (!id.resnum.empty()) s += " " + id.resnum;
    if (!id.resname.empty()) s += " " + id.resname;
  }
  return s;
}

void unique_mopro_names(Run& run) {
  Resi1& r = run.resi1;
  if (!r.resi11) return;
  std::unordered_map<std::string, int> seen;
  for (int i = 1; i <= run.atoms.ia && i < static_cast<int>(r.resi2.size()); ++i) {
    if (seen.emplace(upper(r.resi2[i]), i).second) continue;
    // the unique label stands in for the file's name; the residue stays
    std::string name = fmt::pad(run.atoms.atom[i], 10);
    erbras(name);
    name = fmt::pad(fmt::trim(name), 6);
    // the old name may have widened past its 6 characters: it ends at its first blank
    const auto rest = [](const std::string& s) { return s.substr(std::min(std::max<size_t>(6, s.find(' ')), s.size())); };
    r.resi1[i] = name + rest(r.resi1[i]);
    r.resi2[i] = name + rest(r.resi2[i]);
    seen.emplace(upper(r.resi2[i]), i);
  }
}

}  // namespace

std::string label_key(const std::string& label) {
  std::string s = fmt::trim(label);
  if (auto o = s.find('('); o != std::string::npos) s.erase(o, 1);
  if (auto c = s.find(')'); c != std::string::npos) s.erase(c, 1);
  return upper(s);
}

void unique_labels(Run& run) {
  const int ia = run.atoms.ia;
  std::unordered_map<std::string, int> taken;
  std::vector<int> repeats;
  for (int i = 1; i <= ia; ++i)
    if (!taken.emplace(label_key(run.atoms.atom[i]), i).second) repeats.push_back(i);
  if (!repeats.empty()) {
    // new numbers continue after the highest one each element already uses
    std::map<std::string, long long> next;
    for (int i = 1; i <= ia; ++i) {
      long long& n = next[upper(element_part(run, i))];
      n = std::max(n, label_number(run.atoms.atom[i]) + 1);
    }
    for (int i : repeats) {
      const std::string el = element_part(run, i);
      long long& n = next[upper(el)];
      auto name = [&el](long long m) { return el + "(" + std::to_string(m) + ")"; };
      auto fits = [&name](long long m) { return static_cast<int>(name(m).size()) <= labw; };
      // past the highest number (a long label cut to C(123456) leaves no room) the gaps from 1 are used
      if (!fits(n)) n = 1;
      while (fits(n) && taken.count(label_key(name(n)))) ++n;
      if (!fits(n))
        err(kPlace, "No unique label of 8 characters left for atom " + std::to_string(i) + " " + as_written(run, i));
      const std::string label = name(n++);
      taken.emplace(label_key(label), i);
      const std::string old = fmt::trim(run.atoms.atom[i]);
      logl(run, " Warning : atom " + std::to_string(i) + " (" + as_written(run, i) + ") repeats the label " + old +
                    " of atom " + std::to_string(taken.at(label_key(old))) + ": renamed " + label);
      tally_warning(run, "duplicate label renamed", label);
      run.atoms.atom[i] = fmt::pad(label, labw);
    }
  }
  unique_mopro_names(run);
}

}  // namespace vorn
