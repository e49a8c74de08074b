#include "push/engines/engine.h"

#include <algorithm>
#include <charconv>

#include "push/engines/client.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

// Retry-After: a number of seconds, or an HTTP date.
std::optional<long> seconds_to_wait(std::string_view value) {
  if (value.empty()) return std::nullopt;
  long seconds = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (error == std::errc() && end == value.data() + value.size() && seconds >= 0) return seconds;
  const std::optional<std::time_t> when = parse_http_date(value);
  if (!when) return std::nullopt;
  return std::max<long>(0, static_cast<long>(*when - seconds_now()));
}

}  // namespace

BatchOutcome BatchOutcome::all_accepted(std::size_t count) {
  BatchOutcome outcome;
  outcome.kind = Kind::kAnswered;
  outcome.links.assign(count, LinkOutcome::accepted());
  return outcome;
}

std::size_t BatchOutcome::count(LinkOutcome::Kind kind) const {
  return static_cast<std::size_t>(std::count_if(
      links.begin(), links.end(), [kind](const LinkOutcome& link) { return link.kind == kind; }));
}

void take_status(const Reply& reply, BatchOutcome& outcome) {
  outcome.status = reply.status_text;
  outcome.status_number = reply.status;
  outcome.retry_after = seconds_to_wait(reply.retry_after);
}

}  // namespace lc::push
