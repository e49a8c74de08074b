#include "push/engines/engine.h"

#include <algorithm>
#include <charconv>

#include "push/engines/bing.h"
#include "push/engines/client.h"
#include "push/engines/google.h"
#include "push/engines/indexnow.h"
#include "push/engines/push_interface.h"
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

void take_status(const Reply& reply, BatchOutcome& outcome) {
  outcome.status = reply.status_text;
  outcome.status_number = reply.status;
  outcome.retry_after = seconds_to_wait(reply.retry_after);
}

EngineKind engine_named(std::string_view name) {
  return name == "indexnow" ? EngineKind::kIndexNow
         : name == "bing"   ? EngineKind::kBing
         : name == "google" ? EngineKind::kGoogle
                            : EngineKind::kPush;
}

bool takes_one_host(EngineKind engine) {
  return engine == EngineKind::kIndexNow || engine == EngineKind::kBing;
}

std::string default_endpoint(EngineKind engine) {
  switch (engine) {
    case EngineKind::kIndexNow:
      return kIndexNowEndpoint;
    case EngineKind::kBing:
      return kBingEndpoint;
    case EngineKind::kGoogle:
      return kGoogleEndpoint;
    case EngineKind::kPush:
      break;
  }
  return "";
}

std::string_view engine_name(EngineKind engine) {
  switch (engine) {
    case EngineKind::kIndexNow:
      return "indexnow";
    case EngineKind::kBing:
      return "bing";
    case EngineKind::kGoogle:
      return "google";
    case EngineKind::kPush:
      break;
  }
  return "push";
}

bool hears_of_removals(EngineKind engine) {
  return engine == EngineKind::kGoogle || engine == EngineKind::kIndexNow;
}

std::optional<std::size_t> largest_batch(EngineKind engine) {
  switch (engine) {
    case EngineKind::kIndexNow:
      return kIndexNowLargestBatch;
    case EngineKind::kBing:
      return kBingLargestBatch;
    case EngineKind::kGoogle:
      return kGoogleLargestBatch;
    case EngineKind::kPush:
      break;
  }
  return std::nullopt;
}

std::unique_ptr<Engine> make_engine(const Destination& destination) {
  switch (destination.engine) {
    case EngineKind::kIndexNow:
      return make_indexnow(destination);
    case EngineKind::kBing:
      return make_bing(destination);
    case EngineKind::kGoogle:
      return make_google(destination);
    case EngineKind::kPush:
      break;
  }
  return make_push_interface(destination);
}

}  // namespace lc::push
