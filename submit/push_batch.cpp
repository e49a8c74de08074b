#include "submit/push_batch.h"

#include "common/ascii_text.h"
#include "common/marked_text.h"
#include "http/http_request.h"
#include "submit/submit_texts.h"

namespace lc {
namespace {

bool starts_with_status_code(TextView status, char first) {
  return status.size() >= 4 && status[0] == first && is_ascii_digit(status[1]) &&
         is_ascii_digit(status[2]) && status[3] == ' ';
}

}  // namespace

bool PushAnswer::answered_2xx() const {
  return starts_with_status_code(status, '2');
}

bool PushAnswer::answered() const {
  return is_http_status(status);
}

bool is_http_status(TextView status) {
  for (char first : {'1', '2', '3', '4', '5', '6'}) {
    if (starts_with_status_code(status, first)) return true;
  }
  return false;
}

PushAnswer push_batch(TextView address, TextView links, int timeout_seconds) {
  PushAnswer answer;
  answer.body = http_request(address, {.method = HttpMethod::kPost,
                                       .body_text = links,
                                       .timeout_seconds = timeout_seconds,
                                       .status = &answer.status});
  answer.accepted =
      text_between_markers(answer.body, submit_texts::kAcceptedStart, submit_texts::kAcceptedEnd);
  answer.remaining =
      text_between_markers(answer.body, submit_texts::kRemainingStart, submit_texts::kRemainingEnd);
  return answer;
}

}  // namespace lc
