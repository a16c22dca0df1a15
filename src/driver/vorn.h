// The program driver: one run from the command line to the closing summary.
#pragma once
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "model/run.h"

namespace vorn {

// Exit status of the program: a complete run, a fatal error (every err path, an input that
// does not open, an internal error, a failed write), a mistake on the command line.
constexpr int exit_ok = 0;
constexpr int exit_fatal = 1;
constexpr int exit_usage = 2;

// Whether standard input and output are terminals. Without a terminal to answer, a missing
// fragment charge is 0 and a databank that does not open stops the run; the progress line
// is drawn only on a terminal.
struct Terminal {
  bool input = true;
  bool output = false;
};

// Runs body; a fatal error, or any other exception, is reported through the fatal-error
// path (log, then the console, or loud when given, log closed). Returns false when the run
// was stopped.
bool run_guarded(Run& run, const std::function<void()>& body, std::ostream* loud = nullptr);

// Runs the program; args are the command-line arguments after the program name: none for
// the job of ./vorn.inp, or `FILE [options]` (driver/cmdline.h). Returns the exit status
// above. search chooses how the databank is searched and alg which algorithms the stages
// use; every choice gives the same files. times, when given, receives each stage's wall time.
int vorn_main(const std::vector<std::string>& args, std::ostream& console, std::istream& input,
              DbSearch search = DbSearch::index, std::vector<StageTime>* times = nullptr,
              Algorithms alg = Algorithms::fast, Terminal term = {});

}  // namespace vorn
