#pragma once
// `history`'s lines: one a run (what it sent and what came of it, the setbacks it met), or with
// --links one a link event; as tab-separated text, CSV with a heading line, or JSON lines. Times
// are W3C, in UTC.

#include <ostream>
#include <string_view>

#include "push/record/record.h"

namespace lc::push {

enum class LineFormat { kText, kCsv, kJson };

// The CSV heading of run lines, or of link event lines.
std::string_view history_heading(bool links);
void print_run(std::ostream& out, LineFormat format, const RunEntry& run);
void print_link_event(std::ostream& out, LineFormat format, const LinkEvent& event);

}  // namespace lc::push
