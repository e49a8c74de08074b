// `status` on a terminal: columns that stay aligned and within 100 columns whatever the sites.
#include "push/reports/status_table.h"

#include <gtest/gtest.h>

#include <sstream>

namespace lc::push {
namespace {

// The text of `line` up to display column `columns`.
std::string first_columns(const std::string& line, std::size_t columns) {
  std::string prefix;
  for (std::size_t at = 0; at < line.size() && display_width(prefix) < columns;) {
    std::size_t length = 1;
    while (at + length < line.size() &&
           (static_cast<unsigned char>(line[at + length]) & 0xC0) == 0x80)
      ++length;
    prefix += line.substr(at, length);
    at += length;
  }
  return prefix;
}

TEST(StatusTableTest, RowsAlignWithinOneHundredColumns) {
  EXPECT_EQ(display_width("push"), 4u);
  EXPECT_EQ(display_width("已接受"), 6u);
  EXPECT_EQ(display_width("例子.中国…"), 10u);
  const auto row = [](std::string engine, std::string site, std::int64_t known) {
    StatusRow row;
    row.engine = std::move(engine);
    row.site = std::move(site);
    row.known = known;
    return row;
  };
  std::vector<StatusRow> rows = {row("google", "www.example.com", 250),
                                 row("indexnow", "a-very-long-subdomain.of-a-site.example.com", 1),
                                 row("bing", "例子例子例子例子例子例子.中国", 1234567)};
  rows.back().quota_left = 9999999;
  rows.back().resets = rows.back().last_run = 0;
  rows.back().last_exit_code = 7;
  std::ostringstream out;
  print_status_table(out, rows);
  std::istringstream lines(out.str());
  std::string line;
  std::getline(lines, line);  // the zone
  int seen = 0;
  for (; std::getline(lines, line); ++seen) {
    EXPECT_LE(display_width(line), 100u) << line;
    // The third column, right-aligned, ends at column 37 in the heading and every row.
    const std::string prefix = first_columns(line, 37);
    EXPECT_EQ(display_width(prefix), 37u) << line;
    EXPECT_NE(prefix.back(), ' ') << line;
  }
  EXPECT_EQ(seen, 4);
  EXPECT_NE(out.str().find("a-very-long-subdoma…"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("例子例子例子例子例…"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace lc::push
