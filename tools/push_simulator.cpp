// A local stand-in for a search engine's link-push interface, for trying the tool and for its
// end-to-end tests. It answers POST /urls?site=SITE&token=TOKEN whose body lists links, one a
// line, as such interfaces do: the count of links it accepted, the quota left for the token
// (falling with every accepted link, across calls), and the links it refused, in two lists.
// It listens on 127.0.0.1 and prints the address to paste into the tool; `--help` lists the
// options.
#include <httplib.h>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/ascii_text.h"
#include "tools/simulated_index.h"

namespace {

using Json = nlohmann::ordered_json;

struct Settings {
  int port = 8899;
  std::vector<std::string> sites = {"www.example.com"};
  std::string token = "demo-token";
  long quota = 5000;
  long max_links = 0;  // per call; 0: no limit
  int delay_ms = 0;
  bool remain_first = false;
  std::string record_dir;
  std::string protocol = "push";
  int throttle_every = 0;  // every Nth push is answered throttle_status with Retry-After
  int throttle_status = 429;
  int retry_after = 1;  // seconds
  bool retry_after_date = false;
  int fail_first = 0;      // the first N pushes are answered 500
  std::string google_key;  // a public key (PEM): the Indexing API's endpoints check tokens with it
  IndexScript index;
};

// IndexNow takes at most this many URLs in one call, Bing's SubmitUrlbatch this many.
constexpr std::size_t kIndexNowLargestCall = 10'000;
constexpr std::size_t kBingLargestCall = 500;

// Real interfaces take bodies of many thousands of links.
constexpr std::size_t kLargestBody = 64u << 20;

// The links of one body, sorted as the interface sorts them.
struct Sorted {
  long valid = 0;
  std::vector<std::string_view> accepted;
  Json not_valid = Json::array();
  Json not_same_site = Json::array();
};

Sorted sort_links(const std::string& body, const std::string& site) {
  Sorted sorted;
  lc::for_each_lf_line(body, [&](std::string_view line) {
    const std::string_view link = lc::trimmed_ascii(line, " \t\r");
    if (link.empty()) return;
    const std::string_view host = host_of(link);
    if (host.empty()) {
      sorted.not_valid.push_back(link);
    } else if (host != site) {
      sorted.not_same_site.push_back(link);
    } else {
      ++sorted.valid;
      sorted.accepted.push_back(link);
    }
  });
  return sorted;
}

Json error(int code, const std::string& message) {
  return Json{{"error", code}, {"message", message}};
}

bool serves(const Settings& settings, const std::string& site) {
  return std::find(settings.sites.begin(), settings.sites.end(), site) != settings.sites.end();
}

enum Engine { kPush, kIndexNow, kBing, kGoogle, kEngines };

// What the calls share: each engine's quota left and the count of requests recorded.
struct Interface {
  Settings settings;
  std::mutex mutex;
  long remain[kEngines] = {};
  int requests = 0;
  int pushes = 0;
  int tokens = 0;  // access tokens given
  std::map<std::string, std::string> token_scopes;
  std::unique_ptr<SimulatedIndex> index;
};

// Keeps the push as it came (with --record), then waits as --delay-ms asks, before any answer.
void record_and_delay(Interface& interface, const httplib::Request& request,
                      const std::string& body) {
  const Settings& settings = interface.settings;
  if (!settings.record_dir.empty()) {
    std::lock_guard lock(interface.mutex);
    std::ofstream out(settings.record_dir + "/request-" + std::to_string(++interface.requests),
                      std::ios::binary);
    out << request.method << ' ' << request.target << "\r\n";
    for (const auto& [name, value] : request.headers)
      out << name << ": " << value << "\r\n";
    out << "\r\n" << body;
  }
  if (settings.delay_ms > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(settings.delay_ms));
}

// The body as it came. Read here rather than by the HTTP library, which refuses a form body
// (as links are sent) past 8 KiB; the overall bound stays.
std::optional<std::string> read_body(const httplib::ContentReader& content_reader) {
  std::string body;
  const bool whole = content_reader([&](const char* data, std::size_t length) {
    body.append(data, length);
    return body.size() <= kLargestBody;
  });
  if (!whole) return std::nullopt;
  return body;
}

int indexnow_status(const std::string& body, Interface& interface) {
  const Settings& settings = interface.settings;
  const Json json = Json::parse(body, nullptr, false);
  if (!json.is_object() || !json.contains("urlList") || !json["urlList"].is_array() ||
      !json.contains("host") || !json.contains("key") || json["urlList"].empty() ||
      json["urlList"].size() > kIndexNowLargestCall) {
    return 400;
  }
  if (json["key"] != settings.token) return 403;
  if (!json["host"].is_string() || !serves(settings, json["host"].get<std::string>())) return 422;
  for (const Json& url : json["urlList"]) {
    if (!url.is_string() || host_of(url.get<std::string>()) != json["host"]) return 422;
  }
  std::lock_guard lock(interface.mutex);
  const auto count = static_cast<long>(json["urlList"].size());
  if (count > interface.remain[kIndexNow]) return 429;
  interface.remain[kIndexNow] -= count;
  for (const Json& url : json["urlList"])
    interface.index->accepted(url.get<std::string>());
  return 200;
}

// The push interface's answers.
void answer_push(Interface& interface, const httplib::Request& request, httplib::Response& response,
                 const std::string& body) {
  const auto answer = [&](int status, const Json& json) {
    response.status = status;
    response.set_content(json.dump(), "application/json");
  };
  const Settings& settings = interface.settings;
  if (request.get_param_value("token") != settings.token) {
    return answer(401, error(401, "token is not valid"));
  }
  const std::string site = request.get_param_value("site");
  if (!serves(settings, site)) return answer(400, error(400, "site init fail"));
  Sorted sorted = sort_links(body, site);
  const long links =
      sorted.valid + static_cast<long>(sorted.not_valid.size() + sorted.not_same_site.size());
  if (links == 0) return answer(400, error(400, "empty content"));
  if (settings.max_links > 0 && links > settings.max_links) {
    return answer(
        400, error(400, "more than " + std::to_string(settings.max_links) + " links in one call"));
  }
  std::lock_guard lock(interface.mutex);
  long& remain = interface.remain[kPush];
  if (sorted.valid > remain) return answer(400, error(400, "over quota"));
  remain -= sorted.valid;
  for (const std::string_view link : sorted.accepted)
    interface.index->accepted(link);
  // The refused links come first: a reader that takes each count up to the next ',' or '}'
  // still finds both.
  Json json;
  if (!sorted.not_same_site.empty()) json["not_same_site"] = std::move(sorted.not_same_site);
  if (!sorted.not_valid.empty()) json["not_valid"] = std::move(sorted.not_valid);
  if (settings.remain_first) json["remain_batch"] = remain;
  json["success_batch"] = sorted.valid;
  if (!settings.remain_first) json["remain_batch"] = remain;
  answer(200, json);
}

void add_options(CLI::App& cli, Settings& settings) {
  cli.set_version_flag("--version", "linkcourier-push-simulator " LINKCOURIER_VERSION);
  cli.add_option("--port", settings.port, "port on 127.0.0.1")->capture_default_str();
  cli.add_option("--site", settings.sites, "a site whose links are accepted; repeatable")
      ->capture_default_str();
  cli.add_option("--token", settings.token, "the token the address must carry")
      ->capture_default_str();
  cli.add_option("--quota", settings.quota, "links each engine takes, across calls")
      ->capture_default_str()
      ->check(CLI::Range(0L, 1'000'000'000L));
  cli.add_option("--max-links", settings.max_links, "links one call may carry (0: no limit)")
      ->capture_default_str()
      ->check(CLI::Range(0L, 1'000'000'000L));
  cli.add_option("--delay-ms", settings.delay_ms, "wait this long before each answer")
      ->check(CLI::Range(0, 600'000));
  cli.add_flag("--remain-first", settings.remain_first, "put remain_batch before success_batch");
  cli.add_option("--protocol", settings.protocol,
                 "push: POST /urls?site=&token= with links, one a line; indexnow: POST "
                 "/indexnow with JSON {host, key, keyLocation, urlList}, --token being the key")
      ->capture_default_str()
      ->check(CLI::IsMember({"push", "indexnow"}));
  cli.add_option("--throttle-every", settings.throttle_every,
                 "answer every Nth push --throttle-status with Retry-After")
      ->check(CLI::Range(0, 1'000'000));
  cli.add_option("--throttle-status", settings.throttle_status, "429 or 503")
      ->capture_default_str()
      ->check(CLI::IsMember({429, 503}));
  cli.add_option("--retry-after", settings.retry_after, "the seconds Retry-After asks for")
      ->capture_default_str()
      ->check(CLI::Range(0, 86400));
  cli.add_flag("--retry-after-date", settings.retry_after_date,
               "write Retry-After as an HTTP date that many seconds ahead");
  cli.add_option("--fail-first", settings.fail_first, "answer the first N pushes 500")
      ->check(CLI::Range(0, 1'000'000));
  cli.add_option("--google-key", settings.google_key,
                 "a public key (PEM): answer the Indexing API's POST /token, giving a token for "
                 "an assertion it signs, and POST /batch")
      ->check(CLI::ExistingFile);
  IndexScript& index = settings.index;
  cli.add_option("--index-after", index.index_after_hours,
                 "keep an index: a link an engine accepted is indexed this many hours later, "
                 "and URL Inspection and GetUrlInfo tell so")
      ->check(CLI::Range(0.0, 24.0 * 366));
  cli.add_option("--never-indexed", index.never_indexed, "links holding this stay out of it");
  cli.add_option("--stays-indexed", index.stays_indexed,
                 "links holding this stay in it when announced as removed");
  cli.add_option("--daily-inspections", index.daily_inspections,
                 "inspections a property and Pacific day")
      ->capture_default_str()
      ->check(CLI::Range(0L, 1'000'000'000L));
  cli.add_option("--inspections-a-minute", index.inspections_a_minute,
                 "inspections a property and minute")
      ->capture_default_str()
      ->check(CLI::Range(1L, 1'000'000'000L));
  cli.add_option("--inspection-refusal", index.refusal,
                 "answer every inspection 403, 404 or 429, or 1: without an index status")
      ->check(CLI::IsMember({1, 403, 404, 429}));
  cli.add_option("--record", settings.record_dir,
                 "write each push to DIR/request-1, DIR/request-2 ... (request line, header "
                 "lines, empty line, body)")
      ->check(CLI::ExistingDirectory);
}

// Bing's URL Submission API: refusals as {"ErrorCode", "Message"}, answers as {"d": ...}.
void answer_bing(httplib::Response& response, int error_code, const std::string& message) {
  response.status = 400;
  response.set_content(Json{{"ErrorCode", error_code}, {"Message", "ERROR!!! " + message}}.dump(),
                       "application/json; charset=utf-8");
}

// Checks the API key and the site; false, answered, when either is wrong.
bool bing_site_allowed(const Interface& interface, const httplib::Request& request,
                       const std::string& site_url, httplib::Response& response) {
  if (request.get_param_value("apikey") != interface.settings.token) {
    answer_bing(response, 3, "InvalidApiKey");
    return false;
  }
  if (!serves(interface.settings, std::string(host_of(site_url)))) {
    answer_bing(response, 14, "NotAuthorized");
    return false;
  }
  return true;
}

void bing_quota(Interface& interface, const httplib::Request& request,
                httplib::Response& response) {
  if (!bing_site_allowed(interface, request, request.get_param_value("siteUrl"), response)) return;
  std::lock_guard lock(interface.mutex);
  response.set_content(Json{{"d",
                             {{"__type", "UrlSubmissionQuota:#Microsoft.Bing.Webmaster.Api"},
                              {"DailyQuota", interface.remain[kBing]},
                              {"MonthlyQuota", interface.remain[kBing]}}}}
                           .dump(),
                       "application/json; charset=utf-8");
}

void bing_batch(Interface& interface, const httplib::Request& request, httplib::Response& response,
                const std::string& body) {
  const Json json = Json::parse(body, nullptr, false);
  const std::string site_url =
      json.is_object() && json.contains("siteUrl") && json["siteUrl"].is_string()
          ? json["siteUrl"].get<std::string>()
          : "";
  if (!bing_site_allowed(interface, request, site_url, response)) return;
  if (!json.contains("urlList") || !json["urlList"].is_array() || json["urlList"].empty() ||
      json["urlList"].size() > kBingLargestCall) {
    return answer_bing(response, 8, "InvalidParameter");
  }
  for (const Json& url : json["urlList"]) {
    if (!url.is_string() || host_of(url.get<std::string>()) != host_of(site_url))
      return answer_bing(response, 7, "InvalidUrl");
  }
  std::lock_guard lock(interface.mutex);
  const auto count = static_cast<long>(json["urlList"].size());
  long& remain = interface.remain[kBing];
  if (count > remain) {
    return answer_bing(response, 2,
                       "Quota remaining for today: " + std::to_string(remain) +
                           ", Submitted: " + std::to_string(count));
  }
  remain -= count;
  for (const Json& url : json["urlList"])
    interface.index->accepted(url.get<std::string>());
  response.set_content(R"({"d":null})", "application/json; charset=utf-8");
}

// The Indexing API's token endpoint and batch endpoint. A token is given for an assertion signed
// by the key whose public half --google-key names, with the claims a service account makes.
std::string base64url_decoded(std::string_view text) {
  std::string bytes;
  std::uint32_t bits = 0;
  int held = 0;
  for (const char c : text) {
    const std::size_t value =
        std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_")
            .find(c);
    if (value == std::string_view::npos) return "";
    bits = bits << 6 | static_cast<std::uint32_t>(value);
    held += 6;
    if (held >= 8) {
      held -= 8;
      bytes += static_cast<char>((bits >> held) & 0xFF);
    }
  }
  return bytes;
}

constexpr std::string_view kScopes[] = {"https://www.googleapis.com/auth/indexing",
                                        "https://www.googleapis.com/auth/webmasters",
                                        "https://www.googleapis.com/auth/webmasters.readonly"};

bool known_scope(const Json& claims) {
  const std::string scope = claims.value("scope", "");
  return std::find(std::begin(kScopes), std::end(kScopes), scope) != std::end(kScopes);
}

// The scope an assertion asks for.
std::string scope_of(std::string_view jwt) {
  const std::size_t first = jwt.find('.');
  const std::size_t second = jwt.find('.', first + 1);
  if (first == std::string_view::npos || second == std::string_view::npos) return "";
  const Json claims =
      Json::parse(base64url_decoded(jwt.substr(first + 1, second - first - 1)), nullptr, false);
  return claims.is_object() ? claims.value("scope", "") : "";
}

// Why the assertion is refused; empty when it holds.
std::string assertion_problem(const Settings& settings, std::string_view jwt) {
  const std::size_t first = jwt.find('.');
  const std::size_t second = jwt.find('.', first + 1);
  if (first == std::string_view::npos || second == std::string_view::npos) return "Not a JWT.";
  const Json header = Json::parse(base64url_decoded(jwt.substr(0, first)), nullptr, false);
  const Json claims =
      Json::parse(base64url_decoded(jwt.substr(first + 1, second - first - 1)), nullptr, false);
  if (!header.is_object() || header.value("alg", "") != "RS256") return "Invalid JWT header.";
  std::ifstream file(settings.google_key);
  const std::string pem((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  BIO* text = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  EVP_PKEY* key = PEM_read_bio_PUBKEY(text, nullptr, nullptr, nullptr);
  BIO_free(text);
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  const std::string signature = base64url_decoded(jwt.substr(second + 1));
  const bool verified =
      key != nullptr && EVP_DigestVerifyInit(context, nullptr, EVP_sha256(), nullptr, key) == 1 &&
      EVP_DigestVerify(context, reinterpret_cast<const unsigned char*>(signature.data()),
                       signature.size(), reinterpret_cast<const unsigned char*>(jwt.data()),
                       second) == 1;
  EVP_MD_CTX_free(context);
  EVP_PKEY_free(key);
  if (!verified) return "Invalid JWT Signature.";
  const auto now = static_cast<long>(std::time(nullptr));
  if (!claims.is_object() || claims.value("iss", "").empty() || !known_scope(claims) ||
      claims.value("aud", "") != "http://127.0.0.1:" + std::to_string(settings.port) + "/token" ||
      !claims.contains("exp") || !claims["exp"].is_number_integer() || !claims.contains("iat") ||
      !claims["iat"].is_number_integer() || claims["exp"].get<long>() < now ||
      claims["exp"].get<long>() - claims["iat"].get<long>() > 3600) {
    return "Invalid JWT claims.";
  }
  return "";
}

void google_token(Interface& interface, httplib::Response& response, const std::string& body) {
  std::string grant;
  std::string assertion;
  for (std::string_view rest = body; !rest.empty();) {
    const std::string_view pair = rest.substr(0, rest.find('&'));
    rest.remove_prefix(std::min(rest.size(), pair.size() + 1));
    const std::string_view name = pair.substr(0, pair.find('='));
    const std::string_view value = pair.substr(std::min(pair.size(), name.size() + 1));
    if (name == "grant_type") grant = httplib::detail::decode_url(std::string(value), true);
    if (name == "assertion") assertion = value;
  }
  const std::string problem = grant != "urn:ietf:params:oauth:grant-type:jwt-bearer"
                                  ? "Invalid grant_type."
                                  : assertion_problem(interface.settings, assertion);
  if (!problem.empty()) {
    response.status = 400;
    response.set_content(Json{{"error", "invalid_grant"}, {"error_description", problem}}.dump(),
                         "application/json; charset=utf-8");
    return;
  }
  std::lock_guard lock(interface.mutex);
  const std::string token = "simulated-" + std::to_string(++interface.tokens);
  interface.token_scopes[token] = scope_of(assertion);
  response.set_content(
      Json{{"access_token", token}, {"expires_in", 3599}, {"token_type", "Bearer"}}.dump(),
      "application/json; charset=utf-8");
}

Json google_error(int code, const std::string& message) {
  return Json{{"error", {{"code", code}, {"message", message}}}};
}

// Each part's notification answered in its own part, in order.
void google_batch(Interface& interface, const httplib::Request& request,
                  httplib::Response& response, const std::string& body) {
  const std::string authorization = request.get_header_value("Authorization");
  if (!authorization.starts_with("Bearer simulated-")) {
    response.status = 401;
    response.set_content(
        google_error(401, "Request had invalid authentication credentials.").dump(),
        "application/json; charset=UTF-8");
    return;
  }
  const std::string type = request.get_header_value("Content-Type");
  const std::size_t named = type.find("boundary=");
  if (!type.starts_with("multipart/mixed") || named == std::string::npos) {
    response.status = 400;
    return;
  }
  const std::string delimiter = "--" + type.substr(named + 9);
  std::string answer;
  int item = 0;
  for (std::size_t at = body.find(delimiter); at != std::string::npos;) {
    const std::size_t start = at + delimiter.size();
    if (body.compare(start, 2, "--") == 0) break;
    const std::size_t next = body.find(delimiter, start);
    const std::string part = body.substr(start, next == std::string::npos ? next : next - start);
    at = next;
    const std::size_t brace = part.find('{');
    const Json notification =
        Json::parse(brace == std::string::npos ? "" : part.substr(brace), nullptr, false);
    const std::string url = notification.is_object() ? notification.value("url", "") : "";
    int status = 200;
    Json json;
    std::lock_guard lock(interface.mutex);
    const std::string kind = notification.is_object() ? notification.value("type", "") : "";
    if (part.find("POST /v3/urlNotifications:publish") == std::string::npos ||
        (kind != "URL_UPDATED" && kind != "URL_DELETED")) {
      status = 400;
      json = google_error(400, "Invalid notification.");
    } else if (!serves(interface.settings, std::string(host_of(url)))) {
      status = 403;
      json = google_error(403, "Permission denied. Failed to verify the URL ownership.");
    } else if (interface.remain[kGoogle] == 0) {
      status = 429;
      json = google_error(429, "Quota exceeded for quota metric 'Publish requests'.");
    } else {
      --interface.remain[kGoogle];
      if (kind == "URL_UPDATED") {
        interface.index->accepted(url);
      } else {
        interface.index->removed(url);
      }
      const char* latest = kind == "URL_UPDATED" ? "latestUpdate" : "latestRemove";
      json = {
          {"urlNotificationMetadata", {{"url", url}, {latest, {{"url", url}, {"type", kind}}}}}};
    }
    answer += "--batch_simulated\r\nContent-Type: application/http\r\nContent-ID: <response-item" +
              std::to_string(++item) + ">\r\n\r\nHTTP/1.1 " + std::to_string(status) +
              (status == 200 ? " OK" : " Error") +
              "\r\nContent-Type: application/json; charset=UTF-8\r\n\r\n" + json.dump() + "\r\n";
  }
  answer += "--batch_simulated--\r\n";
  response.set_content(answer, "multipart/mixed; boundary=batch_simulated");
}

constexpr std::string_view kWebmastersScope = "https://www.googleapis.com/auth/webmasters";

// The scope of the request's bearer token; empty (and answered 401) where it is none of ours,
// or (answered 403) where it is not `wanted`, or for reading, `wanted` or what it begins.
std::string granted_scope(Interface& interface, const httplib::Request& request,
                          httplib::Response& response, bool reading) {
  const std::string authorization = request.get_header_value("Authorization");
  std::string scope;
  {
    std::lock_guard lock(interface.mutex);
    const auto found = authorization.starts_with("Bearer ")
                           ? interface.token_scopes.find(authorization.substr(7))
                           : interface.token_scopes.end();
    if (found != interface.token_scopes.end()) scope = found->second;
  }
  if (scope.empty()) {
    response.status = 401;
    response.set_content(
        google_error(401, "Request had invalid authentication credentials.").dump(),
        "application/json; charset=UTF-8");
    return {};
  }
  if (reading ? !scope.starts_with(kWebmastersScope) : scope != kWebmastersScope) {
    response.status = 403;
    response.set_content(
        google_error(403, "Request had insufficient authentication scopes.").dump(),
        "application/json; charset=UTF-8");
    return {};
  }
  return scope;
}

void answer(httplib::Response& response, const SimulatedAnswer& answer) {
  response.status = answer.status;
  if (!answer.body.empty()) response.set_content(answer.body, "application/json; charset=UTF-8");
}

// URL Inspection: a token for the Search Console scopes, then the index's answer.
void google_inspection(Interface& interface, const httplib::Request& request,
                       httplib::Response& response, const std::string& body) {
  if (granted_scope(interface, request, response, true).empty()) return;
  answer(response, interface.index->inspect(body, interface.settings.sites));
}

// The Sitemaps API: submitting wants the full scope, reading either; the site and the sitemap
// come URL-encoded in the path.
void google_sitemaps(Interface& interface, const httplib::Request& request,
                     httplib::Response& response) {
  record_and_delay(interface, request, "");
  const bool put = request.method == "PUT";
  if (granted_scope(interface, request, response, !put).empty()) return;
  const std::string site = request.matches[1];
  const std::string feed = request.matches[2];
  if (!serves(interface.settings, std::string(host_of(site)))) {
    answer(response,
           {403, google_error(403, "User does not have sufficient permission for site.").dump()});
    return;
  }
  answer(response, put ? interface.index->submit_sitemap(site, feed, true)
                       : interface.index->google_sitemap(site, feed));
}

// An HTTP date `seconds` from now, as Retry-After may be written.
std::string http_date_after(int seconds) {
  const std::time_t when = std::time(nullptr) + seconds;
  std::tm utc{};
  gmtime_r(&when, &utc);
  char text[40];
  std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
  return text;
}

// Answers the push as --throttle-every and --fail-first ask; false when it is left to `respond`.
bool throttled(Interface& interface, httplib::Response& response) {
  const Settings& settings = interface.settings;
  int push = 0;
  {
    std::lock_guard lock(interface.mutex);
    push = ++interface.pushes;
  }
  if (push <= settings.fail_first) {
    response.status = 500;
    return true;
  }
  if (settings.throttle_every == 0 || push % settings.throttle_every != 0) return false;
  response.status = settings.throttle_status;
  response.set_header("Retry-After", settings.retry_after_date
                                         ? http_date_after(settings.retry_after)
                                         : std::to_string(settings.retry_after));
  return true;
}

// Takes a push's body, records it and waits, then lets `respond` answer it.
template <typename Respond>
httplib::Server::HandlerWithContentReader taking_body(Interface& interface, Respond respond) {
  return [&interface, respond](const httplib::Request& request, httplib::Response& response,
                               const httplib::ContentReader& content_reader) {
    const std::optional<std::string> body = read_body(content_reader);
    if (!body) {
      response.status = 413;
      return;
    }
    record_and_delay(interface, request, *body);
    if (!throttled(interface, response)) respond(request, response, *body);
  };
}

}  // namespace

int main(int argc, char** argv) {
  Interface interface;
  CLI::App cli{"A local stand-in for a search engine's link-push interface."};
  add_options(cli, interface.settings);
  CLI11_PARSE(cli, argc, argv);
  const Settings& settings = interface.settings;
  std::fill(std::begin(interface.remain), std::end(interface.remain), settings.quota);
  interface.index = std::make_unique<SimulatedIndex>(settings.index);

  httplib::Server server;
  server.set_payload_max_length(kLargestBody);
  // Headers and body go out at once, as a real service sends them, not held for an ACK.
  server.set_tcp_nodelay(true);
  // IndexNow's answers: 200 taken, 400 bad request, 403 key not valid, 422 URLs not of the
  // host, 429 too many requests (the quota spent); no body.
  server.Post(
      "/indexnow", taking_body(interface, [&](const httplib::Request&, httplib::Response& response,
                                              const std::string& body) {
        response.status = settings.protocol == "indexnow" ? indexnow_status(body, interface) : 404;
      }));
  // An IndexNow key file at the site's root, /KEY.txt, holding the key.
  server.Get(R"(/([A-Za-z0-9-]+)\.txt)",
             [&](const httplib::Request& request, httplib::Response& response) {
               record_and_delay(interface, request, "");
               if (settings.protocol != "indexnow" || request.matches[1] != settings.token) {
                 response.status = 404;
                 return;
               }
               response.set_content(settings.token + "\n", "text/plain");
             });
  server.Get("/webmaster/api.svc/json/GetUrlSubmissionQuota",
             [&](const httplib::Request& request, httplib::Response& response) {
               record_and_delay(interface, request, "");
               bing_quota(interface, request, response);
             });
  server.Get("/webmaster/api.svc/json/GetUrlInfo", [&](const httplib::Request& request,
                                                       httplib::Response& response) {
    record_and_delay(interface, request, "");
    if (!bing_site_allowed(interface, request, request.get_param_value("siteUrl"), response))
      return;
    const SimulatedAnswer answer = interface.index->url_info(request.get_param_value("url"));
    response.status = answer.status;
    response.set_content(answer.body, "application/json; charset=utf-8");
  });
  server.Get("/webmaster/api.svc/json/GetFeeds",
             [&](const httplib::Request& request, httplib::Response& response) {
               record_and_delay(interface, request, "");
               const std::string site = request.get_param_value("siteUrl");
               if (bing_site_allowed(interface, request, site, response))
                 answer(response, interface.index->bing_feeds(site));
             });
  server.Post("/webmaster/api.svc/json/SubmitFeed",
              taking_body(interface, [&](const httplib::Request& request,
                                         httplib::Response& response, const std::string& body) {
                const Json feed = Json::parse(body, nullptr, false);
                const std::string site = feed.is_object() ? feed.value("siteUrl", "") : "";
                const std::string address = feed.is_object() ? feed.value("feedUrl", "") : "";
                if (bing_site_allowed(interface, request, site, response))
                  answer(response, interface.index->submit_sitemap(site, address, false));
              }));
  server.Post("/webmaster/api.svc/json/SubmitUrlbatch",
              taking_body(interface, [&](const httplib::Request& request,
                                         httplib::Response& response, const std::string& body) {
                bing_batch(interface, request, response, body);
              }));
  if (!settings.google_key.empty()) {
    server.Post("/token",
                taking_body(interface, [&](const httplib::Request&, httplib::Response& response,
                                           const std::string& body) {
                  google_token(interface, response, body);
                }));
    server.Post("/v1/urlInspection/index:inspect",
                taking_body(interface, [&](const httplib::Request& request,
                                           httplib::Response& response, const std::string& body) {
                  google_inspection(interface, request, response, body);
                }));
    const auto sitemaps = [&](const httplib::Request& request, httplib::Response& response) {
      google_sitemaps(interface, request, response);
    };
    server.Put(R"(/webmasters/v3/sites/(.+?)/sitemaps/(.+))", sitemaps);
    server.Get(R"(/webmasters/v3/sites/(.+?)/sitemaps/(.+))", sitemaps);
    server.Post("/batch",
                taking_body(interface, [&](const httplib::Request& request,
                                           httplib::Response& response, const std::string& body) {
                  google_batch(interface, request, response, body);
                }));
  }
  server.Post("/urls",
              taking_body(interface, [&](const httplib::Request& request,
                                         httplib::Response& response, const std::string& body) {
                answer_push(interface, request, response, body);
              }));
  if (!server.bind_to_port("127.0.0.1", settings.port)) {
    std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", settings.port);
    return 1;
  }
  std::printf(
      "Push interface address to paste into the tool:\nhttp://127.0.0.1:%d/urls?site=%s&token=%s\n",
      settings.port, settings.sites.front().c_str(), settings.token.c_str());
  std::fflush(stdout);
  return server.listen_after_bind() ? 0 : 1;
}
