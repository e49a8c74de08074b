#include "submit/submit_links.h"

#include "common/marked_text.h"
#include "http/header_block.h"
#include "http/http_request.h"
#include "submit/submit_texts.h"

namespace lc {
namespace {

constexpr int kPost = 1;

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// A status is either the interface's own ("200 OK", "401 Unauthorized") or one of the client's
// failure messages, whose numbers (700 and up) or wording no answer of 2xx shares.
bool exchange_failed(TextView status) {
  const bool answered_2xx =
      status.size() >= 3 && status[0] == '2' && is_digit(status[1]) && is_digit(status[2]);
  return !status.empty() && !answered_2xx;
}

}  // namespace

void submit_links(SubmitView& view) {
  if (view.interface_address().empty()) {
    view.show_message(submit_texts::kAddressMissing, submit_texts::kMessageCaption);
    return;
  }
  const Text address = view.interface_address();
  const Text links = view.links();
  // The status is read, where the system used to drop it, so that a failure is not reported
  // as a submission with empty values.
  Text status;
  view.show_busy(true);
  const Text answer =
      http_request(address, {.method = kPost, .body_text = links, .status = &status});
  const Text accepted =
      text_between_markers(answer, submit_texts::kAcceptedStart, submit_texts::kAcceptedEnd);
  const Text remaining =
      text_between_markers(answer, submit_texts::kRemainingStart, submit_texts::kRemainingEnd);
  Text report;
  report.append(submit_texts::kReportAccepted).append(accepted);
  report.append(submit_texts::kReportRemaining).append(remaining).append(submit_texts::kReportEnd);
  if (exchange_failed(status)) report.append(status).append(kLineBreak);
  view.show_busy(false);
  view.append_report(report);
}

}  // namespace lc
