#include "push/sources/link_sources.h"

#include <iomanip>
#include <iostream>
#include <sstream>

#include "push/sources/content_hash.h"
#include "push/sources/pending_file.h"
#include "push/sources/site_folder.h"
#include "push/sources/sitemap_source.h"
#include "push/texts/exit_codes.h"
#include "push/texts/file_text.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

constexpr std::string_view kStandardInputName = "-";

using Each = std::function<void(LinkList&)>;

void add_pending(const std::string& pending, const Each& each) {
  std::string text = read_pending(pending);
  // Nothing goes out that could not be kept.
  check_writable_beside(pending);
  LinkList links;
  links.add_text(std::move(text));
  each(links);
}

// Sitemaps' pages checked by content, within one budget for all the sitemaps of a run.
class PageContents {
 public:
  PageContents(const SourceSettings& sources, PageValidatorStore& validators)
      : check_(*sources.content_check), validators_(validators) {
    check_.ignore_content = sources.ignore_content;
  }

  // Gives each page of `links` whose content came the hash of it.
  void hash(LinkList& links) {
    std::vector<std::optional<std::uint64_t>> hashes;
    check_contents(check_, validators_, links.links(), hashes, counts_);
    check_.budget -= std::min(check_.budget, links.links().size());
    for (std::size_t at = 0; at < hashes.size(); ++at) {
      if (hashes[at]) links.set_content_hash(links.links()[at], *hashes[at]);
    }
  }

  // What was found, in one line.
  void report(const Notes& notes) const {
    std::ostringstream seconds;
    seconds << std::fixed << std::setprecision(1) << counts_.seconds;
    const std::size_t fetched =
        counts_.not_modified + counts_.same + counts_.changed + counts_.failed;
    notes(texts::filled(texts::kContentChecked,
                        {{"fetched", std::to_string(fetched)},
                         {"not_modified", std::to_string(counts_.not_modified)},
                         {"same", std::to_string(counts_.same)},
                         {"changed", std::to_string(counts_.changed)},
                         {"failed", std::to_string(counts_.failed)},
                         {"over_budget", std::to_string(counts_.over_budget)},
                         {"seconds", seconds.str()}}));
  }

 private:
  ContentCheck check_;
  PageValidatorStore& validators_;
  ContentCheckCounts counts_;
};

void add_sitemaps(const SourceSettings& sources, PageValidatorStore* validators, const Each& each,
                  const Notes& notes, SitemapDigests* digests) {
  const bool checks_content = sources.content_check && validators != nullptr;
  std::optional<PageContents> contents;
  if (checks_content) contents.emplace(sources, *validators);
  read_sitemaps(
      sources.sitemaps,
      [&](std::vector<SitemapPage>& pages) {
        LinkList links;
        links.reserve(pages.size());
        // Dates a content check stands in for are not taken.
        for (SitemapPage& page : pages) {
          links.add_page(
              std::move(page.location),
              PageFacts{checks_content ? std::nullopt : parse_w3c_time(page.last_modified),
                        std::nullopt});
        }
        if (contents) contents->hash(links);
        each(links);
      },
      digests);
  if (contents) contents->report(notes);
}

void add_folder(const SiteFolder& folder, const std::string& ignore_content, const Each& each,
                const Notes& notes) {
  LinkList links;
  read_site_folder(folder, ignore_content, links, notes);
  each(links);
}

void add_file(const std::string& file, const Each& each) {
  LinkList links;
  links.add_text(file == kStandardInputName ? read_stream(std::cin, texts::kStandardInput)
                                            : read_file(file));
  each(links);
}

}  // namespace

void gather_links(const SourceSettings& sources, PageValidatorStore* validators, const Each& each,
                  const Notes& notes, SitemapDigests* digests) {
  if (!sources.pending.empty()) add_pending(sources.pending, each);
  if (!sources.sitemaps.empty()) add_sitemaps(sources, validators, each, notes, digests);
  if (!sources.folder.folder.empty())
    add_folder(sources.folder, sources.ignore_content, each, notes);
  std::vector<std::string> files = sources.files;
  if (sources.reads_standard_input()) files.emplace_back(kStandardInputName);
  for (const std::string& file : files)
    add_file(file, each);
}

}  // namespace lc::push
