// Random patterns, subjects and replacements through RegexObject: no crash, no hang, and the
// answers hang together.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "regex/regex_object.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lc::fuzz::Input input(data, size);
  const lc::Text pattern = input.piece();
  const lc::Text subject = input.piece();
  const lc::Text replacement = input.piece();
  const std::uint8_t flags = input.byte();
  lc::RegexObject regex;
  const bool created = regex.create(pattern, subject,
                                    {.case_sensitive = (flags & 1) != 0,
                                     .multiline = (flags & 2) != 0,
                                     .global = (flags & 4) != 0,
                                     .replace_quote_marker = (flags & 8) != 0});
  if (!created && regex.match_count() != 0) std::abort();
  for (int i = 1; i <= regex.match_count() && i <= 8; ++i) {
    lc::TextPos position = 0;
    regex.match_text(i, &position);
    if (position < -2 || position > static_cast<lc::TextPos>(subject.size())) std::abort();
    for (int group = 1; group <= regex.submatch_count() && group <= 4; ++group) {
      regex.submatch_text(i, group, &position);
    }
  }
  regex.replace(replacement);
  return 0;
}
