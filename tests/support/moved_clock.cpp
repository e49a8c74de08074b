#include "tests/support/moved_clock.h"

#include <signal.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <vector>

namespace lc::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSharedMemory = "/dev/shm";

// The process id a leftover of the library is named by; 0 when the name is none of its.
long owner_of(const std::string& name) {
  for (const std::string_view prefix : {"sem.faketime_sem_", "faketime_shm_"}) {
    if (!name.starts_with(prefix)) continue;
    long pid = 0;
    const char* digits = name.data() + prefix.size();
    const auto [end, error] = std::from_chars(digits, name.data() + name.size(), pid);
    return error == std::errc() && end == name.data() + name.size() ? pid : 0;
  }
  return 0;
}

bool is_running(long pid) {
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

std::string moved_clock(const std::string& offset) {
  // The library comes before the sanitizer's runtime, which would otherwise refuse to start.
  return "LD_PRELOAD=" LINKCOURIER_LIBFAKETIME "${LD_PRELOAD:+:$LD_PRELOAD} FAKETIME='" + offset +
         "' ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0";
}

// File times come from a coarser clock than now() reads: a file made just after may bear a time
// just before.
MovedClockLeftovers::MovedClockLeftovers()
    : since_(fs::file_time_type::clock::now() - std::chrono::seconds(1)) {}

MovedClockLeftovers::~MovedClockLeftovers() {
  std::error_code ignored;
  std::vector<fs::path> left;  // removed after the listing, which a removal may cut short
  for (const fs::directory_entry& entry : fs::directory_iterator(kSharedMemory, ignored)) {
    const long pid = owner_of(entry.path().filename().string());
    // Only what came while this lived, of processes that have ended: a semaphore of the same
    // name in use elsewhere stays.
    if (pid > 0 && !is_running(pid) && entry.last_write_time(ignored) >= since_)
      left.push_back(entry.path());
  }
  for (const fs::path& path : left)
    fs::remove(path, ignored);
}

}  // namespace lc::test
