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

enum class EngineKind { kPush, kIndexNow };

struct Destination {
  EngineKind engine = EngineKind::kPush;
  std::string interface;  // the push interface with its token, or the engine's endpoint
  int timeout_seconds = 0;
  // IndexNow's fields.
  std::string host;
  std::string key;
  std::string key_location;
};

// What one request came to.
struct BatchOutcome {
  enum class Kind { kUnreachable, kRefused, kAccepted };
  Kind kind = Kind::kUnreachable;
  std::string status;     // the status line's text, or the client's failure message (UTF-8)
  int status_number = 0;  // the HTTP status, or the client's failure number (700 and up)
  std::optional<long> retry_after;   // seconds the answer asks to wait before asking again
  std::string explanation;           // why a refusal, in plain words or the interface's own
  bool over_quota = false;           // refused whole because the quota cannot take so many
  long accepted = 0;                 // as the answer counts them
  std::optional<long> remaining;     // the quota left, where the answer says
  std::vector<std::string> refused;  // links the answer names as refused
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

  virtual BatchOutcome send(std::span<const std::string_view> links) = 0;
};

std::unique_ptr<Engine> make_engine(const Destination& destination);

}  // namespace lc::push
