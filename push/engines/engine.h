#pragma once
// The engines a run pushes to, behind one interface: each with its own request, its own batch
// size and its own reading of the answer.

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lc::push {

struct EngineDescription;

struct Destination {
  const EngineDescription* engine = nullptr;  // what it is, from the registry
  std::string interface;  // the push interface with its token, or the engine's endpoint
  int timeout_seconds = 0;
  std::string host;       // the one site a request may carry (IndexNow, Bing)
  std::string key;        // IndexNow's key, Bing's API key, a Google service account's private key
  std::string account;    // a Google service account's address
  std::string token_uri;  // where that account's tokens are had
  std::string key_id;     // that account's key's id, where its key file gives it
  std::string key_location;         // IndexNow's key file, when not at the site's root
  std::string site_url;             // Bing's name for the site: its scheme and host
  std::optional<long> daily_quota;  // Google's publish calls a day, where granted more than 200

  bool operator==(const Destination&) const = default;
};

// The most a daily quota may be given as.
inline constexpr long kMostDailyQuota = 1'000'000'000;

// What became of one link of an answered request.
struct LinkOutcome {
  enum class Kind { kAccepted, kRefused, kDeferred };
  Kind kind = Kind::kAccepted;
  // Why it was refused or waits: the engine's own words for this link, or ours for its code.
  std::string reason;
  bool for_quota = false;  // deferred because the engine's quota for the day is spent

  static LinkOutcome accepted() { return {}; }
  static LinkOutcome refused(std::string reason) { return {Kind::kRefused, std::move(reason)}; }
  static LinkOutcome deferred(std::string reason, bool for_quota) {
    return {Kind::kDeferred, std::move(reason), for_quota};
  }
};

// What one request came to.
struct BatchOutcome {
  // kRefused: the request as a whole, for `explanation`; kAnswered: each link has its outcome.
  enum class Kind { kUnreachable, kRefused, kAnswered };
  Kind kind = Kind::kUnreachable;
  std::string status;     // the status line's text, or the client's failure message (UTF-8)
  int status_number = 0;  // the HTTP status, or the client's failure number (700 and up)
  std::optional<long> retry_after;  // seconds the answer asks to wait before asking again
  std::string explanation;          // why the request was refused, in plain words or the engine's
  bool over_quota = false;          // refused whole because the quota cannot take so many
  std::optional<long> remaining;    // the quota left, where the answer says
  // One a link, in the order sent; empty where the answer does not say which links it took (its
  // counts do not add up), so that every link of the request waits.
  std::vector<LinkOutcome> links;
  // Where `links` is empty: what the answer counted, for the warning.
  long counted_accepted = 0;
  std::size_t counted_refused = 0;

  // The outcome of every link of an answer of `count` links that took them all.
  static BatchOutcome all_accepted(std::size_t count);
  std::size_t count(LinkOutcome::Kind kind) const;
};

struct Reply;

// Takes what every answer says into `outcome`: its status and how long it asks to wait.
void take_status(const Reply& reply, BatchOutcome& outcome);

class Engine {
 public:
  virtual ~Engine() = default;

  // What must hold before the first request; empty when it does, else why not (unreachable, or
  // refused), in words that name what was asked.
  virtual std::optional<BatchOutcome> prepare() { return std::nullopt; }

  // The quota the engine gave while preparing, where it gives one before any request.
  virtual std::optional<long> quota() const { return std::nullopt; }

  virtual BatchOutcome send(std::span<const std::string_view> links) = 0;

  // Tells an engine that hears of removals that the pages of `links` are gone.
  virtual BatchOutcome send_removed(std::span<const std::string_view> links) { return send(links); }

  // Secrets the engine came by while it worked (an access token), to be hidden wherever an
  // answer quotes them.
  virtual std::vector<std::string> secrets() const { return {}; }
};

}  // namespace lc::push
