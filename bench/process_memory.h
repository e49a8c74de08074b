#pragma once
// What the kernel says of this process's memory, in KiB: VmRSS now, VmHWM its peak.

#include <fstream>
#include <string>

namespace bench {

inline long status_kib(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
  }
  return 0;
}

}  // namespace bench
