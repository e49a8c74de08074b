// The slowest of a table of runaway patterns through RegexObject, polynomial and exponential, each
// at several sizes: every call must end, matched or failed, in bounded time. And the time a
// pattern of 80,000 nested parentheses takes to be refused or compiled: linear in its length.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "regex/regex_object.h"

namespace {

struct Runaway {
  const char* pattern;
  const char* unit;  // repeated `count` times, then `tail`
  const char* tail;
  int counts[3];
  lc::RegexObject::CreateOptions options;
};

constexpr lc::RegexObject::CreateOptions kPlain{.case_sensitive = true, .multiline = false};

// Code page 936: \xD6\xD0 is 中, \xD7\xD6 is 字, \xA6\xD8 is ω.
const Runaway kRunaways[] = {
    {".*?(.[^ \\w]*\xA6\xD8\\d)+|\xD7\xD6", "\xD6\xD0", "", {1000, 3000, 16000}, kPlain},
    {".*?(.[^ \\w]*\xA6\xD8\\d)+|\xD7\xD6", "\xD6\xD0", "", {1000, 3000, 16000}, {}},
    {"(a+)+b", "a", "!b", {20, 24, 30000}, kPlain},
    {"^(\\w+\\s?)*$", "a", "!", {20, 24, 30000}, {}},
    {"(a|aa)+$", "a", "b", {30, 36, 30000}, kPlain},
    // Two repeats of one character that multiply at one start position, on both matchers.
    {".*?[^ ]*x", "a", " x", {1000, 16000, 100000}, kPlain},
    {".*\\d+x", "1", "\nx", {1000, 16000, 100000}, kPlain},
    {".*\\s+c", "\x01", "cca1c.c.c", {1000, 16000, 16384}, {}},
};

}  // namespace

int main() {
  double worst_ms = 0;
  for (const Runaway& runaway : kRunaways) {
    for (const int count : runaway.counts) {
      lc::Text subject;
      for (int i = 0; i < count; ++i)
        subject += runaway.unit;
      subject += runaway.tail;
      const auto start = std::chrono::steady_clock::now();
      lc::RegexObject regex;
      regex.create(runaway.pattern, subject, runaway.options);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      worst_ms = std::max(worst_ms, ms);
    }
  }
  std::printf("regex_runaway_worst_ms %.0f ms\n", worst_ms);

  const auto start = std::chrono::steady_clock::now();
  lc::RegexObject nested;
  nested.create(lc::Text(80'000, '('), "a", kPlain);
  std::printf(
      "regex_nested_parens_80k_ms %.0f ms\n",
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
}
