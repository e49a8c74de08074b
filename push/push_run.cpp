#include "push/push_run.h"

#include <algorithm>

#include "push/engines/engine_registry.h"
#include "push/engines/quota_day.h"
#include "push/engines/retrying_engine.h"
#include "push/record/record.h"
#include "push/sources/pending_file.h"
#include "push/texts/exit_codes.h"
#include "push/texts/failure.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

// A request refused whole as over the quota is tried again with half as many links, down to
// one; 2,000 links come down to one in eleven halvings.
constexpr int kMostHalvings = 20;

class PushRun {
 public:
  PushRun(const RunOptions& options, const std::vector<std::string_view>& links, RunReport& report)
      : options_(options),
        links_(links),
        report_(report),
        engine_(
            make_engine(options.destination), options.max_wait_seconds,
            [this](const std::string& line) { report_.inform(secrets_.hidden(line)); },
            [this](const std::string& words) { keep_setback(secrets_.hidden(words)); }),
        limit_(options.batch) {
    totals_.links = links.size();
    totals_.already_pushed = options.already_pushed;
  }

  RunTotals run() {
    quota_ = quota_known_today(options_.destination, options_.record, quota_day_);
    learn_from_the_last_day();
    // A quota known to be spent asks the engine nothing, not even for a token.
    if (!links_.empty() && quota_ != 0 && !ready()) return finish();
    if (const std::optional<long> said = engine_.quota()) {
      quota_ = std::max(0L, *said);
      if (options_.record != nullptr) options_.record->record_quota(quota_day_, *said);
    }
    while (next_ < links_.size() && !stopped() && send_next()) {
    }
    return finish();
  }

 private:
  bool stopped() const { return options_.stop != nullptr && options_.stop->load(); }

  // Whether the engine can take links (IndexNow: the site's key file holds the key).
  bool ready() {
    const std::optional<BatchOutcome> problem = engine_.prepare();
    if (!problem) return true;
    report_.note(secrets_.hidden(problem->explanation + "（" + problem->status + "）"));
    ending_.unreachable = problem->kind == BatchOutcome::Kind::kUnreachable;
    ending_.needs_attention = true;
    return false;
  }

  // A new day whose quota no answer has told yet: its first request carries no more than the
  // last told day's whole quota, instead of being halved down to it again.
  void learn_from_the_last_day() {
    if (quota_ || options_.record == nullptr) return;
    const std::optional<QuotaDay> told = options_.record->told_quota_before(quota_day_);
    if (!told) return;
    const auto whole =
        static_cast<std::size_t>(std::max<std::int64_t>(1, told->used + *told->left));
    limit_ = std::min(limit_, whole);
  }

  // Sends the next request and takes its answer; false when the run stops here.
  bool send_next() {
    std::size_t count = std::min(limit_, links_.size() - next_);
    if (quota_) count = std::min<std::size_t>(count, static_cast<std::size_t>(*quota_));
    if (count == 0) {
      report_.inform(texts::kQuotaSpent);
      return false;
    }
    // Not one request once another run took the destination over.
    if (options_.record != nullptr && !on_record([&] { options_.record->confirm_lease(); }))
      return false;
    const std::span<const std::string_view> batch(links_.data() + next_, count);
    const BatchOutcome outcome =
        options_.removals ? engine_.send_removed(batch) : engine_.send(batch);
    for (const std::string& secret : engine_.secrets())
      secrets_.add(secret);
    switch (outcome.kind) {
      case BatchOutcome::Kind::kUnreachable:
        report_.note(texts::about(secrets_.hidden(options_.destination.interface),
                                  secrets_.hidden(outcome.status)));
        ending_.unreachable = totals_.accepted == 0;
        ending_.needs_attention = true;
        return false;
      case BatchOutcome::Kind::kRefused:
        return (outcome.over_quota && halve(count)) || refuse(batch, outcome);
      case BatchOutcome::Kind::kAnswered:
        return take(batch, outcome);
    }
    return false;
  }

  // A request refused whole: its links are kept as sent, with the refusal, and wait; the run
  // stops here. One refused as over a quota the answers never told waits for the next day.
  bool refuse(std::span<const std::string_view> batch, const BatchOutcome& outcome) {
    const std::string explanation =
        outcome.explanation.empty() ? "" : "，" + secrets_.hidden(outcome.explanation);
    const std::string words =
        std::string(texts::kRefused) + secrets_.hidden(outcome.status) + explanation;
    if (outcome.over_quota) {
      report_.inform(words);
      return false;
    }
    report_.note(words);
    ending_.needs_attention = true;
    totals_.sent += batch.size();
    totals_.refused += batch.size();
    const std::vector<LinkOutcome> waiting(batch.size(), LinkOutcome::deferred(words, false));
    record(batch, outcome, waiting);
    return false;
  }

  // Over the quota with a quota no answer has told yet: the next request halves.
  bool halve(std::size_t count) {
    if (count < 2 || quota_ || halvings_ == kMostHalvings) return false;
    ++halvings_;
    limit_ = count / 2;
    report_.inform(texts::filled(texts::kOverQuotaHalved, {{"count", std::to_string(limit_)}}));
    return true;
  }

  bool take(std::span<const std::string_view> batch, const BatchOutcome& outcome) {
    next_ += batch.size();
    totals_.sent += batch.size();
    std::vector<LinkOutcome> outcomes = outcome.links;
    for (LinkOutcome& link : outcomes)
      link.reason = secrets_.hidden(std::move(link.reason));
    const std::size_t accepted = outcome.count(LinkOutcome::Kind::kAccepted);
    totals_.accepted += static_cast<long>(accepted);
    totals_.refused += outcome.count(LinkOutcome::Kind::kRefused);
    quota_ = quota_after(batch, outcome);
    if (quota_ && halvings_ > 0 && limit_ != options_.batch) {
      // What halving found out, once: the quota the first request met.
      report_.inform(texts::filled(texts::kQuotaAllowed,
                                   {{"count", std::to_string(totals_.accepted + *quota_)}}));
    }
    if (quota_) limit_ = options_.batch;  // the quota the answer gave bounds the next ones
    report_.request(
        {.links = batch.size(),
         .status = outcome.status,
         .accepted = outcome.links.empty() ? outcome.counted_accepted : static_cast<long>(accepted),
         .remaining = outcome.remaining,
         .refused = links_of(batch, outcomes, LinkOutcome::Kind::kRefused)},
        totals_);
    if (outcomes.empty()) {
      // The answer does not say which links it took: they all wait.
      report_.note(texts::filled(texts::kCountsDisagree,
                                 {{"sent", std::to_string(batch.size())},
                                  {"accepted", std::to_string(outcome.counted_accepted)},
                                  {"refused", std::to_string(outcome.counted_refused)}}));
      waiting_.insert(waiting_.end(), batch.begin(), batch.end());
      ending_.needs_attention = true;
    }
    note_reasons(batch, outcomes);
    return record(batch, outcome, outcomes);
  }

  static std::vector<std::string> links_of(std::span<const std::string_view> batch,
                                           const std::vector<LinkOutcome>& outcomes,
                                           LinkOutcome::Kind kind) {
    std::vector<std::string> links;
    for (std::size_t at = 0; at < outcomes.size(); ++at) {
      if (outcomes[at].kind == kind) links.emplace_back(batch[at]);
    }
    return links;
  }

  // Why links were refused or wait, one line a reason, in the order first met; the links that
  // wait are kept for the pending file. Only links that wait for the quota are no one's concern.
  void note_reasons(std::span<const std::string_view> batch,
                    const std::vector<LinkOutcome>& outcomes) {
    std::vector<std::pair<const LinkOutcome*, std::size_t>> reasons;
    for (std::size_t at = 0; at < outcomes.size(); ++at) {
      const LinkOutcome& link = outcomes[at];
      if (link.kind == LinkOutcome::Kind::kAccepted) continue;
      if (link.kind == LinkOutcome::Kind::kDeferred) waiting_.push_back(batch[at]);
      if (!link.for_quota) ending_.needs_attention = true;
      const auto same = std::find_if(reasons.begin(), reasons.end(), [&](const auto& reason) {
        return reason.first->kind == link.kind && reason.first->reason == link.reason;
      });
      if (same == reasons.end()) {
        reasons.emplace_back(&link, 1);
      } else {
        ++same->second;
      }
    }
    for (const auto& [link, count] : reasons) {
      const bool refused = link->kind == LinkOutcome::Kind::kRefused;
      const std::string line =
          texts::filled(refused ? texts::kLinksRefused : texts::kLinksDeferred,
                        {{"count", std::to_string(count)}, {"reason", link->reason}});
      // Links that wait for the engine's next day are a large site's normal night.
      if (refused || !link->for_quota) {
        report_.note(line);
      } else {
        report_.inform(line);
      }
    }
  }

  // The quota an answer leaves: as it says, or for an engine that fixes its daily quota, less
  // what it took (every link it did not ask to have again); else unknown.
  std::optional<long> quota_after(std::span<const std::string_view> batch,
                                  const BatchOutcome& outcome) const {
    if (outcome.remaining) return std::max(0L, *outcome.remaining);
    if (!quota_ || !daily_quota(options_.destination)) return std::nullopt;
    const auto used = static_cast<long>(batch.size() - outcome.count(LinkOutcome::Kind::kDeferred));
    return std::max(0L, *quota_ - used);
  }

  bool record(std::span<const std::string_view> batch, const BatchOutcome& outcome,
              const std::vector<LinkOutcome>& outcomes) {
    if (options_.record == nullptr) return true;
    const bool kept = on_record([&] {
      options_.record->record_answer({.sent = batch,
                                      .words = secrets_.hidden(outcome.status),
                                      .outcomes = outcomes,
                                      .removals = options_.removals,
                                      .remaining = quota_,
                                      .quota_day = quota_day_});
    });
    // What the record did not take is not known to be taken; an answer kept as another run took
    // the destination over is.
    if (!kept && ending_.record_failed) {
      for (std::size_t at = 0; at < outcomes.size(); ++at) {
        if (outcomes[at].kind != LinkOutcome::Kind::kDeferred) waiting_.push_back(batch[at]);
      }
    }
    return kept;
  }

  // Runs `work` on the record; false where the run stops here: another run took the destination
  // over, or the record took no more.
  template <typename Work>
  bool on_record(Work work) {
    try {
      work();
      return true;
    } catch (const RecordBusy& error) {
      report_.note(error.what());
      ending_.lease_lost = true;
    } catch (const RecordError& error) {
      report_.note(error.what());
      ending_.record_failed = true;
    }
    return false;
  }

  // A temporary failure goes on the record as it happens: a run killed while it waits keeps it.
  void keep_setback(const std::string& words) {
    if (options_.record == nullptr || ending_.record_failed) return;
    on_record([&] { options_.record->record_setback(words); });
  }

  RunTotals finish() {
    waiting_.insert(waiting_.end(), links_.begin() + static_cast<std::ptrdiff_t>(next_),
                    links_.end());
    totals_.pending = waiting_.size();
    totals_.quota_left = quota_;
    ending_.throttled = engine_.throttled();
    try {
      if (options_.pending) write_pending(*options_.pending, waiting_);
    } catch (const Failure& failure) {
      report_.note(failure.what());
      ending_.pending_unwritten = true;
    }
    totals_.exit_code = exit_code_of(ending_);
    return totals_;
  }

  const RunOptions& options_;
  const std::vector<std::string_view>& links_;
  RunReport& report_;
  RetryingEngine engine_;
  RunTotals totals_;
  std::size_t next_ = 0;  // the first link not yet sent
  std::size_t limit_;     // links the next request may carry
  int halvings_ = 0;
  std::time_t quota_day_ = quota_day(options_.destination.engine->days, seconds_now());
  std::optional<long> quota_;  // what is left today, as far as is known
  RunEnding ending_;
  Secrets secrets_ = options_.secrets;     // and what the engine came by
  std::vector<std::string_view> waiting_;  // sent, but not known to be accepted
};

}  // namespace

std::optional<long> quota_known_today(const Destination& destination, Record* record,
                                      std::time_t day) {
  const QuotaDay known =
      record != nullptr ? record->quota_on(day) : QuotaDay{.day = day, .used = 0, .left = {}};
  return quota_left(known, daily_quota(destination));
}

RunTotals run_push(const RunOptions& options, const std::vector<std::string_view>& links,
                   RunReport& report) {
  return PushRun(options, links, report).run();
}

}  // namespace lc::push
