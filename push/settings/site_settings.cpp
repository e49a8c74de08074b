#include "push/settings/site_settings.h"

#include "push/sources/content_hash.h"
#include "push/sources/link_list.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

using Taken = std::optional<std::string>;

Taken flag(const std::string& value, bool& target) {
  if (value != "true" && value != "false") return std::string(texts::kConfigNotBoolean);
  target = value == "true";
  return std::nullopt;
}

Taken whole(const std::string& value, std::size_t most, std::size_t& target) {
  const std::optional<std::size_t> number = whole_number(value, most);
  if (!number) return not_whole_number(most);
  target = *number;
  return std::nullopt;
}

const Setting<SitePlan> kSettings[] = {
    {.key = "files",
     .option = "FILE",
     .form = SettingForm::kPaths,
     .help = "files of links, one a line; - is standard input, which is also read when neither "
             "files nor sitemaps are named",
     .take = [](const std::string& value, SitePlan& site) -> Taken {
       site.sources.files.push_back(value);
       return std::nullopt;
     }},
    {.key = "sitemaps",
     .option = "--sitemap",
     .form = SettingForm::kPaths,
     .help = "the page links of a sitemap or sitemap index, by address or file (.xml or .xml.gz, "
             "at most 50 MB unpacked; an index is followed to its sitemaps); repeatable",
     .take = [](const std::string& value, SitePlan& site) -> Taken {
       site.sources.sitemaps.push_back(value);
       return std::nullopt;
     }},
    {.key = "folder",
     .option = "--folder",
     .form = SettingForm::kPath,
     .help = "the pages of a site's folder (.html and .htm files): each one new or changed since "
             "it was accepted is sent",
     .take = [](const std::string& value, SitePlan& site) -> Taken {
       site.sources.folder.folder = value;
       return std::nullopt;
     }},
    {.key = "base",
     .option = "--base",
     .form = SettingForm::kText,
     .help = "the address the folder is published at",
     .take = [](const std::string& value, SitePlan& site) -> Taken {
       site.sources.folder.base = value;
       if (host_of(value).empty()) return std::string(texts::kBadBase);
       return std::nullopt;
     }},
    {.key = "extensions",
     .option = "--extension",
     .form = SettingForm::kTexts,
     .help = "the endings of the folder's page files (default .html and .htm)",
     .take = [](const std::string& value, SitePlan& site) -> Taken {
       site.sources.folder.extensions.push_back(value);
       return std::nullopt;
     }},
    {.key = "ignore_content",
     .option = "--ignore-content",
     .form = SettingForm::kText,
     .help = "a regular expression: what it matches in a page (a build's time stamp) is not "
             "taken as a change",
     .take = [](const std::string& value, SitePlan& site) -> Taken {
       site.sources.ignore_content = value;
       if (!ContentHasher(value).usable()) return std::string(texts::kBadIgnoreContent);
       return std::nullopt;
     }},
    {.key = "changed_by",
     .option = "--changed-by",
     .form = SettingForm::kText,
     .help = "what tells that a sitemap's page changed: lastmod (its <lastmod>, the default) or "
             "content (the page fetched with a conditional GET and hashed)",
     .take = [](const std::string& value, SitePlan& site) -> Taken {
       if (value != "lastmod" && value != "content") return std::string(texts::kConfigChangedBy);
       site.by_content = value == "content";
       return std::nullopt;
     }},
    {.key = "fetch_concurrency",
     .option = "--fetch-concurrency",
     .form = SettingForm::kWholeNumber,
     .help = "with changed_by content: requests at once (default 4)",
     .take = [](const std::string& value,
                SitePlan& site) { return whole(value, 64, site.fetching.concurrency); }},
    {.key = "fetch_budget",
     .option = "--fetch-budget",
     .form = SettingForm::kWholeNumber,
     .help = "with changed_by content: pages fetched a run at the most (default 10000)",
     .take = [](const std::string& value,
                SitePlan& site) { return whole(value, 10'000'000, site.fetching.budget); }},
    {.key = "",
     .option = "--pending",
     .form = SettingForm::kPath,
     .help = "links not yet accepted are kept here; a later run sends them first",
     .take = [](const std::string& value, SitePlan& site) -> Taken {
       site.sources.pending = value;
       return std::nullopt;
     }},
    {.key = "deletions",
     .option = "--deletions",
     .form = SettingForm::kFlag,
     .help = "announce accepted links that no source holds any more as removed, where the engine "
             "has a way (Google, IndexNow); the record keeps them as removed",
     .take = [](const std::string& value, SitePlan& site) { return flag(value, site.deletions); },
     .beside_config = true},
    {.key = "deletion_limit",
     .option = "--deletion-limit",
     .form = SettingForm::kNumber,
     .help = "the percentage of a site's links a run may find gone (default 20)",
     .take = [](const std::string& value, SitePlan& site) -> Taken {
       const std::optional<double> percent = number_between(value, 0, 100);
       if (!percent) return std::string(texts::kNotPercentage);
       site.deletion_limit = *percent;
       return std::nullopt;
     },
     .beside_config = true},
};

}  // namespace

std::span<const Setting<SitePlan>> site_settings() {
  return kSettings;
}

SitePlan new_site() {
  SitePlan site;
  site.sources.folder.extensions.clear();  // the default stands where none is given
  return site;
}

std::vector<std::string> finish_site(SitePlan& site, const Spelling& spelled) {
  std::vector<std::string> problems;
  SourceSettings& sources = site.sources;
  if (sources.folder.extensions.empty()) sources.folder.extensions = SiteFolder().extensions;
  if (site.by_content) sources.content_check = site.fetching;
  const bool has_folder = !sources.folder.folder.empty();
  if (has_folder != !sources.folder.base.empty()) {
    const std::string folder = spelled("folder", "--folder");
    const std::string base = spelled("base", "--base");
    problems.push_back(texts::about(
        has_folder ? folder : base,
        texts::filled(texts::kNeedsTheOther, {{"other", has_folder ? base : folder}})));
  }
  return problems;
}

}  // namespace lc::push
