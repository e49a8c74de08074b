#include "push/record/sql_record.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <numeric>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "platform/run_lock.h"
#include "push/engines/quota_day.h"
#include "push/record/inspections.h"
#include "push/record/leases.h"
#include "push/record/record_location.h"
#include "push/record/record_schema.h"
#include "push/record/run_history.h"
#include "push/record/sitemaps.h"
#include "push/record/text_state_import.h"
#include "push/sources/link_list.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

// What an answer to removals that did not take one leaves the link as: see `record`.
constexpr int kAsItStands = -1;

// `sql` with at most `most` rows, where `most` is not -1 (no backend takes -1 for none).
std::string limited(std::string_view sql, std::int64_t most) {
  return most < 0 ? std::string(sql) : std::string(sql) + " LIMIT " + std::to_string(most);
}

constexpr double kLeaseGraceSeconds = 0.5;
constexpr std::size_t kLargeIntake = 1000;
constexpr std::size_t kNewLinksAStatement = 500;
// A lease is put off once a minute, or four times within it where it is shorter: far inside its
// expiry, and a statement less for most answers.
constexpr double kRenewLeaseEvery = 60;
// A server restarted, or the network between: about a minute and a half of tries in all.
constexpr int kReconnects = 8;
constexpr double kFirstReconnectSeconds = 0.5;
constexpr double kLongestReconnectSeconds = 30;

// SQLite's integers are signed: a hash is kept with the same 64 bits.
std::optional<std::int64_t> stored(std::optional<std::uint64_t> hash) {
  if (!hash) return std::nullopt;
  return std::bit_cast<std::int64_t>(*hash);
}

// The places of `links` in the order of the links themselves: each writer of several links takes
// their rows in that one order, so that two writers on a server never wait for each other.
std::vector<std::size_t> in_link_order(std::span<const std::string_view> links) {
  std::vector<std::size_t> order(links.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return links[a] < links[b]; });
  return order;
}

// `text` with each NUL byte written as \0, for a message.
std::string with_nul_shown(std::string_view text) {
  std::string shown;
  for (const char c : text) {
    if (c == '\0') {
      shown += "\\0";
    } else {
      shown += c;
    }
  }
  return shown;
}

class SqlRecord final : public Record {
 public:
  SqlRecord(Database db, const RecordOpening& opening, SqlRecordUse use)
      : path_(std::move(use.name)),
        file_held_(std::move(use.file_held)),
        reconnect_(std::move(use.reconnect)),
        db_(std::move(db)),
        read_only_(use.read_only) {
    guarded([&] {
      ready_schema(db_, path_, read_only_, opening.sends);
      prepare(opening);
    });
  }

  ~SqlRecord() override {
    if (!lease_) return;
    try {
      end_lease(db_, *lease_);
    } catch (const DatabaseError&) {
      // Left behind, it is taken over: its process is gone.
    }
  }

  std::size_t take_in(std::span<const SourceLink> links, bool again) override {
    // Refused in words before the database sees any of them: every door refuses such a link
    // alone, so one that reaches here is said, not kept half.
    for (const SourceLink& link : links) {
      if (const std::optional<std::string_view> why = unkeepable(link.url))
        throw RecordError(texts::about(path_, std::string(*why) + "：" + with_nul_shown(link.url)));
    }
    return guarded([&] {
      if (!intake_ && !dry_run_) intake_.emplace(db_);
      if (finds_gone_) remember(links);
      std::size_t known = 0;
      if (worth_one_pass(links.size())) {
        const std::vector<std::optional<KnownLink>> found = look_up_in_one_pass(links);
        for (std::size_t at = 0; at < links.size(); ++at)
          known += take_in_one(links[at], found[at], again) ? 1 : 0;
      } else {
        for (const SourceLink& link : links)
          known += take_in_one(link, look_up(link.url), again) ? 1 : 0;
      }
      return known;
    });
  }

  // The run starts here: what it took in is kept, and the run is on the record.
  void commit_intake() override {
    if (dry_run_) return;
    guarded([&] {
      if (!intake_) intake_.emplace(db_);
      keep_new_links();
      if (sends_) {
        run_ = db_.single_integer(
            "INSERT INTO runs(destination, started, site, site_name, host) VALUES(?, ?, ?, ?, ?) "
            "RETURNING id",
            destination_, seconds_now(), site_, site_name_, platform::machine_name());
      }
      if (content_rule_) {
        db_.define(kContentRulesTable);
        db_.prepare(
               "INSERT INTO content_rules(destination, rule) VALUES(?, ?) "
               "ON CONFLICT(destination) DO UPDATE SET rule = excluded.rule")
            .bind(destination_, *content_rule_)
            .run();
      }
      intake_->commit();
      intake_.reset();
      // A server plans each answer by what it knows of the table: after a large intake, a plan
      // made for a few rows would read them all for every answer. Its size and how it spreads
      // over destinations are what the plans weigh: a small sample of that one column tells
      // them for a fraction of what the whole table's statistics cost.
      if (added_ >= kLargeIntake && !db_.after_large_intake().empty()) {
        Transaction analysis(db_);
        db_.execute(db_.after_large_intake());
        analysis.commit();
      }
      // Looked up from now on: within the intake, a link given twice is kept once by the
      // insert itself.
      if (added_ > 0) links_known_ = true;
      added_ = 0;
    });
  }

  void confirm_lease() override {
    if (!lease_due()) return;
    retried([&] {
      Transaction confirming(db_);
      renew_held_lease();
      confirming.commit();
    });
  }

  std::size_t waiting_count() override {
    return retried([&] {
      std::size_t waiting = 0;
      if (!only_site_.empty()) {
        each_own_waiting([&](std::string_view) { ++waiting; });
      } else {
        waiting = static_cast<std::size_t>(db_.single_integer(
            "SELECT count(*) FROM links WHERE destination = ? AND state = {waiting}",
            destination_));
      }
      return waiting + would_wait_.size();
    });
  }

  void for_each_waiting(const std::function<void(std::string_view)>& each,
                        std::int64_t most) override {
    retried([&] { each_own_waiting(each, most); });
  }

  void take_removals(std::span<const std::string_view> links) override {
    if (dry_run_) return;
    retried([&] {
      Transaction transaction(db_);
      // Queued in the order they came, whatever order their rows are taken in.
      const std::int64_t first = next_queued_;
      next_queued_ += static_cast<std::int64_t>(links.size());
      for (const std::size_t at : in_link_order(links))
        take_removal(links[at], first + static_cast<std::int64_t>(at));
      keep_new_links();
      transaction.commit();
      links_known_ = links_known_ || !links.empty();
    });
  }

  std::vector<std::string> removals_waiting(std::int64_t most) override {
    return retried([&] {
      std::vector<std::string> links;
      Statement waiting =
          db_.prepare(limited("SELECT url FROM links WHERE destination = ?1 AND state = "
                              "{removal_waiting} AND (?2 = '' OR site = "
                              "(SELECT id FROM sites WHERE host = ?2)) ORDER BY queued",
                              most));
      waiting.bind(destination_, only_site_);
      while (waiting.step())
        links.emplace_back(waiting.text(0));
      return links;
    });
  }

  void record_answer(const RecordedAnswer& answer) override {
    retried([&] { record(answer); });
  }

  GoneLinks gone_links() override {
    return guarded([&] {
      GoneLinks gone;
      Statement known = db_.prepare(
          "SELECT l.url, s.host, l.state FROM links l JOIN sites s ON s.id = l.site "
          "WHERE l.destination = ? AND l.state != ?");
      known.bind(destination_, int(kRemoved));
      while (known.step()) {
        if (!taken_hosts_.contains(std::string(known.text(1)))) continue;
        ++gone.known;
        const std::string_view url = known.text(0);
        if (known.integer(2) == kAccepted && !taken_.contains(std::hash<std::string_view>{}(url)))
          gone.links.emplace_back(url);
      }
      return gone;
    });
  }

  void record_removed(std::span<const std::string_view> links) override {
    if (dry_run_) return;
    guarded([&] {
      Transaction transaction(db_);
      Statement remove = db_.prepare(
          "UPDATE links SET state = ?, queued = NULL WHERE destination = ? AND url = ?");
      for (const std::string_view url : links)
        remove.bind(int(kRemoved), destination_, url).run();
      transaction.commit();
    });
  }

  void record_quota(std::time_t day, long left) override {
    if (dry_run_) return;
    retried([&] {
      Transaction transaction(db_);
      keep_quota(day, 0, left);
      transaction.commit();
    });
  }

  QuotaDay quota_on(std::time_t day) override {
    return retried([&] {
      Statement select =
          db_.prepare("SELECT used, quota_left FROM quotas WHERE destination = ? AND day = ?");
      QuotaDay quota{.day = day, .used = 0, .left = std::nullopt};
      if (select.bind(destination_, day).step()) {
        quota.used = select.integer(0);
        quota.left = select.optional_integer(1);
      }
      return quota;
    });
  }

  std::optional<QuotaDay> told_quota_before(std::time_t day) override {
    return retried([&]() -> std::optional<QuotaDay> {
      Statement select = db_.prepare(
          "SELECT day, used, quota_left FROM quotas WHERE destination = ? AND day < ? AND "
          "quota_left IS NOT NULL ORDER BY day DESC LIMIT 1");
      if (!select.bind(destination_, day).step()) return std::nullopt;
      QuotaDay told{
          .day = select.integer(0), .used = select.integer(1), .left = select.optional_integer(2)};
      select.run();
      return told;
    });
  }

  void record_run_end(const RunEnd& end) override {
    if (run_ == 0) return;
    retried([&] {
      const RunCounts& counts = end.counts;
      db_.prepare(
             "UPDATE runs SET ended = ?, exit_code = ?, sent = ?, accepted = ?, refused = ?, "
             "waiting = ? WHERE id = ?")
          .bind(seconds_now(), end.exit_code, counts.sent, counts.accepted, counts.refused,
                counts.waiting, run_)
          .run();
    });
  }

  void record_setback(const std::string& words) override {
    if (run_ == 0) return;
    retried([&] {
      db_.prepare("INSERT INTO setbacks(run, time, words) VALUES(?, ?, ?)")
          .bind(run_, seconds_now(), words)
          .run();
    });
  }

  void for_each_run(std::time_t since, std::string_view site,
                    const std::function<void(const RunEntry&)>& each) override {
    guarded([&] { lc::push::for_each_run(db_, since, site, each); });
  }

  std::vector<std::string> links_to_inspect(const InspectionDue& due, std::size_t most) override {
    return retried([&] { return lc::push::links_to_inspect(db_, destination_, site_, due, most); });
  }

  std::size_t accept_waiting(std::string_view words) override {
    if (dry_run_) return 0;
    return guarded([&] {
      Transaction accepting(db_);
      const std::time_t at = seconds_now();
      const std::int64_t answer = keep_words(words, at);
      const auto accepted = static_cast<std::size_t>(
          db_.prepare("UPDATE links SET state = ?1, queued = NULL, accepted_at = ?2, "
                      "first_accepted = coalesce(first_accepted, ?2), answer = ?3 "
                      "WHERE destination = ?4 AND state = ?5")
              .bind(int(kAccepted), at, answer, destination_, int(kWaiting))
              .run());
      accepting.commit();
      return accepted;
    });
  }

  std::vector<std::string> removed_still_indexed() override {
    return guarded([&] {
      Transaction taking(db_);
      std::vector<std::string> links =
          lc::push::removed_still_indexed(db_, destination_, !dry_run_);
      taking.commit();
      return links;
    });
  }

  std::size_t queue_not_indexed(std::time_t accepted_before, long most) override {
    if (dry_run_) return 0;
    return guarded([&] {
      if (!intake_) intake_.emplace(db_);
      const std::vector<std::string> links =
          not_indexed_links(db_, destination_, accepted_before, most);
      Statement requeue = db_.prepare(
          "UPDATE links SET state = {waiting}, queued = ?, repushes = repushes + 1 "
          "WHERE destination = ? AND url = ?");
      for (const std::string& url : links)
        requeue.bind(next_queued_++, destination_, url).run();
      return links.size();
    });
  }

  void record_inspections(std::span<const InspectedLink> links, std::time_t day) override {
    if (dry_run_ || links.empty()) return;
    retried([&] {
      if (!inspections_) inspections_ = std::make_unique<InspectionKeeper>(db_);
      inspections_->keep(destination_, links, seconds_now(), day);
    });
  }

  std::int64_t inspections_on(std::time_t day) override {
    return retried([&] { return lc::push::inspections_on(db_, destination_, site_, day); });
  }

  std::optional<LinkCounts::Index> index_counts() override {
    return guarded([&]() -> std::optional<LinkCounts::Index> {
      const std::map<std::string, LinkCounts::Index> by_host =
          lc::push::index_counts(db_, destination_);
      if (by_host.empty()) return std::nullopt;
      const auto found = by_host.find(site_);
      if (found != by_host.end()) return found->second;
      if (!site_.empty()) return LinkCounts::Index();
      LinkCounts::Index all;
      for (const auto& [host, index] : by_host) {
        all.indexed += index.indexed;
        all.not_indexed += index.not_indexed;
        all.not_inspected += index.not_inspected;
      }
      return all;
    });
  }

  void for_each_index_times(const std::function<void(const IndexTimes&)>& each) override {
    guarded([&] { lc::push::for_each_index_times(db_, each); });
  }

  void for_each_not_indexed(std::string_view site,
                            const std::function<void(const NotIndexedLink&)>& each) override {
    guarded([&] { lc::push::for_each_not_indexed(db_, site, each); });
  }

  std::vector<KeptSitemap> sitemaps() override {
    return retried([&] { return kept_sitemaps(db_, destination_); });
  }

  void record_sitemap(const KeptSitemap& sitemap) override {
    if (dry_run_ || read_only_) return;
    retried([&] { keep_sitemap(db_, destination_, sitemap); });
  }

  // Keeps the links of a text state file as accepted at their times.
  void import_accepted(std::string_view text) {
    Transaction import(db_);
    for_each_text_state_link(text, [&](std::string_view url, std::time_t accepted) {
      const SourceLink link{url, std::nullopt, std::nullopt};
      if (take_in_one(link, look_up(link.url), false)) return;
      keep_new_links();
      statement(imported_,
                "UPDATE links SET state = {accepted}, queued = NULL, accepted_at = ? "
                "WHERE destination = ? AND url = ?")
          .bind(accepted, destination_, url)
          .run();
    });
    import.commit();
  }

  std::vector<LinkCounts> counts(std::time_t at) override;
  void for_each_event(std::time_t since, std::string_view site,
                      const std::function<void(const LinkEvent&)>& each) override;

 private:
  // Runs `work`, turning the database's failures into the record's, with the record named.
  template <typename Work>
  auto guarded(Work work) -> decltype(work()) {
    try {
      return work();
    } catch (const DatabaseError& error) {
      throw record_error(path_, error);
    }
  }

  // As `guarded`, for work that is one transaction or only reads, and so may run again: where the
  // connection to a server is lost, connects again, waiting longer each time, and runs it anew;
  // where the server gave it up for another transaction's sake, runs it anew at once. An intake's
  // open transaction is lost with either: it fails as it is.
  template <typename Work>
  auto retried(Work work) -> decltype(work()) {
    for (int attempt = 0;; ++attempt) {
      try {
        return work();
      } catch (const DatabaseError& error) {
        if (intake_ || attempt == kReconnects) throw record_error(path_, error);
        if (error.conflict()) continue;  // chosen to give way to another writer: run it again
        if (!error.connection_lost() || !reconnect_) throw record_error(path_, error);
      }
      connect_again(attempt);
    }
  }

  // A new connection after `attempt` ones failed, the statements of the lost one let go.
  void connect_again(int attempt) {
    std::this_thread::sleep_for(std::chrono::duration<double>(
        std::min(kFirstReconnectSeconds * (1 << attempt), kLongestReconnectSeconds)));
    for (std::unique_ptr<Statement>* slot : {&find_, &insert_, &requeue_, &rehash_, &words_,
                                             &answered_, &imported_, &quota_, &removal_})
      slot->reset();
    inspections_.reset();
    try {
      db_ = reconnect_();
    } catch (const DatabaseError&) {
      // The server is still away: the next attempt says so, or waits again.
    }
  }

  // The statement in `slot`, prepared once.
  Statement& statement(std::unique_ptr<Statement>& slot, std::string_view sql) {
    if (!slot) slot = db_.prepare_kept(sql);
    return *slot;
  }

  void prepare(const RecordOpening& opening);
  void hold_lease(const RecordOpening& opening);
  void remember(std::span<const SourceLink> links) {
    for (const SourceLink& link : links) {
      taken_.insert(std::hash<std::string_view>{}(link.url));
      const std::string_view host = host_of(link.url);
      if (!taken_hosts_.contains(std::string(host))) taken_hosts_.emplace(host);
    }
  }
  // The waiting links in their order: of the run's own site, where it has one; the first `most`
  // (-1: all).
  void each_own_waiting(const std::function<void(std::string_view)>& each, std::int64_t most = -1) {
    if (only_site_.empty()) {
      Statement waiting = db_.prepare(limited(
          "SELECT url FROM links WHERE destination = ? AND state = {waiting} ORDER BY queued",
          most));
      waiting.bind(destination_);
      while (waiting.step())
        each(waiting.text(0));
      return;
    }
    Statement waiting = db_.prepare(
        limited("SELECT url FROM links WHERE destination = ? AND state = {waiting} AND site = "
                "(SELECT id FROM sites WHERE host = ?) ORDER BY queued",
                most));
    waiting.bind(destination_, only_site_);
    while (waiting.step())
      each(waiting.text(0));
  }
  std::int64_t id_of(std::string_view table, std::string_view column, std::string_view value);
  // What the record holds of one of the destination's links.
  struct KnownLink {
    LinkState state;
    std::optional<std::int64_t> accepted_at;
    std::optional<std::int64_t> content_hash;
  };
  std::optional<KnownLink> look_up(std::string_view url);
  // Queued at `queued`, or at the end of the queue.
  void add_link(const SourceLink& link, LinkState state,
                std::optional<std::int64_t> queued = std::nullopt);
  void keep_new_links();
  void keep_new_links_as_arrays();
  struct NewLink {
    std::string url;
    std::int64_t site;
    std::int64_t state, queued, first_seen;
    std::optional<std::int64_t> lastmod, hash;
  };
  std::vector<NewLink> new_links_;  // added, not yet in the database
  void take_removal(std::string_view url, std::int64_t queued);
  bool worth_one_pass(std::size_t links);
  std::vector<std::optional<KnownLink>> look_up_in_one_pass(std::span<const SourceLink> links);
  bool take_in_one(const SourceLink& link, const std::optional<KnownLink>& known, bool again);
  void record(const RecordedAnswer& answer);
  // One answer's links, column by column.
  struct AnsweredLinks {
    std::vector<std::string_view> urls;
    std::vector<std::int64_t> outcomes, newly, words, deferred;
    void add(std::string_view url, int outcome, bool is_new, std::int64_t answer, bool waits) {
      urls.push_back(url);
      outcomes.push_back(outcome);
      newly.push_back(is_new ? 1 : 0);
      words.push_back(answer);
      deferred.push_back(waits ? 1 : 0);
    }
  };
  std::int64_t keep_words(std::string_view words, std::time_t at);
  void keep_answered(const AnsweredLinks& answered, std::time_t at);
  void keep_quota(std::time_t day, std::int64_t used, std::optional<long> left);

  std::string path_;
  std::unique_ptr<platform::RunLock> file_held_;  // by a writer, while the record is open
  std::function<Database()> reconnect_;           // for a server: a new connection
  Database db_;
  bool read_only_;  // asked only, never written: an older record is upgraded by a writer first
  bool dry_run_ = false;
  bool sends_ = true;           // the destination's sender, not only an intake beside it
  std::optional<Lease> lease_;  // held while the record is open, where it sends
  // When the lease was last put off, on this process's clock, which a pause does not stop.
  std::chrono::steady_clock::time_point renewed_;
  bool lease_due() const {
    return lease_ && std::chrono::steady_clock::now() - renewed_ >=
                         std::chrono::duration<double>(
                             std::min(kRenewLeaseEvery, static_cast<double>(lease_->seconds) / 4));
  }
  // Puts the lease off, within the caller's transaction; throws RecordBusy, naming who holds it
  // now, where another took it over.
  void renew_held_lease() {
    if (const std::optional<std::string> holder = renew_lease(db_, *lease_)) {
      lease_.reset();
      throw RecordBusy(
          texts::about(path_, texts::filled(texts::kLeaseLost, {{"holder", *holder}})));
    }
    renewed_ = std::chrono::steady_clock::now();
  }
  bool links_known_ = false;                 // the record holds links of this destination
  std::optional<std::int64_t> known_count_;  // how many, once asked
  std::int64_t destination_ = 0;
  std::int64_t run_ = 0;
  std::int64_t next_queued_ = 0;
  std::size_t added_ = 0;  // links new to the record since the intake began
  std::unordered_map<std::string, std::int64_t> sites_;
  // A dry run's links that would wait, by their hash: a million take a few megabytes.
  std::unordered_set<std::size_t> would_wait_;
  // What the run took in, where it looks for links gone: the links by their hash, their hosts.
  bool finds_gone_ = false;
  std::string only_site_;  // the host whose waiting links are the run's; empty: every host
  std::string site_;       // the host of the run's links
  std::string site_name_;  // the config's name of the site
  std::optional<std::string> content_rule_;  // what the run's content hashes ignore
  bool rule_changed_ = false;                // since the hashes the record keeps were made
  std::unordered_set<std::size_t> taken_;
  std::unordered_set<std::string> taken_hosts_;
  std::unique_ptr<Statement> find_, insert_, requeue_, rehash_, words_, answered_, imported_,
      quota_, removal_;
  std::vector<std::int64_t> answer_numbers_;       // a server's, taken ahead, the next last
  std::unique_ptr<InspectionKeeper> inspections_;  // once the run inspects
  std::optional<Transaction> intake_;  // last: it ends before the statements and the database
};

void SqlRecord::prepare(const RecordOpening& opening) {
  dry_run_ = opening.dry_run;
  sends_ = opening.sends;
  finds_gone_ = opening.finds_gone;
  only_site_ = opening.only_site;
  site_ = opening.site;
  site_name_ = opening.site_name;
  content_rule_ = opening.content_rule;
  if (opening.destination.empty() || read_only_) return;
  if (sends_ && path_ != kRecordInMemory) hold_lease(opening);
  Transaction start(db_);
  destination_ = id_of("destinations", "name", opening.destination);
  if (content_rule_) {
    // A record whose hashes were made before the rule was kept had none.
    std::string before;
    if (db_.has_table("content_rules")) {
      Statement kept = db_.prepare("SELECT rule FROM content_rules WHERE destination = ?");
      if (kept.bind(destination_).step()) before = kept.text(0);
      kept.run();
    }
    rule_changed_ = before != *content_rule_;
  }
  links_known_ = db_.single_integer("SELECT EXISTS(SELECT 1 FROM links WHERE destination = ?)",
                                    destination_) != 0;
  // After every link waiting now (only those have a place), found by the two waiting indexes:
  // the destination's other links, a million of them, are not read.
  next_queued_ = db_.single_integer(
      "SELECT coalesce(max(last), 0) + 1 FROM (SELECT max(queued) AS last FROM links "
      "WHERE destination = ?1 AND state = {waiting} UNION ALL SELECT max(queued) FROM links "
      "WHERE destination = ?1 AND state = {removal_waiting}) AS waiting",
      destination_);
  start.commit();
}

// Takes the destination's lease, waiting up to the opening's seconds for its holder to end; a
// holder killed a moment ago may still be leaving, so a run always waits a little.
void SqlRecord::hold_lease(const RecordOpening& opening) {
  const auto deadline =
      std::chrono::steady_clock::now() +
      std::chrono::duration<double>(
          opening.held_later ? 0 : std::max(opening.wait_seconds, kLeaseGraceSeconds));
  const std::int64_t holder_number = new_lease_holder();
  for (;;) {
    std::optional<std::string> holder;
    {
      Transaction taking(db_);
      const Lease asked{id_of("destinations", "name", opening.destination), holder_number,
                        opening.lease_seconds};
      holder = take_lease(db_, asked);
      if (!holder) {
        taking.commit();
        lease_ = asked;
        renewed_ = std::chrono::steady_clock::now();
        return;
      }
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      throw RecordBusy(
          texts::about(path_, texts::filled(texts::kRecordBusy, {{"holder", *holder}})));
    }
    std::this_thread::sleep_for(kLookEvery);
  }
}

std::int64_t SqlRecord::id_of(std::string_view table, std::string_view column,
                              std::string_view value) {
  const std::string select =
      "SELECT id FROM " + std::string(table) + " WHERE " + std::string(column) + " = ?";
  // Looked up first: an insert that meets another run's row not yet committed (a site its
  // intake added) waits for that run's whole transaction.
  if (const std::int64_t known = db_.single_integer(select, value); known != 0) return known;
  const std::string names = std::string(table) + "(" + std::string(column) + ")";
  db_.prepare("INSERT INTO " + names + " VALUES(?) ON CONFLICT DO NOTHING").bind(value).run();
  return db_.single_integer(select, value);
}

std::optional<SqlRecord::KnownLink> SqlRecord::look_up(std::string_view url) {
  // A dry run over a destination the record has never seen looks nothing up.
  if (!links_known_) return std::nullopt;
  Statement& find = statement(
      find_,
      "SELECT state, accepted_at, content_hash FROM links WHERE destination = ? AND url = ?");
  find.bind(destination_, url);
  if (!find.step()) return std::nullopt;
  const KnownLink known{static_cast<LinkState>(find.integer(0)), find.optional_integer(1),
                        find.optional_integer(2)};
  find.run();
  return known;
}

// Where a source holds a good share of the links the record knows for the destination, one pass
// over them in their order beside the source's links sorted costs far less than a lookup each.
bool SqlRecord::worth_one_pass(std::size_t links) {
  constexpr std::size_t kFewestLinks = 1024;
  constexpr std::int64_t kLargestShare = 8;  // known links a source link may stand for
  // A service's intake takes small groups into a record that keeps growing: looked up each.
  if (!links_known_ || !sends_ || links < kFewestLinks) return false;
  if (!known_count_) {
    known_count_ =
        db_.single_integer("SELECT count(*) FROM links WHERE destination = ?", destination_);
  }
  return *known_count_ <= kLargestShare * static_cast<std::int64_t>(links);
}

std::vector<std::optional<SqlRecord::KnownLink>> SqlRecord::look_up_in_one_pass(
    std::span<const SourceLink> links) {
  std::vector<std::size_t> order(links.size());
  for (std::size_t at = 0; at < order.size(); ++at)
    order[at] = at;
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return links[a].url < links[b].url; });
  std::vector<std::optional<KnownLink>> found(links.size());
  // The primary key keeps a destination's links in byte order, as string_view compares them.
  Statement known = db_.prepare(
      "SELECT url, state, accepted_at, content_hash FROM links WHERE destination = ? "
      "ORDER BY url");
  bool more = known.bind(destination_).step();
  for (const std::size_t at : order) {
    while (more && known.text(0) < links[at].url)
      more = known.step();
    if (more && known.text(0) == links[at].url)
      found[at] = KnownLink{static_cast<LinkState>(known.integer(1)), known.optional_integer(2),
                            known.optional_integer(3)};
  }
  return found;
}

void SqlRecord::add_link(const SourceLink& link, LinkState state,
                         std::optional<std::int64_t> queued) {
  const std::string host(host_of(link.url));
  auto site = sites_.find(host);
  if (site == sites_.end()) site = sites_.emplace(host, id_of("sites", "host", host)).first;
  new_links_.push_back({.url = std::string(link.url),
                        .site = site->second,
                        .state = state,
                        .queued = queued ? *queued : next_queued_++,
                        .first_seen = seconds_now(),
                        .lastmod = link.modified,
                        .hash = stored(link.content_hash)});
  ++added_;
  if (new_links_.size() == kNewLinksAStatement) keep_new_links();
}

// The links added since the last time, in one statement: a server's round trip a link would
// cost more than the rest of the intake. A link a source gives twice is kept once.
void SqlRecord::keep_new_links() {
  if (new_links_.empty()) return;
  if (db_.values_as_arrays()) return keep_new_links_as_arrays();
  static const std::vector<std::string> kColumns = {
      "destination", "url", "site", "state", "queued", "first_seen", "lastmod", "content_hash"};
  const auto rows = static_cast<int>(new_links_.size());
  const std::string sql = insert_rows("links", kColumns, rows) + " ON CONFLICT DO NOTHING";
  std::unique_ptr<Statement> once;
  Statement& insert = new_links_.size() == kNewLinksAStatement ? statement(insert_, sql)
                                                               : *(once = db_.prepare_kept(sql));
  int first = 1;
  for (const NewLink& link : new_links_) {
    insert.bind_from(first, destination_, link.url, link.site, link.state, link.queued,
                     link.first_seen, link.lastmod, link.hash);
    first += static_cast<int>(kColumns.size());
  }
  insert.send();
  new_links_.clear();
}

// As `keep_new_links`, a column an array: a server parses the values of 500 rows as parameters
// longer than it takes to insert them.
void SqlRecord::keep_new_links_as_arrays() {
  std::vector<std::string_view> urls;
  std::vector<std::int64_t> sites, states, queued, first_seen;
  std::vector<std::optional<std::int64_t>> lastmods, hashes;
  for (const NewLink& link : new_links_) {
    urls.push_back(link.url);
    sites.push_back(link.site);
    states.push_back(link.state);
    queued.push_back(link.queued);
    first_seen.push_back(link.first_seen);
    lastmods.push_back(link.lastmod);
    hashes.push_back(link.hash);
  }
  statement(
      insert_,
      "INSERT INTO links(destination, url, site, state, queued, first_seen, lastmod, "
      "content_hash) SELECT ?1::bigint, * FROM unnest(?2::text[], ?3::bigint[], ?4::bigint[], "
      "?5::bigint[], ?6::bigint[], ?7::bigint[], ?8::bigint[]) ON CONFLICT DO NOTHING")
      .bind(destination_, text_array(urls), number_array(sites), number_array(states),
            number_array(queued), number_array(first_seen), number_array(lastmods),
            number_array(hashes))
      .send();
  new_links_.clear();
}

// A page the engine may have (it took the link once, or the record does not know it) waits to
// be announced removed; one the engine never took only leaves the queue.
void SqlRecord::take_removal(std::string_view url, std::int64_t queued) {
  const std::optional<KnownLink> known = look_up(url);
  if (!known) return add_link({url, std::nullopt, std::nullopt}, kRemovalWaiting, queued);
  if (known->state == kRemoved || known->state == kRemovalWaiting) return;
  const bool taken_once = known->accepted_at.has_value();
  statement(removal_, "UPDATE links SET state = ?, queued = ? WHERE destination = ? AND url = ?")
      .bind(int(taken_once ? kRemovalWaiting : kRemoved),
            taken_once ? std::optional<std::int64_t>(queued) : std::nullopt, destination_, url)
      .run();
}

// Whether the link stays as it is because it was accepted already.
bool SqlRecord::take_in_one(const SourceLink& link, const std::optional<KnownLink>& known,
                            bool again) {
  if (!known) {
    if (dry_run_) {
      would_wait_.insert(std::hash<std::string_view>{}(link.url));
      return false;
    }
    add_link(link, kWaiting);
    return false;
  }
  const LinkState state = known->state;
  const std::optional<std::int64_t> hash = stored(link.content_hash);
  // A page first hashed now was accepted as it is, and so was one whose content is now hashed
  // under another rule of what to ignore: its hash is only kept, a baseline for the next run.
  const bool new_content =
      hash && known->content_hash && *hash != *known->content_hash && !rule_changed_;
  const bool changed =
      (link.modified && known->accepted_at && *link.modified > *known->accepted_at) || new_content;
  if (state == kWaiting || (state == kAccepted && !again && !changed) ||
      (state == kRefused && !again && !new_content)) {
    if (hash && hash != known->content_hash && !dry_run_) {
      statement(rehash_, "UPDATE links SET content_hash = ? WHERE destination = ? AND url = ?")
          .bind(hash, destination_, link.url)
          .run();
    }
    return state == kAccepted;
  }
  if (dry_run_) {
    would_wait_.insert(std::hash<std::string_view>{}(link.url));
    return false;
  }
  statement(requeue_,
            "UPDATE links SET state = {waiting}, queued = ?, lastmod = coalesce(?, lastmod), "
            "content_hash = coalesce(?, content_hash) WHERE destination = ? AND url = ?")
      .bind(next_queued_++, link.modified, hash, destination_, link.url)
      .run();
  return false;
}

// Keeps an answer's words; their number. A server's numbers are taken some dozens ahead, so that
// the words go with the answer's other statements instead of costing a round trip of their own.
std::int64_t SqlRecord::keep_words(std::string_view words, std::time_t at) {
  constexpr int kNumbersAhead = 64;
  if (answer_numbers_.empty()) {
    answer_numbers_ = db_.numbers_ahead("answers", kNumbersAhead);
    std::reverse(answer_numbers_.begin(), answer_numbers_.end());
  }
  if (answer_numbers_.empty()) {
    return db_.single_integer("INSERT INTO answers(time, words) VALUES(?, ?) RETURNING id", at,
                              words);
  }
  const std::int64_t number = answer_numbers_.back();
  answer_numbers_.pop_back();
  statement(words_, "INSERT INTO answers(id, time, words) VALUES(?, ?, ?)")
      .bind(number, at, words)
      .send();
  return number;
}

// How an answer leaves a link, from what it said of it (`?outcome`: the state it takes, or
// kAsItStands), whether it is newly accepted (`?newly`), the answer's words (`?words`) and
// whether the engine asked it to wait (`?deferred`), at `?at`.
std::string answered_columns(std::string_view outcome, std::string_view newly, std::string_view at,
                             std::string_view words, std::string_view deferred) {
  const std::string o(outcome), n(newly), t(at), w(words), d(deferred);
  return "state = CASE WHEN " + o + " >= 0 THEN " + o + " WHEN state = {removal_waiting} AND " + d +
         " = 1 THEN {removal_waiting} WHEN accepted_at IS NULL THEN {removed} ELSE {accepted} END, "
         "queued = CASE WHEN " +
         o + " = 0 OR (" + o + " < 0 AND state = {removal_waiting} AND " + d +
         " = 1) THEN queued END, " + "accepted_at = CASE WHEN " + n + " = 1 THEN " + t +
         " ELSE accepted_at END, " + "first_accepted = coalesce(first_accepted, CASE WHEN " + n +
         " = 1 THEN " + t + " END), last_sent = " + t + ", attempts = attempts + 1, answer = " + w;
}

// Keeps how an answer leaves each of its links: a file row by row, a server all in one statement,
// a round trip being what costs there.
void SqlRecord::keep_answered(const AnsweredLinks& answered, std::time_t at) {
  if (db_.values_as_arrays()) {
    // An answer's few links are found by the key, however the table is weighed (not yet
    // analysed, or of some ten thousand rows): reading it all costs many times more.
    db_.prepare(db_.by_the_key()).send();
    statement(answered_,
              "UPDATE links SET " +
                  answered_columns("v.outcome", "v.newly", "?1", "v.words", "v.deferred") +
                  " FROM unnest(?2::text[], ?3::bigint[], ?4::bigint[], ?5::bigint[], "
                  "?6::bigint[]) AS v(sent, outcome, newly, words, deferred) "
                  "WHERE destination = ?7 AND url = v.sent COLLATE \"C\"")
        .bind(at, text_array(answered.urls), number_array(answered.outcomes),
              number_array(answered.newly), number_array(answered.words),
              number_array(answered.deferred), destination_)
        .send();
    return;
  }
  Statement& update =
      statement(answered_, "UPDATE links SET " + answered_columns("?1", "?2", "?3", "?4", "?7") +
                               " WHERE destination = ?5 AND url = ?6");
  for (std::size_t at_link = 0; at_link < answered.urls.size(); ++at_link) {
    update
        .bind(answered.outcomes[at_link], answered.newly[at_link], at, answered.words[at_link],
              destination_, answered.urls[at_link], answered.deferred[at_link])
        .run();
  }
}

void SqlRecord::record(const RecordedAnswer& answer) {
  const std::time_t at = seconds_now();
  Transaction transaction(db_);
  // One row a distinct text: the status for the links taken, each reason for the others.
  std::unordered_map<std::string, std::int64_t> answers;
  const auto answer_of = [&](const std::string& words) {
    const auto [kept, added] = answers.try_emplace(words, 0);
    if (added) kept->second = keep_words(words, at);
    return kept->second;
  };
  AnsweredLinks answered;
  const bool known = answer.outcomes.size() == answer.sent.size();
  std::size_t deferred = 0;
  for (const std::size_t at_link : in_link_order(answer.sent)) {
    const LinkOutcome unknown = LinkOutcome::deferred(answer.words, false);
    const LinkOutcome& outcome = known ? answer.outcomes[at_link] : unknown;
    const bool taken = outcome.kind == LinkOutcome::Kind::kAccepted;
    deferred += outcome.kind == LinkOutcome::Kind::kDeferred ? 1 : 0;
    // A removal not taken leaves the link as it stands: one the site announced waits again
    // where the engine asked to wait; else accepted where the engine ever took it (the next run
    // finds it gone again), removed where it never did.
    const int state = answer.removals ? (taken ? kRemoved : kAsItStands)
                      : taken         ? kAccepted
                      : outcome.kind == LinkOutcome::Kind::kRefused ? kRefused
                                                                    : kWaiting;
    answered.add(answer.sent[at_link], state, state == kAccepted && !answer.removals,
                 answer_of(taken ? answer.words : outcome.reason),
                 outcome.kind == LinkOutcome::Kind::kDeferred);
  }
  keep_answered(answered, at);
  // An answer that did not say which links it took counts them all as used.
  const std::size_t used = known ? answer.sent.size() - deferred : answer.sent.size();
  keep_quota(answer.quota_day, static_cast<std::int64_t>(used), answer.remaining);
  std::optional<RecordBusy> lost;
  if (lease_due()) {
    try {
      renew_held_lease();
    } catch (const RecordBusy& taken) {
      lost = taken;
    }
  }
  transaction.commit();
  // The answer is true whoever holds the lease now; only what follows would be sent twice.
  if (lost) throw *lost;
}

// Adds `used` to the day's count and keeps what the engine said is left, where it said.
void SqlRecord::keep_quota(std::time_t day, std::int64_t used, std::optional<long> left) {
  if (dry_run_) return;
  statement(quota_,
            "INSERT INTO quotas(destination, day, used, quota_left) VALUES(?1, ?2, ?3, ?4) "
            "ON CONFLICT(destination, day) DO UPDATE SET used = quotas.used + ?3, "
            "quota_left = coalesce(?4, quotas.quota_left)")
      .bind(destination_, day, used, left)
      .send();
}

std::vector<LinkCounts> SqlRecord::counts(std::time_t at) {
  return guarded([&] {
    const std::time_t today = at - at % 86400;
    Statement select = db_.prepare(R"sql(
      SELECT d.id, d.name, s.host, count(*), count(*) FILTER (WHERE state = {accepted}),
             count(*) FILTER (WHERE state = {waiting}), count(*) FILTER (WHERE state = {refused}),
             count(*) FILTER (WHERE state = {accepted} AND accepted_at >= ?1),
             count(*) FILTER (WHERE state = {accepted} AND accepted_at >= ?2),
             count(*) FILTER (WHERE state = {removal_waiting})
      FROM links l JOIN destinations d ON d.id = l.destination JOIN sites s ON s.id = l.site
      GROUP BY d.id, d.name, s.id, s.host ORDER BY d.name, s.host)sql");
    select.bind(today, today - 6 * 86400);
    Statement quota = db_.prepare(
        "SELECT day, used, quota_left FROM quotas WHERE destination = ? "
        "ORDER BY day DESC LIMIT 1");
    Statement last = db_.prepare(
        "SELECT ended, exit_code, coalesce(host, '') FROM runs "
        "WHERE destination = ? AND ended IS NOT NULL "
        "ORDER BY id DESC LIMIT 1");
    std::vector<LinkCounts> all;
    std::map<std::int64_t, std::map<std::string, LinkCounts::Index>> index;
    while (select.step()) {
      LinkCounts& counts = all.emplace_back();
      counts.destination = select.text(1);
      counts.site = select.text(2);
      counts.known = select.integer(3);
      counts.accepted = select.integer(4);
      counts.waiting = select.integer(5);
      counts.refused = select.integer(6);
      counts.accepted_today = select.integer(7);
      counts.accepted_last_7_days = select.integer(8);
      counts.removals_waiting = select.integer(9);
      if (quota.bind(select.integer(0)).step()) {
        counts.last_quota_day = {
            .day = quota.integer(0), .used = quota.integer(1), .left = quota.optional_integer(2)};
      }
      quota.run();
      if (last.bind(select.integer(0)).step()) {
        counts.last_run = last.integer(0);
        counts.last_exit_code = static_cast<int>(last.integer(1));
        counts.last_run_host = last.text(2);
      }
      last.run();
      const std::int64_t destination = select.integer(0);
      if (!index.contains(destination))
        index[destination] = lc::push::index_counts(db_, destination);
      if (const auto found = index[destination].find(counts.site);
          found != index[destination].end())
        counts.index = found->second;
    }
    return all;
  });
}

void SqlRecord::for_each_event(std::time_t since, std::string_view site,
                               const std::function<void(const LinkEvent&)>& each) {
  guarded([&] {
    constexpr std::string_view kFrom =
        " FROM links l JOIN destinations d ON d.id = l.destination JOIN sites s ON s.id = l.site"
        " LEFT JOIN answers a ON a.id = l.answer WHERE (?2 = '' OR s.host = ?2) AND ";
    // Each event with its step in a link's life, which orders the events of one second.
    const std::string columns = "d.name, s.host, l.url, ";
    Statement select = db_.prepare(
        "SELECT first_seen AS t, " + columns + "'seen', '', 0" + std::string(kFrom) +
        "first_seen >= ?1 UNION ALL SELECT last_sent, " + columns +
        "'sent', CAST(attempts AS TEXT), 1" + std::string(kFrom) + "last_sent >= ?1" +
        // Accepted first, and where pushed again since (changed, or still not indexed), again.
        " UNION ALL SELECT coalesce(first_accepted, accepted_at), " + columns +
        "'accepted', a.words, 2" + std::string(kFrom) +
        "state = {accepted} AND coalesce(first_accepted, accepted_at) >= ?1 UNION ALL SELECT "
        "accepted_at, " +
        columns + "'reaccepted', a.words, 3" + std::string(kFrom) +
        "state = {accepted} AND accepted_at > first_accepted AND accepted_at >= ?1 UNION ALL "
        "SELECT "
        "last_sent, " +
        columns + "'refused', a.words, 4" + std::string(kFrom) +
        "state = {refused} AND last_sent >= ?1" +
        // Sent and waiting again: why, as the answer said (a temporary failure, the quota).
        " UNION ALL SELECT last_sent, " + columns + "'deferred', a.words, 5" + std::string(kFrom) +
        "state = {waiting} AND l.answer IS NOT NULL AND last_sent >= ?1" +
        // Each link's latest inspection, with the engine's words for its state.
        " UNION ALL SELECT inspected_at, " + columns +
        "'inspected', CASE WHEN indexed = 1 THEN '已收录：' ELSE '未收录：' END || w.words, 6"
        " FROM links l JOIN destinations d ON d.id = l.destination JOIN sites s ON s.id = l.site"
        " JOIN inspection_words w ON w.id = l.coverage WHERE (?2 = '' OR s.host = ?2) AND"
        " inspected_at >= ?1" +
        // What runs met on the way: a 429, a 5xx, a connection lost.
        " UNION ALL SELECT b.time, d.name, r.site, '', 'setback', b.words, 7 FROM setbacks b"
        " JOIN runs r ON r.id = b.run JOIN destinations d ON d.id = r.destination"
        " WHERE (?2 = '' OR r.site = ?2) AND b.time >= ?1 ORDER BY 1, 4, 7");
    select.bind(since, site);
    while (select.step()) {
      each({.time = select.integer(0),
            .destination = std::string(select.text(1)),
            .site = std::string(select.text(2)),
            .url = std::string(select.text(3)),
            .event = std::string(select.text(4)),
            .detail = std::string(select.text(5))});
    }
  });
}

}  // namespace

std::optional<std::string_view> unkeepable(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return texts::kRecordNoNul;
  return std::nullopt;
}

RecordError record_error(const std::string& name, const DatabaseError& error) {
  if (error.disk_full()) return RecordError(texts::about(name, texts::kRecordDiskFull));
  if (error.not_a_database()) return RecordError(texts::about(name, texts::kRecordDamaged));
  if (error.name_taken()) return RecordError(texts::about(name, texts::kRecordNotOurs));
  if (error.not_permitted()) {
    return RecordError(texts::about(name, std::string(texts::kRecordNotPermitted) + error.what()));
  }
  return RecordError(texts::about(name, std::string(texts::kRecordFailed) + error.what()));
}

std::unique_ptr<Record> open_sql_record(Database db, const RecordOpening& opening,
                                        SqlRecordUse use) {
  return std::make_unique<SqlRecord>(std::move(db), opening, std::move(use));
}

void import_accepted(Database db, const RecordOpening& opening, std::string name,
                     std::string_view text) {
  SqlRecord(std::move(db), opening, {.name = std::move(name)}).import_accepted(text);
}

}  // namespace lc::push
