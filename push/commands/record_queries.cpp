#include "push/commands/record_queries.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "platform/run_lock.h"
#include "platform/utf8_files.h"
#include "push/engines/engine_registry.h"
#include "push/engines/quota_day.h"
#include "push/record/record_factory.h"
#include "push/record/record_location.h"
#include "push/reports/history_lines.h"
#include "push/reports/html_report.h"
#include "push/reports/status_table.h"
#include "push/texts/exit_codes.h"
#include "push/texts/failure.h"
#include "push/texts/file_text.h"
#include "push/texts/natural_order.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

using Json = nlohmann::ordered_json;

// Where records stand when no --state names one: the user's state directory, and the service's.
std::vector<std::filesystem::path> record_folders() {
  std::vector<std::filesystem::path> folders = {platform::user_state_directory() / "linkcourier"};
  if (const std::optional<std::filesystem::path> service = platform::service_state_directory()) {
    const std::filesystem::path folder = *service / "linkcourier";
    std::error_code error;
    if (!std::filesystem::equivalent(folder, folders.front(), error)) folders.push_back(folder);
  }
  return folders;
}

// The record --state names, or every record where records stand. Throws a Failure saying where
// it looked when it found none; a folder it may not read is said, and why.
std::vector<std::string> records_asked(const std::string& state) {
  if (!state.empty()) return {state};
  const std::filesystem::path validators =
      platform::utf8_path(default_validators_path()).filename();
  std::vector<std::string> paths;
  std::string places;
  std::string unread;
  for (const std::filesystem::path& folder : record_folders()) {
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
      const std::filesystem::path& path = entry->path();
      if (path.extension() == ".db" && path.filename() != validators)
        paths.push_back(platform::utf8_name(path));
    }
    places += (places.empty() ? "" : "、") + platform::utf8_name(folder);
    if (error && error != std::errc::no_such_file_or_directory)
      unread += texts::about(platform::utf8_name(folder), error.message()) + "\n";
  }
  if (paths.empty() && !unread.empty()) throw RecordError(unread.substr(0, unread.size() - 1));
  std::cerr << unread;
  if (paths.empty())
    throw Failure(kUsageOrInput, texts::filled(texts::kNoRecordFound, {{"places", places}}));
  std::sort(paths.begin(), paths.end());
  return paths;
}

// Runs `ask` on each record `state` names (see records_asked); throws the Failure of a record
// that cannot be read.
template <typename Ask>
void each_record(const std::string& state, Ask ask) {
  for (const std::string& path : records_asked(state)) {
    if (!on_a_server(path) && !std::filesystem::exists(platform::utf8_path(path)))
      throw RecordError(texts::about(path, std::strerror(ENOENT)));
    RecordOpening opening;
    opening.path = path;
    std::unique_ptr<Record> record;
    try {
      record = open_record(opening);
    } catch (const RecordEmpty&) {
      // One found where records stand that nothing was kept in yet has nothing to add.
      if (!state.empty()) throw;
      continue;
    }
    ask(*record);
  }
}

// Runs `ask` on each record asked for; a record that cannot be read ends it with its message.
template <typename Ask>
int ask_records(const Options& options, Ask ask) {
  try {
    each_record(options.run.state, ask);
    return kAllAccepted;
  } catch (const Failure& failure) {
    std::cerr << failure.what() << "\n";
    return failure.exit_code();
  }
}

// The destination's quota on its engine's day, and when the next day gives it anew.
struct QuotaToday {
  QuotaDay day;
  std::optional<long> left;
  std::optional<std::time_t> resets;
};

QuotaToday quota_today(const LinkCounts& counts, std::time_t now) {
  Destination destination;
  destination.engine = &engine_of_destination(counts.destination);
  const std::optional<QuotaDay>& last = counts.last_quota_day;
  // A daily quota granted above the usual shows in what its last day used and left.
  const std::optional<long> usual = daily_quota(destination);
  if (usual && last && last->left)
    destination.daily_quota = std::max(*usual, static_cast<long>(last->used + *last->left));
  QuotaToday today;
  today.day.day = quota_day(destination.engine->days, now);
  if (last && last->day == today.day.day) today.day = *last;
  today.left = quota_left(today.day, daily_quota(destination));
  today.resets = next_quota_day(destination.engine->days, now);
  return today;
}

Json json_of(const LinkCounts& counts, const QuotaToday& quota) {
  Json json = {{"destination", counts.destination},
               {"engine", engine_of_destination(counts.destination).name},
               {"site", counts.site},
               {"known", counts.known},
               {"accepted", counts.accepted},
               {"waiting", counts.waiting},
               {"refused", counts.refused},
               {"removals_waiting", counts.removals_waiting},
               {"accepted_today", counts.accepted_today},
               {"accepted_last_7_days", counts.accepted_last_7_days}};
  json["quota_left"] = quota.left ? Json(*quota.left) : Json();
  json["quota_used_today"] = quota.day.used;
  json["quota_resets"] = quota.resets ? Json(w3c_time(*quota.resets)) : Json();
  json["last_run"] = counts.last_run ? Json(w3c_time(*counts.last_run)) : Json();
  json["last_exit_code"] = counts.last_exit_code ? Json(*counts.last_exit_code) : Json();
  json["last_run_host"] = counts.last_run_host.empty() ? Json() : Json(counts.last_run_host);
  if (counts.index) {
    json["indexed"] = counts.index->indexed;
    json["not_indexed"] = counts.index->not_indexed;
    json["not_inspected"] = counts.index->not_inspected;
    const auto seconds = [](std::optional<std::int64_t> value) {
      return value ? Json(*value) : Json();
    };
    json["seconds_to_index_median"] = seconds(counts.index->median_seconds);
    json["seconds_to_index_p90"] = seconds(counts.index->p90_seconds);
  }
  return json;
}

StatusRow row_of(const LinkCounts& counts, const QuotaToday& quota) {
  return {.engine = std::string(engine_of_destination(counts.destination).name),
          .site = counts.site,
          .known = counts.known,
          .accepted = counts.accepted,
          .waiting = counts.waiting,
          .refused = counts.refused,
          .removals_waiting = counts.removals_waiting,
          .quota_left = quota.left,
          .resets = quota.resets,
          .last_run = counts.last_run ? std::optional<std::time_t>(*counts.last_run) : std::nullopt,
          .last_exit_code = counts.last_exit_code,
          .index = counts.index};
}

}  // namespace

std::string status_json(const std::string& state) {
  Json all = Json::array();
  each_record(state, [&](Record& record) {
    const std::time_t now = seconds_now();
    for (const LinkCounts& counts : record.counts(now))
      all.push_back(json_of(counts, quota_today(counts, now)));
  });
  return all.dump(2, ' ', false, Json::error_handler_t::replace);
}

std::vector<StatusRow> status_rows(const std::string& state) {
  std::vector<StatusRow> rows;
  each_record(state, [&](Record& record) {
    const std::time_t now = seconds_now();
    for (const LinkCounts& counts : record.counts(now))
      rows.push_back(row_of(counts, quota_today(counts, now)));
  });
  return rows;
}

int show_status(const Options& options) {
  if (options.not_indexed) {
    const LineFormat format = options.run.json ? LineFormat::kJson : LineFormat::kCsv;
    if (format == LineFormat::kCsv) std::cout << kNotIndexedHeading;
    return ask_records(options, [&](Record& record) {
      record.for_each_not_indexed(options.site, [&](const NotIndexedLink& link) {
        print_not_indexed(std::cout, format, link);
      });
    });
  }
  if (options.run.json) {
    try {
      std::cout << status_json(options.run.state) << "\n";
      return kAllAccepted;
    } catch (const Failure& failure) {
      std::cerr << failure.what() << "\n";
      return failure.exit_code();
    }
  }
  std::vector<StatusRow> rows;
  const int exit_code = ask_records(options, [&](Record& record) {
    const std::time_t now = seconds_now();
    for (const LinkCounts& counts : record.counts(now))
      rows.push_back(row_of(counts, quota_today(counts, now)));
  });
  if (exit_code != kAllAccepted) return exit_code;
  std::stable_sort(rows.begin(), rows.end(), [](const StatusRow& a, const StatusRow& b) {
    return a.engine != b.engine ? a.engine < b.engine : in_natural_order(a.site, b.site);
  });
  print_status_table(std::cout, rows);
  return exit_code;
}

int show_history(const Options& options) {
  std::optional<std::time_t> since = options.since.empty() ? 0 : parse_w3c_time(options.since);
  if (!since) {
    std::cerr << texts::about(options.since, texts::kBadSince) << "\n";
    return kUsageOrInput;
  }
  const LineFormat format = options.run.json ? LineFormat::kJson
                            : options.csv    ? LineFormat::kCsv
                                             : LineFormat::kText;
  if (format == LineFormat::kCsv) std::cout << history_heading(options.links);
  return ask_records(options, [&](Record& record) {
    if (options.links) {
      record.for_each_event(*since, options.site, [&](const LinkEvent& event) {
        print_link_event(std::cout, format, event);
      });
    } else {
      record.for_each_run(*since, options.site,
                          [&](const RunEntry& run) { print_run(std::cout, format, run); });
    }
  });
}

int write_report(const Options& options) {
  std::vector<DestinationHistory> histories;
  const std::time_t now = seconds_now();
  const int exit_code = ask_records(options, [&](Record& record) {
    std::vector<DestinationHistory> found;
    for (LinkCounts& counts : record.counts(now)) {
      DestinationHistory& history = found.emplace_back();
      history.engine = engine_of_destination(counts.destination).name;
      // Only an engine with a daily quota, given or told, has a quota to show.
      const QuotaToday quota = quota_today(counts, now);
      if (quota.left) {
        history.quota = quota.day;
        history.quota_given = quota.day.used + *quota.left;
      }
      history.counts = std::move(counts);
    }
    add_events(found, record, now);
    add_runs(found, record, now);
    add_index_times(found, record, now);
    std::move(found.begin(), found.end(), std::back_inserter(histories));
  });
  if (exit_code != kAllAccepted) return exit_code;
  try {
    write_file_whole(options.html, html_report(histories, now), kUsageOrInput);
    return kAllAccepted;
  } catch (const Failure& failure) {
    std::cerr << failure.what() << "\n";
    return failure.exit_code();
  }
}

}  // namespace lc::push
