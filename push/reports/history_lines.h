#pragma once
// The record's lines: `history`'s, one a run (what it sent and what came of it, the setbacks it
// met), or with --links one a link event; `status --not-indexed`'s, one a link that stays out of
// an engine's index. As tab-separated text, CSV with a heading line, or JSON lines. Times are
// W3C, in UTC.

#include <ostream>
#include <string_view>

#include "push/record/record.h"

namespace lc::push {

enum class LineFormat { kText, kCsv, kJson };

// The CSV heading of run lines, or of link event lines.
std::string_view history_heading(bool links);
void print_run(std::ostream& out, LineFormat format, const RunEntry& run);
void print_link_event(std::ostream& out, LineFormat format, const LinkEvent& event);

inline constexpr std::string_view kNotIndexedHeading =
    "engine,site,url,coverage,inspected,first_accepted,last_crawl,repushes,destination\n";
void print_not_indexed(std::ostream& out, LineFormat format, const NotIndexedLink& link);

}  // namespace lc::push
