#include "push/link_list.h"

#include <algorithm>

namespace lc::push {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char lower, char c) {
           return (c >= 'A' && c <= 'Z' ? c + 32 : c) == lower;
         });
}

// Bytes outside printable ASCII become %XX: UTF-8 characters, spaces, controls.
std::string percent_encoded(std::string_view link) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(link.size());
  for (const char c : link) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F) {
      out.push_back(c);
    } else {
      out += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
  return out;
}

}  // namespace

std::string_view host_of(std::string_view link) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (!starts_with_ignoring_case(link, scheme)) continue;
    std::string_view authority = link.substr(scheme.size());
    authority = authority.substr(0, authority.find_first_of("/?#"));
    authority = authority.substr(authority.rfind('@') + 1);  // past any user information
    if (!authority.starts_with('[')) authority = authority.substr(0, authority.find(':'));
    return authority;
  }
  return {};
}

void LinkList::add_text(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = trimmed(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.empty() || line.starts_with('#')) continue;
    std::string link = percent_encoded(line);
    if (host_of(link).empty()) {
      invalid_.push_back(std::move(link));
    } else if (!seen_.insert(link).second) {
      ++duplicates_;
    } else {
      links_.push_back(std::move(link));
    }
  }
}

void LinkList::keep_site(std::string_view host) {
  const auto other = std::stable_partition(links_.begin(), links_.end(),
                                           [&](const auto& link) { return host_of(link) == host; });
  std::move(other, links_.end(), std::back_inserter(other_site_));
  links_.erase(other, links_.end());
}

}  // namespace lc::push
