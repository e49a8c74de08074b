// linkcourier-push: pushes the links of files, standard input and a pending file to a link-push
// interface, in batches within its quota, keeping what was not accepted for the next run.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "platform/standard_streams.h"
#include "push/file_text.h"
#include "push/link_list.h"
#include "push/pending_file.h"
#include "push/push_run.h"
#include "push/sitemap_source.h"
#include "push/state_file.h"

namespace {

using namespace lc::push;

void list_links(std::ostream& err, const std::string& heading,
                const std::vector<std::string_view>& links) {
  for (const std::string_view link : links)
    err << heading << link << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  lc::platform::prepare_standard_streams();
  RunOptions options;
  std::vector<std::string> files;
  std::vector<std::string> sitemaps;
  std::string site;
  std::string pending;
  std::string state_path;
  bool again = false;
  bool quiet = false;
  bool json = false;
  std::string protocol = "push";

  CLI::App cli{
      "Pushes page links to a search engine's link-push interface, in batches within "
      "its quota; links not yet accepted are kept for the next run.\n"
      "Exit codes: 0 every link accepted, 1 some left pending, 2 usage or input error "
      "(nothing sent), 3 the interface could not be reached."};
  // The same options on both systems: a file named /like/this is a file on Windows too.
  cli.allow_windows_style_options(false);
  cli.add_option("FILE", files,
                 "files of links, one a line (standard input when neither files nor sitemaps)");
  cli.add_option("--sitemap", sitemaps,
                 "the page links of a sitemap or sitemap index, by address or file (.xml or "
                 ".xml.gz; an index is followed to its sitemaps); repeatable");
  cli.add_option("-i,--interface", options.destination.interface, "the push interface's address")
      ->envname("LINKCOURIER_INTERFACE");
  cli.add_option("--batch", options.batch, "links in one request at the most")
      ->capture_default_str()
      ->check(CLI::Range(std::size_t{1}, std::size_t{1'000'000}));
  cli.add_option("--pending", pending,
                 "links not yet accepted are kept here; a later run sends them first");
  cli.add_option("--state", state_path,
                 "links already accepted, with when; a later run skips them unless their "
                 "sitemap <lastmod> is later");
  cli.add_flag("--again", again, "send links even when the state file has them");
  cli.add_option("--site", site, "send only links of this host; the others are listed");
  cli.add_option("--protocol", protocol,
                 "push: the window's request and answer; indexnow: POST application/json "
                 "{host, key, keyLocation, urlList}")
      ->capture_default_str()
      ->check(CLI::IsMember({"push", "indexnow"}));
  cli.add_option("--key", options.destination.key, "the IndexNow key");
  cli.add_option("--key-location", options.destination.key_location,
                 "where the IndexNow key file stands, when not at the site's root");
  cli.add_option("--timeout", options.destination.timeout_seconds,
                 "seconds a request may stay silent")
      ->check(CLI::Range(1, 3600));
  cli.add_flag("--dry-run", options.dry_run, "read, clean and batch the links; send nothing");
  cli.add_flag("--json", json,
               "one JSON object per request on standard output, then one for the run");
  cli.add_flag("-q,--quiet", quiet, "no report of each request");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = cli.exit(error);
    return code == 0 ? 0 : kUsageOrInput;
  }
  options.destination.indexnow = protocol == "indexnow";
  if (options.destination.indexnow) {
    if (!is_indexnow_key(options.destination.key)) {
      std::cerr << "IndexNow 密钥应为 8 到 128 个字母、数字或 '-'：请用 --key 给出\n";
      return kUsageOrInput;
    }
    // IndexNow's own cap, unless a smaller batch is asked for.
    options.batch = cli.count("--batch") == 0 ? kIndexNowLargestBatch
                                              : std::min(options.batch, kIndexNowLargestBatch);
  }
  if (options.destination.interface.empty() && !options.dry_run) {
    std::cerr << "没有链接推送接口地址：请用 --interface 或 LINKCOURIER_INTERFACE 给出\n";
    return kUsageOrInput;
  }

  LinkList links;
  std::string error;
  if (!pending.empty()) {
    std::optional<std::string> text = read_pending(pending, error);
    if (!text || !can_write_beside(pending, error)) {
      std::cerr << "待推送文件不可用 " << error << "\n";
      return kUsageOrInput;
    }
    options.pending = pending;
    links.add_text(std::move(*text));
  }
  if (!sitemaps.empty()) {
    std::vector<SitemapPage> pages;
    if (!read_sitemaps(sitemaps, pages, error)) {
      std::cerr << "无法读取站点地图 " << error << "\n";
      return kUsageOrInput;
    }
    for (SitemapPage& page : pages)
      links.add_page(std::move(page.location), parse_w3c_time(page.last_modified));
  }
  if (files.empty() && sitemaps.empty()) {
    std::optional<std::string> text = read_stream(std::cin);
    if (!text) {
      std::cerr << "无法读取标准输入\n";
      return kUsageOrInput;
    }
    links.add_text(std::move(*text));
  }
  for (const std::string& file : files) {
    std::optional<std::string> text = read_file(file, error);
    if (!text) {
      std::cerr << "无法读取文件 " << error << "\n";
      return kUsageOrInput;
    }
    links.add_text(std::move(*text));
  }
  // IndexNow takes the links of one host a request: the named site, or the first link's.
  if (site.empty() && options.destination.indexnow && !links.links().empty()) {
    site = std::string(host_of(links.links().front()));
  }
  if (!site.empty()) links.keep_site(site);
  options.destination.host = site;

  list_links(std::cerr, "无效链接，已跳过：", links.invalid());
  list_links(std::cerr, "不属于 " + site + " 的链接，已跳过：", links.other_site());
  if (links.links().empty()) {
    std::cerr << "没有可推送的链接\n";
    return kUsageOrInput;
  }
  StateFile state;
  if (!state_path.empty()) {
    if (!state.open(state_path, error)) {
      std::cerr << "状态文件不可用 " << error << "\n";
      return kUsageOrInput;
    }
    options.state = &state;
    if (!again) {
      options.already_pushed = links.remove_if([&](std::string_view link) {
        const std::optional<std::time_t> accepted = state.accepted_at(link);
        const std::optional<std::time_t> modified = links.modified_at(link);
        return accepted && !(modified && *modified > *accepted);
      });
    }
  }
  std::ostream silent(nullptr);
  // The progress bar only where someone watches: a terminal, for more than one request.
  const bool watched =
      !quiet && lc::platform::is_terminal(stderr) && links.links().size() > options.batch;
  const std::unique_ptr<RunReport> report =
      json ? json_report(std::cout)
           : text_report(quiet ? silent : std::cout, watched ? &std::cerr : nullptr);
  return run(options, links.links(), *report, std::cerr);
}
