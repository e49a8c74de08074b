#include "push/texts/link_parts.h"

#include <algorithm>
#include <cctype>

#include "platform/ascii_case.h"

namespace lc::push {

std::string_view host_of(std::string_view link) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (!platform::equals_ignoring_ascii_case(link.substr(0, scheme.size()), scheme)) continue;
    std::string_view authority = link.substr(scheme.size());
    authority = authority.substr(0, authority.find_first_of("/?#"));
    authority = authority.substr(authority.rfind('@') + 1);  // past any user information
    if (!authority.starts_with('[')) authority = authority.substr(0, authority.find(':'));
    return authority;
  }
  return {};
}

std::string site_url_of(std::string_view link) {
  const std::string_view host = host_of(link);
  if (host.empty()) return {};
  std::string scheme(link.substr(0, link.find("://")));
  std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  return scheme + "://" + std::string(host) + "/";
}

}  // namespace lc::push
