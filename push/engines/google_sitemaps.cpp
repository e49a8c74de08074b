#include "push/engines/google_sitemaps.h"

#include <nlohmann/json.hpp>

#include "push/engines/client.h"
#include "push/engines/google_token.h"
#include "push/engines/json_fields.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

using Json = nlohmann::json;

class GoogleSitemaps final : public SitemapSubmitter {
 public:
  GoogleSitemaps(const Destination& account, const SitemapSettings& settings)
      : account_(account), endpoint_(settings.endpoint) {}

  SitemapAnswer submit(std::string_view address, std::string_view site_url) override {
    return call(address, site_url, true);
  }

  SitemapAnswer read_back(std::string_view address, std::string_view site_url) override {
    return call(address, site_url, false);
  }

 private:
  SitemapAnswer call(std::string_view address, std::string_view site_url, bool put) {
    const std::string resource =
        endpoint_ + "/sites/" + query_encoded(site_url) + "/sitemaps/" + query_encoded(address);
    const AuthorizedReply answer = authorized_exchange(
        account_, kSitemapsScope, resource,
        {.put = put, .as_program = true, .timeout_seconds = account_.timeout_seconds});
    if (!answer.problem.empty()) return SitemapAnswer::refused(answer.problem, true);
    if (!answer.reply.answered()) return SitemapAnswer::refused(answer.reply.status_text, true);
    SitemapAnswer read =
        read_google_sitemap_answer(answer.reply.status, answer.reply.body, site_url);
    if (put) read.state.reset();  // a submission's answer is empty
    return read;
  }

  Destination account_;
  std::string endpoint_;
};

}  // namespace

SitemapAnswer read_google_sitemap_answer(int status, std::string_view body,
                                         std::string_view property) {
  const Json answer = Json::parse(body, nullptr, false);
  if (status < 200 || status > 299) {
    const std::string named(property);
    const std::string message =
        json_text(answer.is_object() ? answer.value("error", Json()) : Json(), "message");
    switch (status) {
      case 401:
        return SitemapAnswer::refused(std::string(texts::kGoogleUnauthorized), true);
      case 403:
        return SitemapAnswer::refused(
            texts::filled(texts::kSitemapNotPermitted, {{"property", named}}), true);
      case 404:
        return SitemapAnswer::refused(
            texts::filled(texts::kInspectionNoProperty, {{"property", named}}), true);
      case 429:
        return SitemapAnswer::refused(std::string(texts::kSitemapQuota), true);
      default:  // 400: this sitemap's own fault, in the API's words; others the service's
        return SitemapAnswer::refused(message.empty() ? std::to_string(status) : message,
                                      status != 400);
    }
  }
  SitemapAnswer read = SitemapAnswer::ok();
  if (answer.is_object()) {
    SitemapState state;
    state.last_downloaded = parse_w3c_time(json_text(answer, "lastDownloaded"));
    state.pending = json_flag(answer, "isPending");
    state.errors = static_cast<long>(json_int64(answer, "errors").value_or(0));
    state.warnings = static_cast<long>(json_int64(answer, "warnings").value_or(0));
    read.state = state;
  }
  return read;
}

std::unique_ptr<SitemapSubmitter> google_sitemap_submitter(const Destination& account,
                                                           const SitemapSettings& settings) {
  return std::make_unique<GoogleSitemaps>(account, settings);
}

}  // namespace lc::push
