// Databank search for one atom: entry matching, exception groups, parameters, report and counters.
#include "databank/readdb.h"

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "databank/dbfile.h"
#include "model/log.h"
#include "util/elements.h"
#include "util/err.h"
#include "util/format.h"
#include "util/physrange.h"
#include "util/text.h"

namespace vorn {

// A search result kept for the next atom with the same query.
struct DbResult {
  bool hit = false;
  std::string comment, groupj;
  Mpoles1 found;
};
struct DbMemo : std::unordered_map<std::string, DbResult> {};

namespace {

constexpr const char* kPlace = "ReadDB";
constexpr int kMaxTypes = 10;      // neighbour-type lines of one entry
constexpr int kCommentWidth = 80;
constexpr int kGroupWidth = 40;

// What the entries are matched against: atom ik as the local-axes stage left it.
struct Query {
  int z = 0;
  Neig nei;
  int iring = 0, imemb = 0;
  bool lpg = false;
  std::string asymi;  // 5 characters, upper case
  int ihp = 0, isp = 0, ihnei = 0;
  int iexp = 0;
  std::string group;  // 40 characters
  bool trace = false;
};

struct Entry {
  std::string comment;
  std::string groupj = std::string(kGroupWidth, ' ');
};

// Reads the databank file itself; every line is tokenised afresh.
class FileCursor {
 public:
  explicit FileCursor(std::istream& in) : in_(in) {
    in_.clear();
    in_.seekg(0);
  }
  bool next_raw(std::string& raw) {
    prev_ = in_.tellg();
    if (!get_db_line(in_, raw)) return false;
    if (auto f = length_fault(raw)) throw *f;
    return true;
  }
  const DbLine* readfile_or_end() {
    std::string raw;
    do {
      if (!next_raw(raw)) return nullptr;
    } while (!raw.empty() && raw[0] == '!');
    line_ = tokenise_db_line(raw);
    if (line_.untokenised) throw *line_.untokenised;
    return &line_;
  }
  void back() {
    in_.clear();
    in_.seekg(prev_);
  }

 private:
  std::istream& in_;
  std::streampos prev_{};
  DbLine line_;
};

// Walks the lines held by the index, with the faults the file reading would meet.
class IndexCursor {
 public:
  explicit IndexCursor(const DbIndex& ix) : ix_(ix) {}
  bool next_raw(std::string& raw) {
    const DbLine* d = next();
    if (!d) return false;
    raw = d->raw;
    return true;
  }
  const DbLine* readfile_or_end() {
    const DbLine* d = nullptr;
    do {
      d = next();
      if (!d) return nullptr;
    } while (d->comment());
    if (d->untokenised) throw *d->untokenised;
    return d;
  }
  void back() { --pos; }
  size_t pos = 0;

 private:
  const DbLine* next() {
    if (pos >= ix_.lines.size()) return nullptr;
    const DbLine& d = ix_.lines[pos++];
    if (d.too_long) throw *d.too_long;
    return &d;
  }
  const DbIndex& ix_;
};

// Faults are raised through err so that every stop of the run takes the one path.
template <class F>
auto guarded(F&& f) {
  try {
    return f();
  } catch (const Fatal& e) {
    err(e.where, e.message);
  }
}

template <class Cursor>
const DbLine& readfile(Cursor& cur) {
  const DbLine* d = cur.readfile_or_end();
  if (!d) err("ReadFile", "Error reading unit = " + fmt::i(db_unit, 12));
  return *d;
}

template <class Cursor>
const DbLine& read_until(Cursor& cur, const char* word) {
  const DbLine* d = &readfile(cur);
  while (d->first_word() != word) d = &readfile(cur);
  return *d;
}

std::string entry_name(const std::string& atom_line) { return "[" + fmt::trim(atom_line).substr(0, 60) + "]"; }

// The first count numbers of a line, read free-format.
template <class T>
std::vector<T> numbers(const DbLine& d, int count, const char* what, const std::string& atom_line) {
  const auto& v = [&]() -> const auto& {
    if constexpr (std::is_same_v<T, int>) return d.ints;
    else return d.reals;
  }();
  std::vector<T> r;
  for (int k = 0; k < count && k < static_cast<int>(v.size()) && v[k]; ++k) r.push_back(*v[k]);
  if (static_cast<int>(r.size()) < count)
    err(kPlace, std::string("Unreadable ") + what + " line in DataBank entry " + entry_name(atom_line));
  return r;
}

// The k-th blank-separated item of a line cut to 5 characters, blank when there is none.
std::string symmetry_word(const DbLine& d, int k) {
  return static_cast<int>(d.items.size()) < k ? std::string(5, ' ') : fmt::pad(d.items[k - 1], 5);
}

template <class Cursor>
int exceptdb(Run& run, const Query& q, Cursor& cur, Entry& e) {
  const DbLine& d = readfile(cur);
  if (d.first_word() == "EXCEPT") {
    if (q.trace) logl(run, "   Exception entry in DataBank :");
    if (q.iexp == 0) {
      if (q.trace) logl(run, " Exception was not identified for this atom - Skip DB entry...\n");
      return 1;
    }
    cur.back();
    std::string raw;
    cur.next_raw(raw);
    const std::string up = upper(raw);
    const size_t g = up.find("GROUP");
    if (g == std::string::npos) err(kPlace, "EXCEPT line without GROUP in DataBank: " + fmt::trim(raw));
    const int first = ifs(std::string_view(up).substr(g + 5));
    const std::string label = first == 0 ? std::string() : fmt::trim(up.substr(g + 5 + first - 1));
    if (static_cast<int>(label.size()) > kGroupWidth)
      err(kPlace, "Functional group longer than 40 characters in DataBank: " + fmt::trim(raw));
    e.groupj = fmt::pad(label, kGroupWidth);
    if (q.trace) {
      logl(run, "      functional group   = [" + q.group + "]");
      logl(run, "      group read from DB = [" + e.groupj + "]");
    }
    if (e.groupj != q.group) {
      if (q.trace) logl(run, "   Wrong functional group... :(\n");
      return 1;
    }
    return 0;
  }
  cur.back();
  if (q.iexp != 0) {
    if (q.trace)
      logl(run, "\n Functional group = [" + fmt::trim(q.group) +
                    "], but no functional group specified for this entry..\n Skipping DB entry...\n");
    return 1;
  }
  return 0;
}

bool types_match(const Query& q, const std::vector<std::array<int, 2>>& lines) {
  for (int t = 1; t <= q.nei.ity; ++t) {
    bool hit = false;
    for (const auto& l : lines) hit = hit || (l[0] == q.nei.natnum[t] && l[1] == q.nei.ndt[t]);
    if (!hit) return false;
  }
  return true;
}

template <class Cursor>
bool heavy_candidate(Run& run, const Query& q, const std::string& atom_line, Cursor& cur, Entry& e) {
  const DbLine& neig = read_until(cur, "NEIG");
  const auto v = numbers<int>(neig, 4, "NEIG", atom_line);
  const int jnei = v[0], jty = v[1], jring = v[2], jmemb = v[3];
  // the type lines are read into a table of ten
  if (jty < 0 || jty > kMaxTypes)
    err(kPlace, "More than 10 neighbour types (or fewer than 0) in DataBank entry " + entry_name(atom_line));
  const std::string asymr = symmetry_word(neig, 6);
  const std::string flag = neig.items.size() >= 8 ? neig.items[7] : std::string();
  const char f = flag.empty() ? ' ' : flag[0];
  const bool planar = f == 'T' || (f != 'F' && jnei < 4);
  if (q.trace) {
    // the format runs out of descriptors after the flag and starts a new line for jmemb
    logl(run, "   jnei=" + fmt::i(jnei, 3) + " jty=" + fmt::i(jty, 3) + " jring=" + fmt::i(jring, 3) + " asymr=[" +
                  asymr + "] planar=" + fmt::l(planar));
    logl(run, " jmemb=" + fmt::i(jmemb, 3));
  }
  const bool any_sym = asymr == std::string(5, ' ');
  if (q.nei.inei != jnei || q.nei.ity != jty || q.iring != jring || q.imemb != jmemb ||
      !(any_sym || asymr == q.asymi) || q.lpg != planar)
    return false;
  std::vector<std::array<int, 2>> types;
  for (int t = 1; t <= jty; ++t) {
    const auto tl = numbers<int>(readfile(cur), 3, "neighbour-type", atom_line);
    if (q.trace) logl(run, "   type =" + fmt::i(t, 3) + " jatum =" + fmt::i(tl[1], 3) + " jndt =" + fmt::i(tl[2], 3));
    types.push_back({tl[1], tl[2]});
  }
  if (!types_match(q, types)) return false;
  return exceptdb(run, q, cur, e) == 0;
}

template <class Cursor>
bool hydrogen_candidate(Run& run, const Query& q, const std::string& atom_line, Cursor& cur, Entry& e) {
  const DbLine& prnt = read_until(cur, "PRNT");
  const auto v = numbers<int>(prnt, 3, "PRNT", atom_line);
  const std::string asymr = symmetry_word(prnt, 5);
  if (exceptdb(run, q, cur, e) == 1) return false;
  if (q.trace)
    logl(run, "   jhp =" + fmt::i(v[0], 3) + " jsp =" + fmt::i(v[1], 3) + " jhnei=" + fmt::i(v[2], 3) + " asymr=[" +
                  asymr + "]");
  return q.ihp == v[0] && q.isp == v[1] && q.ihnei == v[2] && asymr == q.asymi;
}

template <class Cursor>
void parameters(const std::string& atom_line, Cursor& cur, Mpoles1& m) {
  const DbLine& pval_line = read_until(cur, "PVAL");
  const auto p = numbers<float>(pval_line, 4, "PVAL", atom_line);
  const std::string pwhere = "in line <<" + fmt::trim(pval_line.raw) + ">> of DataBank entry " + entry_name(atom_line);
  check_range(Quantity::population, p[0], kPlace, pwhere);
  check_range(Quantity::kappa, p[1], kPlace, pwhere);
  check_range(Quantity::kappa, p[2], kPlace, pwhere);
  check_range(Quantity::population, p[3], kPlace, pwhere);
  m.pv1 = p[0];
  m.rkap1 = {p[1], p[2]};
  m.spv1 = p[3];
  // the entry may end with the file after its PVAL or PLMS lines
  for (const DbLine* d = cur.readfile_or_end(); d && d->first_word() == "PLMS"; d = cur.readfile_or_end()) {
    const auto all = numbers<float>(*d, static_cast<int>(d->reals.size()), "PLMS", atom_line);
    // a line of 200 characters holds at most 98 numbers, within the 100 a PLMS line may carry
    const int n = static_cast<int>(all.size());
    if (n % 3 != 0)
      err(kPlace, "PLMS numbers not in triples (l, m, value) in DataBank entry " + entry_name(atom_line));
    for (int t = 0; t < n; t += 3) {
      const long l = std::lround(all[t]), mm = std::lround(all[t + 1]);
      if (l < 0 || l > 4 || mm < -l || mm > l)
        err(kPlace, "PLMS l or m out of range (l 0..4, m -l..l) in DataBank entry " + entry_name(atom_line));
      check_range(Quantity::population, all[t + 2], kPlace,
                  "in line <<" + fmt::trim(d->raw) + ">> of DataBank entry " + entry_name(atom_line));
      m.plm1[l][mm + 4] = all[t + 2];
    }
  }
}

// One entry whose ATOM line carries the atom's element: true when it matches, with the
// parameters in m. Otherwise the cursor stands where the scan goes on.
template <class Cursor>
bool candidate(Run& run, const Query& q, const std::string& atom_line, Cursor& cur, Entry& e, Mpoles1& m) {
  e = Entry{};
  if (q.trace) logl(run, " Reading atom = " + fmt::trim(atom_line));
  int i1 = 0, i2 = 0;
  readchar(atom_line, 4, i1, i2);
  e.comment = fmt::trim(atom_line.substr(i1 - 1)).substr(0, kCommentWidth);
  const bool match =
      q.z != 1 ? heavy_candidate(run, q, atom_line, cur, e) : hydrogen_candidate(run, q, atom_line, cur, e);
  if (match) parameters(atom_line, cur, m);
  return match;
}

bool search_file(Run& run, const Query& q, Entry& e, Mpoles1& m) {
  FileCursor cur(run.idb);
  std::string raw;
  while (cur.next_raw(raw)) {
    if (!atom_line(raw) || atom_line_z(raw) != q.z) continue;
    if (candidate(run, q, raw, cur, e, m)) return true;
  }
  return false;
}

bool search_index(Run& run, const Query& q, Entry& e, Mpoles1& m) {
  if (!run.dbindex) run.dbindex = std::make_shared<const DbIndex>(load_databank(run.idb));
  const DbIndex& ix = *run.dbindex;
  static const std::vector<size_t> none;
  const auto byz = ix.by_z.find(q.z);
  const std::vector<size_t>& cands = byz == ix.by_z.end() ? none : byz->second;
  IndexCursor cur(ix);
  size_t c = 0;
  while (true) {
    while (c < cands.size() && cands[c] < cur.pos) ++c;
    const size_t next = c < cands.size() ? cands[c] : ix.lines.size();
    const auto fault = ix.scan_faults.lower_bound(cur.pos);
    if (fault != ix.scan_faults.end() && fault->first < next) throw fault->second;
    if (c == cands.size()) return false;
    cur.pos = next + 1;
    if (candidate(run, q, ix.lines[next].raw, cur, e, m)) return true;
  }
}

Query query(Run& run, int ik, bool lpg, const NeighborGrid* grid) {
  Query q;
  q.z = run.atoms.itype[ik];
  q.nei = findnei(run, ik, 0.0f, false, grid);
  q.iring = run.forring.iring;
  q.imemb = run.forring.imemb;
  q.lpg = lpg;
  q.asymi = fmt::pad(upper(run.atoms.asym[ik]), 5);
  q.ihp = run.forh.ihp[ik];
  q.isp = run.forh.isp[ik];
  q.ihnei = run.forh.ihnei[ik];
  q.iexp = run.except.iexp[ik];
  q.group = fmt::pad(run.except.group[ik], kGroupWidth);
  q.trace = run.set.iverbose > 1;
  return q;
}

// Everything of a query that the entries are matched against: atoms with equal keys find the
// same entry and parameters.
std::string query_key(const Query& q) {
  std::string k = std::to_string(q.z) + "/" + std::to_string(q.nei.inei) + "/" + std::to_string(q.nei.ity);
  for (int t = 1; t <= q.nei.ity; ++t) k += "/" + std::to_string(q.nei.natnum[t]) + ":" + std::to_string(q.nei.ndt[t]);
  k += "/" + std::to_string(q.iring) + "/" + std::to_string(q.imemb) + "/" + (q.lpg ? "T" : "F") + "/" + q.asymi +
       "/" + std::to_string(q.ihp) + "/" + std::to_string(q.isp) + "/" + std::to_string(q.ihnei) + "/" +
       std::to_string(q.iexp) + "/" + q.group;
  return k;
}

void log_query(Run& run, const Query& q) {
  logl(run, "\n Searching DataBank for a match : ");
  logl(run, " ityp  = " + fmt::i(q.z, 12));
  logl(run, " iring = " + fmt::i(q.iring, 12));
  logl(run, " inei  = " + fmt::i(q.nei.inei, 12));
  logl(run, " ity   = " + fmt::i(q.nei.ity, 12));
  logl(run, " imemb = " + fmt::i(q.imemb, 12));
  logl(run, "  asymi = [" + q.asymi + "]");
  logl(run, " lPG   =  " + fmt::l(q.lpg));
  for (int t = 1; t <= q.nei.ity; ++t)
    logl(run, " type = " + fmt::i(t, 12) + " atom = " + fmt::i(q.nei.natnum[t], 12) + " neib = " +
                  fmt::i(q.nei.ndt[t], 12));
  logl(run, "");
}

std::string values(const float* v, int n, int w, int d) {
  std::string s;
  for (int k = 0; k < n; ++k) s += fmt::f(v[k], w, d);
  return s;
}

void log_parameters(Run& run, int ik) {
  const Mpoles1& m = run.mpoles1;
  const float head[4] = {m.pv1, m.rkap1[0], m.rkap1[1], m.spv1};
  std::string s = "\n Pseudoatom parameters assigned to " + fmt::pad(run.atoms.atom[ik], 8) + " : \n\n";
  s += "   Pval, Kappa, Kappa', sigmaPv = " + values(head, 4, 12, 4);
  static const char* names[5] = {" 2nd Monopole:", "      Dipoles:", "  Quadrupoles:", "    Octupoles:", "Hexadecapoles:"};
  for (int l = 0; l <= 4; ++l) s += "\n   " + std::string(names[l]) + values(&m.plm1[l][4 - l], 2 * l + 1, 7, 3);
  logl(run, s);
}

}  // namespace

void readdb(Run& run, int ik, bool lpg, const NeighborGrid* grid) {
  Mpoles1& m = run.mpoles1;
  m = Mpoles1{};
  m.pv1 = pval(run.atoms.itype[ik]);
  m.spv1 = 0.01f;
  m.rkap1 = {1.0f, 1.0f};
  const Query q = query(run, ik, lpg, grid);
  log_query(run, q);
  Entry e;
  Mpoles1 found = m;
  // Without the trace a search writes nothing, so through the index an earlier atom's
  // result for the same query is the result: searched once per kind of atom. A search
  // that stops the run is never stored.
  bool hit = false;
  if (run.dbsearch == DbSearch::rescan) {
    hit = guarded([&] { return search_file(run, q, e, found); });
  } else if (q.trace || run.algorithms == Algorithms::literal) {
    hit = guarded([&] { return search_index(run, q, e, found); });
  } else {
    if (!run.dbmemo) run.dbmemo = std::make_shared<DbMemo>();
    const std::string key = query_key(q);
    auto it = run.dbmemo->find(key);
    if (it == run.dbmemo->end()) {
      const bool h = guarded([&] { return search_index(run, q, e, found); });
      it = run.dbmemo->emplace(key, DbResult{h, e.comment, e.groupj, found}).first;
    }
    hit = it->second.hit;
    e.comment = it->second.comment;
    e.groupj = it->second.groupj;
    found = it->second.found;
  }
  if (hit) {
    m = found;
    m.ifind = 1;
  }
  run.text.dbentry[ik] = hit ? e.comment : std::string();
  ++run.dbcount.ntot;
  const std::string lab = fmt::trim(run.atoms.atom[ik]);
  switch (m.ifind) {
    case 0:
      logl(run, "\n ReadDB :: atom " + lab + " was NOT found in the DataBank");
      ++run.dbcount.nmissed;
      break;
    case 1:
      logl(run, "\n ReadDB :: atom " + lab + " was found in the DataBank");
      logl(run, "\n DB comment for " + lab + " = [" + e.comment + "]");
      if (q.iexp != 0) logl(run, "\n Functional group = [" + fmt::trim(e.groupj) + "]");
      ++run.dbcount.nfound;
      break;
    default: err(kPlace, "Unknown value of ifind");
  }
  log_parameters(run, ik);
}

}  // namespace vorn
