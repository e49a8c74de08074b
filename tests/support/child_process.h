#pragma once
// A real server program started for a test, stopped when the test is done.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/sockets.h"

namespace lc::test {

class ChildProcess {
 public:
  // Starts `argv` in `directory` (empty: this one) with its output thrown away.
  explicit ChildProcess(std::vector<std::string> argv, const std::string& directory = "");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits until something accepts connections on 127.0.0.1:`port`; false after ten seconds.
  bool wait_for_port(std::uint16_t port) const { return wait_until_accepting(port); }

 private:
  long pid_ = -1;  // the operating system's process id
};

// Runs a command in `directory` to its end; true when it exits with 0.
bool run_command(const std::vector<std::string>& argv, const std::string& directory = "");

// A fresh directory under the system's temporary folder, removed with everything in it.
class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace lc::test
