// The XD master file's refinement keys, KAPPA lines, refinement instructions and property/geometry templates.
#include "localaxes/xdmas.h"

#include <array>
#include <vector>

#include "util/format.h"

namespace vorn {

namespace {

// Site symmetry -> refined multipoles M D Q O H; a symmetry-forbidden term stays fixed.
struct SiteKey {
  const char* label;
  const char* key;
};

constexpr std::array<SiteKey, 13> site_keys{{
    {"NO", "10 111 11111 1111111 111111111"},
    {"C", "10 000 11111 0000000 111111111"},
    {"2", "10 000 10011 1001100 100110011"},
    {"m", "10 110 10011 0110011 100110011"},
    {"2/m", "10 000 10011 0000000 100110011"},
    {"222", "10 001 10010 1000100 100100010"},
    {"mm2", "10 001 10010 1001000 100100010"},
    {"mmm", "10 000 10010 0000000 100100010"},
    {"4", "10 001 10000 1000000 100000011"},
    {"-42m", "10 001 10000 0001000 100000010"},
    {"3", "10 001 10000 1000011 100001100"},
    {"3m", "10 001 10000 1000010 100001000"},
    {"cyl", "10 001 10000 1000000 100000000"},
}};

constexpr const char* part1_fixed = "000 000000 0000000000 000000000000000 ";
constexpr const char* part1_full = "111 111111 0000000000 000000000000000 ";
// A hydrogen refines its position and Uiso only.
constexpr const char* part1_hydrogen = "111 100000 0000000000 000000000000000 ";
constexpr const char* part2_fixed = "00 000 00000 0000000 000000000";

// Stands for the one computed line of the property block, the LATEN fragment line.
constexpr const char* laten_frag = nullptr;

// The property and geometry modules, a commented-out template for the user to edit.
constexpr const char* prop_block[] = {
    "!",
    "   MODULE *XDPROP",
    "!",
    "MODEL  iam *multipole",
    "!APPLY  symm 1 translations 0 0 0 ato(1) ato(2) ...",
    "SELECT  *local  numdx  check  esd  nocore",
    "SELECT  cpcut 0.0001 lmax 4  nstep 20  rcut 4.0 ",
    "SELECT  scale 0.05  dx 0.001  ds 0.005 ",
    "SELECT  rad1 0.1  rad2 200.  rad3 10.  zone1 1  zone2 1",
    "SELECT  rEcrit 0.00001  rNcrit 0.00001",
    "QUADINT   iqt 2  Nrad 50  Nang 194  Becke  *Stock  Print",
    "!GROUP  ato(1) ato(2) ...",
    "MOLMOM  *cmass center ucell ccharge",
    "!D-POP",
    "!EXPORT *orient *min16 lmax 4 nmol 1 natmol ...",
    "PROPERTY  *rho gradrho d2rho nucpot elpot core valence defden sigrho siglap esp ef efg",
    "!QFIT  grid 11 length 7.0 width 1.0 constrain false",
    "!CONSTRAIN  ato(1) ato(2) ...",
    "!",
    "!STOCKMOM  defden lmin 0 lmax 4 *cmass center ucell debug",
    "!STOCKMOM *orient *min16 lmax 4 nmol 1 natmol ...",
    "!STOCKMOM  atoms *all select ato(1) ato(2) ...",
    "!",
    "!ATATPOT  *EXREP spack  wilcox lj *saptP  saptA ",
    "!ATATPOT  *DISPR spack  wilcox lj *saptP  saptA ",
    "!ATATPOT  *INDUC                  *saptP  saptA",
    "!",
    "!HBONDS   H(1) O(1) 1.75   H(2) O(2) 1.82",
    "!",
    "!HPOLAR   H(1) H(3) H(4)",
    "!",
    "!INTEREN  frag 1  nat1 -nat2  *neutral",
    "!INTEREN  frag 2  nat3 -nat4  *neutral",
    "!INTEREN  EP aMM  mMM *EPMM  rCrit1 4.5 rCrit2 20. debug",
    "!",
    laten_frag,
    "!LATEN  ncells 0 20  nappl 0  symms 1 2 3",
    "!LATEN  EP  aMM  mMM  *EPMM  rCrit1 4.5 rCrit2 20. lapf debug",
    "!",
    "!POINT  x y z",
    "!LINE  ato(1) ato(2)  npts 50",
    "!LINE  points x1 y1 z1 x2 y2 z2 npts 50",
    "!CUBE  centre x y z   npts 30  stepsize 0.1",
    "!CUBE  ato(1) ato(2)  npts 20  stepsize 0.1",
    "!MAP  atoms ato(1) ato(2) ato(3) npts 50 stepsize 0.1",
    "!MAP  bvect1 x1 y1 z1 bvect2 x2 y2 z2 cen x0 y0 z0 npts 50 stepsize 0.1",
    "!CPSEARCH  bond ato(1) ato(2)",
    "!CPSEARCH  bond rmin  1.2 rmax  1.6",
    "!CPSEARCH  ring ato(1) ato(2) ...",
    "!CPSEARCH  shell ato(1) rmin 0.3 rmax 0.5 nrad 5 nang 11 11 cutoff 16.0",
    "!CPSEARCH BUBBLE ato(1) rmin 0.3 rmax 0.5 curv -3 ncps 3",
    "!CPSEARCH  point x y z",
    "!CPSEARCH  start file.cps",
    "!BPATH  ato(1) ato(2) algrithm 2",
    "!",
    "   END XDPROP",
    "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!",
    "   MODULE XDGEOM",
    "SELECT   rmin 0.8 rmax 1.8  tor *ato *bon *ang loc non",
    "   END  XDGEOM",
    "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!",
};

// The refinement instructions after the KEEP kappa line, up to the WEIGHT line and after it.
constexpr const char* before_weight[] = {
    "KEEP  charge group1",
    "!KEEP  rigid group1",
    "!RESET bond C(1) H(1) 1.09 ...",
};
constexpr const char* after_weight[] = {
    "SKIP  obs 0. 1.d10 *sigobs 3. 1.d06 sinthl 0. 2.",
    "PRINT sinthl .0 2. obs 0. 15. delta 0. 10. *del% 80 100 extcn 80. 100. *abssc",
    "!EXTCN  *iso aniso *type_1 type_2 type_3 distr_g *distr_l msc_0  msc_1",
    "!DMSDA  1.1  1.8",
    "!FOUR  fmod1 4 2 0 0  fmod2 -1 2 0 0",
    "!CON  num1 par1/iat1 num2 par2/iat2 ... = num0",
};

bool is_ordered(const Run& run, int k) { return run.atoms1.iaf[k] != -1; }

// The KEEP kappa instruction, 20 set numbers per line. A full line ends with the continuation
// mark " \" only when more numbers follow: after the last number a continuation would take the
// next line into the list, and an empty line after it would end the instruction on nothing.
void write_keep_kappa(std::ostream& out, int nkap) {
  out << "KEEP  kappa ";
  for (int n = 1; n <= nkap; ++n) {
    out << fmt::iw(n, 4);
    if (n % 20 == 0 && n < nkap) out << " \\\n";
  }
  out << '\n';
}

}  // namespace

std::string getkey(const Run& run, int k) {
  const auto& lk = run.set.lkeys;
  const bool ordered = is_ordered(run, k);
  std::string key;
  if (lk[1] && (lk[2] || (lk[3] && ordered)))
    key = run.atoms.itype[k] == 1 ? part1_hydrogen : part1_full;
  else
    key = part1_fixed;

  std::string part2 = part2_fixed;
  if (lk[4] && !run.set.lsx && (lk[5] || (lk[6] && ordered))) {
    const std::string sym = fmt::pad(run.atoms.asym[k], 5);
    for (const auto& s : site_keys)
      if (fmt::pad(s.label, 5) == sym) {
        part2 = s.key;
        break;
      }
  }
  return key + part2;
}

std::string site_key(const std::string& label) {
  const std::string sym = fmt::pad(label, 5);
  for (const auto& s : site_keys)
    if (fmt::pad(s.label, 5) == sym) return s.key;
  return "";
}

std::vector<std::string> site_labels() {
  std::vector<std::string> r;
  for (const auto& s : site_keys) r.push_back(s.label);
  return r;
}

std::string kappa_key(const Run& run, int j) {
  if (!run.set.lkeys[7] || run.set.lsx) return "KAPPA   000000";
  for (int i = 1; i <= run.atoms.ia; ++i)
    if (run.kappaset.kset[i] == j && run.atoms.itype[i] != 1) return "KAPPA   110000";
  return "KAPPA   100000";
}

void wrxdmas1(std::ostream& imas, const Run& run, int nkap) {
  const std::string rule = "!" + fmt::rep('-', 78);
  imas << rule << '\n';
  write_keep_kappa(imas, nkap);
  for (const char* s : before_weight) imas << s << '\n';
  imas << "WEIGHT  ";
  for (int w = 1; w <= 6; ++w) imas << fmt::f(run.shelx1.wght[w], 11, 5);
  imas << '\n';
  for (const char* s : after_weight) imas << s << '\n';
  imas << rule << '\n';
}

void wrxdmas2(std::ostream& nm, const Run& run) {
  for (const char* s : prop_block) {
    if (s == laten_frag)
      nm << "!LATEN  frag1 1 " << fmt::iw(run.atoms.ia, 4) << "  *neutral" << '\n';
    else
      nm << s << '\n';
  }
}

}  // namespace vorn
