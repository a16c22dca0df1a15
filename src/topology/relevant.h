// Relevant cycles of a bond graph: the simple cycles that are no sum of smaller cycles.
#pragma once
#include <vector>

namespace vorn {

// The relevant cycles of 3..maxsize atoms of the graph adj (adj[v]: the partners of vertex v,
// vertices 1..adj.size()-1, bonds listed from both ends). A simple cycle is relevant when its
// bond set is not the sum (symmetric difference) of bond sets of strictly smaller cycles: the
// envelope of two fused rings is the sum of the two and is left out, the three six-membered
// rings of a bicyclo[2.2.2] cage are all kept. The set depends on the graph alone, not on how
// its vertices are numbered. Each cycle is listed from its smallest vertex towards the smaller
// of that vertex's two cycle partners; cycles come by size, then by their sorted vertices.
// Stops the run (place "FindRings") when the search would take more than `budget` steps.
std::vector<std::vector<int>> relevant_cycles(const std::vector<std::vector<int>>& adj, int maxsize,
                                              long long budget);

}  // namespace vorn
