#pragma once
// The two ways of pushing a batch: the push interface of the window (links one a line, counts
// back), and IndexNow (a JSON list; the status says it all).

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lc::push {

struct Destination {
  std::string interface;
  int timeout_seconds = 0;
  bool indexnow = false;
  // IndexNow's fields.
  std::string host;
  std::string key;
  std::string key_location;
};

// What one request came to.
struct BatchOutcome {
  enum class Kind { kUnreachable, kRefused, kAccepted };
  Kind kind = Kind::kUnreachable;
  std::string status;             // the status line's text, or the client's failure message (UTF-8)
  std::string explanation;        // why a refusal, in plain words or the interface's own
  bool over_quota = false;        // refused whole because the quota cannot take so many
  long accepted = 0;              // as the answer counts them
  std::optional<long> remaining;  // the quota left, where the answer says
  std::vector<std::string> refused;  // links the answer names as refused
};

BatchOutcome send_batch(const Destination& destination, std::span<const std::string_view> links);

// Whether the IndexNow key file at the key location (by default the site's root) holds the key:
// empty when it does, else why not (unreachable, or refused), in words that name the file.
std::optional<BatchOutcome> indexnow_key_problem(const Destination& destination);

// The push interface's answer, read once: its counts, the links it names as refused, and its
// own word on a refusal.
BatchOutcome read_push_answer(int status, std::string_view body);

// IndexNow's keys: 8 to 128 characters of a-z, A-Z, 0-9 and '-'.
bool is_indexnow_key(std::string_view key);

// The most URLs one IndexNow request may carry.
inline constexpr std::size_t kIndexNowLargestBatch = 10'000;

}  // namespace lc::push
