#include "platform/linux/curl_request_plan.h"

#include <algorithm>

#include "platform/ascii_case.h"
#include "platform/linux/curl_library.h"
#include "platform/linux/proxy_list.h"
#include "platform/linux/response_head.h"
#include "platform/linux/url_split.h"
#include "platform/system_transport.h"
#include "platform/url_text.h"

namespace lc::platform {
namespace {

// libcurl headers that the client's own header block replaces when it holds them.
constexpr std::string_view kHeadersOnlyFromTheBlock[] = {"Accept", "Expect", "Content-Type"};

bool apply_credentials(CURL* easy, const RequestPlan& plan) {
  bool ok = true;
  if (plan.server_credentials) {
    ok = set_easy_option(easy, CURLOPT_HTTPAUTH, CURLAUTH_BASIC) &&
         set_easy_option(easy, CURLOPT_USERNAME, plan.server_credentials->user_name.c_str()) &&
         set_easy_option(easy, CURLOPT_PASSWORD, plan.server_credentials->password.c_str());
  } else {
    // Cleared explicitly: after a redirect to another host they were set for the first one.
    ok = set_easy_option(easy, CURLOPT_USERNAME, nullptr) &&
         set_easy_option(easy, CURLOPT_PASSWORD, nullptr);
  }
  if (plan.proxy_credentials) {
    ok = ok && set_easy_option(easy, CURLOPT_PROXYAUTH, CURLAUTH_BASIC) &&
         set_easy_option(easy, CURLOPT_PROXYUSERNAME, plan.proxy_credentials->user_name.c_str()) &&
         set_easy_option(easy, CURLOPT_PROXYPASSWORD, plan.proxy_credentials->password.c_str());
  }
  return ok;
}

bool apply_proxy(CURL* easy, const RequestPlan& plan) {
  const std::optional<std::string> proxy =
      plan.proxy_list.empty() ? std::nullopt
                              : proxy_for_scheme(plan.proxy_list, plan.secure ? "https" : "http");
  // An empty proxy also keeps libcurl from taking one from the environment.
  const std::string address = proxy ? "http://" + *proxy : std::string();
  return set_easy_option(easy, CURLOPT_PROXY, address.c_str()) &&
         set_easy_option(easy, CURLOPT_NOPROXY, "");
}

bool apply_method(CURL* easy, const RequestPlan& plan) {
  static const char kNoBody[] = "";
  bool ok = set_easy_option(easy, CURLOPT_CUSTOMREQUEST, nullptr) &&
            set_easy_option(easy, CURLOPT_NOBODY, 0L);
  if (plan.verb == "HEAD") return ok && set_easy_option(easy, CURLOPT_NOBODY, 1L);
  // A POST or PUT says its length even when it has no body, as a server may require it.
  if (plan.verb == "POST" || plan.verb == "PUT" || !plan.body.empty()) {
    // Never a null body: libcurl would then read one from standard input.
    const void* data = plan.body.empty() ? static_cast<const void*>(kNoBody) : plan.body.data();
    ok = ok && set_easy_option(easy, CURLOPT_POSTFIELDS, data) &&
         set_easy_option(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(plan.body.size()));
  } else {
    ok = ok && set_easy_option(easy, CURLOPT_HTTPGET, 1L);
  }
  const bool plain_get = plan.verb == "GET" && plan.body.empty();
  if (plan.verb != "POST" && !plain_get)
    ok = ok && set_easy_option(easy, CURLOPT_CUSTOMREQUEST, plan.verb.c_str());
  return ok;
}

// The header list, and with a cookie store the Cookie values libcurl is to write itself.
bool apply_headers(CURL* easy, const RequestPlan& plan, bool cookies_stored,
                   CurlList& header_list) {
  CurlList list;
  // Once an earlier response of the exchange set cookies, libcurl writes the one Cookie line:
  // the stored cookies that match this request, then those of the block's own Cookie line.
  std::string block_cookies;
  for (const std::string& line : plan.header_lines) {
    const std::string_view value = header_line_value(line);
    if (cookies_stored && equals_ignoring_ascii_case(header_name(line), "Cookie")) {
      block_cookies.append(block_cookies.empty() ? "" : "; ").append(value);
      continue;
    }
    // libcurl reads "Name:" with nothing after it as "drop this header"; "Name;" sends it empty.
    const std::string entry = value.empty() ? line.substr(0, line.find(':')) + ";" : line;
    if (!append_to(list, entry.c_str())) return false;
  }
  // An empty file name starts libcurl's own store, empty, for this exchange.
  if (plan.cookie_store &&
      (!set_easy_option(easy, CURLOPT_COOKIEFILE, "") ||
       !set_easy_option(easy, CURLOPT_COOKIE,
                        block_cookies.empty() ? nullptr : block_cookies.c_str()))) {
    return false;
  }
  // On the wire go only the client's own lines, Host, Content-Length and credentials.
  for (std::string_view name : kHeadersOnlyFromTheBlock) {
    const bool in_block = std::any_of(
        plan.header_lines.begin(), plan.header_lines.end(),
        [&](const auto& line) { return equals_ignoring_ascii_case(header_name(line), name); });
    if (!in_block && !append_to(list, (std::string(name) + ":").c_str())) return false;
  }
  header_list = std::move(list);
  return set_easy_option(easy, CURLOPT_HTTPHEADER, header_list.get());
}

// "scheme://host:port" of a parsed URL, the port given even where it is the scheme's own.
std::string origin_of(CURLU* url) {
  return url_part(url, CURLUPART_SCHEME).value_or("") + "://" +
         url_part(url, CURLUPART_HOST).value_or("") + ":" +
         url_part(url, CURLUPART_PORT, CURLU_DEFAULT_PORT).value_or("");
}

}  // namespace

std::size_t RequestPlan::body_size_on_the_wire() const {
  return verb == "HEAD" ? 0 : body.size();
}

bool RequestPlan::apply_to(CURL* easy, bool cookies_stored, CurlList& header_list) const {
  const bool ok =
      set_easy_option(easy, CURLOPT_URL, url.c_str()) &&
      set_easy_option(easy, CURLOPT_NOSIGNAL, 1L) &&
      set_easy_option(easy, CURLOPT_PROTOCOLS_STR, "http,https") &&
      set_easy_option(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1) &&
      // Larger reads than libcurl's 16 KiB mean fewer rounds for a large body.
      set_easy_option(easy, CURLOPT_BUFFERSIZE, 128L * 1024) &&
      // Redirects are followed by the transport, one plan each.
      set_easy_option(easy, CURLOPT_FOLLOWLOCATION, 0L) &&
      set_easy_option(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect_timeout.count()));
  if (!ok || !apply_headers(easy, *this, cookies_stored, header_list)) return false;
  if (!trusted_certificates_file().empty() &&
      !set_easy_option(easy, CURLOPT_CAINFO, trusted_certificates_file().c_str())) {
    return false;
  }
  return apply_credentials(easy, *this) && apply_proxy(easy, *this) && apply_method(easy, *this);
}

// Only the final response's headers reach the client, https never leads to http, and
// credentials stay with their origin.
std::optional<RequestPlan> RequestPlan::redirected(int code, std::string_view location) const {
  const CurlUrl current(curl().url());
  const CurlUrl target(curl().url());
  const std::string encoded = percent_encoded(location);
  if (!current || !target || curl().url_set(current.get(), CURLUPART_URL, url.c_str(), 0) ||
      curl().url_set(target.get(), CURLUPART_URL, url.c_str(), 0) ||
      curl().url_set(target.get(), CURLUPART_URL, encoded.c_str(), 0)) {
    return std::nullopt;
  }
  const std::optional<std::string> scheme = url_part(target.get(), CURLUPART_SCHEME);
  const std::optional<std::string> next = url_part(target.get(), CURLUPART_URL);
  if (!scheme || !next || (*scheme != "http" && *scheme != "https") ||
      (secure && *scheme == "http")) {
    return std::nullopt;
  }
  RequestPlan plan = *this;
  plan.url = *next;
  plan.secure = *scheme == "https";
  if (origin_of(current.get()) != origin_of(target.get())) plan.server_credentials.reset();
  if (code == 303 ? verb != "HEAD" : (code != 307 && code != 308 && verb == "POST")) {
    plan.verb = "GET";
    plan.body = {};
  }
  return plan;
}

}  // namespace lc::platform
