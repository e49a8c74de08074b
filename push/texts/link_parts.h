#pragma once
// The parts of a link that name its site.

#include <string>
#include <string_view>

namespace lc::push {

// Whether a source is named by an http or https address, rather than as a file.
inline bool is_web_address(std::string_view text) {
  return text.starts_with("http://") || text.starts_with("https://");
}

// The host of an http or https link; empty when the text is no such link.
std::string_view host_of(std::string_view link);

// The scheme and host of an http or https link, as a site is named: https://www.example.com/.
std::string site_url_of(std::string_view link);

}  // namespace lc::push
