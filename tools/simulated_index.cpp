#include "tools/simulated_index.h"

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

Json google_error(int code, const std::string& status, const std::string& message) {
  return Json{{"error", {{"code", code}, {"message", message}, {"status", status}}}};
}

// The Pacific day of `now`, as the day's first second (UTC-8, as the quota's day counts).
std::time_t pacific_day(std::time_t now) {
  const std::time_t shifted = now - 8 * 3600;
  return shifted - shifted % 86400;
}

std::string bing_date(std::time_t seconds) {
  return "/Date(" + std::to_string(static_cast<long long>(seconds) * 1000) + ")/";
}

// What the API writes for a date it does not have: .NET's DateTime.MinValue.
constexpr std::string_view kNoDate = "/Date(-62135596800000)/";

std::string rfc3339(std::time_t seconds) {
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

void SimulatedIndex::accepted(std::string_view url) {
  if (!kept()) return;
  std::lock_guard lock(mutex_);
  if (accepted_at_.find(url) == accepted_at_.end())
    accepted_at_.emplace(std::string(url), std::time(nullptr));
}

void SimulatedIndex::removed(std::string_view url) {
  if (!kept()) return;
  std::lock_guard lock(mutex_);
  if (script_.stays_indexed.empty() || url.find(script_.stays_indexed) == std::string_view::npos) {
    if (const auto found = accepted_at_.find(url); found != accepted_at_.end())
      accepted_at_.erase(found);
  }
}

bool SimulatedIndex::indexed(const std::string& url, std::time_t now) const {
  const auto found = accepted_at_.find(url);
  if (found == accepted_at_.end()) return false;
  if (!script_.never_indexed.empty() && url.find(script_.never_indexed) != std::string::npos)
    return false;
  return static_cast<double>(now - found->second) >= script_.index_after_hours * 3600;
}

bool SimulatedIndex::within_limits(const std::string& property, std::time_t now) {
  long& today = inspected_by_day_[{property, pacific_day(now)}];
  if (today >= script_.daily_inspections) return false;
  auto& recent = recent_[property];
  const auto moment = std::chrono::steady_clock::now();
  while (!recent.empty() && moment - recent.front() >= std::chrono::minutes(1))
    recent.pop_front();
  if (recent.size() >= static_cast<std::size_t>(script_.inspections_a_minute)) return false;
  recent.push_back(moment);
  ++today;
  return true;
}

SimulatedAnswer SimulatedIndex::inspect(const std::string& body,
                                        const std::vector<std::string>& sites) {
  const Json request = Json::parse(body, nullptr, false);
  const std::string url = request.is_object() ? request.value("inspectionUrl", "") : "";
  const std::string property = request.is_object() ? request.value("siteUrl", "") : "";
  const std::string_view host = host_of(url);
  const bool domain = property == "sc-domain:" + std::string(host);
  const bool prefix = !property.empty() && property.back() == '/' && url.starts_with(property) &&
                      host_of(property) == host;
  const bool served = std::find(sites.begin(), sites.end(), host) != sites.end();
  if (script_.refusal == 403 || !served) {
    return {403, google_error(403, "PERMISSION_DENIED",
                              "You do not own this site, or the inspected URL is not part of "
                              "this property.")
                     .dump()};
  }
  if (script_.refusal == 404) {
    return {404, google_error(404, "NOT_FOUND", "Requested entity was not found.").dump()};
  }
  if (!domain && !prefix) {
    return {400, google_error(400, "INVALID_ARGUMENT", "URL not in property.").dump()};
  }
  std::lock_guard lock(mutex_);
  const std::time_t now = std::time(nullptr);
  if (script_.refusal == 429 || !within_limits(property, now)) {
    return {429, google_error(429, "RESOURCE_EXHAUSTED",
                              "Quota exceeded for quota metric 'Inspection requests'.")
                     .dump()};
  }
  if (script_.refusal == 1) return {200, Json{{"inspectionResult", Json::object()}}.dump()};
  const auto found = accepted_at_.find(url);
  Json index;
  if (indexed(url, now)) {
    index = {{"verdict", "PASS"},
             {"coverageState", "Submitted and indexed"},
             {"robotsTxtState", "ALLOWED"},
             {"indexingState", "INDEXING_ALLOWED"},
             {"lastCrawlTime", rfc3339(found->second + 3600)},
             {"pageFetchState", "SUCCESSFUL"},
             {"googleCanonical", url}};
  } else if (found != accepted_at_.end()) {
    index = {{"verdict", "NEUTRAL"},
             {"coverageState", "Crawled - currently not indexed"},
             {"robotsTxtState", "ALLOWED"},
             {"indexingState", "INDEXING_ALLOWED"},
             {"pageFetchState", "SUCCESSFUL"}};
  } else {
    index = {{"verdict", "NEUTRAL"}, {"coverageState", "URL is unknown to Google"}};
  }
  return {200, Json{{"inspectionResult",
                     {{"inspectionResultLink", "https://search.google.com/search-console/inspect"},
                      {"indexStatusResult", index}}}}
                   .dump()};
}

SimulatedAnswer SimulatedIndex::url_info(const std::string& url) {
  std::lock_guard lock(mutex_);
  const std::time_t now = std::time(nullptr);
  const auto found = accepted_at_.find(url);
  const bool crawled = indexed(url, now);
  return {
      200,
      Json{{"d",
            {{"__type", "UrlInfo:#Microsoft.Bing.Webmaster.Api"},
             {"AnchorCount", 0},
             {"DiscoveryDate",
              found == accepted_at_.end() ? std::string(kNoDate) : bing_date(found->second)},
             {"DocumentSize", crawled ? 5120 : 0},
             {"HttpStatus", crawled ? 200 : 0},
             {"IsPage", true},
             {"LastCrawledDate", crawled ? bing_date(found->second + 3600) : std::string(kNoDate)},
             {"TotalChildUrlCount", 0},
             {"Url", url}}}}
          .dump()};
}

SimulatedAnswer SimulatedIndex::submit_sitemap(const std::string& site, const std::string& feed,
                                               bool google) {
  if (google && script_.refusal == 403) {
    return {403, google_error(403, "PERMISSION_DENIED",
                              "User does not have sufficient permission for site.")
                     .dump()};
  }
  if (google && script_.refusal == 429) {
    return {429, google_error(429, "RESOURCE_EXHAUSTED", "Quota exceeded.").dump()};
  }
  std::lock_guard lock(mutex_);
  sitemaps_[{site, feed}] = std::time(nullptr);
  return google ? SimulatedAnswer{204, ""} : SimulatedAnswer{200, R"({"d":null})"};
}

SimulatedAnswer SimulatedIndex::google_sitemap(const std::string& site, const std::string& feed) {
  std::lock_guard lock(mutex_);
  const auto found = sitemaps_.find({site, feed});
  if (found == sitemaps_.end())
    return {404, google_error(404, "NOT_FOUND", "Sitemap not found.").dump()};
  const std::string when = rfc3339(found->second);
  return {200, Json{{"path", feed},
                    {"lastSubmitted", when},
                    {"isPending", false},
                    {"isSitemapsIndex", false},
                    {"type", "sitemap"},
                    {"lastDownloaded", when},
                    {"warnings", "0"},
                    {"errors", "0"}}
                   .dump()};
}

SimulatedAnswer SimulatedIndex::bing_feeds(const std::string& site) {
  std::lock_guard lock(mutex_);
  Json feeds = Json::array();
  for (const auto& [key, when] : sitemaps_) {
    if (key.first != site) continue;
    feeds.push_back({{"__type", "Feed:#Microsoft.Bing.Webmaster.Api"},
                     {"Compressed", false},
                     {"FileSize", 0},
                     {"LastCrawled", bing_date(when)},
                     {"Status", "Success"},
                     {"Submitted", bing_date(when)},
                     {"Type", "Sitemap"},
                     {"Url", key.second},
                     {"UrlCount", 0}});
  }
  return {200, Json{{"d", feeds}}.dump()};
}
