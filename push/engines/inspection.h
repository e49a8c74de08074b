#pragma once
// What an engine tells of a link's place in its index, for the engines that have a call for it:
// one request a link, its answer kept per link in the record.

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lc::push {

struct Inspection {
  bool indexed = false;
  // The engine's words for the link's state (Google's coverage state, "Submitted and indexed";
  // Bing's, the status its crawler met), kept as they come to group links by.
  std::string coverage;
  std::optional<std::time_t> last_crawl;
  std::string details;  // the rest of what the engine said of the link, a JSON object

  bool operator==(const Inspection&) const = default;
};

// A link and what its inspection found.
struct InspectedLink {
  std::string url;
  Inspection inspection;
};

// What one inspection request came to.
struct InspectionOutcome {
  enum class Kind {
    kInspected,  // `inspection` holds
    kLeft,       // this link is left to the next run, for `words`
    kStopped,    // no more inspections of this destination in this run, for `words`
  };
  Kind kind = Kind::kStopped;
  Inspection inspection;
  std::string words;
  bool for_quota = false;  // stopped because the day's inspections are spent

  static InspectionOutcome left(std::string words) { return {Kind::kLeft, {}, std::move(words)}; }
  static InspectionOutcome stopped(std::string words, bool for_quota = false) {
    return {Kind::kStopped, {}, std::move(words), for_quota};
  }
};

class Inspector {
 public:
  virtual ~Inspector() = default;
  virtual InspectionOutcome inspect(std::string_view link) = 0;
};

// When and how much a destination's links are inspected.
struct InspectionSettings {
  bool enabled = false;
  long after_hours = 48;      // after a link was accepted
  long reinspect_days = 7;    // after a link was found not indexed
  std::optional<long> daily;  // inspections a day; empty: the engine's own limit
  std::string endpoint;       // the inspection call's address; empty: the engine's default
  std::string property;       // Google's name of the site; empty: its scheme and host, with "/"
  // A link found not indexed this many days after it was accepted is pushed again, at most
  // `max_repush` times.
  long repush_days = 14;
  long max_repush = 1;

  bool operator==(const InspectionSettings&) const = default;
};

}  // namespace lc::push
