#include "http/http_status.h"

#include "common/ascii_text.h"

namespace lc {

int status_number(TextView status) {
  if (status.size() < 4 || status[3] != ' ') return 0;
  int number = 0;
  for (const char c : status.substr(0, 3)) {
    if (!is_ascii_digit(c)) return 0;
    number = number * 10 + (c - '0');
  }
  return number;
}

}  // namespace lc
