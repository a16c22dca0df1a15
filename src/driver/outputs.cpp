// The fixed output set: when each file is written, the stale-file sweep and the list of files written.
#include "driver/outputs.h"

#include <filesystem>

#include "model/log.h"
#include "util/format.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

// When a file of the fixed set is written: in every run, with xd_vorn.inp, with the X-H
// extension, with the ring search, or only when its stage has something to write.
enum class When { always, xd_parameters, extend_h, rings, tsc, tscb, sometimes };

struct Output {
  const char* name;
  const char* line;  // its line in the closing list; null: named on another file's line
  When when;
};

constexpr Output kOutputs[] = {
    {"xd_vorn.mas", " XD instructions are in file            : xd_vorn.mas", When::always},
    {"xd_vorn.inp", " XD parameters are in file              : xd_vorn.inp", When::xd_parameters},
    {"vorn.cif", " rhoCIF model (IUCr dictionary names)   : vorn.cif", When::xd_parameters},
    {"mopro_vorn.par", " MoPro parameters are in file           : mopro_vorn.par", When::always},
    {"con_mopro.inp", " MoPro constraints are in file          : con_mopro.inp", When::always},
    {"res_mopro.inp", " MoPro restraints are in file           : res_mopro.inp", When::extend_h},
    {"fixedH.ins", " Atomic coordinates w/extended H-atoms  : fixedH.ins", When::extend_h},
    {"reset.bond", " RESET BOND instructions for H-atoms    : reset.bond", When::extend_h},
    {"const.bond", " CONSTRAINT instructions for H-atoms    : const.bond", When::extend_h},
    {"vorn.html", " Page of the local axes (any browser)   : vorn.html", When::always},
    {"vorn.tsc", " Aspherical form factors (.tsc table)   : vorn.tsc", When::tsc},
    {"vorn.tscb", " Aspherical form factors (.tscb binary) : vorn.tscb", When::tscb},
    {"vorn.ang", " Cartesian coordinates in PLATON format : vorn.ang", When::always},
    {"reduced.ang", " Reduced structure in PLATON format     : reduced.ang & reduced_1.ang", When::rings},
    {"reduced_1.ang", nullptr, When::rings},
    {"complete.ang", " Complete fragments in PLATON format    : complete.ang", When::sometimes},
    {"group.ang", " Unidentified group in PLATON format    : group.ang", When::sometimes},
    {"vorn.spf", " PLATON plot file with local axes       : vorn.spf", When::always},
    {"vorn.out", " Program log file                       : vorn.out", When::always},
};

enum class Will { yes, no, maybe };

Will will_write(const Settings& s, When w) {
  switch (w) {
    case When::always: return Will::yes;
    case When::xd_parameters: return writes_xd_parameters(s) ? Will::yes : Will::no;
    case When::extend_h: return s.lfh && !s.lsx ? Will::yes : Will::no;
    case When::rings: return s.lring ? Will::yes : Will::no;
    case When::tsc: return s.tsc.empty() || s.tscb ? Will::no : Will::yes;
    case When::tscb: return s.tsc.empty() || !s.tscb ? Will::no : Will::yes;
    case When::sometimes: return Will::maybe;
  }
  return Will::maybe;
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  return !b.empty() && fs::equivalent(a, b, ec);
}

// A file the run reads (structure, XD master and parameter files, databank, control file) is never removed.
bool is_input(const Run& run, const std::string& name) {
  const Settings& s = run.set;
  return same_file(name, fmt::trim(s.fname[0])) || same_file(name, fmt::trim(s.mas)) ||
         same_file(name, fmt::trim(s.abank)) || (!run.control_in_memory && name == "vorn.inp");
}

bool written(const Run& run, const Output& o) {
  const Will w = will_write(run.set, o.when);
  std::error_code ec;
  return w == Will::yes || (w == Will::maybe && fs::exists(o.name, ec) && !is_input(run, o.name));
}

}  // namespace

bool writes_xd_parameters(const Settings& s) { return s.ldb || s.lfh || s.lsx || s.lxp; }

std::vector<std::string> remove_stale_outputs(Run& run) {
  std::vector<std::string> removed;
  for (const Output& o : kOutputs) {
    if (will_write(run.set, o.when) == Will::yes || is_input(run, o.name)) continue;
    std::error_code ec;
    // only plain files: a link in an output's place is the user's own arrangement
    if (!fs::is_regular_file(fs::symlink_status(o.name, ec))) continue;
    if (fs::remove(o.name, ec)) removed.push_back(o.name);
  }
  return removed;
}

std::vector<std::string> files_written(const Run& run) {
  std::vector<std::string> r;
  for (const Output& o : kOutputs)
    if (written(run, o)) r.push_back(o.name);
  return r;
}

void files_summary(Run& run, const std::vector<std::string>& removed) {
  const Settings& s = run.set;
  logl(run, "\n" + fmt::rep('-', 80));
  bool first = true;
  for (const Output& o : kOutputs) {
    if (!o.line || !written(run, o)) continue;
    if (first) both(run, std::string("\n") + o.line);
    else cboth(run, o.line);
    first = false;
  }
  for (const std::string& name : removed) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(name, ec))) cboth(run, " Removed " + name + " : an earlier run's output that this run does not write");
  }
  cboth(run, "");
  cboth(run, " Local axes can be visualized in PLATON using command : platon -p vorn.spf");
  if (s.ldb) cboth(run, " Summary of DB atom types : grep 'DB comment' vorn.out");
  if (s.lfh) cboth(run, " Summary of X-H distances : grep -i 'x-h' vorn.out");
  cboth(run, " Summary of exceptions    : grep -i 'Exception identified' vorn.out");
}

}  // namespace vorn
