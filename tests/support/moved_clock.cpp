#include "tests/support/moved_clock.h"

namespace lc::test {

std::string moved_clock(const std::string& offset) {
  // The library comes before the sanitizer's runtime, which would otherwise refuse to start.
  return "LD_PRELOAD=" LINKCOURIER_LIBFAKETIME "${LD_PRELOAD:+:$LD_PRELOAD} FAKETIME='" + offset +
         "' ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0";
}

}  // namespace lc::test
