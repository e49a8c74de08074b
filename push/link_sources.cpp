#include "push/link_sources.h"

#include <iostream>

#include "push/exit_codes.h"
#include "push/file_text.h"
#include "push/pending_file.h"
#include "push/push_texts.h"
#include "push/site_folder.h"
#include "push/sitemap_source.h"
#include "push/w3c_time.h"

namespace lc::push {
namespace {

constexpr std::string_view kStandardInputName = "-";

using Each = std::function<void(LinkList&)>;

std::optional<SourceFailure> add_pending(const std::string& pending, const Each& each) {
  std::string error;
  std::optional<std::string> text = read_pending(pending, error);
  if (!text) return SourceFailure{kUsageOrInput, std::string(texts::kPendingUnusable) + error};
  // Nothing goes out that could not be kept.
  if (!can_write_beside(pending, error))
    return SourceFailure{kPendingUnwritable, std::string(texts::kPendingUnusable) + error};
  LinkList links;
  links.add_text(std::move(*text));
  each(links);
  return std::nullopt;
}

std::optional<SourceFailure> add_sitemaps(const std::vector<std::string>& sitemaps,
                                          const Each& each) {
  std::string error;
  const bool read = read_sitemaps(
      sitemaps,
      [&](std::vector<SitemapPage>& pages) {
        LinkList links;
        links.reserve(pages.size());
        for (SitemapPage& page : pages)
          links.add_page(std::move(page.location),
                         PageFacts{parse_w3c_time(page.last_modified), std::nullopt});
        each(links);
      },
      error);
  if (!read) return SourceFailure{kUsageOrInput, error};
  return std::nullopt;
}

std::optional<SourceFailure> add_folder(const SiteFolder& folder, const Each& each) {
  LinkList links;
  if (std::optional<std::string> failure = read_site_folder(folder, links))
    return SourceFailure{kUsageOrInput, std::move(*failure)};
  each(links);
  return std::nullopt;
}

std::optional<SourceFailure> add_file(const std::string& file, const Each& each) {
  std::string reason;
  std::optional<std::string> text;
  if (file == kStandardInputName) {
    text = read_stream(std::cin);
    if (!text) reason = texts::kUnreadable;
  } else {
    text = read_file(file, reason);
  }
  if (!text) {
    const std::string_view name = file == kStandardInputName ? texts::kStandardInput : file;
    return SourceFailure{kUsageOrInput, texts::about(name, reason)};
  }
  LinkList links;
  links.add_text(std::move(*text));
  each(links);
  return std::nullopt;
}

}  // namespace

std::optional<SourceFailure> gather_links(const Options& options, const Each& each) {
  if (!options.pending.empty()) {
    if (auto failure = add_pending(options.pending, each)) return failure;
  }
  if (!options.sitemaps.empty()) {
    if (auto failure = add_sitemaps(options.sitemaps, each)) return failure;
  }
  if (!options.folder.folder.empty()) {
    if (auto failure = add_folder(options.folder, each)) return failure;
  }
  std::vector<std::string> files = options.files;
  if (files.empty() && options.sitemaps.empty() && options.folder.folder.empty())
    files.emplace_back(kStandardInputName);
  for (const std::string& file : files) {
    if (auto failure = add_file(file, each)) return failure;
  }
  return std::nullopt;
}

}  // namespace lc::push
