#include "submit/push_batch.h"

#include "common/marked_text.h"
#include "http/http_request.h"
#include "http/http_status.h"
#include "submit/submit_texts.h"

namespace lc {

bool PushAnswer::answered_2xx() const {
  const int number = status_number(status);
  return number >= 200 && number < 300;
}

PushAnswer push_batch(TextView address, TextView links) {
  PushAnswer answer;
  answer.body = http_request(
      address, {.method = HttpMethod::kPost, .body_text = links, .status = &answer.status});
  answer.accepted =
      text_between_markers(answer.body, submit_texts::kAcceptedStart, submit_texts::kAcceptedEnd);
  answer.remaining =
      text_between_markers(answer.body, submit_texts::kRemainingStart, submit_texts::kRemainingEnd);
  return answer;
}

}  // namespace lc
