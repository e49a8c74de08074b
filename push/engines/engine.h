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

enum class EngineKind { kPush, kIndexNow, kBing, kGoogle };

struct Destination {
  EngineKind engine = EngineKind::kPush;
  std::string interface;  // the push interface with its token, or the engine's endpoint
  int timeout_seconds = 0;
  std::string host;       // the one site a request may carry (IndexNow, Bing)
  std::string key;        // IndexNow's key, Bing's API key, a Google service account's private key
  std::string account;    // a Google service account's address
  std::string token_uri;  // where that account's tokens are had
  std::string key_location;         // IndexNow's key file, when not at the site's root
  std::string site_url;             // Bing's name for the site: its scheme and host
  std::optional<long> daily_quota;  // Google's publish calls a day, where granted more than 200
};

// The most a daily quota may be given as.
inline constexpr long kMostDailyQuota = 1'000'000'000;

// What one request came to.
struct BatchOutcome {
  enum class Kind { kUnreachable, kRefused, kAccepted };
  Kind kind = Kind::kUnreachable;
  std::string status;     // the status line's text, or the client's failure message (UTF-8)
  int status_number = 0;  // the HTTP status, or the client's failure number (700 and up)
  std::optional<long> retry_after;    // seconds the answer asks to wait before asking again
  std::string explanation;            // why a refusal, in plain words or the interface's own
  bool over_quota = false;            // refused whole because the quota cannot take so many
  long accepted = 0;                  // as the answer counts them
  std::optional<long> remaining;      // the quota left, where the answer says
  std::vector<std::string> refused;   // links the answer names as refused
  std::vector<std::string> deferred;  // links it asks to have again later (its quota spent)
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
};

}  // namespace lc::push
