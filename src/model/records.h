// The shared records of a run: structure, settings, topology and per-atom results.
//
// Numbering: atom, ring, operator, dummy, kappa-set, type and free-variable numbers are
// 1-based as in the files and logs, so slot 0 of those tables is unused. Small fixed
// dimensions (x, y, z; the six U components; neighbour and ring-member slots) are 0-based.
// Fixed-width texts are std::string holding exactly their width, blank-padded.
#pragma once
#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "util/capacity.h"
#include "util/elements.h"
#include "util/geometry.h"

namespace vorn {

// ---- structure (filled by the readers) ----

struct Atoms {
  int ia = 0;                      // atoms of the asymmetric unit
  std::vector<std::string> atom;   // text(8) label
  std::vector<Vec3> xf;            // fractional
  std::vector<Vec3> xc;            // Cartesian, Angstrom
  std::vector<int> itype;          // atomic number
  std::vector<std::string> asym;   // text(5) site-symmetry tag
};

struct Atoms1 {
  std::vector<int> iut;    // 1 isotropic, 2 anisotropic (XD: 3, 4 with higher orders)
  std::vector<int> isft;   // scattering-factor type
  std::vector<int> lmx;    // highest multipole level: 4, or 2 for hydrogen
  std::vector<float> occ;  // site occupancy
  std::vector<int> iaf;    // 0 normal, 1 special position, -1 disordered
  // Disorder part of each atom: SHELX PART n, CIF _atom_site_disorder_group, PDB altloc A, B, ...
  // as 1, 2, ...; 0 for atoms common to every part; negative for a part whose atom sits near its
  // own symmetry images (SHELX PART -n). lpart says the input carries part information at all;
  // without it the occupancy rule decides which disordered atoms may bond.
  std::vector<int> part;
  bool lpart = false;
};

struct AtUij {
  std::vector<std::array<float, 6>> u;  // U11 U22 U33 U12 U13 U23; Uiso in u[0]
};

struct AtTypes {
  int ntyp = 0;
  std::vector<int> iatype{0};  // atomic number of each type, 1-based
};

struct UCell {
  std::array<float, 6> uc{};  // a, b, c (Angstrom), alpha, beta, gamma (degrees)
};

struct Transf {
  Mat3 rm = unit_matrix();   // fractional -> Cartesian
  Mat3 rm1 = unit_matrix();  // Cartesian -> fractional
};

// x'(j) = sum_i fs[n][i][j] x(i) + ts[n][j]; operator 1 is the identity.
struct Symm {
  int ns = 0;
  std::vector<Mat3> fs = std::vector<Mat3>(1);
  std::vector<Vec3> ts = std::vector<Vec3>(1);
};

struct Shelx1 {
  std::array<float, maxfvar + 1> fvar{};  // fvar[1] is the overall scale
  std::array<float, 7> wght{};            // wght[1..6]
  int ifv = 0;
};

struct Resi1 {
  std::vector<std::string> resi1{std::string(17, ' ')};  // text(17) per residue atom
  std::vector<std::string> resi2{std::string(10, ' ')};  // text(10)
  bool resi11 = false;
};

// Each asymmetric-unit atom as the input file names it, for the outputs that show the user's
// own identifiers (vorn.cif, vorn.html, the .tsc scatterers) and the MoPro residue names.
struct AtomIdent {
  std::string label;    // as written: SHELX C1A, CIF _atom_site_label, PDB atom name
  std::string resname;  // residue class (SHELX RESI, PDB residue name); empty outside residues
  std::string resnum;   // residue number with insertion code, as text; empty outside residues
  std::string chain;    // chain (PDB); empty otherwise
  char altloc = ' ';    // alternate conformation (PDB); blank otherwise
  int charge = 0;       // formal charge of the model's charge column (PDB); 0 otherwise
};

struct Idents {
  std::vector<AtomIdent> id{AtomIdent{}};  // 1..ia
};

// The operator and lattice translation that made an atom from its asymmetric-unit atom:
// operator 1 without translation for the atoms as read. Atoms made by one copy belong to one
// image of the asymmetric unit (the same copy of a negative-part disorder component).
struct SymCopy {
  int s = 1;
  std::array<int, 3> t{};
  bool operator==(const SymCopy& o) const { return s == o.s && t == o.t; }  // also read as C++17 (CIF reader)
};

struct Cryst {
  int natoms = 0;
  std::vector<int> isymeq;      // generated atom -> its asymmetric-unit atom
  std::vector<int> nsymeq;      // asymmetric-unit atom -> number of its images
  std::vector<SymCopy> icopy;   // every atom -> the copy it belongs to
};

// Crystallographic site symmetry of the asymmetric-unit atoms, and the symmetry images placed
// around the atoms on special positions. The images are atoms nbase+1..natoms; only atoms on
// special positions and the images themselves see them, so the surroundings of every atom on
// a general position stay those the input and fragment completion give.
struct Sites {
  std::vector<int> order;         // 1..ia: order of the site group, 1 on a general position
  std::vector<std::string> name;  // 1..ia: its point group (Hermann-Mauguin)
  int nbase = 0;                  // 0: no images placed
};

// ---- settings (control file) ----

// The Slater radial functions of the multipoles set for one element by a RADIAL line:
// powers n_l and exponents zeta_l (1/bohr), l = 0..4.
struct RadialSet {
  int z = 0;
  std::array<int, 5> n{};
  std::array<double, 5> zeta{};
};

// Input formats (iform); 4 is not used.
constexpr int iform_shelx = 1, iform_xd = 2, iform_aim2tab = 3, iform_platon = 5, iform_cif = 6;
constexpr int iform_pdb = 7, iform_mmcif = 8;  // macromolecular models
// CIF, PDB and mmCIF input give the records SHELX input gives, and the run writes the same master file.
constexpr bool shelx_like(int iform) {
  return iform == iform_shelx || iform == iform_cif || iform == iform_pdb || iform == iform_mmcif;
}

struct Settings {
  int iform = 0;                          // iform_shelx, iform_xd, iform_aim2tab, iform_platon, iform_cif, iform_pdb, iform_mmcif
  std::array<std::string, 2> fname{std::string(60, ' '), std::string(60, ' ')};
  std::string mas = std::string(60, ' ');  // xdold: XD master file
  std::string cifblock;                    // CIF data block to read; empty: the first with atom sites
  bool lrs = false;                        // rename SHELX atoms
  int irs = 0;                             // 0 straight counting, 1 per atom type
  bool lsx = false;                        // plain conversion to XD files
  bool lxp = false;                        // XDPAR: xd_vorn.inp (with vorn.cif, MoPro records) in every run
  int iverbose = 1;
  float tol1 = 0.2f, tol2 = 0.1f, tol3 = 0.1f;
  std::array<float, maxcovz + 1> covrad{};  // 1..maxcovz, set by init
  int ncells = -1;                         // -1: no fragment completion
  int ifra = 1;                            // frac_stored; cart_stored for the Cartesian formats
  bool led = false, ldd = false;           // disorder: X-H extension, databank
  std::array<bool, 8> lkeys{};             // lkeys[1..7]
  bool lfh = false;                        // X-H extension
  bool lhyd = true, lheav = true;          // chemical/kappa constraints
  int isimple = 0;
  bool ldb = false;
  std::string abank = std::string(60, ' ');
  bool lring = false;
  int nrmin = 0, nrmax = 0;
  bool lspe = false;
  int isca = 1;
  float sumofpv = 0.0f;
  std::string tsc;                         // reflection file of the vorn.tsc table; empty: no table
  bool tscb = false;                       // the table in NoSpherA2's binary layout, vorn.tscb
  std::vector<RadialSet> radial;           // RADIAL lines, the last one of an element counting
};

// Databank search counters: atoms searched, found and not found.
struct DbCount {
  int ntot = 0, nfound = 0, nmissed = 0;
};

// ---- topology ----

struct Neighbors {
  std::vector<int> nnei;
  std::vector<std::array<int, nbond>> jnei;    // nearest first
  std::vector<std::array<float, nbond>> rnei;
  std::vector<int> jtnei;                      // distinct neighbour elements
  std::vector<std::array<int, nbond>> janei;   // their atomic numbers, ascending
  std::vector<std::array<int, nbond>> jnnei;   // neighbours per element
  std::vector<std::vector<std::vector<int>>> jsnei;  // the neighbours of each element
};

struct Conmat {
  std::vector<std::array<int, nbond>> icmat;
  std::vector<int> nba;
};

struct Newat {
  int ia1 = 0;
  std::vector<int> iaref{0};
};

struct Rings {
  int nor = 0;
  std::vector<int> noar{0};               // ring size
  std::vector<std::vector<int>> nra{{}};  // members in ring order
  std::vector<bool> planar{false};
  std::vector<int> ipldum{0};             // ring-centre dummy, 0 = none yet
  // The rings of each atom, ascending, for rings 1..indexed. Rings are only ever appended, so
  // the lookup catches up with new ones when asked; it is a cache, hence mutable.
  struct ByAtom {
    int indexed = 0;
    std::vector<std::vector<int>> of;
  };
  mutable ByAtom by_atom;
};

struct Choices {
  std::vector<std::array<int, nbond>> nbaf;
  std::vector<int> ivis;
};

// One environment search: the atoms around one atom.
struct Neig {
  int inei = 0;
  bool ldis = false;  // at least one atom found is disordered
  std::vector<int> iatn{0};
  std::vector<float> rnd{0};
  int ity = 0;
  std::vector<int> natnum{0};
  std::vector<int> ndt{0};
  std::vector<std::vector<int>> ndtnum{{}};
};

struct Forring {
  int iring = 0;
  int imemb = 0;
};

// ---- local axes, parameters, equivalence ----

using Plm = std::array<std::array<float, 9>, 5>;  // plm[l][m + 4]

// The two fixed integers of an atom's XD parameter-file line: the highest multipole level
// written (iar 9) and the constant iar 10.
constexpr int iar_lmax = 4;
constexpr int iar_fixed10 = 1;

struct Mpoles {
  std::vector<float> pv, spv;
  std::vector<Plm> plm;
  std::vector<std::array<int, 12>> iar;  // iar[i][1..11]
};

struct Mpoles1 {
  int ifind = 0;
  float pv1 = 0, spv1 = 0;
  std::array<float, 2> rkap1{};
  Plm plm1{};
};

struct Kappas {
  int nkap = 0;
  std::vector<std::array<float, 2>> rkappa{{0, 0}};
  std::vector<int> nkapsf{0};
};

struct Kappaset {
  int itkset = 0;
  std::vector<int> kset;  // per atom
};

// Cartesian positions of dummies 1..indexed by cell of a 0.2 A grid, for the reuse test.
struct DummyGrid {
  int indexed = 0;
  std::vector<Vec3> xc{Vec3{}};
  std::unordered_map<unsigned long long, std::vector<int>> cells;
};

struct Dummy {
  int ndum = 0;
  std::vector<std::string> dlab{std::string(6, ' ')};  // text(6), longer from DUM1000 on
  std::vector<Vec3> xdum{Vec3{}};
  DummyGrid grid;
};

struct Except {
  std::vector<int> iexp;
  std::vector<std::string> group;  // text(40); empty reads as blank
  std::string group_ang;           // the last unknown group's report, written to group.ang at the end
};

struct Forh {
  std::vector<int> ihp, isp, ihnei;
};

struct PerAtomText {
  std::vector<std::string> res;    // text(100) MoPro URATIO restraint; empty reads as blank
  std::vector<std::string> mcon;   // text(90) MoPro population constraint; empty reads as blank
  std::vector<std::string> mopro;  // text(90) MoPro local-axes line; empty reads as blank
  std::vector<std::string> dbentry;  // the comment of the databank entry the atom took; empty without one
};

}  // namespace vorn
