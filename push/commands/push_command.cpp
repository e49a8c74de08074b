#include "push/commands/push_command.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <deque>
#include <iostream>
#include <memory>
#include <sstream>

#include "platform/standard_streams.h"
#include "push/commands/inspect_links.h"
#include "push/commands/submit_sitemaps.h"
#include "push/engines/engine_registry.h"
#include "push/engines/quota_day.h"
#include "push/push_run.h"
#include "push/record/page_validators.h"
#include "push/record/record_factory.h"
#include "push/record/record_location.h"
#include "push/reports/metrics_file.h"
#include "push/sources/link_sources.h"
#include "push/texts/exit_codes.h"
#include "push/texts/failure.h"
#include "push/texts/link_parts.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

// The most waiting links one flush of a service reads: more than an engine's day takes, mostly.
constexpr std::size_t kFlushMostLinks = 10'000;

// The settings of one site's run to one engine.
struct Pushing {
  const RunSettings& run;
  const SitePlan& site;
  const EngineSettings& engine;
  bool one_of_sites;               // of a config's, which may share a destination
  const SitemapDigests& sitemaps;  // the site's, as its sources were read
  // A service's flush, stopped between requests once set; null for a run.
  const std::atomic<bool>* stop = nullptr;
};

// Takes each source's links into the record, which it opens once the site is known (IndexNow
// pushes one host's links, the first link's unless --site names one).
class Intake {
 public:
  Intake(const Pushing& pushing, RunOptions& run)
      : pushing_(pushing), run_(run), site_(pushing.site.host) {}

  // The list stays as it is: other destinations may take the same links in.
  void add(const LinkList& links) {
    if (site_.empty() && run_.destination.engine->takes_one_host && !links.links().empty())
      site_ = std::string(host_of(links.links().front()));
    for (const std::string_view link : links.invalid())
      std::cerr << texts::kInvalidLink << link << "\n";
    std::vector<SourceLink> taken;
    taken.reserve(links.links().size());
    const std::string other_site = texts::filled(texts::kOtherSite, {{"site", site_}});
    for (const std::string_view link : links.links()) {
      if (site_.empty() || host_of(link) == site_) {
        if (site_url_.empty()) site_url_ = site_url_of(link);
        const PageFacts facts = links.facts_of(link);
        taken.push_back({link, facts.modified, facts.content_hash});
      } else if (!pushing_.one_of_sites) {  // a config's run said so once for the site
        std::cerr << other_site << link << "\n";
      }
    }
    // The record opens once the site is known; a run that only inspects takes nothing in.
    if (taken.empty() || pushing_.run.inspect_only) return;
    already_pushed_ += record().take_in(taken, pushing_.run.again);
  }

  Record& record() {
    if (!record_) open();
    return *record_;
  }

  std::size_t already_pushed() const { return already_pushed_; }
  bool kept() const { return path_ != kRecordInMemory; }

 private:
  void open() {
    const RunSettings& settings = pushing_.run;
    run_.destination.host = site_;
    if (run_.destination.site_url.empty()) run_.destination.site_url = site_url_;
    const std::string name =
        run_.destination.engine->destination_name(run_.destination, run_.secrets);
    path_ = record_path(settings, run_.destination, name);
    record_ = open_record({.path = path_,
                           .destination = name,
                           .wait_seconds = settings.wait_seconds,
                           .held_later = settings.held_later,
                           .dry_run = settings.dry_run,
                           .lease_seconds = settings.lease_seconds,
                           .finds_gone = pushing_.site.deletions && !pushing_.site.served,
                           .only_site = pushing_.one_of_sites ? site_ : std::string(),
                           // The run's site: its first link's, where it has no other.
                           .site = site_.empty() ? std::string(host_of(site_url_)) : site_,
                           .site_name = pushing_.site.name,
                           .content_rule = content_rule()});
  }

  // What the content hashes ignore, where the run hashes content.
  std::optional<std::string> content_rule() const {
    const SourceSettings& sources = pushing_.site.sources;
    if (sources.folder.folder.empty() && !sources.content_check) return std::nullopt;
    return sources.ignore_content;
  }

  const Pushing& pushing_;
  RunOptions& run_;
  std::string site_;
  std::string site_url_;  // the scheme and host of the site's first link
  std::string path_;
  std::unique_ptr<Record> record_;
  std::size_t already_pushed_ = 0;
};

}  // namespace

std::string record_path(const RunSettings& run, const Destination& destination,
                        std::string_view name) {
  return run.no_state || destination.interface.empty() ? kRecordInMemory
         : run.state.empty()                           ? default_record_path(name)
                                                       : run.state;
}

namespace {

RunOptions run_options_of(const Pushing& pushing) {
  RunOptions run;
  run.destination = pushing.engine.destination;
  run.batch = pushing.engine.batch;
  run.max_wait_seconds = pushing.run.max_wait_seconds;
  if (!pushing.site.sources.pending.empty()) run.pending = pushing.site.sources.pending;
  run.secrets.add_address(run.destination.interface);
  run.secrets.add(run.destination.key);
  run.stop = pushing.stop;
  return run;
}

RunTotals ended(int exit_code) {
  RunTotals totals;
  totals.exit_code = exit_code;
  return totals;
}

// Announces the site's pages that no source holds any more, and those the site announced removed
// to the service, where the engine has a way, and keeps them as removed; none of the first where
// more of the site is gone than the limit allows, unless confirmed, which wants a person. Removed
// pages an inspection found still indexed are announced once more. A service's flush announces
// only what the site announced: it reads no source. A dry run lists them. The exit code of the
// announcements' run, if any.
int announce_removals(const Pushing& pushing, RunOptions run, Record& record, RunReport& report) {
  const bool flush = pushing.stop != nullptr;
  GoneLinks gone = flush ? GoneLinks{} : record.gone_links();
  int exit_code = kAllAccepted;
  const double percent = pushing.site.deletion_limit;
  if (!pushing.run.confirm_deletions &&
      static_cast<double>(gone.links.size()) * 100 > percent * static_cast<double>(gone.known)) {
    std::ostringstream limit;
    limit << percent;
    report.note(texts::filled(texts::kTooManyGone, {{"gone", std::to_string(gone.links.size())},
                                                    {"known", std::to_string(gone.known)},
                                                    {"limit", limit.str()}}));
    gone.links.clear();
    exit_code = kNeedsAttention;
  }
  const bool heard = run.destination.engine->hears_of_removals && !pushing.engine.sitemaps_only;
  const std::vector<std::string> again = heard && !flush && exit_code == kAllAccepted
                                             ? record.removed_still_indexed()
                                             : std::vector<std::string>{};
  const std::vector<std::string> posted = record.removals_waiting();
  if (gone.links.empty() && again.empty() && posted.empty()) return exit_code;
  if (pushing.run.dry_run) {
    const std::vector<std::string>* const lists[] = {&gone.links, &posted, &again};
    for (const std::vector<std::string>* links : lists) {
      for (const std::string& link : *links)
        report.inform(std::string(texts::kWouldRemove) + link);
    }
    return exit_code;
  }
  std::vector<std::string_view> links(gone.links.begin(), gone.links.end());
  links.insert(links.end(), posted.begin(), posted.end());
  if (!heard) {
    record.record_removed(links);
    report.inform(texts::filled(
        pushing.engine.sitemaps_only ? texts::kRemovedFromSitemapsOnly : texts::kRemovedUnannounced,
        {{"count", std::to_string(links.size())}}));
    return exit_code;
  }
  if (!again.empty()) {
    report.inform(
        texts::filled(texts::kRemovedStillIndexed, {{"count", std::to_string(again.size())}}));
  }
  links.insert(links.end(), again.begin(), again.end());
  report.inform(texts::filled(texts::kRemovalsHeading, {{"count", std::to_string(links.size())}}));
  run.removals = true;
  run.pending.reset();
  run.already_pushed.reset();
  const RunTotals announced = run_push(run, links, report);
  report.summary(announced);
  return std::max(exit_code, announced.exit_code);
}

// Keeps the run's end in the record; a record that takes no more makes the run's exit code 6, its
// failure told once.
void record_run_end(Record& record, RunTotals& totals, RunReport& report) {
  if (totals.exit_code == kRecordUnusable) return;  // told already
  try {
    record.record_run_end({.exit_code = totals.exit_code,
                           .counts = {.sent = static_cast<std::int64_t>(totals.sent),
                                      .accepted = totals.accepted,
                                      .refused = static_cast<std::int64_t>(totals.refused),
                                      .waiting = static_cast<std::int64_t>(totals.pending)}});
  } catch (const RecordError& error) {
    report.note(error.what());
    totals.exit_code = kRecordUnusable;
  }
}

// The progress bar shows only where someone watches: a terminal, for more than one request.
bool shows_progress(const Pushing& pushing, std::size_t links) {
  return !pushing.run.quiet && !pushing.run.json && platform::is_terminal(stderr) &&
         links > pushing.engine.batch;
}

// A dry run's plan: what the day's quota, as far as it is known, lets go.
RunTotals plan_only(const Pushing& pushing, const RunOptions& run, Record& record,
                    const ReportLabels& labels) {
  const std::unique_ptr<RunReport> report = pushing.run.json
                                                ? json_report(std::cout, std::cerr, labels)
                                                : text_report(std::cout, std::cerr, false);
  const std::size_t count = record.waiting_count();
  const std::optional<long> quota = quota_known_today(
      run.destination, &record, quota_day(run.destination.engine->days, seconds_now()));
  const std::size_t going =
      quota ? std::min<std::size_t>(count, static_cast<std::size_t>(*quota)) : count;
  report->plan(going, (going + run.batch - 1) / run.batch, run.batch,
               run.secrets.hidden(run.destination.interface));
  if (going < count) report->inform(texts::kQuotaSpent);
  return ended(pushing.site.deletions ? announce_removals(pushing, run, record, *report)
                                      : kAllAccepted);
}

// Where the engine's links are inspected, those still not indexed long after they were accepted
// wait to be pushed again, a bounded number of times.
void queue_not_indexed(const Pushing& pushing, Record& record) {
  const InspectionSettings& inspection = pushing.engine.inspection;
  if (!inspection.enabled || inspection.max_repush == 0) return;
  const std::size_t queued = record.queue_not_indexed(
      seconds_now() - inspection.repush_days * 24 * 3600, inspection.max_repush);
  if (queued > 0 && !pushing.run.quiet && !pushing.run.json) {
    std::cout << texts::filled(texts::kPushedAgain,
                               {{"count", std::to_string(queued)},
                                {"days", std::to_string(inspection.repush_days)}})
              << "\n";
  }
}

// The run's report: JSON, or text (none where quiet).
std::unique_ptr<RunReport> run_report(const Pushing& pushing, const ReportLabels& labels,
                                      std::ostream& silent, bool progress) {
  if (pushing.run.json) return json_report(std::cout, std::cerr, labels);
  return text_report(pushing.run.quiet ? silent : std::cout, std::cerr, progress);
}

// A run that only inspects: the site's links are read to know the site, and only inspected.
RunTotals inspect_only(const Pushing& pushing, Intake& intake, const ReportLabels& labels) {
  std::ostream silent(nullptr);
  const std::unique_ptr<RunReport> report = run_report(pushing, labels, silent, false);
  return ended(inspect_due_links(pushing.engine, intake.record(), *report).exit_code);
}

// After the links are sent: the inspections due, then the site's sitemaps handed over. Gives
// the exit code of handing the sitemaps over.
int inspect_and_hand_over(const Pushing& pushing, const RunOptions& run, Record& record,
                          RunReport& report, RunTotals& totals) {
  const InspectionTotals inspected = inspect_due_links(pushing.engine, record, report);
  totals.exit_code = std::max(totals.exit_code, inspected.exit_code);
  if (pushing.engine.inspection.enabled) {
    totals.inspections_left = inspected.left_today;
    if (const std::optional<LinkCounts::Index> index = record.index_counts())
      totals.indexed = index->indexed;
  }
  // The site as the engine knows it: Google's property where one is given.
  const std::string& property = pushing.engine.inspection.property;
  const int handed_over =
      submit_sitemaps(pushing.engine, pushing.sitemaps,
                      property.empty() ? run.destination.site_url : property, record, report);
  totals.exit_code = std::max(totals.exit_code, handed_over);
  return handed_over;
}

// A destination told of the site's pages by its sitemaps alone: no link goes through the engine's
// push call. Once the sitemaps are handed over (or known unchanged), the links waiting count as
// told, and are inspected as accepted ones are.
RunTotals told_by_sitemaps(const Pushing& pushing, const RunOptions& run, Record& record,
                           const ReportLabels& labels) {
  std::ostream silent(nullptr);
  const std::unique_ptr<RunReport> report = run_report(pushing, labels, silent, false);
  RunTotals totals;
  totals.pending = record.waiting_count();
  if (pushing.run.dry_run) {
    report->inform(
        texts::filled(texts::kWouldTellBySitemaps, {{"count", std::to_string(totals.pending)}}));
    return totals;
  }
  const bool any_sitemap = std::ranges::any_of(
      pushing.sitemaps, [](const auto& sitemap) { return is_web_address(sitemap.first); });
  if (!any_sitemap) {
    report->note(texts::kNoSitemapToTell);
    totals.exit_code = kNeedsAttention;
  }
  if (pushing.site.deletions)
    totals.exit_code = std::max(totals.exit_code, announce_removals(pushing, run, record, *report));
  if (totals.exit_code != kRecordUnusable &&
      inspect_and_hand_over(pushing, run, record, *report, totals) == kAllAccepted && any_sitemap) {
    totals.accepted = static_cast<long>(record.accept_waiting(texts::kToldBySitemaps));
    totals.pending = record.waiting_count();
    if (totals.accepted > 0) {
      report->inform(
          texts::filled(texts::kLinksToldBySitemaps, {{"count", std::to_string(totals.accepted)}}));
    }
  }
  record_run_end(record, totals, *report);
  report->summary(totals);
  return totals;
}

RunTotals push_from_record(const Pushing& pushing, RunOptions& run, Intake& intake,
                           const ReportLabels& labels) {
  Record& record = intake.record();
  if (pushing.engine.sitemaps_only) {
    record.commit_intake();
    return told_by_sitemaps(pushing, run, record, labels);
  }
  queue_not_indexed(pushing, record);
  record.commit_intake();
  const std::size_t count = record.waiting_count();
  if (pushing.stop != nullptr) {
    // A service's flush finds nothing waiting often: it says nothing then, and its run ends
    // on the record as begun.
    if (count == 0 && (!pushing.site.deletions || record.removals_waiting(1).empty())) {
      RunTotals nothing = ended(kAllAccepted);
      std::ostream silent(nullptr);
      record_run_end(record, nothing, *text_report(silent, std::cerr, false));
      return nothing;
    }
    std::cout << texts::filled(texts::kSiteHeading,
                               {{"site", labels.site}, {"engine", labels.engine}})
              << std::endl;
  } else if (count == 0 && intake.already_pushed() == 0) {
    std::cerr << texts::kNothingToPush << "\n";
    return ended(kUsageOrInput);
  }
  if (pushing.run.dry_run) return plan_only(pushing, run, record, labels);
  // A service's flush holds a bounded share of a backlog in memory, however long the engine was
  // down; the rest waits for the flushes after it.
  const std::size_t most = pushing.stop != nullptr ? std::min(count, kFlushMostLinks) : count;
  std::deque<std::string> owned;
  std::vector<std::string_view> waiting;
  waiting.reserve(most);
  record.for_each_waiting(
      [&](std::string_view link) { waiting.push_back(owned.emplace_back(link)); },
      pushing.stop != nullptr ? static_cast<std::int64_t>(most) : -1);
  run.record = &record;
  if (intake.kept()) run.already_pushed = intake.already_pushed();
  std::ostream silent(nullptr);
  const std::unique_ptr<RunReport> report =
      run_report(pushing, labels, silent, shows_progress(pushing, waiting.size()));
  // A flush may find only removals waiting: it asks the engine nothing for the links.
  RunTotals totals =
      waiting.empty() && pushing.stop != nullptr ? RunTotals{} : run_push(run, waiting, *report);
  totals.unread = count - waiting.size();
  totals.pending += totals.unread;
  if (pushing.site.deletions && totals.exit_code != kRecordUnusable) {
    totals.exit_code = std::max(totals.exit_code, announce_removals(pushing, run, record, *report));
  }
  if (totals.exit_code != kRecordUnusable)
    inspect_and_hand_over(pushing, run, record, *report, totals);
  record_run_end(record, totals, *report);
  // Last, so that the run's summary carries the exit code the program ends with.
  report->summary(totals);
  return totals;
}

RunTotals push_through(const Pushing& pushing, const LinkFeed& feed, const ReportLabels& labels) {
  const RunSettings& settings = pushing.run;
  RunOptions run = run_options_of(pushing);
  Intake intake(pushing, run);
  try {
    feed([&](const LinkList& links) { intake.add(links); });
    return settings.inspect_only ? inspect_only(pushing, intake, labels)
                                 : push_from_record(pushing, run, intake, labels);
  } catch (const RecordBusy& failure) {
    if (settings.held_later) {
      RunTotals later = ended(failure.exit_code());
      later.held_elsewhere = true;
      return later;
    }
    std::cerr << failure.what() << "\n";
    return ended(failure.exit_code());
  } catch (const RecordError& failure) {
    std::cerr << failure.what() << "\n";
    return ended(failure.exit_code());
  } catch (const Failure& failure) {  // a source's: what is gone cannot be told
    std::cerr << failure.what() << "\n";
    if (pushing.site.deletions) std::cerr << texts::kNoDeletionsAfterFailure << "\n";
    return ended(failure.exit_code());
  }
}

}  // namespace

std::unique_ptr<PageValidatorStore> page_validators(const RunSettings& run) {
  // Kept on this machine beside a record on a server: what each page last was here.
  const bool beside = !run.state.empty() && !on_a_server(run.state);
  return open_page_validators(run.no_state ? kRecordInMemory
                              : beside     ? run.state + ".pages"
                                           : default_validators_path());
}

int push_links(const Plan& plan) {
  const auto start = std::chrono::steady_clock::now();
  const SitePlan& site = plan.sites.front();
  const EngineSettings& engine = site.engines.front();
  const std::unique_ptr<PageValidatorStore> validators = page_validators(plan.run);
  SitemapDigests sitemaps;
  const RunTotals totals = push_links(
      plan.run, site, engine,
      [&](const std::function<void(const LinkList&)>& each) {
        gather_links(
            site.sources, validators.get(), [&](LinkList& links) { each(links); },
            informing(plan.run), &sitemaps);
      },
      sitemaps);
  const ReportLabels labels{site.host, std::string(engine.destination.engine->name)};
  return kept_metrics(plan.run, {{labels, totals, seconds_since(start)}}, totals.exit_code);
}

Notes informing(const RunSettings& run) {
  if (run.quiet) return [](std::string_view) {};
  return
      [json = run.json](std::string_view line) { (json ? std::cerr : std::cout) << line << "\n"; };
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int kept_metrics(const RunSettings& run, const std::vector<RunFigures>& runs, int exit_code) {
  // A run that only inspects leaves the pushing runs' figures as they are.
  if (run.metrics.empty() || run.inspect_only) return exit_code;
  try {
    write_metrics(run.metrics, runs, std::time(nullptr));
    return exit_code;
  } catch (const Failure& failure) {
    std::cerr << failure.what() << "\n";
    return std::max(exit_code, failure.exit_code());
  }
}

RunTotals push_links(const RunSettings& settings, const SitePlan& site,
                     const EngineSettings& engine, const LinkFeed& feed,
                     const SitemapDigests& sitemaps, const ReportLabels& labels) {
  return push_through({settings, site, engine, !labels.site.empty(), sitemaps}, feed, labels);
}

RunTotals push_waiting(const RunSettings& settings, const SitePlan& site,
                       const EngineSettings& engine, const ReportLabels& labels,
                       const std::atomic<bool>& stop) {
  const SitemapDigests none;
  return push_through(
      {settings, site, engine, true, none, &stop},
      [](const std::function<void(const LinkList&)>&) {}, labels);
}

}  // namespace lc::push
