#include "push/texts/w3c_time.h"

#include <charconv>
#include <chrono>
#include <cstdio>

namespace lc::push {
namespace {

bool read_number(std::string_view text, std::size_t at, std::size_t digits, int& value) {
  if (at + digits > text.size()) return false;
  const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + digits, value);
  return error == std::errc() && end == text.data() + at + digits;
}

std::optional<std::time_t> seconds_since_1970(int year, int month, int day, int hour, int minute,
                                              int second) {
  const std::chrono::year_month_day date{std::chrono::year{year},
                                         std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok() || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  const std::chrono::sys_seconds midnight = std::chrono::sys_days{date};
  return midnight.time_since_epoch().count() + hour * 3600L + minute * 60L + second;
}

}  // namespace

std::optional<std::time_t> parse_http_date(std::string_view text) {
  static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  int day = 0, year = 0, hour = 0, minute = 0, second = 0;
  if (text.size() != 29 || text.substr(3, 2) != ", " || text[7] != ' ' || text[11] != ' ' ||
      text[16] != ' ' || text[19] != ':' || text[22] != ':' || text.substr(25) != " GMT" ||
      !read_number(text, 5, 2, day) || !read_number(text, 12, 4, year) ||
      !read_number(text, 17, 2, hour) || !read_number(text, 20, 2, minute) ||
      !read_number(text, 23, 2, second)) {
    return std::nullopt;
  }
  const std::size_t month = kMonths.find(text.substr(8, 3));
  if (month == std::string_view::npos || month % 3 != 0) return std::nullopt;
  return seconds_since_1970(year, static_cast<int>(month / 3) + 1, day, hour, minute, second);
}

std::time_t seconds_now() {
  return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
}

std::string w3c_time(std::time_t seconds) {
  using namespace std::chrono;
  const sys_seconds now{std::chrono::seconds(seconds)};
  const sys_days today = floor<days>(now);
  const year_month_day date{today};
  const hh_mm_ss time{now - today};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

std::optional<std::time_t> parse_w3c_time(std::string_view text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!read_number(text, 0, 4, year) || text.size() < 10 || text[4] != '-' || text[7] != '-' ||
      !read_number(text, 5, 2, month) || !read_number(text, 8, 2, day)) {
    return std::nullopt;
  }
  long offset = 0;
  if (text.size() > 10) {
    if (text[10] != 'T' || !read_number(text, 11, 2, hour) || text.size() < 16 || text[13] != ':' ||
        !read_number(text, 14, 2, minute)) {
      return std::nullopt;
    }
    std::size_t at = 16;
    if (at < text.size() && text[at] == ':') {
      if (!read_number(text, at + 1, 2, second)) return std::nullopt;
      at += 3;
      while (at < text.size() && (text[at] == '.' || (text[at] >= '0' && text[at] <= '9')))
        ++at;
    }
    std::string_view zone = text.substr(at);
    if (zone != "Z") {
      int hours = 0, minutes = 0;
      if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':' ||
          !read_number(zone, 1, 2, hours) || !read_number(zone, 4, 2, minutes)) {
        return std::nullopt;
      }
      offset = (zone[0] == '+' ? 1 : -1) * (hours * 3600L + minutes * 60L);
    }
  }
  const std::optional<std::time_t> seconds =
      seconds_since_1970(year, month, day, hour, minute, second);
  if (!seconds) return std::nullopt;
  return *seconds - offset;
}

}  // namespace lc::push
