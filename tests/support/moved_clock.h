#pragma once
// A program run on a moved clock: Debian's libfaketime preloaded directly. The faketime wrapper
// would also make a named semaphore and shared memory per process id and leave them behind when
// killed, so a later run whose id comes round again fails; the library alone leaves nothing.

#include <string>

namespace lc::test {

// The environment's assignments (shell words) that run a program with its clock moved by
// `offset`, in libfaketime's form ("+1d", "-27d"); the moved clock goes on advancing.
std::string moved_clock(const std::string& offset);

}  // namespace lc::test
