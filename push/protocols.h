#pragma once
// The two ways of pushing a batch: the push interface of the window (links one a line, two
// counts back), and IndexNow (a JSON list; the status says it all).

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
  std::string status;       // the status line's text, or the client's failure message (UTF-8)
  std::string explanation;  // why a refusal, in plain words
  long accepted = 0;
  std::optional<long> remaining;     // the quota left, where the answer says
  std::vector<std::string> refused;  // links the answer names as refused
};

BatchOutcome send_batch(const Destination& destination, std::span<const std::string_view> links);

// IndexNow's keys: 8 to 128 characters of a-z, A-Z, 0-9 and '-'.
bool is_indexnow_key(std::string_view key);

// The most URLs one IndexNow request may carry.
inline constexpr std::size_t kIndexNowLargestBatch = 10'000;

}  // namespace lc::push
