#pragma once
// The one routine that posts a batch of links to a push interface and reads the two values of
// its answer; the window's submit command and the push program both use it.

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
  // An HTTP answer arrived at all, whatever its status.
  bool answered() const;
};

// Whether a status is an HTTP answer's (any code), not one of the client's failure messages.
bool is_http_status(TextView status);

// Posts `links` (lines separated by CR LF) to `address` in one request.
PushAnswer push_batch(TextView address, TextView links, int timeout_seconds = 0);

}  // namespace lc
