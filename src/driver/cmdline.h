// The command line: `vorn FILE [options]` turned into control-file lines, or help, usage, version.
#pragma once
#include <string>
#include <vector>

namespace vorn {

// What the command line asks for. A run takes its control lines from `lines` when `one_liner`
// (or `--control`) is in effect, and from ./vorn.inp otherwise.
struct CmdLine {
  enum class Action { run, sample, usage, version, mistake };
  Action action = Action::run;
  bool from_args = false;         // FILE or options given: the control lines below, no ./vorn.inp
  std::vector<std::string> lines; // control-file lines, in reading order (the options last)
  std::string outdir;             // -o DIR; empty: the current directory
  bool quiet = false;             // -q: the console keeps warnings and the closing summary
  bool unattended = false;        // the FILE form never asks
  std::string message;            // the mistake, for Action::mistake
  int status = 2;                 // exit status of a mistake: 2 for the command line, 1 for a file
};

// The usage text printed by --help, and its first line after a mistake.
std::string usage_text();
std::string usage_line();

// Parses args (after the program name); cwd-relative paths are rewritten relative to outdir
// so the run, which works inside outdir, finds them.
CmdLine parse_cmdline(const std::vector<std::string>& args);

// The reader's FORMAT word for a structure file: by its extension, then by its content;
// empty when neither tells (message says why). For XD the parameter file beside the master
// file is returned in partner.
struct Detected {
  std::string format;   // "shelx", "cif", "xd", "platon", "aim2tab"
  std::string partner;  // XD parameter file
  std::string message;
};
Detected detect_format(const std::string& path);

}  // namespace vorn
