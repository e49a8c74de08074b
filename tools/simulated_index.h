#pragma once
// The simulator's index: which of the links its engines accepted are indexed, as a script says
// (after how many hours, never for some), told through Google's URL Inspection and Bing's
// GetUrlInfo, within the inspection limits of a day and of a minute, or refused as asked; and the
// sitemaps handed to it, read at once.

#include <chrono>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// The host of an http or https link; empty when the line is no such link.
inline std::string_view host_of(std::string_view link) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (!link.starts_with(scheme)) continue;
    const std::string_view rest = link.substr(scheme.size());
    return rest.substr(0, rest.find_first_of("/:?#"));
  }
  return {};
}

struct IndexScript {
  double index_after_hours = -1;  // below 0: no index kept, inspections not answered
  std::string never_indexed;      // links holding this stay out of the index
  std::string stays_indexed;      // links holding this stay in it when announced as removed
  long daily_inspections = 2000;  // per property and Pacific day
  long inspections_a_minute = 600;
  int refusal = 0;  // every inspection answered so: 403, 404, 429; or 1, no index status
};

struct SimulatedAnswer {
  int status = 200;
  std::string body;
};

class SimulatedIndex {
 public:
  explicit SimulatedIndex(IndexScript script) : script_(std::move(script)) {}

  bool kept() const { return script_.index_after_hours >= 0; }

  // A push took `url`: the index's clock for it starts now, the first time.
  void accepted(std::string_view url);
  // A removal of `url` was announced: it leaves the index, unless the script keeps it.
  void removed(std::string_view url);

  // URL Inspection's answer to `body` ({inspectionUrl, siteUrl}), for the sites served.
  SimulatedAnswer inspect(const std::string& body, const std::vector<std::string>& sites);
  // GetUrlInfo's answer for `url`.
  SimulatedAnswer url_info(const std::string& url);

  // A sitemap at `feed` handed over for the site at `site`: Google's (an empty 204) or Bing's
  // answer, or the refusal the script asks for.
  SimulatedAnswer submit_sitemap(const std::string& site, const std::string& feed, bool google);
  // What Google's Sitemaps API tells of one (404 where it was never handed over).
  SimulatedAnswer google_sitemap(const std::string& site, const std::string& feed);
  // Bing's GetFeeds: every sitemap of the site.
  SimulatedAnswer bing_feeds(const std::string& site);

 private:
  bool indexed(const std::string& url, std::time_t now) const;
  // Counts an inspection of `property`; false where a limit is spent.
  bool within_limits(const std::string& property, std::time_t now);

  IndexScript script_;
  std::mutex mutex_;
  std::map<std::string, std::time_t, std::less<>> accepted_at_;  // while not removed
  std::map<std::pair<std::string, std::time_t>, long> inspected_by_day_;
  std::map<std::string, std::deque<std::chrono::steady_clock::time_point>> recent_;
  std::map<std::pair<std::string, std::string>, std::time_t> sitemaps_;  // by site and address
};
