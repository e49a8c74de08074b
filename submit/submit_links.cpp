#include "submit/submit_links.h"

#include "http/header_block.h"
#include "submit/push_batch.h"
#include "submit/submit_texts.h"

namespace lc {

void submit_links(SubmitView& view) {
  if (view.interface_address().empty()) {
    view.show_message(submit_texts::kAddressMissing, submit_texts::kMessageCaption);
    return;
  }
  const Text address = view.interface_address();
  const Text links = view.links();
  view.show_busy(true);
  const PushAnswer answer = push_batch(address, links);
  Text report;
  report.append(submit_texts::kReportAccepted).append(answer.accepted);
  report.append(submit_texts::kReportRemaining)
      .append(answer.remaining)
      .append(submit_texts::kReportEnd);
  // A failure is reported with its status, never as a submission with empty values.
  if (!answer.status.empty() && !answer.answered_2xx()) {
    report.append(answer.status).append(kLineBreak);
  }
  view.show_busy(false);
  view.append_report(report);
}

}  // namespace lc
