#include "push/link_sources.h"

#include <iostream>

#include "push/exit_codes.h"
#include "push/file_text.h"
#include "push/pending_file.h"
#include "push/push_texts.h"
#include "push/sitemap_source.h"
#include "push/state_file.h"

namespace lc::push {
namespace {

constexpr std::string_view kStandardInputName = "-";

std::optional<SourceFailure> add_pending(const std::string& pending, LinkList& links) {
  std::string error;
  std::optional<std::string> text = read_pending(pending, error);
  if (!text) return SourceFailure{kUsageOrInput, std::string(texts::kPendingUnusable) + error};
  // Nothing goes out that could not be kept.
  if (!can_write_beside(pending, error))
    return SourceFailure{kPendingUnwritable, std::string(texts::kPendingUnusable) + error};
  links.add_text(std::move(*text));
  return std::nullopt;
}

std::optional<SourceFailure> add_sitemaps(const std::vector<std::string>& sitemaps,
                                          LinkList& links) {
  std::vector<SitemapPage> pages;
  std::string error;
  if (!read_sitemaps(sitemaps, pages, error)) return SourceFailure{kUsageOrInput, error};
  for (SitemapPage& page : pages)
    links.add_page(std::move(page.location), parse_w3c_time(page.last_modified));
  return std::nullopt;
}

std::optional<SourceFailure> add_file(const std::string& file, LinkList& links) {
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
  links.add_text(std::move(*text));
  return std::nullopt;
}

}  // namespace

std::optional<SourceFailure> gather_links(const Options& options, LinkList& links) {
  if (!options.pending.empty()) {
    if (auto failure = add_pending(options.pending, links)) return failure;
  }
  if (!options.sitemaps.empty()) {
    if (auto failure = add_sitemaps(options.sitemaps, links)) return failure;
  }
  std::vector<std::string> files = options.files;
  if (files.empty() && options.sitemaps.empty()) files.emplace_back(kStandardInputName);
  for (const std::string& file : files) {
    if (auto failure = add_file(file, links)) return failure;
  }
  return std::nullopt;
}

}  // namespace lc::push
