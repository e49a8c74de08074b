#include "push/engines/bing_feeds.h"

#include <nlohmann/json.hpp>

#include "push/engines/bing.h"
#include "push/engines/bing_url_info.h"
#include "push/engines/client.h"
#include "push/engines/json_fields.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

using Json = nlohmann::json;

// A refusal in the API's words; the key, the site and the throttle hold for every sitemap.
SitemapAnswer refusal(const Json& answer) {
  const std::optional<long long> code = json_number(answer, "ErrorCode");
  const bool stops = code == 3 || code == 4 || code == 5 || code == 13 || code == 14;
  return SitemapAnswer::refused(bing_explanation(answer.is_object() ? answer : Json::object()),
                                stops);
}

class BingFeeds final : public SitemapSubmitter {
 public:
  BingFeeds(const Destination& destination, const SitemapSettings& settings)
      : destination_(destination),
        endpoint_(settings.endpoint.empty() ? destination.interface : settings.endpoint) {}

  SitemapAnswer submit(std::string_view address, std::string_view site_url) override {
    const std::string body = Json{{"siteUrl", site_url}, {"feedUrl", address}}.dump();
    const Reply reply =
        http_exchange(endpoint_ + "/SubmitFeed?apikey=" + query_encoded(destination_.key),
                      {.post = true,
                       .as_program = true,
                       .body = body,
                       .content_type = "application/json; charset=utf-8",
                       .timeout_seconds = destination_.timeout_seconds});
    if (!reply.answered()) return SitemapAnswer::refused(reply.status_text, true);
    if (!reply.answered_2xx()) return refusal(Json::parse(reply.body, nullptr, false));
    return SitemapAnswer::ok();
  }

  SitemapAnswer read_back(std::string_view address, std::string_view site_url) override {
    const Reply reply =
        http_exchange(endpoint_ + "/GetFeeds?siteUrl=" + query_encoded(site_url) +
                          "&apikey=" + query_encoded(destination_.key),
                      {.as_program = true, .timeout_seconds = destination_.timeout_seconds});
    if (!reply.answered()) return SitemapAnswer::refused(reply.status_text, true);
    return read_bing_feeds(reply.status, reply.body, address);
  }

 private:
  Destination destination_;
  std::string endpoint_;
};

}  // namespace

SitemapAnswer read_bing_feeds(int status, std::string_view body, std::string_view address) {
  const Json answer = Json::parse(body, nullptr, false);
  const Json feeds = answer.is_object() ? answer.value("d", Json()) : Json();
  if (status < 200 || status > 299 || !feeds.is_array()) return refusal(answer);
  for (const Json& feed : feeds) {
    if (json_text(feed, "Url") != address) continue;
    SitemapState state;
    state.status = json_text(feed, "Status");
    state.last_downloaded = parse_bing_date(json_text(feed, "LastCrawled"));
    state.pending = !state.last_downloaded || state.status == "Pending";
    // Bing counts no errors; a status other than these is one.
    if (!state.status.empty() && state.status != "Success" && state.status != "Pending")
      state.errors = 1;
    return SitemapAnswer::ok(state);
  }
  // Not among the site's sitemaps (yet): nothing told.
  return SitemapAnswer::ok();
}

std::unique_ptr<SitemapSubmitter> bing_feed_submitter(const Destination& destination,
                                                      const SitemapSettings& settings) {
  return std::make_unique<BingFeeds>(destination, settings);
}

}  // namespace lc::push
