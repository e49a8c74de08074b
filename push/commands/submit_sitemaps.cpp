#include "push/commands/submit_sitemaps.h"

#include <map>

#include "push/texts/exit_codes.h"
#include "push/texts/link_parts.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

// What the engine told of the sitemap, in one line; a sitemap with errors wants a person.
int tell_state(std::string_view address, const SitemapState& state, RunReport& report) {
  const std::string sitemap(address);
  if (state.pending || !state.last_downloaded) {
    report.inform(texts::filled(texts::kSitemapPending, {{"sitemap", sitemap}}));
    return kAllAccepted;
  }
  const std::string line =
      texts::filled(texts::kSitemapRead, {{"sitemap", sitemap},
                                          {"time", w3c_time(*state.last_downloaded)},
                                          {"errors", std::to_string(state.errors)},
                                          {"warnings", std::to_string(state.warnings)}});
  if (state.errors > 0) {
    report.note(line + (state.status.empty() ? "" : "（" + state.status + "）"));
    return kNeedsAttention;
  }
  report.inform(line);
  return kAllAccepted;
}

}  // namespace

int submit_sitemaps(const EngineSettings& engine, const SitemapDigests& sitemaps,
                    std::string_view site_url, Record& record, RunReport& report) {
  const EngineDescription& description = *engine.destination.engine;
  const bool asked = engine.sitemaps.enabled || engine.sitemaps_only;
  if (!asked || !description.make_sitemap_submitter || sitemaps.empty()) return kAllAccepted;
  const std::unique_ptr<SitemapSubmitter> submitter =
      description.make_sitemap_submitter(engine.destination, engine.sitemaps);
  std::map<std::string, KeptSitemap, std::less<>> kept;
  for (KeptSitemap& sitemap : record.sitemaps())
    kept.emplace(sitemap.address, std::move(sitemap));
  int exit_code = kAllAccepted;
  // A refusal of one sitemap is said with its address; one that holds for every sitemap ends it.
  const auto refused = [&](const std::string& address, const SitemapAnswer& answer) {
    report.note(texts::filled(texts::kSitemapRefused, {{"sitemap", address}}) + answer.words);
    exit_code = kNeedsAttention;
    return answer.stops;
  };
  for (const auto& [address, digest] : sitemaps) {
    if (!is_web_address(address)) {
      report.inform(texts::filled(texts::kSitemapNotAddress, {{"sitemap", address}}));
      continue;
    }
    KeptSitemap& sitemap = kept[address];
    sitemap.address = address;
    if (sitemap.digest != digest) {
      const SitemapAnswer submitted = submitter->submit(address, site_url);
      if (!submitted.done) {
        if (refused(address, submitted)) break;
        continue;
      }
      sitemap.digest = digest;
      sitemap.submitted = seconds_now();
      record.record_sitemap(sitemap);
      report.inform(texts::filled(texts::kSitemapSubmitted, {{"sitemap", address}}));
    }
    const SitemapAnswer read = submitter->read_back(address, site_url);
    if (!read.done) {
      if (refused(address, read)) break;
      continue;
    }
    if (!read.state) continue;
    sitemap.state = read.state;
    sitemap.read_at = seconds_now();
    record.record_sitemap(sitemap);
    exit_code = std::max(exit_code, tell_state(address, *read.state, report));
  }
  return exit_code;
}

}  // namespace lc::push
