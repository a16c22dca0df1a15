// The run context: every shared record, the open files and the console, passed to each stage.
#pragma once
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "model/progress.h"
#include "model/records.h"

namespace vorn {

struct DbIndex;  // the databank read once, built by the databank stage
struct DbMemo;   // search results by query, kept by the databank stage

// How the databank is searched: through the index read once, or by reading the file again
// for every atom (the reference the index is checked against).
enum class DbSearch { index, rescan };

// Which algorithms the stages use: the fast ones, or the literal ones of the description
// (all-pairs scans, searches over every earlier atom, dummy and ring) that they are checked
// against. Both give the same files.
enum class Algorithms { fast, literal };

// Wall time of each stage of a run, in order, for the benchmarks.
struct StageTime {
  std::string stage;
  double seconds = 0;
};

// Warnings of the run by kind, in the order first met, each with the atoms it names in order;
// the closing summary counts them and names the first few atoms of each.
struct WarningTally {
  std::vector<std::pair<std::string, std::vector<std::string>>> kinds;
};

struct Run {
  // structure
  Atoms atoms;
  Atoms1 atoms1;
  AtUij at_uij;
  AtTypes at_types;
  UCell ucell;
  Transf transf;
  Symm symm;
  Shelx1 shelx1;
  Resi1 resi1;
  Idents idents;
  Cryst cryst;
  Sites sites;
  // settings
  Settings set;
  int nsft = 0;  // scattering-factor types in use
  std::string amodel = "TEST" + std::string(16, ' ');  // text(20): the XD model name, from an XD input file
  std::vector<std::string> xdold;  // the old XD master file's lines (XD input), read before xd_vorn.mas is created
  // topology
  Neighbors neighbors;
  Conmat conmat;
  Newat newat;
  Rings rings;
  Choices choices;
  Forring forring;
  // local axes, parameters, equivalence
  Mpoles mpoles;
  Mpoles1 mpoles1;
  Kappas kappas;
  Kappaset kappaset;
  Dummy dummy;
  Except except;
  DbCount dbcount;
  DbSearch dbsearch = DbSearch::index;
  Algorithms algorithms = Algorithms::fast;
  std::shared_ptr<const DbIndex> dbindex;  // built from idb at the first search
  std::shared_ptr<DbMemo> dbmemo;          // results of the searches through dbindex
  std::vector<bool> ichemcon;
  std::vector<StageTime> stage_times;
  std::set<std::string> widened;  // "file field" of each identifier field widened past its width
  Forh forh;
  PerAtomText text;
  WarningTally warnings;

  // files: the driver opens the long-lived ones, stages append in a fixed order
  std::ofstream imas;   // xd_vorn.mas
  std::ofstream ipro;   // mopro_vorn.par
  std::ofstream icon;   // con_mopro.inp
  std::ofstream nout;   // vorn.out, the log
  std::ofstream iplat;  // vorn.spf
  std::ofstream ixp;    // xd_vorn.inp
  std::ofstream ifh;    // fixedH.ins
  std::ofstream irb;    // reset.bond
  std::ofstream icb;    // const.bond
  std::ofstream ires;   // res_mopro.inp
  std::ifstream idb;    // databank

  std::ostream* console = &std::cout;
  std::istream* input = &std::cin;

  // how the run was started (set by the driver from the command line)
  bool unattended = false;         // nobody answers prompts: a missing charge is 0, a missing databank stops
  bool control_in_memory = false;  // the control lines are control_text, not ./vorn.inp
  std::string control_text;
  Progress progress;               // the updating console line of long stages

  Run();
};

// Number of per-atom slots in use (atoms 1..natoms, slot 0 unused).
int atom_slots(const Run& run);

// Appends one atom with the cleared defaults (occupancy 1, blank texts) and returns its
// number; stops the run with "Too many atoms" from `where` past the capacity.
int add_atom(Run& run, const std::string& where);

// Stops the run with "Too many atoms" from `where` when n atoms pass the capacity.
void check_atom_capacity(long long n, const std::string& where);

// Resizes every per-atom table to hold atoms 1..n.
void resize_atoms(Run& run, int n);

// Makes room in every per-atom table for atoms 1..n, and as many again for the images later
// stages add, without adding any: a reader that knows its count spares the tables their
// growth by copying.
void reserve_atoms(Run& run, long long n);

// Covalent radius of atom j; an element without one (heavier than U, or none) stops the
// run from `place`.
float covrad_of(const Run& run, int j, const std::string& place);

}  // namespace vorn
