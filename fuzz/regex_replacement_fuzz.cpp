// The replacement expansion alone: any replacement over any match stays within its inputs.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/linux/regex_replacement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  const std::size_t cut = units.size() / 2;
  const std::u16string_view replacement = std::u16string_view(units).substr(0, cut);
  const std::u16string_view subject = std::u16string_view(units).substr(cut);
  std::vector<lc::platform::Span> match;
  const std::size_t start = data[0] % (subject.size() + 1);
  match.push_back({start, data[1] % (subject.size() - start + 1)});
  for (std::size_t group = 0; group < data[2] % 12u; ++group) {
    if (group % 3 == 2) {
      match.emplace_back();
    } else {
      match.push_back({start, (group * 7) % (subject.size() - start + 1)});
    }
  }
  std::u16string out;
  lc::platform::expand_replacement(replacement, subject, match, out);
  // Each unit of the replacement yields at most the whole subject.
  if (out.size() > replacement.size() * (subject.size() + 1)) std::abort();
  return 0;
}
