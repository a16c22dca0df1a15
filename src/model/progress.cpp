// The updating progress line: shown after a delay, redrawn a few times a second, cleared at the end.
#include "model/progress.h"

namespace vorn {

namespace {
constexpr unsigned kEvery = 64;     // clock readings are this many calls apart
constexpr double kRedraw = 0.25;    // seconds between two drawings of the line
constexpr size_t kWidth = 72;       // the line is blanked to this width when it ends
}  // namespace

void progress_start(Progress& p, const std::string& stage) {
  p.stage = stage;
  p.t0 = p.last = std::chrono::steady_clock::now();
  p.shown = false;
  p.calls = 0;
}

std::string progress_text(const std::string& stage, long long done, long long total, double seconds) {
  std::string s = " " + stage + " : " + std::to_string(done);
  if (total > 0) s += " of " + std::to_string(total) + " (" + std::to_string(done * 100 / total) + " %)";
  s += ", " + std::to_string(static_cast<long long>(seconds)) + " s";
  return s;
}

void progress_tick(Progress& p, long long done, long long total) {
  if (!p.out || ++p.calls % kEvery != 0) return;
  const auto now = std::chrono::steady_clock::now();
  const double t = std::chrono::duration<double>(now - p.t0).count();
  if (t < p.after || (p.shown && std::chrono::duration<double>(now - p.last).count() < kRedraw)) return;
  p.last = now;
  std::string s = progress_text(p.stage, done, total, t);
  if (s.size() < kWidth) s += std::string(kWidth - s.size(), ' ');
  *p.out << '\r' << s << std::flush;
  p.shown = true;
}

void progress_end(Progress& p) {
  if (p.out && p.shown) *p.out << '\r' << std::string(kWidth, ' ') << '\r' << std::flush;
  p.shown = false;
}

}  // namespace vorn
