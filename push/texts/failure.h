#pragma once
// The one way push/ fails. What cannot be done as asked (a file that cannot be read or written,
// a source that is no sitemap, a record that cannot be used) is thrown as a Failure where it is
// found: its message names its subject ("SUBJECT: REASON"), its exit code says what kind of
// failure it is. The command that was asked catches it, prints it once and ends with its code.
// What is found rather than failed is a value, gathered and shown whole: a config's mistakes, a
// setting's problem, an engine's answer (refusals included).

#include <stdexcept>
#include <string>

#include "push/texts/exit_codes.h"

namespace lc::push {

class Failure : public std::runtime_error {
 public:
  Failure(int exit_code, const std::string& message)
      : std::runtime_error(message), exit_code_(exit_code) {}

  int exit_code() const { return exit_code_; }

 private:
  int exit_code_;
};

}  // namespace lc::push
