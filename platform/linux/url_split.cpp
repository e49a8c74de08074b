#include "platform/linux/url_split.h"

#include "platform/linux/curl_handles.h"
#include "platform/linux/curl_library.h"
#include "platform/text_encodings.h"
#include "platform/url_text.h"

namespace lc::platform {
namespace {

// "scheme://" and a host must begin the URL: libcurl would read "http:///x" as host x.
bool has_authority(std::string_view url) {
  const std::size_t colon = url.find(':');
  if (colon == std::string_view::npos || url.substr(colon, 3) != "://") return false;
  const std::size_t authority = colon + 3;
  return authority < url.size() &&
         std::string_view("/?#").find(url[authority]) == std::string_view::npos;
}

// libcurl gives every URL a path of at least "/"; the client needs to know the URL had none.
bool has_path(std::string_view url) {
  const std::size_t authority = url.find("//");
  if (authority == std::string_view::npos) return false;
  const std::size_t end = url.find_first_of("/?#", authority + 2);
  return end != std::string_view::npos && url[end] == '/';
}

}  // namespace

std::optional<std::string> url_part(CURLU* url, CURLUPart which, unsigned flags) {
  char* text = nullptr;
  if (curl().url_get(url, which, &text, flags) != CURLUE_OK) return std::nullopt;
  const CurlString owned(text);
  return std::string(text);
}

std::optional<CrackedUrl> split_url(std::u16string_view url) {
  const std::string bytes = wire_url(url);
  const CurlUrl parsed(curl().url());
  if (!has_authority(bytes) || !parsed ||
      curl().url_set(parsed.get(), CURLUPART_URL, bytes.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  const std::optional<std::string> scheme = url_part(parsed.get(), CURLUPART_SCHEME);
  const std::optional<std::string> host = url_part(parsed.get(), CURLUPART_HOST);
  const std::optional<std::string> port =
      url_part(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  if (!scheme || (*scheme != "http" && *scheme != "https") || !host || host->empty() || !port) {
    return std::nullopt;
  }
  CrackedUrl cracked;
  cracked.secure = *scheme == "https";
  cracked.host = bytes_to_utf16(*host);
  cracked.port = static_cast<std::uint16_t>(std::stoul(*port));
  if (has_path(bytes))
    cracked.path = bytes_to_utf16(url_part(parsed.get(), CURLUPART_PATH).value_or("/"));
  if (const auto query = url_part(parsed.get(), CURLUPART_QUERY))
    cracked.extra_info = u"?" + bytes_to_utf16(*query);
  if (const auto fragment = url_part(parsed.get(), CURLUPART_FRAGMENT)) {
    cracked.extra_info += u"#" + bytes_to_utf16(*fragment);
  }
  return cracked;
}

}  // namespace lc::platform
