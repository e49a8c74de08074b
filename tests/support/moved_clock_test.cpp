// The moved clock, on a machine where killed runs of the faketime wrapper left their semaphores and
// shared memory behind under the process ids that the next programs get.
#include "tests/support/moved_clock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace lc::test {
namespace {

namespace fs = std::filesystem;

std::set<std::string> faketime_leftovers() {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator("/dev/shm")) {
    const std::string name = entry.path().filename().string();
    if (name.find("faketime_") != std::string::npos) names.insert(name);
  }
  return names;
}

// The wrapper's files for the next `count` process ids, removed again with this object.
class StaleWrapperFiles {
 public:
  explicit StaleWrapperFiles(int count) {
    long last = 0;
    std::ifstream("/proc/sys/kernel/ns_last_pid") >> last;
    for (long pid = last + 1; pid <= last + count; ++pid) {
      for (const std::string name : {"faketime_shm_", "sem.faketime_sem_"}) {
        const fs::path path = fs::path("/dev/shm") / (name + std::to_string(pid));
        if (fs::exists(path)) continue;
        std::ofstream(path) << std::string(32, '\0');
        made_.push_back(path);
      }
    }
  }
  ~StaleWrapperFiles() {
    for (const fs::path& path : made_)
      fs::remove(path);
  }

 private:
  std::vector<fs::path> made_;
};

std::string output_of(const std::string& command) {
  FILE* program = ::popen(command.c_str(), "r");
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, program) != nullptr)
    output += buffer;
  ::pclose(program);
  return output;
}

// The shell's process id, the time it prints and the time its forked child prints, on a clock
// moved by `offset`.
struct ShellTimes {
  std::string shell;
  long long parent = 0, child = 0;
};
ShellTimes times_on(const std::string& offset) {
  std::istringstream printed(
      output_of(moved_clock(offset) + " sh -c 'echo $$; date +%s; (date +%s) & wait' 2>&1"));
  ShellTimes times;
  printed >> times.shell >> times.parent >> times.child;
  return times;
}

// A shell that forks, its child's clock moved as its own is, even where the wrapper's files stand
// under the process ids it and its child get.
TEST(MovedClockTest, MovesTheClockOfAForkingProgram) {
  const StaleWrapperFiles stale(400);
  const MovedClockLeftovers leftovers;
  const struct {
    const char* offset;
    long long seconds;
  } cases[] = {{"+1d", 86'400}, {"-27d", -27 * 86'400}, {"+0", 0}};
  for (const auto& moved : cases) {
    const std::time_t now = std::time(nullptr);
    const ShellTimes times = times_on(moved.offset);
    EXPECT_NEAR(times.parent, now + moved.seconds, 60) << moved.offset;
    EXPECT_NEAR(times.child, now + moved.seconds, 60) << moved.offset;
  }
}

// What the library keeps for a forked child, named by the forking shell's process id, goes with
// the guard.
TEST(MovedClockTest, LeavesNothingBehind) {
  const std::set<std::string> before = faketime_leftovers();
  std::string shell;
  {
    const MovedClockLeftovers leftovers;
    shell = times_on("+1d").shell;
  }
  ASSERT_FALSE(shell.empty());
  for (const std::string& leftover : faketime_leftovers()) {
    if (!before.contains(leftover)) {
      EXPECT_FALSE(leftover.ends_with("_" + shell)) << leftover;
    }
  }
}

}  // namespace
}  // namespace lc::test
