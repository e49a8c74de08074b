#pragma once
// The one routine that posts a batch of links to a push interface and reads the two values of
// its answer, for the window's submit command.

#include "common/text.h"

namespace lc {

struct PushAnswer {
  Text body;       // the answer's text, converted from the character set it declares
  Text status;     // the status line's text ("200 OK"), or the client's failure message
  Text accepted;   // the value after the key success_batch, as it stands
  Text remaining;  // the value after the key remain_batch, as it stands

  // An answer of 2xx arrived. Statuses are the interface's own or the client's failure
  // messages, whose numbers (700 and up) and wording no 2xx answer shares.
  bool answered_2xx() const;
};

// Posts `links` (lines separated by CR LF) to `address` in one request.
PushAnswer push_batch(TextView address, TextView links);

}  // namespace lc
