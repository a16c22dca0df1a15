// The program driver: one run from the command line to the closing summary.
#pragma once
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "model/run.h"

namespace vorn {

// Runs body; a fatal error, or any other exception, is reported through the fatal-error
// path (log, then console, log closed). Returns false when the run was stopped.
bool run_guarded(Run& run, const std::function<void()>& body);

// Runs the program in the current directory; args are the command-line arguments after the
// program name. Returns the exit status, 0 in every case. search chooses how the databank
// is searched and alg which algorithms the stages use; every choice gives the same files.
// times, when given, receives each stage's wall time.
int vorn_main(const std::vector<std::string>& args, std::ostream& console, std::istream& input,
              DbSearch search = DbSearch::index, std::vector<StageTime>* times = nullptr,
              Algorithms alg = Algorithms::fast);

}  // namespace vorn
