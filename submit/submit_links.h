#pragma once
// The tool's one task: post the links to the push interface and report what it answered.

#include "common/text.h"

namespace lc {

// What the submit command needs of the main window.
class SubmitView {
 public:
  virtual ~SubmitView() = default;
  virtual Text interface_address() const = 0;  // the address box, as typed
  virtual Text links() const = 0;              // the links box, lines separated by CR LF
  virtual void append_report(TextView report) = 0;
  virtual void show_message(TextView text, TextView caption) = 0;  // task-modal, OK only
  virtual void show_busy(bool busy) = 0;  // from the start of the exchange to its report
};

// Checks the address, posts the links in one request and appends the two-line report (and a
// line with the failure, when the exchange failed or the interface refused the links).
void submit_links(SubmitView& view);

}  // namespace lc
