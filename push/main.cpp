// linkcourier-push: pushes the links of files, standard input, sitemaps and a pending file to a
// link-push interface, in batches within its quota, keeping what was not accepted for the next
// run.
#include <iostream>

#include "platform/standard_streams.h"
#include "platform/utf8_files.h"
#include "push/exit_codes.h"
#include "push/link_sources.h"
#include "push/options.h"
#include "push/push_run.h"
#include "push/push_texts.h"
#include "push/state_file.h"

namespace {

using namespace lc::push;

void list_left_out(const std::string& site, const LinkList& links) {
  for (const std::string_view link : links.invalid())
    std::cerr << texts::kInvalidLink << link << "\n";
  const std::string other_site = texts::filled(texts::kOtherSite, {{"site", site}});
  for (const std::string_view link : links.other_site())
    std::cerr << other_site << link << "\n";
}

// Leaves out what the state file holds, unless a sitemap says the page changed since; false
// when the file cannot be used.
bool skip_pushed(const Options& options, StateFile& state, LinkList& links, RunOptions& run) {
  if (options.state.empty()) return true;
  std::string error;
  if (!state.open(options.state, error)) {
    std::cerr << texts::kStateUnusable << error << "\n";
    return false;
  }
  run.state = &state;
  if (options.again) return true;
  run.already_pushed = links.remove_if([&](std::string_view link) {
    const std::optional<std::time_t> accepted = state.accepted_at(link);
    const std::optional<std::time_t> modified = links.modified_at(link);
    return accepted && !(modified && *modified > *accepted);
  });
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  lc::platform::prepare_standard_streams();
  const ParsedOptions parsed = parse_options(lc::platform::utf8_arguments(argc, argv));
  if (!parsed.options) return parsed.exit_code;
  const Options& options = *parsed.options;

  LinkList links;
  if (const std::optional<SourceFailure> failure = gather_links(options, links)) {
    std::cerr << failure->message << "\n";
    return failure->exit_code;
  }
  const std::string site = site_of_run(options, links.links());
  if (!site.empty()) links.keep_site(site);
  list_left_out(site, links);
  if (links.links().empty()) {
    std::cerr << texts::kNothingToPush << "\n";
    return kUsageOrInput;
  }
  RunOptions run_options;
  run_options.destination = options.destination;
  run_options.destination.host = site;
  run_options.batch = options.batch;
  run_options.dry_run = options.dry_run;
  if (!options.pending.empty()) run_options.pending = options.pending;
  run_options.secrets.add_address(options.destination.interface);
  run_options.secrets.add(options.destination.key);
  StateFile state;
  if (!skip_pushed(options, state, links, run_options)) return kUsageOrInput;

  std::ostream silent(nullptr);
  const std::unique_ptr<RunReport> report =
      options.json ? json_report(std::cout, std::cerr)
                   : text_report(options.quiet ? silent : std::cout, std::cerr,
                                 options.shows_progress(links.links().size()));
  return run(run_options, links.links(), *report);
}
