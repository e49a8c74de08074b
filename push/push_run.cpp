#include "push/push_run.h"

#include <algorithm>
#include <unordered_set>

#include "push/engines/engine_registry.h"
#include "push/engines/quota_day.h"
#include "push/engines/retrying_engine.h"
#include "push/record/record.h"
#include "push/sources/pending_file.h"
#include "push/texts/exit_codes.h"
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
        engine_(make_engine(options.destination), options.max_wait_seconds,
                [this](const std::string& line) { report_.note(options_.secrets.hidden(line)); }),
        limit_(options.batch) {
    totals_.links = links.size();
    totals_.already_pushed = options.already_pushed;
  }

  RunTotals run() {
    quota_ = quota_known_today();
    // A quota known to be spent asks the engine nothing, not even for a token.
    if (!links_.empty() && quota_ != 0 && !ready()) return finish();
    if (const std::optional<long> said = engine_.quota()) {
      quota_ = std::max(0L, *said);
      if (options_.record != nullptr) options_.record->record_quota(quota_day_, *said);
    }
    while (next_ < links_.size() && send_next()) {
    }
    return finish();
  }

 private:
  // Whether the engine can take links (IndexNow: the site's key file holds the key).
  bool ready() {
    const std::optional<BatchOutcome> problem = engine_.prepare();
    if (!problem) return true;
    report_.note(options_.secrets.hidden(problem->explanation + "（" + problem->status + "）"));
    unreachable_ = problem->kind == BatchOutcome::Kind::kUnreachable;
    return false;
  }

  // What the engine's quota leaves today as far as is known before asking it: what its last
  // answer today said, else its daily quota less what was sent today; unknown for an engine whose
  // answers tell and that has not answered today.
  std::optional<long> quota_known_today() const {
    const QuotaDay known = options_.record != nullptr
                               ? options_.record->quota_on(quota_day_)
                               : QuotaDay{.day = quota_day_, .used = 0, .left = std::nullopt};
    return quota_left(known, daily_quota(options_.destination));
  }

  // Sends the next request and takes its answer; false when the run stops here.
  bool send_next() {
    std::size_t count = std::min(limit_, links_.size() - next_);
    if (quota_) count = std::min<std::size_t>(count, static_cast<std::size_t>(*quota_));
    if (count == 0) {
      report_.note(texts::kQuotaSpent);
      return false;
    }
    const std::span<const std::string_view> batch(links_.data() + next_, count);
    const BatchOutcome outcome =
        options_.removals ? engine_.send_removed(batch) : engine_.send(batch);
    switch (outcome.kind) {
      case BatchOutcome::Kind::kUnreachable:
        report_.note(texts::about(options_.secrets.hidden(options_.destination.interface),
                                  options_.secrets.hidden(outcome.status)));
        unreachable_ = totals_.accepted == 0;
        return false;
      case BatchOutcome::Kind::kRefused:
        return (outcome.over_quota && halve(count)) || refuse(outcome);
      case BatchOutcome::Kind::kAccepted:
        return take(batch, outcome);
    }
    return false;
  }

  bool refuse(const BatchOutcome& outcome) {
    const std::string explanation =
        outcome.explanation.empty() ? "" : "，" + options_.secrets.hidden(outcome.explanation);
    report_.note(std::string(texts::kRefused) + options_.secrets.hidden(outcome.status) +
                 explanation);
    return false;
  }

  // Over the quota with a quota no answer has told yet: the next request halves.
  bool halve(std::size_t count) {
    if (count < 2 || quota_ || halvings_ == kMostHalvings) return false;
    ++halvings_;
    limit_ = count / 2;
    report_.note(texts::filled(texts::kOverQuotaHalved, {{"count", std::to_string(limit_)}}));
    return true;
  }

  bool take(std::span<const std::string_view> batch, const BatchOutcome& outcome) {
    next_ += batch.size();
    totals_.sent += batch.size();
    totals_.accepted += outcome.accepted;
    totals_.refused += outcome.refused.size();
    quota_ = quota_after(batch, outcome);
    if (quota_ && halvings_ > 0 && limit_ != options_.batch) {
      // What halving found out, once: the quota the first request met.
      report_.note(texts::filled(texts::kQuotaAllowed,
                                 {{"count", std::to_string(totals_.accepted + *quota_)}}));
    }
    if (quota_) limit_ = options_.batch;  // the quota the answer gave bounds the next ones
    report_.request({.links = batch.size(),
                     .status = outcome.status,
                     .accepted = outcome.accepted,
                     .remaining = outcome.remaining,
                     .refused = outcome.refused},
                    totals_);
    // An answer whose counts do not add up does not say which links it took.
    const bool known = outcome.accepted >= 0 && static_cast<std::size_t>(outcome.accepted) +
                                                        outcome.refused.size() +
                                                        outcome.deferred.size() ==
                                                    batch.size();
    if (known && !outcome.deferred.empty()) {
      const std::unordered_set<std::string_view> deferred(outcome.deferred.begin(),
                                                          outcome.deferred.end());
      for (const std::string_view link : batch) {
        if (deferred.contains(link)) waiting_.push_back(link);
      }
    }
    // Why some were refused or wait, where the answer says.
    if (known && !outcome.explanation.empty())
      report_.note(options_.secrets.hidden(outcome.explanation));
    if (!known) {
      report_.note(texts::filled(texts::kCountsDisagree,
                                 {{"sent", std::to_string(batch.size())},
                                  {"accepted", std::to_string(outcome.accepted)},
                                  {"refused", std::to_string(outcome.refused.size())}}));
      waiting_.insert(waiting_.end(), batch.begin(), batch.end());
    }
    return record(batch, outcome, known);
  }

  // The quota an answer leaves: as it says, or for an engine that fixes its daily quota, less
  // what it took (every link it did not ask to have again); else unknown.
  std::optional<long> quota_after(std::span<const std::string_view> batch,
                                  const BatchOutcome& outcome) const {
    if (outcome.remaining) return std::max(0L, *outcome.remaining);
    if (!quota_ || !daily_quota(options_.destination)) return std::nullopt;
    const auto used = static_cast<long>(batch.size() - outcome.deferred.size());
    return std::max(0L, *quota_ - used);
  }

  bool record(std::span<const std::string_view> batch, const BatchOutcome& outcome, bool known) {
    if (options_.record == nullptr) return true;
    std::string words = outcome.status;
    if (!outcome.explanation.empty()) words += "，" + outcome.explanation;
    try {
      options_.record->record_answer({.sent = batch,
                                      .words = options_.secrets.hidden(words),
                                      .links_known = known,
                                      .refused = outcome.refused,
                                      .deferred = outcome.deferred,
                                      .removals = options_.removals,
                                      .remaining = quota_,
                                      .quota_day = quota_day_});
      return true;
    } catch (const RecordError& error) {
      report_.note(error.what());
      if (known) waiting_.insert(waiting_.end(), batch.begin(), batch.end());
      record_failed_ = true;
      return false;
    }
  }

  RunTotals finish() {
    waiting_.insert(waiting_.end(), links_.begin() + static_cast<std::ptrdiff_t>(next_),
                    links_.end());
    totals_.pending = waiting_.size();
    totals_.quota_left = quota_;
    totals_.exit_code = unreachable_           ? kUnreachable
                        : totals_.pending == 0 ? kAllAccepted
                        : engine_.throttled()  ? kThrottled
                                               : kSomePending;
    std::string error;
    if (options_.pending && !write_pending(*options_.pending, waiting_, error)) {
      report_.note(std::string(texts::kPendingUnwritten) + error);
      totals_.exit_code = kPendingUnwritable;
    }
    report_.summary(totals_);
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
  std::time_t quota_day_ = quota_day(options_.destination.engine, seconds_now());
  std::optional<long> quota_;  // what is left today, as far as is known
  bool unreachable_ = false;
  bool record_failed_ = false;
  std::vector<std::string_view> waiting_;  // sent, but not known to be accepted
};

}  // namespace

RunTotals run_push(const RunOptions& options, const std::vector<std::string_view>& links,
                   RunReport& report) {
  return PushRun(options, links, report).run();
}

}  // namespace lc::push
