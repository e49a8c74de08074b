#pragma once
// A program run on a moved clock: Debian's libfaketime preloaded directly. The faketime wrapper
// also makes a named semaphore and shared memory per process id and leaves them behind when
// killed, so that a later run whose id comes round again fails; the library alone does not fail
// on them.

#include <filesystem>
#include <string>

namespace lc::test {

// The environment's assignments (shell words) that run a program with its clock moved by
// `offset`, in libfaketime's form ("+1d", "-27d"); the moved clock goes on advancing.
std::string moved_clock(const std::string& offset);

// While it lives, programs may run on a moved clock; when it goes, what they left in /dev/shm
// goes too. The library keeps a semaphore and shared memory for the children of a process that
// forks (Wine's do), named by that process's id, and removes neither when it ends.
class MovedClockLeftovers {
 public:
  MovedClockLeftovers();
  ~MovedClockLeftovers();
  MovedClockLeftovers(const MovedClockLeftovers&) = delete;
  MovedClockLeftovers& operator=(const MovedClockLeftovers&) = delete;

 private:
  std::filesystem::file_time_type since_;
};

}  // namespace lc::test
