#include "push/engines/google.h"

#include <nlohmann/json.hpp>
#include <random>

#include "common/ascii_text.h"
#include "platform/ascii_case.h"
#include "platform/rsa_signature.h"
#include "push/engines/client.h"
#include "push/engines/google_inspection.h"
#include "push/engines/google_sitemaps.h"
#include "push/engines/google_token.h"
#include "push/engines/json_fields.h"
#include "push/texts/failure.h"
#include "push/texts/file_text.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

using Json = nlohmann::json;

constexpr std::string_view kScope = "https://www.googleapis.com/auth/indexing";
constexpr std::string_view kPublishPath = "/v3/urlNotifications:publish";
// The explanation of a refusal, the API's words where it gives them.
std::string explanation(int status, const Json& answer) {
  switch (status) {
    case 401:
      return std::string(texts::kGoogleUnauthorized);
    case 403:
      return std::string(texts::kGoogleNotOwner);
    case 429:
      return std::string(texts::kGoogleQuota);
    default:
      break;
  }
  const Json error = answer.is_object() ? answer.value("error", Json()) : Json();
  const std::string message = json_text(error, "message");
  return message.empty() ? std::string(texts::kBatchRefused) : message;
}

// The status of one part of a multipart answer: "HTTP/1.1 200 OK" within it.
int part_status(std::string_view part) {
  const std::size_t line = part.find("HTTP/1.1 ");
  if (line == std::string_view::npos || line + 12 > part.size()) return 0;
  int status = 0;
  for (std::size_t at = line + 9; at < line + 12; ++at) {
    if (!is_ascii_digit(part[at])) return 0;
    status = status * 10 + (part[at] - '0');
  }
  return status;
}

// The item a part answers, by its Content-ID ("<response-item3>" answers "<item3>"); 0 when it
// names none.
std::size_t part_item(std::string_view part) {
  const std::string_view head = part.substr(0, part.find("\r\n\r\n"));
  for (std::size_t at = head.find(':'); at != std::string_view::npos; at = head.find(':', at + 1)) {
    const std::size_t line = head.rfind('\n', at) + 1;  // npos + 1 is 0
    if (!platform::equals_ignoring_ascii_case(head.substr(line, at - line), "Content-ID")) continue;
    std::string_view value = trimmed_ascii(head.substr(at + 1, head.find('\n', at) - at - 1));
    const std::size_t item = value.find("item");
    if (item == std::string_view::npos) return 0;
    std::size_t number = 0;
    for (const char c : value.substr(item + 4)) {
      if (!is_ascii_digit(c)) break;
      number = number * 10 + static_cast<std::size_t>(c - '0');
    }
    return number;
  }
  return 0;
}

// The parts of a multipart body, each without its delimiter line.
std::vector<std::string_view> parts_of(std::string_view body, std::string_view content_type) {
  std::vector<std::string_view> parts;
  const std::size_t named = content_type.find("boundary=");
  if (named == std::string_view::npos) return parts;
  std::string_view boundary = content_type.substr(named + 9);
  boundary = boundary.substr(0, boundary.find(';'));
  if (boundary.size() > 1 && boundary.front() == '"')
    boundary = boundary.substr(1, boundary.size() - 2);
  const std::string delimiter = "--" + std::string(boundary);
  std::size_t at = body.find(delimiter);
  while (at != std::string_view::npos) {
    const std::size_t start = at + delimiter.size();
    if (body.substr(start, 2) == "--") break;
    const std::size_t next = body.find(delimiter, start);
    parts.push_back(body.substr(start, next == std::string_view::npos ? next : next - start));
    at = next;
  }
  return parts;
}

}  // namespace

std::vector<LinkOutcome> read_batch_answer(std::size_t sent, std::string_view body,
                                           std::string_view content_type) {
  const std::vector<std::string_view> parts = parts_of(body, content_type);
  std::vector<std::optional<std::string_view>> answering(sent);
  for (std::size_t n = 0; n < parts.size(); ++n) {
    const std::size_t item = part_item(parts[n]);
    const std::size_t at = item > 0 ? item - 1 : n;
    if (at < sent && !answering[at]) answering[at] = parts[n];
  }
  std::vector<LinkOutcome> outcomes;
  for (const std::optional<std::string_view>& part : answering) {
    const int status = part ? part_status(*part) : 0;
    if (status == 200) {
      outcomes.push_back(LinkOutcome::accepted());
    } else if (status == 429) {
      outcomes.push_back(LinkOutcome::deferred(std::string(texts::kGoogleQuota), true));
    } else if (!part || status == 0 || status >= 500) {
      const std::string reason =
          part ? texts::filled(texts::kTemporaryFailure, {{"status", std::to_string(status)}})
               : std::string(texts::kNoAnswerPart);
      outcomes.push_back(LinkOutcome::deferred(reason, false));
    } else {
      const std::size_t json = part->find('{');
      outcomes.push_back(LinkOutcome::refused(explanation(
          status,
          Json::parse(json == std::string_view::npos ? "" : part->substr(json), nullptr, false))));
    }
  }
  return outcomes;
}

namespace {

class Google : public Engine {
 public:
  explicit Google(const Destination& destination) : destination_(destination) {}

  // The access token, from a signed assertion of the service account.
  std::optional<BatchOutcome> prepare() override {
    AccessToken token = access_token(destination_, kScope);
    token_ = std::move(token.value);
    return token.problem;
  }

  BatchOutcome send(std::span<const std::string_view> links) override {
    return publish(links, "URL_UPDATED");
  }

  BatchOutcome send_removed(std::span<const std::string_view> links) override {
    return publish(links, "URL_DELETED");
  }

  std::vector<std::string> secrets() const override { return held_access_tokens(); }

 private:
  // One notification of `type` a link, in one batch request. A token the API does not take is
  // had anew once: it may have been revoked before it ran out.
  BatchOutcome publish(std::span<const std::string_view> links, std::string_view type) {
    BatchOutcome outcome = publish_once(links, type);
    if (!unauthorized(outcome)) return outcome;
    forget_access_token(destination_, kScope);
    return publish_once(links, type);
  }

  static bool unauthorized(const BatchOutcome& outcome) {
    return outcome.status_number == 401 ||
           std::any_of(outcome.links.begin(), outcome.links.end(), [](const LinkOutcome& link) {
             return link.reason == texts::kGoogleUnauthorized;
           });
  }

  BatchOutcome publish_once(std::span<const std::string_view> links, std::string_view type) {
    if (const std::optional<BatchOutcome> problem = prepare()) return *problem;
    const std::string boundary = "linkcourier-" + std::to_string(std::random_device{}());
    const std::string content_type = "multipart/mixed; boundary=" + boundary;
    const std::string authorization = "Bearer " + token_;
    const Reply reply = http_exchange(destination_.interface + "/batch",
                                      {.post = true,
                                       .as_program = true,
                                       .body = batch_body(links, type, boundary),
                                       .content_type = content_type,
                                       .authorization = authorization,
                                       .timeout_seconds = destination_.timeout_seconds});
    BatchOutcome outcome;
    take_status(reply, outcome);
    if (!reply.answered()) return outcome;
    if (!reply.answered_2xx()) {
      outcome.kind = BatchOutcome::Kind::kRefused;
      outcome.explanation = explanation(reply.status, Json::parse(reply.body, nullptr, false));
      return outcome;
    }
    outcome.kind = BatchOutcome::Kind::kAnswered;
    outcome.links = read_batch_answer(links.size(), reply.body, reply.content_type);
    if (std::any_of(outcome.links.begin(), outcome.links.end(),
                    [](const LinkOutcome& link) { return link.for_quota; }))
      outcome.remaining = 0;
    return outcome;
  }

  static std::string batch_body(std::span<const std::string_view> links, std::string_view type,
                                const std::string& boundary) {
    std::string body;
    std::size_t item = 0;
    for (const std::string_view link : links) {
      body += "--" + boundary +
              "\r\nContent-Type: application/http\r\nContent-Transfer-Encoding: binary\r\n"
              "Content-ID: <item" +
              std::to_string(++item) + ">\r\n\r\nPOST " + std::string(kPublishPath) +
              " HTTP/1.1\r\nContent-Type: application/json\r\n\r\n" +
              Json{{"url", link}, {"type", type}}.dump() + "\r\n";
    }
    return body + "--" + boundary + "--\r\n";
  }

  Destination destination_;
  std::string token_;
};

}  // namespace

namespace {

struct ServiceAccount {
  std::string client_email;
  std::string private_key;  // PEM
  std::string token_uri;
  std::string private_key_id;  // where the key file gives it
};

// The service account of a key file as the console gives it. Throws a Failure naming the file
// when it is no such key or its private key cannot be read.
ServiceAccount read_service_account(const std::string& path) {
  const Json json = Json::parse(read_file(path), nullptr, false);
  ServiceAccount account{json_text(json, "client_email"), json_text(json, "private_key"),
                         json_text(json, "token_uri"), json_text(json, "private_key_id")};
  if (account.client_email.empty() || account.private_key.empty() || account.token_uri.empty())
    throw Failure(kUsageOrInput, texts::about(path, texts::kGoogleNotAccount));
  if (!platform::sign_rs256(account.private_key, ""))
    throw Failure(kUsageOrInput, texts::about(path, texts::kGoogleBadKey));
  return account;
}

// The service account's key file fills in its address, its key and where its tokens are had.
std::optional<std::string> take_service_account(const std::string& path, EngineSettings& settings) {
  try {
    const ServiceAccount account = read_service_account(path);
    Destination& destination = settings.destination;
    destination.key = account.private_key;
    destination.account = account.client_email;
    destination.token_uri = account.token_uri;
    destination.key_id = account.private_key_id;
    return std::nullopt;
  } catch (const Failure& failure) {
    return failure.what();
  }
}

const Setting<EngineSettings> kSettings[] = {
    {.key = "service_account",
     .option = "--service-account",
     .form = SettingForm::kSecretFile,
     .help = "the service account's JSON key file",
     .take = take_service_account,
     .required = true},
    {.key = "daily_quota",
     .option = "--daily-quota",
     .form = SettingForm::kWholeNumber,
     .help = "the publish calls a day the project is granted (default 200)",
     .take = [](const std::string& value, EngineSettings& settings) -> std::optional<std::string> {
       const std::optional<std::size_t> quota = whole_number(value, kMostDailyQuota);
       if (!quota) return not_whole_number(kMostDailyQuota);
       settings.destination.daily_quota = static_cast<long>(*quota);
       return std::nullopt;
     }},
    {.key = "property",
     .option = "--property",
     .form = SettingForm::kText,
     .help = "the inspected site's property: its URL prefix, or sc-domain: and its domain "
             "(default: the scheme and host of each link, with /)",
     .take = [](const std::string& value, EngineSettings& settings) -> std::optional<std::string> {
       settings.inspection.property = value;
       if (value.starts_with("sc-domain:")) return std::nullopt;
       return address_problem(value);
     }},
};

}  // namespace

const EngineDescription& google_engine() {
  static const EngineDescription description{
      .name = "google",
      .default_endpoint = "https://indexing.googleapis.com",
      .largest_batch = 100,
      .usual_batch = 100,
      // Publish calls a day, unless the project was granted more.
      .daily_quota = 200,
      .days = QuotaDays::kPacificTime,
      .takes_one_host = false,
      .hears_of_removals = true,  // URL_DELETED
      // An account's quota serves every site it owns.
      .destination_name =
          [](const Destination& destination, const Secrets& secrets) {
            return named_destination("google", destination.account,
                                     secrets.hidden(destination.interface));
          },
      .make = made<Google>,
      .settings = kSettings,
      .make_inspector = google_inspector,
      .default_inspection_endpoint = "https://searchconsole.googleapis.com",
      // URL Inspection's limits, per property.
      .daily_inspections = 2000,
      .inspections_a_minute = 600,
      .make_sitemap_submitter = google_sitemap_submitter,
      .default_sitemaps_endpoint = "https://www.googleapis.com/webmasters/v3"};
  return description;
}

}  // namespace lc::push
