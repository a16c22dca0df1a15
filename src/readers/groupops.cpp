// Symmetry operators of a space group split as SHELX stores them: centring letter, inversion and the remaining cards.
#include "readers/groupops.h"

#include <algorithm>
#include <set>

#include "model/log.h"
#include "symmetry/symop.h"
#include "util/err.h"
#include "util/format.h"

namespace vorn {

namespace {

bool same_rot(const gemmi::Op::Rot& a, const gemmi::Op::Rot& b) { return a == b; }

gemmi::Op wrapped(gemmi::Op op) { return op.wrap(); }

}  // namespace

std::vector<gemmi::Op> group_list(const gemmi::GroupOps& g) {
  std::vector<gemmi::Op> ops;
  for (const auto& c : g.cen_ops)
    for (const auto& op : g.sym_ops) ops.push_back(op.add_centering(c));
  return ops;
}

Lattice split_operators(const std::vector<gemmi::Op>& given, std::vector<gemmi::Op>& cards,
                        std::vector<std::string>& texts, const std::string& place) {
  const gemmi::Op id = gemmi::Op::identity();
  std::set<gemmi::Op> set;
  std::vector<gemmi::Op> list;  // given order, duplicates dropped
  for (const auto& op : given)
    if (set.insert(wrapped(op)).second) list.push_back(op);
  for (const auto& a : set)
    for (const auto& b : set)
      if (!set.count(a * b))
        err(place, "Symmetry operators do not form a group: " + a.triplet() + " after " + b.triplet() + " gives " +
                        (a * b).triplet() + ", which is not listed");
  if (!set.count(id)) err(place, "Symmetry operators do not form a group: x,y,z is not listed");

  std::vector<gemmi::Op::Tran> cen;
  for (const auto& w : set)
    if (same_rot(w.rot, id.rot)) cen.push_back(w.tran);
  std::sort(cen.begin(), cen.end());
  Lattice lat;
  lat.letter = 0;
  for (char c : {'P', 'A', 'B', 'C', 'I', 'F', 'R'}) {
    auto v = gemmi::centring_vectors(c);
    std::sort(v.begin(), v.end());
    if (v == cen) lat.letter = c;
  }
  if (lat.letter == 0) err(place, "Centring translations of the symmetry operators are not those of a P, A, B, C, I, F or R lattice");
  lat.centro = false;
  for (const auto& c : cen)
    if (set.count(wrapped({id.negated_rot(), c}))) lat.centro = true;

  std::vector<gemmi::Op> kept{id};
  for (const auto& op : list) {
    const gemmi::Op w = wrapped(op);
    if (same_rot(w.rot, id.rot)) continue;
    bool covered = false;
    for (const auto& k : kept)
      for (const auto& c : cen) {
        covered = covered || k.add_centering(c) == w;
        if (lat.centro) covered = covered || gemmi::Op{k.negated_rot(), k.tran}.add_centering(c) == w;
      }
    if (covered) continue;
    kept.push_back(w);
    cards.push_back(op);
  }
  const size_t per_card = cen.size() * (lat.centro ? 2 : 1);
  if (kept.size() * per_card != set.size())
    err(place, "Symmetry operators do not form a group: " + std::to_string(set.size()) + " operators for " +
                    std::to_string(kept.size()) + " cards of lattice " + lat.letter);
  for (const auto& op : cards) {
    std::string card;
    for (char ch : op.triplet('X')) card += ch == ',' ? std::string(", ") : std::string(1, ch);
    texts.push_back(card);
    lat.symlist.push_back(fmt::pad(" " + card, 30));  // columns 5-34 of the SYMM line, as SHELX keeps them
  }
  return lat;
}

void put_operators(Run& run, const std::vector<gemmi::Op>& cards) {
  Symm& s = run.symm;
  s.ns = 1 + static_cast<int>(cards.size());
  s.fs.assign(s.ns + 1, Mat3{});
  s.ts.assign(s.ns + 1, Vec3{});
  s.fs[1] = unit_matrix();
  const float den = static_cast<float>(gemmi::Op::DEN);
  for (size_t n = 0; n < cards.size(); ++n)
    for (int j = 0; j < 3; ++j) {
      s.ts[n + 2][j] = static_cast<float>(cards[n].tran[j]) / den;
      for (int i = 0; i < 3; ++i) s.fs[n + 2][i][j] = static_cast<float>(cards[n].rot[j][i]) / den;
    }
  for (int n = 1; n <= s.ns; ++n) logl(run, symout(s.fs[n], s.ts[n], n));
}

void write_symmetry_head(Run& run, float rlam, const Lattice& lat, const std::vector<gemmi::Op>& cards,
                         const std::vector<std::string>& texts, const std::string& place) {
  write_mas_banner(run);
  write_cell(run, rlam);
  run.imas << latt_line(lat) << '\n';
  for (const auto& t : texts) run.imas << "SYMM " << t << '\n';
  write_scat(run);
  write_mopro_symm(run, lat);
  log_lattice(run, lat);
  put_operators(run, cards);
  finish_symmetry(run, lat, place);
  both(run, kAtomListHeader);
}

}  // namespace vorn
