#include "push/reports/history_lines.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "push/engines/engine_registry.h"
#include "push/reports/run_outcome.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

using Json = nlohmann::ordered_json;

std::string csv_field(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text)
    quoted.append(c == '"' ? "\"\"" : std::string(1, c));
  return quoted + "\"";
}

// The fields of a line, named as the CSV heading names them; JSON keeps their kinds.
using Fields = std::vector<std::pair<std::string_view, Json>>;

// A field as text: nothing for none, setbacks by their words.
std::string text_of(const Json& value) {
  if (value.is_null()) return {};
  if (value.is_string()) return value.get<std::string>();
  if (!value.is_array()) return value.dump();
  std::string words;
  for (const Json& setback : value)
    words += (words.empty() ? "" : "；") + setback["words"].get<std::string>();
  return words;
}

void print_fields(std::ostream& out, LineFormat format, const Fields& fields) {
  if (format == LineFormat::kJson) {
    Json line = Json::object();
    for (const auto& [name, value] : fields)
      line[std::string(name)] = value;
    out << line.dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
    return;
  }
  std::string line;
  for (std::size_t at = 0; at < fields.size(); ++at) {
    if (at > 0) line += format == LineFormat::kCsv ? ',' : '\t';
    const std::string text = text_of(fields[at].second);
    line += format == LineFormat::kCsv ? csv_field(text) : text;
  }
  out << line << "\n";
}

template <typename Number>
Json optional_number(const std::optional<Number>& number) {
  return number ? Json(*number) : Json();
}

}  // namespace

std::string_view history_heading(bool links) {
  return links ? "time,event,site,url,detail,destination\n"
               : "started,ended,site,engine,exit_code,outcome,sent,accepted,refused,waiting,"
                 "setbacks,destination,host\n";
}

void print_run(std::ostream& out, LineFormat format, const RunEntry& run) {
  const auto count = [&](std::int64_t RunCounts::*field) {
    return run.counts ? Json((*run.counts).*field) : Json();
  };
  Json setbacks = Json::array();
  for (const Setback& setback : run.setbacks)
    setbacks.push_back({{"time", w3c_time(setback.time)}, {"words", setback.words}});
  print_fields(out, format,
               {{"started", w3c_time(run.started)},
                {"ended", run.ended ? Json(w3c_time(*run.ended)) : Json()},
                {"site", run.site},
                {"engine", engine_of_destination(run.destination).name},
                {"exit_code", optional_number(run.exit_code)},
                {"outcome", outcome_words(run.ended ? run.exit_code : std::nullopt)},
                {"sent", count(&RunCounts::sent)},
                {"accepted", count(&RunCounts::accepted)},
                {"refused", count(&RunCounts::refused)},
                {"waiting", count(&RunCounts::waiting)},
                {"setbacks", setbacks},
                {"destination", run.destination},
                {"host", run.host}});
}

void print_link_event(std::ostream& out, LineFormat format, const LinkEvent& event) {
  print_fields(out, format,
               {{"time", w3c_time(event.time)},
                {"event", event.event},
                {"site", event.site},
                {"url", event.url},
                {"detail", event.detail},
                {"destination", event.destination}});
}

void print_not_indexed(std::ostream& out, LineFormat format, const NotIndexedLink& link) {
  const auto time = [](const std::optional<std::time_t>& seconds) {
    return seconds ? Json(w3c_time(*seconds)) : Json();
  };
  print_fields(out, format,
               {{"engine", engine_of_destination(link.destination).name},
                {"site", link.site},
                {"url", link.url},
                {"coverage", link.coverage},
                {"inspected", w3c_time(link.inspected)},
                {"first_accepted", time(link.first_accepted)},
                {"last_crawl", time(link.last_crawl)},
                {"repushes", link.repushes},
                {"destination", link.destination}});
}

}  // namespace lc::push
