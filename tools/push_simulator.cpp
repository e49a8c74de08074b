// A local stand-in for a search engine's link-push interface, for trying the tool and for its
// end-to-end tests. It answers POST /urls?site=SITE&token=TOKEN whose body lists links, one a
// line, as such interfaces do: the count of links it accepted, the quota left for the token
// (falling with every accepted link, across calls), and the links it refused, in two lists.
// It listens on 127.0.0.1 and prints the address to paste into the tool; `--help` lists the
// options.
#include <httplib.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/ascii_text.h"

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
  int fail_first = 0;  // the first N pushes are answered 500
};

// IndexNow takes at most this many URLs in one call, Bing's SubmitUrlbatch this many.
constexpr std::size_t kIndexNowLargestCall = 10'000;
constexpr std::size_t kBingLargestCall = 500;

// Real interfaces take bodies of many thousands of links.
constexpr std::size_t kLargestBody = 64u << 20;

// The host of an http or https link; empty when the line is no such link.
std::string_view host_of(std::string_view link) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (!link.starts_with(scheme)) continue;
    const std::string_view rest = link.substr(scheme.size());
    return rest.substr(0, rest.find_first_of("/:?#"));
  }
  return {};
}

// The links of one body, sorted as the interface sorts them.
struct Sorted {
  long valid = 0;
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

// What the calls share: the quota left and the count of requests recorded.
struct Interface {
  Settings settings;
  std::mutex mutex;
  long remain = 0;
  int requests = 0;
  int pushes = 0;
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
  if (count > interface.remain) return 429;
  interface.remain -= count;
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
  if (sorted.valid > interface.remain) return answer(400, error(400, "over quota"));
  interface.remain -= sorted.valid;
  // The refused links come first: a reader that takes each count up to the next ',' or '}'
  // still finds both.
  Json json;
  if (!sorted.not_same_site.empty()) json["not_same_site"] = std::move(sorted.not_same_site);
  if (!sorted.not_valid.empty()) json["not_valid"] = std::move(sorted.not_valid);
  if (settings.remain_first) json["remain_batch"] = interface.remain;
  json["success_batch"] = sorted.valid;
  if (!settings.remain_first) json["remain_batch"] = interface.remain;
  answer(200, json);
}

void add_options(CLI::App& cli, Settings& settings) {
  cli.add_option("--port", settings.port, "port on 127.0.0.1")->capture_default_str();
  cli.add_option("--site", settings.sites, "a site whose links are accepted; repeatable")
      ->capture_default_str();
  cli.add_option("--token", settings.token, "the token the address must carry")
      ->capture_default_str();
  cli.add_option("--quota", settings.quota, "links the token may push, across calls")
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
                              {"DailyQuota", interface.remain},
                              {"MonthlyQuota", interface.remain}}}}
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
  if (count > interface.remain) {
    return answer_bing(response, 2,
                       "Quota remaining for today: " + std::to_string(interface.remain) +
                           ", Submitted: " + std::to_string(count));
  }
  interface.remain -= count;
  response.set_content(R"({"d":null})", "application/json; charset=utf-8");
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
  interface.remain = settings.quota;

  httplib::Server server;
  server.set_payload_max_length(kLargestBody);
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
  server.Post("/webmaster/api.svc/json/SubmitUrlbatch",
              taking_body(interface, [&](const httplib::Request& request,
                                         httplib::Response& response, const std::string& body) {
                bing_batch(interface, request, response, body);
              }));
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
