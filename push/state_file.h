#pragma once
// The state file: every link the interface accepted, with when, one a line ("TIME<TAB>LINK",
// the time in UTC as 2026-12-07T03:00:00Z). A later run skips what it holds, unless a sitemap
// says the page changed since.

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lc::push {

class StateFile {
 public:
  StateFile() = default;
  ~StateFile();
  StateFile(const StateFile&) = delete;
  StateFile& operator=(const StateFile&) = delete;

  // Reads what the file holds (none yet is fine) and opens it for appending; false with
  // `error` when it can be neither read nor written.
  bool open(const std::string& path, std::string& error);

  // When the link was last accepted; empty when never.
  std::optional<std::time_t> accepted_at(std::string_view link) const;

  // Appends the links accepted now and flushes them to the disk, so a crash loses no record.
  bool record(const std::vector<std::string_view>& links, std::string& error);

 private:
  std::string path_;
  std::string text_;  // the file as read; the map's keys point into it
  std::unordered_map<std::string_view, std::time_t> accepted_;
  std::FILE* file_ = nullptr;
};

// A W3C date or date and time (<lastmod>), as seconds since 1970 in UTC; empty when unreadable.
std::optional<std::time_t> parse_w3c_time(std::string_view text);

}  // namespace lc::push
