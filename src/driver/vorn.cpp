// The program driver: defaults, files, control file, reader, stages in order, summary, times.
#include "driver/vorn.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <thread>
#include <utility>

#include "chemistry/groups.h"
#include "databank/rescale.h"
#include "driver/banner.h"
#include "driver/closing.h"
#include "driver/cmdline.h"
#include "driver/control.h"
#include "driver/outputs.h"
#include "localaxes/localdef.h"
#include "model/coords.h"
#include "model/outfile.h"
#include "model/run.h"
#include "readers/cartesian.h"
#include "readers/cif.h"
#include "readers/pdb.h"
#include "readers/shelx.h"
#include "readers/summary.h"
#include "readers/xd.h"
#include "topology/fragments.h"
#include "topology/neighbors.h"
#include "topology/bondwarnings.h"
#include "topology/rings.h"
#include "topology/siteimages.h"
#include "util/err.h"
#include "util/format.h"
#include "util/infile.h"
#include "model/log.h"
#include "writers/atomrecords.h"
#include "writers/html.h"
#include "writers/mopro.h"
#include "writers/plotfile.h"
#include "scattering/tsc.h"
#include "writers/rhocif.h"

namespace vorn {

namespace {

constexpr const char* kPlace = "VORN";

// Per-process user and system CPU time since the previous reading.
struct Clock {
  float last_user = 0, last_sys = 0;
  std::array<float, 2> read() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    float u = static_cast<float>(ru.ru_utime.tv_sec) + static_cast<float>(ru.ru_utime.tv_usec) * 1e-6f;
    float s = static_cast<float>(ru.ru_stime.tv_sec) + static_cast<float>(ru.ru_stime.tv_usec) * 1e-6f;
    std::array<float, 2> tm{u - last_user, s - last_sys};
    last_user = u, last_sys = s;
    return tm;
  }
};

std::string times(const std::array<float, 2>& tm) {
  return " " + fmt::f(tm[0], 12, 1) + " " + fmt::f(tm[1], 12, 1) + " " + fmt::f(tm[0] + tm[1], 12, 1);
}

// Wall time of one stage, kept in run.stage_times; the stage's progress line, if one was shown, ends with it.
struct Stage {
  Run& run;
  const char* name;
  std::chrono::steady_clock::time_point t0 = std::chrono::steady_clock::now();
  Stage(Run& r, const char* n) : run(r), name(n) { progress_start(run.progress, n); }
  ~Stage() {
    progress_end(run.progress);
    run.stage_times.push_back({name, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count()});
  }
};

// vorn.cif reads the finished model and nothing else of the run, and writes only its own
// file: a second thread writes it while this one writes the parameter files, the page and the
// log, which take about as long. Its stage time is added when it is joined; an error of its
// stops the run there.
class Beside {
 public:
  void start(const Run& run) {
    thread_ = std::jthread([this, &run] {
      const auto t0 = std::chrono::steady_clock::now();
      try {
        write_rhocif(run);
      } catch (...) {
        failed_ = std::current_exception();
      }
      seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    });
  }
  void finish(Run& run) {
    if (!thread_.joinable()) return;
    thread_.join();
    run.stage_times.push_back({"vorn.cif", seconds_});
    if (failed_) std::rethrow_exception(std::exchange(failed_, nullptr));
  }

 private:
  double seconds_ = 0;
  std::exception_ptr failed_;
  std::jthread thread_;  // declared last: joined before the members it writes are destroyed
};

void open_out(std::ofstream& f, const char* name) {
  f.open(name, std::ios::out | std::ios::trunc);
  if (!f) err(kPlace, std::string("Unable to open output file ") + name);
}

void read_structure(Run& run) {
  const std::string& name = run.set.fname[0];
  switch (run.set.iform) {
    case iform_shelx: readshelx(run, name); break;
    case iform_cif: readcif(run, name); break;
    case iform_pdb:
    case iform_mmcif: readpdb(run, name); break;
    case iform_xd: readxd(run, name); break;
    case iform_aim2tab: readaim2tab(run, name); break;
    case iform_platon: readplaton(run, name); break;
    default: err(kPlace, "Unknown input file format");
  }
}

// A directory, device or FIFO is refused before it is read (it would read nothing, or never
// end) and counts as a name that does not open: the user is asked for another.
void open_db_file(Run& run) {
  const std::string name = fmt::trim(run.set.abank);
  if (not_regular(name)) {
    conl(run, "\n Databank file " + name + " is not a regular file");
    return;
  }
  open_text(run.idb, name, kPlace, "Databank file");
}

// Asks for another databank name until one opens; a blank answer asks again.
void open_databank(Run& run) {
  open_db_file(run);
  if (run.idb.is_open() && run.idb) return;
  // nobody to answer the prompt: stop rather than wait or read a name from a pipe
  if (run.unattended) err(kPlace, "Error opening databank file " + fmt::trim(run.set.abank));
  conl(run, "\n Error opening databank file " + run.set.abank);
  while (!run.idb.is_open() || !run.idb) {
    std::string answer;
    do {
      run.set.abank = std::string(60, ' ');
      *run.console << " Enter the name of databank file : " << std::flush;
      if (!std::getline(*run.input, answer)) err(kPlace, "No databank file name on standard input");
      if (!answer.empty() && answer.back() == '\r') answer.pop_back();
      run.set.abank = fmt::pad(answer, std::max<int>(60, static_cast<int>(answer.size())));  // a long name is kept whole
    } while (fmt::trim(run.set.abank).empty());
    run.idb.clear();
    open_db_file(run);
  }
}

// The long-lived output files with their names.
struct OutFile {
  std::ofstream Run::*f;
  const char* name;
};
constexpr OutFile kOutFiles[] = {
    {&Run::imas, "xd_vorn.mas"}, {&Run::ipro, "mopro_vorn.par"}, {&Run::icon, "con_mopro.inp"},
    {&Run::iplat, "vorn.spf"},   {&Run::ixp, "xd_vorn.inp"},     {&Run::ifh, "fixedH.ins"},
    {&Run::irb, "reset.bond"},   {&Run::icb, "const.bond"},      {&Run::ires, "res_mopro.inp"},
    {&Run::nout, "vorn.out"},
};

void check_outputs(Run& run) {
  for (const OutFile& o : kOutFiles) check_out(run.*o.f, o.name, kPlace);
}

// The closing lines go to the console even in a quiet run.
struct Loud {
  Run& run;
  std::ostream* saved;
  Loud(Run& r, std::ostream* loud) : run(r), saved(r.console) { run.console = loud; }
  ~Loud() { run.console = saved; }
};

void drive(Run& run, Clock& clock, std::ostream* loud) {
  init(run);
  header(*run.console);
  open_out(run.ipro, "mopro_vorn.par");
  mopro_par_header(run);
  open_out(run.icon, "con_mopro.inp");
  con_header(run);
  open_out(run.nout, "vorn.out");
  header(run.nout);
  readinp(run);
  const std::vector<std::string> removed = remove_stale_outputs(run);
  // the old XD master file may itself be called xd_vorn.mas: it is read before the new one replaces it
  if (run.set.iform == iform_xd) run.xdold = load_xd_master(fmt::trim(run.set.mas));
  open_out(run.imas, "xd_vorn.mas");
  {
    Stage t(run, "read structure");
    read_structure(run);
    warn_same_position(run);
  }
  Settings& s = run.set;
  run.nsft = 1;
  for (int i = 1; i <= run.atoms.ia; ++i) run.nsft = std::max(run.nsft, run.atoms1.isft[i]);
  open_out(run.iplat, "vorn.spf");
  spf_head(run);
  if (s.ldb) open_databank(run);
  {
    Stage t(run, "fragments");
    if (s.ifra == frac_stored && s.ncells >= 0)
      run.algorithms == Algorithms::literal ? gencompletefrags_reference(run) : gencompletefrags(run);
    else run.cryst.natoms = run.atoms.ia;
  }
  if (s.lring) {
    Stage t(run, "rings");
    clock.read();
    connect4rings(run);
    findrings(run);
    both(run, "\n Timing for ring search u,s,t (s) :" + times(clock.read()));
  }
  if (s.ifra == frac_stored) {
    Stage t(run, "site symmetry");
    findsites(run);
  }
  if (s.lfh) {
    open_out(run.irb, "reset.bond");
    open_out(run.icb, "const.bond");
    open_out(run.ires, "res_mopro.inp");
    res_header(run);
  }
  {
    Stage t(run, "neighbours");
    run.algorithms == Algorithms::literal ? findallneighbors_reference(run) : findallneighbors(run);
  }
  warn_crowded(run);
  warn_incomplete(run);
  {
    Stage t(run, "local axes, groups, databank, hydrogens");
    localdef(run);
    write_group_ang(run);
  }
  if (s.lfh) {
    close_out(run.irb, "reset.bond", kPlace);
    close_out(run.icb, "const.bond", kPlace);
    res_uratio_and_close(run);
  }
  Beside side;
  if (writes_xd_parameters(s)) {
    open_out(run.ixp, "xd_vorn.inp");
    logl(run, "\n" + fmt::rep('-', 80));
    both(run, "\n Creating XD parameter file...");
    if (!s.lsx) {
      if (s.lfh) open_out(run.ifh, "fixedH.ins");
      if (s.ldb) {
        cboth(run, "\n ATOMS SEARCHED in DB, FOUND in DB, NOT FOUND in DB = " + fmt::i(run.dbcount.ntot, 8) +
                       fmt::i(run.dbcount.nfound, 8) + fmt::i(run.dbcount.nmissed, 8));
        Stage t(run, "rescaling");
        if (s.isca != 0) rescalepv(run);
      }
    }
    side.start(run);
    { Stage t(run, "atom records"); write_atom_records(run); }
    Stage t(run, "closing the parameter files");
    con_similarity_and_close(run);
    close_out(run.ixp, "xd_vorn.inp", kPlace);
    close_out(run.ifh, "fixedH.ins", kPlace);
  }
  if (!s.tsc.empty()) {
    Stage t(run, tsc_file(s));
    write_tsc(run);
  }
  { Stage t(run, "vorn.html"); write_html(run); }
  side.finish(run);
  Stage t(run, "plot file and summary");
  spf_tail(run);
  close_out(run.iplat, "vorn.spf", kPlace);
  // further writers that read the finished model (a page of the axes, a report) are called here,
  // each with its row in the output table of driver/closing.cpp
  // every file is complete before the summary says what was written
  check_outputs(run);
  Loud l(run, loud);
  files_summary(run, removed);
  closing_summary(run);
  close_out(run.imas, "xd_vorn.mas", kPlace);
  close_out(run.ipro, "mopro_vorn.par", kPlace);
  if (s.ldb) run.idb.close();
}

}  // namespace

bool run_guarded(Run& run, const std::function<void()>& body, std::ostream* loud) {
  auto stop = [&](const Fatal& f) {
    const std::string t = err_text(f);
    if (run.nout.is_open()) {
      run.nout << t;
      run.nout.close();
    }
    *(loud ? loud : run.console) << t << std::flush;
  };
  try {
    body();
    return true;
  } catch (const Fatal& f) {
    stop(f);
  } catch (const std::bad_alloc&) {
    stop(Fatal(kPlace, "Out of memory"));
  } catch (const std::exception& e) {
    // a fault of the program itself (a library error, a failed check): still the one report
    stop(Fatal(kPlace, std::string("Internal error: ") + e.what()));
  } catch (...) {
    stop(Fatal(kPlace, "Internal error"));
  }
  return false;
}

namespace {

// The run works inside the output directory and returns to where it was started.
struct InDirectory {
  std::filesystem::path old;
  bool moved = false;
  ~InDirectory() {
    std::error_code ec;
    if (moved) std::filesystem::current_path(old, ec);
  }
};

std::string joined(const std::vector<std::string>& lines) {
  std::string t;
  for (const std::string& l : lines) t += l + "\n";
  return t;
}

}  // namespace

int vorn_main(const std::vector<std::string>& args, std::ostream& console, std::istream& input, DbSearch search,
              std::vector<StageTime>* stage_times, Algorithms alg, Terminal term) {
  const CmdLine cmd = parse_cmdline(args);
  switch (cmd.action) {
    case CmdLine::Action::sample:
      header(console);
      printhelp(console);
      return exit_ok;
    case CmdLine::Action::usage:
      console << usage_text() << std::flush;
      return exit_ok;
    case CmdLine::Action::version:
      console << "vorn " << VORN_VERSION << "\n" << std::flush;
      return exit_ok;
    case CmdLine::Action::mistake:
      console << " vorn: " << cmd.message << "\n" << usage_line() << "\n" << std::flush;
      return cmd.status;
    case CmdLine::Action::run:
      break;
  }
  InDirectory here;
  if (!cmd.outdir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(cmd.outdir, ec);
    here.old = std::filesystem::current_path();
    std::filesystem::current_path(cmd.outdir, ec);
    if (ec) {
      console << " vorn: Cannot write into directory " << cmd.outdir << " : " << ec.message() << "\n" << std::flush;
      return exit_fatal;
    }
    here.moved = true;
  }
  std::ostream null_stream(nullptr);  // a quiet run's console: every write is dropped
  Run run;
  run.console = cmd.quiet ? &null_stream : &console;
  run.input = &input;
  run.dbsearch = search;
  run.algorithms = alg;
  run.unattended = cmd.unattended || !term.input;
  run.control_in_memory = cmd.from_args;
  run.control_text = joined(cmd.lines);
  if (term.output) run.progress.out = &console;
  Clock clock;
  const bool ran = run_guarded(run, [&] { drive(run, clock, &console); }, &console);
  if (stage_times) *stage_times = run.stage_times;
  if (!ran) return exit_fatal;
  clock.last_user = clock.last_sys = 0;
  const std::string total = "\n Total program elapsed times u,s,t (s) :" + times(clock.read()) + "\n";
  // the log's last lines are checked before the console hears that the run ended
  if (!run_guarded(run, [&] {
        logl(run, total);
        logl(run, fmt::rep('-', 80) + "\n");
        close_out(run.nout, "vorn.out", kPlace);
      }, &console))
    return exit_fatal;
  conl(run, total);
  return exit_ok;
}

}  // namespace vorn
