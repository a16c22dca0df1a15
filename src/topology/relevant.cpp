// Relevant cycles: every simple cycle up to a size, kept when smaller cycles do not sum to it.
#include "topology/relevant.h"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>

#include "util/err.h"

namespace vorn {

namespace {

struct Cycle {
  std::vector<int> path;    // vertices in cycle order
  std::vector<int> sorted;  // the same, ascending
  std::vector<int> bonds;   // bond ids, ascending
};

// Enumerates each simple cycle once: from its smallest vertex r, through vertices above r only,
// and in the direction whose second vertex is smaller than its last.
struct Enumerator {
  const std::vector<std::vector<int>>& adj;
  int maxsize;
  long long budget;
  long long steps = 0;
  std::vector<int> dist;     // bond count to the root through vertices >= root, capped
  std::vector<char> on_path;
  std::vector<int> path;
  std::vector<Cycle>* out = nullptr;
  int cap = 0;

  void spend() {
    if (++steps > budget)
      err("FindRings", "the ring system is too large to search for rings of up to " + std::to_string(maxsize) +
                           " atoms (more than " + std::to_string(budget) + " steps): narrow the RINGS range");
  }

  // Breadth-first distances from r over vertices >= r, to depth cap; farther ones get cap + 1,
  // still a lower bound, so the pruning below never drops a cycle.
  void distances(int r, std::vector<int>& touched) {
    std::vector<int> layer{r}, next;
    dist[r] = 0;
    touched.push_back(r);
    for (int d = 1; d <= cap && !layer.empty(); ++d) {
      next.clear();
      for (int v : layer)
        for (int w : adj[v]) {
          spend();
          if (w > r && dist[w] > cap) {
            dist[w] = d;
            touched.push_back(w);
            next.push_back(w);
          }
        }
      layer.swap(next);
    }
  }

  void extend(int r) {
    const int v = path.back();
    const int len = static_cast<int>(path.size());
    for (int w : adj[v]) {
      spend();
      if (w == r) {
        if (len >= 3 && path[1] < v) {
          Cycle c;
          c.path = path;
          out->push_back(std::move(c));
        }
        continue;
      }
      if (w < r || on_path[w]) continue;
      // w becomes vertex len+1; the way back to r needs at least dist[w] more bonds
      if (len + dist[w] > maxsize) continue;
      on_path[w] = 1;
      path.push_back(w);
      extend(r);
      path.pop_back();
      on_path[w] = 0;
    }
  }
};

using Bonds = std::vector<int>;

Bonds sum(const Bonds& a, const Bonds& b) {
  Bonds s;
  std::set_symmetric_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(s));
  return s;
}

// Reduces v by the basis (keyed by each member's largest bond); empty when v lies in its span.
Bonds reduce(Bonds v, const std::unordered_map<int, Bonds>& basis) {
  while (!v.empty()) {
    const auto it = basis.find(v.back());
    if (it == basis.end()) break;
    v = sum(v, it->second);
  }
  return v;
}

}  // namespace

std::vector<std::vector<int>> relevant_cycles(const std::vector<std::vector<int>>& adj, int maxsize,
                                              long long budget) {
  const int n = static_cast<int>(adj.size()) - 1;
  std::vector<std::vector<int>> result;
  if (n < 3 || maxsize < 3) return result;

  // bond ids over unordered pairs
  std::map<std::pair<int, int>, int> bond_id;
  for (int v = 1; v <= n; ++v)
    for (int w : adj[v]) bond_id.emplace(std::make_pair(std::min(v, w), std::max(v, w)), 0);
  int id = 0;
  for (auto& b : bond_id) b.second = ++id;

  std::vector<Cycle> cycles;
  Enumerator e{adj, maxsize, budget, 0, {}, {}, {}, nullptr, 0};
  e.dist.assign(static_cast<size_t>(n) + 1, 0);
  e.on_path.assign(static_cast<size_t>(n) + 1, 0);
  e.out = &cycles;
  // a deeper search for exact distances would cost more than the pruning saves
  e.cap = std::min(maxsize / 2, 8);
  std::vector<int> touched;
  std::fill(e.dist.begin(), e.dist.end(), e.cap + 1);
  for (int r = 1; r <= n; ++r) {
    if (adj[r].size() < 2) continue;
    touched.clear();
    e.distances(r, touched);
    e.path.assign(1, r);
    e.on_path[r] = 1;
    e.extend(r);
    e.on_path[r] = 0;
    for (int v : touched) e.dist[v] = e.cap + 1;
  }

  for (Cycle& c : cycles) {
    const int len = static_cast<int>(c.path.size());
    for (int i = 0; i < len; ++i) {
      const int a = c.path[i], b = c.path[(i + 1) % len];
      c.bonds.push_back(bond_id.at(std::make_pair(std::min(a, b), std::max(a, b))));
    }
    std::sort(c.bonds.begin(), c.bonds.end());
    c.sorted = c.path;
    std::sort(c.sorted.begin(), c.sorted.end());
  }
  std::sort(cycles.begin(), cycles.end(), [](const Cycle& a, const Cycle& b) {
    return a.path.size() != b.path.size() ? a.path.size() < b.path.size() : a.sorted < b.sorted;
  });

  // Size by size: a cycle is relevant when the cycles smaller than it do not span it; only then
  // do the cycles of its own size join the basis, so that equal rings cannot exclude each other.
  std::unordered_map<int, Bonds> basis;
  for (size_t i = 0; i < cycles.size();) {
    size_t j = i;
    while (j < cycles.size() && cycles[j].path.size() == cycles[i].path.size()) ++j;
    for (size_t k = i; k < j; ++k)
      if (!reduce(cycles[k].bonds, basis).empty()) result.push_back(cycles[k].path);
    for (size_t k = i; k < j; ++k) {
      Bonds v = reduce(cycles[k].bonds, basis);
      if (!v.empty()) {
        const int pivot = v.back();
        basis.emplace(pivot, std::move(v));
      }
    }
    i = j;
  }
  return result;
}

}  // namespace vorn
