#pragma once
// The record of every link a destination has been given: which wait, which were accepted or
// refused, when and with what answer; the links waiting for quota live here too. push/ talks to
// it through this interface only; an SQLite file (sqlite_record.h) or a PostgreSQL server
// (postgres_record.h) keeps it.

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "push/engines/engine.h"
#include "push/engines/inspection.h"
#include "push/engines/quota_day.h"
#include "push/engines/sitemap_submission.h"
#include "push/texts/failure.h"

namespace lc::push {

// A record that cannot be used: not one of ours, damaged, newer than the program, or a disk
// that took nothing more. The message names the file.
class RecordError : public Failure {
 public:
  explicit RecordError(const std::string& message) : Failure(kRecordUnusable, message) {}

 protected:
  RecordError(int exit_code, const std::string& message) : Failure(exit_code, message) {}
};

// Another run holds the record; what it wrote of itself (pid, host, since when).
class RecordBusy : public RecordError {
 public:
  explicit RecordBusy(const std::string& message) : RecordError(kRecordBusy, message) {}
};

// A record asked before anything was kept in it.
class RecordEmpty : public RecordError {
 public:
  explicit RecordEmpty(const std::string& message) : RecordError(kUsageOrInput, message) {}
};

struct SourceLink {
  std::string_view url;
  std::optional<std::time_t> modified;        // the sitemap's <lastmod>
  std::optional<std::uint64_t> content_hash;  // the site folder's hash of the page
};

// One request's answer, as the record keeps it.
struct RecordedAnswer {
  std::span<const std::string_view> sent;
  std::string words;  // the status, secrets hidden: what the accepted links are kept with
  // One a link sent, in its order, reasons with secrets hidden: accepted, refused (kept with its
  // reason) or deferred (it waits, with its reason). Empty where the answer did not say which
  // links it took: every link waits.
  std::span<const LinkOutcome> outcomes;
  bool removals = false;            // the links were sent as removed pages
  std::optional<long> remaining{};  // the quota left
  std::time_t quota_day = 0;        // the engine's day the answer counts in
};

struct LinkCounts {
  std::string destination;
  std::string site;
  std::int64_t known = 0, accepted = 0, waiting = 0, refused = 0;
  std::int64_t removals_waiting = 0;  // announced removed by the site, the engine not told yet
  std::int64_t accepted_today = 0, accepted_last_7_days = 0;
  std::optional<QuotaDay> last_quota_day;  // the destination's latest
  std::optional<std::int64_t> last_run;    // when it ended, seconds since 1970
  std::optional<int> last_exit_code;
  std::string last_run_host;  // the machine the last run ran on, where the record knows
  // Where the destination's links are inspected: the accepted ones found indexed, found not
  // indexed, not inspected yet; and the seconds from a link's first acceptance to the inspection
  // that first found it indexed, the median and the 90th percentile, where any was.
  struct Index {
    std::int64_t indexed = 0, not_indexed = 0, not_inspected = 0;
    std::optional<std::int64_t> median_seconds, p90_seconds;
  };
  std::optional<Index> index;
};

// The accepted links of the sites a run took links of that none of its sources holds any more.
struct GoneLinks {
  std::vector<std::string> links;
  std::size_t known = 0;  // links on record for those sites, removed ones not counted
};

struct LinkEvent {
  std::time_t time = 0;
  std::string destination;
  std::string site;
  std::string url;
  std::string event;   // seen, sent, accepted (first), reaccepted, refused, deferred
  std::string detail;  // attempts, or the answer's words
};

// A run's links: how many it sent, how the engine took them, how many wait at its end.
struct RunCounts {
  std::int64_t sent = 0, accepted = 0, refused = 0, waiting = 0;
};

// What a run came to, kept with it.
struct RunEnd {
  int exit_code = 0;
  RunCounts counts;
};

// A temporary failure a run met: a 429, a 5xx, a connection lost; in words with what followed.
struct Setback {
  std::time_t time = 0;
  std::string words;
};

// One run of a destination, as the record keeps it.
struct RunEntry {
  std::time_t started = 0;
  std::optional<std::time_t> ended;  // none: it never came to its end (killed, or still going)
  std::string destination;
  std::string site;                 // the host of its links; empty for runs kept before runs had it
  std::string site_name;            // the config's name of the site; empty where it had none
  std::string host;                 // the machine it ran on; empty for runs kept before runs had it
  std::optional<int> exit_code;     // where it ended
  std::optional<RunCounts> counts;  // where it ended, since runs have them
  std::vector<Setback> setbacks;
};

// When links are due for inspection: accepted before the one time and never inspected since, or
// found not indexed before the other.
struct InspectionDue {
  std::time_t accepted_before = 0;
  std::time_t not_indexed_before = 0;
  // Also the links announced as removed by then, once after each announcement.
  bool removals = false;
};

// A sitemap of the destination's site as the record keeps it: the digest of its content when it
// was last handed over, and what the engine last told of it.
struct KeptSitemap {
  std::string address;
  std::optional<std::uint64_t> digest;  // none: never handed over
  std::optional<std::time_t> submitted;
  std::optional<SitemapState> state;  // none: never told
  std::optional<std::time_t> read_at;

  bool operator==(const KeptSitemap&) const = default;
};

// An accepted link the latest inspection found not indexed.
// When an inspected destination first accepted a link, and when an inspection first found it
// indexed.
struct IndexTimes {
  std::string destination;
  std::string site;
  std::time_t first_accepted = 0;
  std::optional<std::time_t> first_indexed;
};

struct NotIndexedLink {
  std::string destination;
  std::string site;
  std::string url;
  std::string coverage;  // the engine's words for its state
  std::time_t inspected = 0;
  std::optional<std::time_t> first_accepted;
  std::optional<std::time_t> last_crawl;
  std::int64_t repushes = 0;
};

// Why the record cannot keep `text` as it is, none where it can: a NUL byte, which a server's
// texts cannot hold and a file's would keep, so that the two would disagree.
std::optional<std::string_view> unkeepable(std::string_view text);

// How long a sender's lease lasts unless put off, where the run says nothing else.
inline constexpr std::time_t kLeaseSeconds = 600;

// Where a run keeps nothing.
inline constexpr const char* kRecordInMemory = ":memory:";

struct RecordOpening {
  std::string path;         // UTF-8; kRecordInMemory for a run that keeps nothing
  std::string destination;  // whose links this run handles; empty to ask the record only
  double wait_seconds = 0;  // how long to wait for another sender of the destination to end
  bool held_later = false;  // a destination another sender holds is left at once, for later
  // The destination's sender, holding its lease while open; false: a service's intake, which
  // only takes links in beside whoever sends them.
  bool sends = true;
  bool dry_run = false;  // nothing the run takes in is kept
  // How long the sender's lease lasts unless put off: another takes the destination over after.
  std::time_t lease_seconds = kLeaseSeconds;
  bool finds_gone = false;  // what the run takes in is remembered, to find the links gone
  // The host whose waiting links alone are the run's, where several sites share the destination
  // (one account for all), each run pushing its own site's; empty: every host's.
  std::string only_site{};
  std::string site{};       // the host of the run's links, kept with the run
  std::string site_name{};  // the config's name of the site, kept with the run
  // What the content hashes the run takes in ignore (--ignore-content; empty: nothing); none for a
  // run that hashes no content. Under a rule other than the one the kept hashes were made under,
  // a differing hash is a new baseline, not a change.
  std::optional<std::string> content_rule{};
};

class Record {
 public:
  virtual ~Record() = default;

  // Takes in one source's links: new ones join the end of the waiting queue; accepted ones wait
  // again where the sitemap says the page changed since, where its content's hash differs from
  // the one kept, or with `again`. Gives how many stay
  // as they are because they were accepted already. Nothing is kept until `commit_intake`, and
  // in a dry run nothing at all: the record only counts what would wait.
  virtual std::size_t take_in(std::span<const SourceLink> links, bool again) = 0;
  virtual void commit_intake() = 0;

  // How many links wait (in a dry run: would wait).
  virtual std::size_t waiting_count() = 0;
  // The waiting links, in their order, the first `most` of them; `each` gets them one by one.
  virtual void for_each_waiting(const std::function<void(std::string_view)>& each,
                                std::int64_t most = -1) = 0;

  // Takes links their site announced as removed, in one transaction: each the engine took once,
  // or the record does not know, waits to be announced removed; one the engine never took only
  // leaves the queue. A source that has the link again takes it back as new.
  virtual void take_removals(std::span<const std::string_view> links) = 0;
  // The links waiting to be announced removed, in the order they came, the first `most`.
  virtual std::vector<std::string> removals_waiting(std::int64_t most = -1) = 0;

  // Before each request of the destination's sender: puts its lease off where that is due, and
  // throws RecordBusy where another sender took the destination over meanwhile (the lease ran
  // out while this one was paused or cut off).
  virtual void confirm_lease() = 0;

  // Keeps one request's answer, in one transaction, before the next request is sent. Links an
  // answer to removals accepts are kept as removed: they come back as new if a source has them
  // again. Those it does not take wait again where they were
  // announced by their site and the engine asked to wait.
  virtual void record_answer(const RecordedAnswer& answer) = 0;

  // What was accepted before and is absent from every source taken in, where the record was
  // opened to find it.
  virtual GoneLinks gone_links() = 0;
  // Keeps `links` as removed without an engine's word: the engine has no way to hear of it.
  virtual void record_removed(std::span<const std::string_view> links) = 0;

  // What the engine said it leaves on `day` before any request (Bing's quota).
  virtual void record_quota(std::time_t day, long left) = 0;
  // The destination's quota on `day`; nothing used and nothing said where the record has no word.
  virtual QuotaDay quota_on(std::time_t day) = 0;
  // The destination's last day before `day` on which the engine told what was left; empty where
  // none did.
  virtual std::optional<QuotaDay> told_quota_before(std::time_t day) = 0;

  // The run's end, with what it came to.
  virtual void record_run_end(const RunEnd& end) = 0;
  // Keeps a temporary failure of the run at once, whatever becomes of the run.
  virtual void record_setback(const std::string& words) = 0;

  // The destination's links of the run's site (of every site where the run has none) due for
  // inspection, at most `most`, those never inspected first.
  virtual std::vector<std::string> links_to_inspect(const InspectionDue& due, std::size_t most) = 0;
  // Queues again, as part of the intake, the accepted links found not indexed that were
  // accepted before `accepted_before` and pushed again fewer than `most` times; gives how many.
  // A dry run changes nothing and gives 0.
  virtual std::size_t queue_not_indexed(std::time_t accepted_before, long most) = 0;
  // Keeps what inspections found, in one transaction, counted on the engine's `day`.
  virtual void record_inspections(std::span<const InspectedLink> links, std::time_t day) = 0;
  // The inspections the destination made of the run's site's links (of every site where the run
  // has none) on the engine's `day`.
  virtual std::int64_t inspections_on(std::time_t day) = 0;

  // What the inspections of the run's destination found of its site's links (of every site where
  // the run has none); empty where none were made.
  virtual std::optional<LinkCounts::Index> index_counts() = 0;
  // Every destination's accepted links found not indexed, for `site` (empty: every site), by
  // destination, site and link.
  virtual void for_each_not_indexed(std::string_view site,
                                    const std::function<void(const NotIndexedLink&)>& each) = 0;
  // Takes every waiting link as accepted now, with `words` for the answer, for a destination
  // told of them otherwise than by requests; how many.
  virtual std::size_t accept_waiting(std::string_view words) = 0;
  // The links announced as removed that an inspection since found still indexed, and never
  // announced again for that: each is given once (a dry run only looks).
  virtual std::vector<std::string> removed_still_indexed() = 0;
  // Every accepted link of the destinations that inspect, by destination and site.
  virtual void for_each_index_times(const std::function<void(const IndexTimes&)>& each) = 0;
  // The destination's sitemaps, in the order of their addresses.
  virtual std::vector<KeptSitemap> sitemaps() = 0;
  // Keeps what became of a sitemap: handed over, or told of.
  virtual void record_sitemap(const KeptSitemap& sitemap) = 0;
  // Per destination and site.
  virtual std::vector<LinkCounts> counts(std::time_t now) = 0;
  // Every event from `since` on, for `site` (empty: every site), in time order: the links' and
  // the runs' setbacks (event "setback", no link).
  virtual void for_each_event(std::time_t since, std::string_view site,
                              const std::function<void(const LinkEvent&)>& each) = 0;
  // Every run started from `since` on, for `site` (empty: every site), in the order started.
  virtual void for_each_run(std::time_t since, std::string_view site,
                            const std::function<void(const RunEntry&)>& each) = 0;
};

}  // namespace lc::push
