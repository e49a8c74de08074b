#pragma once
// What each system tells of its processes, for the identities process_identity.cpp makes of them.

#include <optional>
#include <string>

namespace lc::platform {

// Where a process number names one process, ending in "/": this boot of the machine and the PID
// namespace this process sees (Linux), the machine (Windows).
std::string process_space();

// When process `pid` started, in the system's ticks; empty where none of that number runs; none
// where the system will not tell.
std::optional<std::string> process_start(long pid);

}  // namespace lc::platform
