#pragma once
// The status an exchange gives back, read as a number: the status text of an answer ("200 OK")
// or one of the client's failure messages ("711 ..."), whose numbers start at 700.

#include "common/text.h"

namespace lc {

// The three digits a status starts with; 0 when it starts with none.
int status_number(TextView status);

// Whether `number` is an HTTP answer's (100 to 699), not one of the client's failures.
constexpr bool is_answer_status(int number) {
  return number >= 100 && number < 700;
}

}  // namespace lc
