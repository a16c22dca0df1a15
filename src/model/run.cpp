// The run context and the growth of its per-atom tables.
#include "model/run.h"

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

void resize_atoms(Run& run, int n) {
  const size_t s = static_cast<size_t>(n) + 1;
  run.atoms.atom.resize(s, std::string(labw, ' '));
  run.atoms.xf.resize(s, Vec3{});
  run.atoms.xc.resize(s, Vec3{});
  run.atoms.itype.resize(s, 0);
  run.atoms.asym.resize(s, std::string(5, ' '));
  run.atoms1.iut.resize(s, 0);
  run.atoms1.isft.resize(s, 0);
  run.atoms1.lmx.resize(s, 0);
  run.atoms1.occ.resize(s, 1.0f);
  run.atoms1.iaf.resize(s, 0);
  run.atoms1.part.resize(s, 0);
  run.idents.id.resize(s);
  run.at_uij.u.resize(s, std::array<float, 6>{});
  run.cryst.isymeq.resize(s, 0);
  run.cryst.nsymeq.resize(s, 0);
  run.cryst.icopy.resize(s, SymCopy{});
  run.neighbors.nnei.resize(s, 0);
  run.neighbors.jnei.resize(s, std::array<int, nbond>{});
  run.neighbors.rnei.resize(s, std::array<float, nbond>{});
  run.neighbors.jtnei.resize(s, 0);
  run.neighbors.janei.resize(s, std::array<int, nbond>{});
  run.neighbors.jnnei.resize(s, std::array<int, nbond>{});
  run.neighbors.jsnei.resize(s);
  run.conmat.icmat.resize(s, std::array<int, nbond>{});
  run.conmat.nba.resize(s, 0);
  run.choices.nbaf.resize(s, std::array<int, nbond>{});
  run.choices.ivis.resize(s, 0);
  run.mpoles.pv.resize(s, 0.0f);
  run.mpoles.spv.resize(s, 0.0f);
  run.mpoles.plm.resize(s, Plm{});
  run.mpoles.iar.resize(s, std::array<int, 12>{});
  run.kappaset.kset.resize(s, 0);
  run.except.iexp.resize(s, 0);
  run.except.group.resize(s, std::string(40, ' '));
  run.ichemcon.resize(s, false);
  run.forh.ihp.resize(s, 0);
  run.forh.isp.resize(s, 0);
  run.forh.ihnei.resize(s, 0);
  run.text.res.resize(s, std::string(100, ' '));
  run.text.mcon.resize(s, std::string(90, ' '));
  run.text.mopro.resize(s, std::string(90, ' '));
  run.text.dbentry.resize(s);
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
