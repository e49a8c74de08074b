#include "push/texts/natural_order.h"

#include <algorithm>
#include <cctype>

namespace lc::push {

bool in_natural_order(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) &&
        std::isdigit(static_cast<unsigned char>(b[j]))) {
      const std::size_t a_end = a.find_first_not_of("0123456789", i);
      const std::size_t b_end = b.find_first_not_of("0123456789", j);
      const std::string x = a.substr(i, a_end - i), y = b.substr(j, b_end - j);
      const std::string x_digits = x.substr(std::min(x.find_first_not_of('0'), x.size()));
      const std::string y_digits = y.substr(std::min(y.find_first_not_of('0'), y.size()));
      if (x_digits.size() != y_digits.size()) return x_digits.size() < y_digits.size();
      if (x_digits != y_digits) return x_digits < y_digits;
      i = std::min(a_end, a.size());
      j = std::min(b_end, b.size());
      continue;
    }
    if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

}  // namespace lc::push
