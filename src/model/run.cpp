// The run context and the growth of its per-atom tables.
#include "model/run.h"

#include <algorithm>

#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"

namespace vorn {

Run::Run() {
  for (int z = 1; z <= maxcovz; ++z) set.covrad[z] = covrad_default[z];
  shelx1.fvar[1] = 1.0f;
  shelx1.wght[1] = -2.0f;
  shelx1.wght[6] = 1.0f / 3.0f;
  resize_atoms(*this, 0);
}

int atom_slots(const Run& run) { return static_cast<int>(run.atoms.atom.size()); }

namespace {

// Every per-atom table with the value a new atom gets, handed to f(table, value): the one
// list that growing and reserving both walk.
template <class F>
void each_atom_table(Run& run, F&& f) {
  // the blank texts are made once: an atom is added a hundred thousand times in a protein.
  // The long ones start empty, which every reader pads to its width, and take no heap until
  // an atom is given one: four blank lines of a hundred characters were 45 MB in a protein.
  static const std::string kLabel(labw, ' '), kAsym(5, ' ');
  f(run.atoms.atom, kLabel);
  f(run.atoms.xf, Vec3{});
  f(run.atoms.xc, Vec3{});
  f(run.atoms.itype, 0);
  f(run.atoms.asym, kAsym);
  f(run.atoms1.iut, 0);
  f(run.atoms1.isft, 0);
  f(run.atoms1.lmx, 0);
  f(run.atoms1.occ, 1.0f);
  f(run.atoms1.iaf, 0);
  f(run.atoms1.part, 0);
  f(run.idents.id, AtomIdent{});
  f(run.at_uij.u, std::array<float, 6>{});
  f(run.cryst.isymeq, 0);
  f(run.cryst.nsymeq, 0);
  f(run.cryst.icopy, SymCopy{});
  f(run.neighbors.nnei, 0);
  f(run.neighbors.jnei, std::array<int, nbond>{});
  f(run.neighbors.rnei, std::array<float, nbond>{});
  f(run.neighbors.jtnei, 0);
  f(run.neighbors.janei, std::array<int, nbond>{});
  f(run.neighbors.jnnei, std::array<int, nbond>{});
  f(run.neighbors.jsnei, std::vector<std::vector<int>>{});
  f(run.conmat.icmat, std::array<int, nbond>{});
  f(run.conmat.nba, 0);
  f(run.choices.nbaf, std::array<int, nbond>{});
  f(run.choices.ivis, 0);
  f(run.mpoles.pv, 0.0f);
  f(run.mpoles.spv, 0.0f);
  f(run.mpoles.plm, Plm{});
  f(run.mpoles.iar, std::array<int, 12>{});
  f(run.kappaset.kset, 0);
  f(run.except.iexp, 0);
  f(run.except.group, std::string());
  f(run.ichemcon, false);
  f(run.forh.ihp, 0);
  f(run.forh.isp, 0);
  f(run.forh.ihnei, 0);
  f(run.text.res, std::string());
  f(run.text.mcon, std::string());
  f(run.text.mopro, std::string());
  f(run.text.dbentry, std::string());
}

}  // namespace

void resize_atoms(Run& run, int n) {
  const size_t s = static_cast<size_t>(n) + 1;
  each_atom_table(run, [s](auto& table, const auto& value) { table.resize(s, value); });
}

void reserve_atoms(Run& run, long long n) {
  if (n <= 0 || n > nat) return;  // a count past the capacity is stopped where the atoms are added
  // as many again for the images that completing molecules adds (a supercell's cut molecules
  // added 8 % to 100000 atoms, and the first atom past the room copied every table): room
  // that is never used is address space only
  const size_t s = static_cast<size_t>(std::min<long long>(2 * n, nat)) + 1;
  each_atom_table(run, [s](auto& table, const auto&) { table.reserve(s); });
}

float covrad_of(const Run& run, int j, const std::string& place) {
  const int z = run.atoms.itype[j];
  if (!has_covrad(z))
    err(place, "atom " + std::to_string(j) + " " + fmt::trim(run.atoms.atom[j]) + " has atomic number " +
                   std::to_string(z) + ": covalent radii are known for H to U (1-92) only");
  return run.set.covrad[z];
}

void check_atom_capacity(long long n, const std::string& where) {
  if (n > nat) err(where, "Too many atoms");
}

int add_atom(Run& run, const std::string& where) {
  const int n = atom_slots(run);  // the new atom's number
  check_atom_capacity(n, where);
  resize_atoms(run, n);
  return n;
}

}  // namespace vorn
