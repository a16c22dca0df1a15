// The updating console line of a stage that runs longer than a couple of seconds.
#pragma once
#include <chrono>
#include <ostream>
#include <string>

namespace vorn {

// Shown only when the console is a terminal (`out` set by the driver) and only once the
// stage has run for `after` seconds, so short runs and logs piped to a file look as before.
struct Progress {
  std::ostream* out = nullptr;  // the terminal; null: never shown
  double after = 2.0;           // seconds before the line appears
  std::string stage;
  std::chrono::steady_clock::time_point t0{}, last{};
  bool shown = false;
  unsigned calls = 0;
};

void progress_start(Progress& p, const std::string& stage);

// done of total items; reads the clock only every few calls, so a per-atom call is cheap.
void progress_tick(Progress& p, long long done, long long total);

// Clears the line when it was shown.
void progress_end(Progress& p);

// The line's text: stage, count and percentage.
std::string progress_text(const std::string& stage, long long done, long long total, double seconds);

}  // namespace vorn
