#include "push/reports/status_table.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

#include "platform/local_time.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

bool is_wide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The bytes of the UTF-8 character that begins with `lead`.
std::size_t length_of(unsigned char lead) {
  return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// `text` cut to `width` columns, an ellipsis standing for what was cut.
std::string fitted(const std::string& text, std::size_t width) {
  if (display_width(text) <= width) return text;
  std::string cut;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = length_of(static_cast<unsigned char>(text[at]));
    if (display_width(cut + text.substr(at, length)) + 1 > width) break;
    cut += text.substr(at, length);
    at += length;
  }
  return cut + "…";
}

// `text` padded with spaces to `width` columns, on the left for numbers.
std::string padded(const std::string& text, std::size_t width, bool right) {
  const std::string cut = fitted(text, width);
  const std::string spaces(width - display_width(cut), ' ');
  return right ? spaces + cut : cut + spaces;
}

std::string local_time(std::optional<std::time_t> when) {
  if (!when) return "-";
  const std::tm local = platform::local_time_of(*when);
  char text[32];
  std::strftime(text, sizeof text, "%m-%d %H:%M", &local);
  return text;
}

// The machine's offset from UTC now, as "UTC+08:00".
std::string zone_now() {
  const long minutes = platform::utc_offset_minutes(std::time(nullptr));
  char text[32];
  std::snprintf(text, sizeof text, "UTC%c%02ld:%02ld", minutes < 0 ? '-' : '+',
                std::labs(minutes) / 60, std::labs(minutes) % 60);
  return text;
}

// A time in days to one decimal, or "-" where there is none.
std::string in_days(std::optional<std::int64_t> seconds) {
  if (!seconds) return "-";
  char days[32];
  std::snprintf(days, sizeof days, "%.1f", static_cast<double>(*seconds) / 86400.0);
  return texts::filled(texts::kDays, {{"days", days}});
}

struct Column {
  std::string_view heading;
  std::size_t width;
  bool right;
};

// Below the table, for the destinations whose links are inspected: what the engines indexed.
void print_index_table(std::ostream& out, const std::vector<StatusRow>& rows) {
  if (std::none_of(rows.begin(), rows.end(), [](const StatusRow& row) { return row.index; }))
    return;
  constexpr std::size_t kWidths[] = {8, 20, 8, 8, 8, 14, 12};
  const auto line = [&](const std::array<std::string, 7>& cells) {
    std::string text;
    for (std::size_t at = 0; at < cells.size(); ++at) {
      if (at > 0) text += ' ';
      text += padded(cells[at], kWidths[at], at >= 2);
    }
    out << text << "\n";
  };
  out << "\n";
  std::array<std::string, 7> headings;
  for (std::size_t at = 0; at < headings.size(); ++at)
    headings[at] = std::string(texts::kIndexColumns[at]);
  line(headings);
  for (const StatusRow& row : rows) {
    if (!row.index) continue;
    line({row.engine, row.site, std::to_string(row.index->indexed),
          std::to_string(row.index->not_indexed), std::to_string(row.index->not_inspected),
          in_days(row.index->median_seconds), in_days(row.index->p90_seconds)});
  }
}

}  // namespace

std::size_t display_width(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t at = 0; at < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = length_of(lead);
    char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t next = 1; next < length && at + next < text.size(); ++next)
      c = (c << 6) | (static_cast<unsigned char>(text[at + next]) & 0x3F);
    width += is_wide(c) ? 2 : 1;
    at += length;
  }
  return width;
}

void print_status_table(std::ostream& out, const std::vector<StatusRow>& rows) {
  const std::array<Column, 10> columns = {{{texts::kStatusColumns[0], 8, false},
                                           {texts::kStatusColumns[1], 20, false},
                                           {texts::kStatusColumns[2], 7, true},
                                           {texts::kStatusColumns[3], 7, true},
                                           {texts::kStatusColumns[4], 7, true},
                                           {texts::kStatusColumns[5], 6, true},
                                           {texts::kStatusColumns[6], 8, true},
                                           {texts::kStatusColumns[7], 11, false},
                                           {texts::kStatusColumns[8], 11, false},
                                           {texts::kStatusColumns[9], 6, true}}};
  const auto line = [&](const std::array<std::string, 10>& cells) {
    std::string text;
    for (std::size_t at = 0; at < columns.size(); ++at) {
      if (at > 0) text += ' ';
      text += padded(cells[at], columns[at].width, columns[at].right);
    }
    while (text.ends_with(' '))
      text.pop_back();
    out << text << "\n";
  };
  out << texts::filled(texts::kStatusZone, {{"zone", zone_now()}}) << "\n";
  std::array<std::string, 10> headings;
  for (std::size_t at = 0; at < columns.size(); ++at)
    headings[at] = std::string(columns[at].heading);
  line(headings);
  const auto number = [](auto value) { return std::to_string(value); };
  for (const StatusRow& row : rows) {
    line({row.engine, row.site, number(row.known), number(row.accepted), number(row.waiting),
          number(row.refused), row.quota_left ? number(*row.quota_left) : "-",
          local_time(row.resets), local_time(row.last_run),
          row.last_exit_code ? number(*row.last_exit_code) : "-"});
  }
  print_index_table(out, rows);
}

}  // namespace lc::push
