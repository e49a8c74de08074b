#include "push/commands/serve_command.h"

#include <algorithm>
#include <atomic>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/memory_pages.h"
#include "platform/service_manager.h"
#include "platform/service_signals.h"
#include "push/commands/served_sites.h"
#include "push/serve/flush_schedule.h"
#include "push/serve/intake_server.h"
#include "push/serve/serve_counters.h"
#include "push/texts/exit_codes.h"
#include "push/texts/failure.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// Flushes each site as it falls due, on a thread of its own, until stopped.
class Flusher {
 public:
  Flusher(ServedSites& sites, FlushSchedule& schedule)
      : schedule_(schedule), thread_([this, &sites] {
          while (const std::optional<std::string> site = schedule_.next_due()) {
            schedule_.flushed(*site, sites.flush(*site, stop_));
            platform::give_back_free_memory();
          }
        }) {}

  // The request in flight is answered and kept; no other goes out.
  ~Flusher() {
    stop_ = true;
    schedule_.stop();
    thread_.join();
  }

 private:
  FlushSchedule& schedule_;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

// One reading of the config, served: its plan, its sites, and their flushing, from the moment
// it is made until it is let go.
struct Serving {
  Serving(Plan read, ServeCounters& counters)
      : plan(std::move(read)), schedule(plan.serve->flush_after), sites(plan, schedule, counters) {}

  // Flushes every site soon: links taken before a restart, an outage or a reload wait.
  void start() {
    flusher.emplace(sites, schedule);
    sites.flush_all_soon();
  }

  Plan plan;
  FlushSchedule schedule;
  ServedSites sites;
  std::optional<Flusher> flusher;  // last: it stops before what it flushes goes
};

// The config read for serving, or none, each of its mistakes said.
std::unique_ptr<Serving> read_serving(const Options& options, ServeCounters& counters) {
  const PlanReading reading = plan_of(options);
  for (const std::string& warning : reading.warnings)
    std::cerr << warning << "\n";
  for (const std::string& problem : reading.problems)
    std::cerr << problem << "\n";
  if (!reading.plan) return nullptr;
  if (!reading.plan->serve) {
    std::cerr << texts::about(options.config, texts::kServeNeedsTable) << "\n";
    return nullptr;
  }
  auto serving = std::make_unique<Serving>(*reading.plan, counters);
  for (const std::string& unserved : serving->sites.unserved())
    std::cerr << unserved << "\n";
  const std::vector<std::string> problems = serving->sites.problems();
  for (const std::string& problem : problems)
    std::cerr << problem << "\n";
  return problems.empty() ? std::move(serving) : nullptr;
}

// The serving the requests go to; a reload puts another in its place while requests go on.
class CurrentServing {
 public:
  explicit CurrentServing(std::unique_ptr<Serving> first) : serving_(std::move(first)) {}

  std::shared_ptr<Serving> get() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return serving_;
  }
  // The one before goes once its last request is answered and its flush stopped.
  void replace(std::unique_ptr<Serving> next) {
    std::shared_ptr<Serving> before;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      before = std::exchange(serving_, std::move(next));
    }
    serving_->start();
  }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<Serving> serving_;
};

// How long the service waits for the system's requests between two words to the watchdog.
std::chrono::milliseconds beat(const std::optional<std::chrono::microseconds>& watchdog) {
  if (!watchdog) return std::chrono::hours(1);
  return std::max(std::chrono::milliseconds(1),
                  std::chrono::duration_cast<std::chrono::milliseconds>(*watchdog / 2));
}

}  // namespace

int serve_links(const Options& options) {
  // Before any thread starts, so that the system's requests reach this one.
  platform::ServiceSignals signals;
  platform::give_large_blocks_their_own_pages();
  ServeCounters counters;
  std::unique_ptr<Serving> first = read_serving(options, counters);
  if (!first) return kUsageOrInput;
  const std::string listen = first->plan.serve->listen;
  CurrentServing current(std::move(first));
  try {
    const ListenAddress address = *listen_address(listen);
    const std::optional<int> handed = platform::handed_listening_socket();
    IntakeServer server(
        address,
        [&current](const IntakeRequest& request) { return current.get()->sites.answer(request); },
        handed);
    const std::string port = std::to_string(server.port());
    std::cout << (handed ? texts::filled(texts::kServeHandedSocket, {{"port", port}})
                         : texts::filled(texts::kServeListening,
                                         {{"host", address.host}, {"port", port}}))
              << std::endl;
    current.get()->start();
    platform::tell_service_manager("READY=1");
    const std::optional<std::chrono::microseconds> watchdog = platform::watchdog_interval();
    for (;;) {
      const platform::ServiceSignals::Asked asked = signals.wait(beat(watchdog));
      if (watchdog) platform::tell_service_manager("WATCHDOG=1");
      if (asked == platform::ServiceSignals::Asked::kStop) break;
      if (asked != platform::ServiceSignals::Asked::kReload) continue;
      platform::tell_service_manager("RELOADING=1");
      if (std::unique_ptr<Serving> next = read_serving(options, counters)) {
        if (next->plan.serve->listen != listen) std::cerr << texts::kServeListenKept << "\n";
        current.replace(std::move(next));
        std::cout << texts::kServeReloaded << std::endl;
      } else {
        std::cerr << texts::kServeReloadRefused << "\n";
      }
      platform::tell_service_manager("READY=1");
    }
    platform::tell_service_manager("STOPPING=1");
  } catch (const Failure& failure) {
    std::cerr << failure.what() << "\n";
    return failure.exit_code();
  }
  return kAllAccepted;
}

}  // namespace lc::push
