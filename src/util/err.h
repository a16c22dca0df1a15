// The single fatal-error path: err() raises Fatal, the driver reports it and ends the run.
#pragma once
#include <stdexcept>
#include <string>

namespace vorn {

// A fatal error of the run: the place (operation name in mixed case) and the message.
struct Fatal : std::runtime_error {
  std::string where;
  std::string message;
  Fatal(std::string w, std::string m)
      : std::runtime_error(w + ": " + m), where(std::move(w)), message(std::move(m)) {}
};

[[noreturn]] void err(const std::string& where, const std::string& message);

// The text err writes to the log and then to the console.
std::string err_text(const Fatal& f);

}  // namespace vorn
