// Functional-group recognition of one atom: a decision tree on elements, neighbour counts and rings.
#pragma once
#include <vector>

#include "model/run.h"

namespace vorn {

// Atoms printgroup lists at most.
constexpr int maxgroupatoms = 100;

// Sets iexp(k) and group(k) (40 characters, mixed case as stored; the caller upper-cases it).
// A terminal oxygen on a four-coordinate phosphorus also sets iexp of that phosphorus.
// Writes the check lines and the unknown-group reports to the log, and group.ang through
// printgroup for most unknown groups.
void detexcept(Run& run, int k);

// The report of group.ang for atom k: the atom and every atom up to three bonds away (at most
// maxgroupatoms; further atoms are left out and the log says so). It replaces the report of
// an earlier unknown group; write_group_ang writes the last one.
void printgroup(Run& run, int k);

// Writes group.ang from the last report, once every atom is done: a protein has thousands of
// unknown groups, and opening the file for each cost more than the rest of their handling.
void write_group_ang(const Run& run);

// 1 when l is already in idum; otherwise appends l and returns 0, unless idum already holds
// nda atoms: then idum is left alone and the result is -1.
int checkat(int nda, std::vector<int>& idum, int l);

// The neighbours of atom k in list order, followed by k itself.
std::vector<int> collectnei(const Run& run, int k);

}  // namespace vorn
