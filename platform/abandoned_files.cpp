#include "platform/durable_files.h"

#include <charconv>
#include <chrono>
#include <filesystem>

#include "platform/run_lock.h"
#include "platform/utf8_files.h"

namespace lc::platform {
namespace {

// A write takes seconds; one this old whose program is gone was cut short.
constexpr std::chrono::hours kAbandonedAfter{1};

}  // namespace

void remove_abandoned_temporaries(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path target = utf8_path(path);
  const std::string prefix = utf8_name(target.filename()) + ".tmp-";
  std::error_code error;
  const auto now = fs::file_time_type::clock::now();
  for (const fs::directory_entry& entry : fs::directory_iterator(
           target.has_parent_path() ? target.parent_path() : fs::path("."), error)) {
    const std::string name = utf8_name(entry.path().filename());
    if (!name.starts_with(prefix)) continue;
    long pid = 0;
    const char* digits = name.data() + prefix.size();
    const auto [end, failed] = std::from_chars(digits, name.data() + name.size(), pid);
    if (failed != std::errc() || end != name.data() + name.size() || process_runs(pid)) continue;
    const auto written = entry.last_write_time(error);
    if (!error && now - written >= kAbandonedAfter) fs::remove(entry.path(), error);
  }
}

}  // namespace lc::platform
