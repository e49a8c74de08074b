#include "push/sources/link_list.h"

#include <algorithm>
#include <cctype>

#include "common/ascii_text.h"
#include "platform/ascii_case.h"
#include "platform/url_text.h"

namespace lc::push {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool is_wire_ready(std::string_view link) {
  return std::all_of(link.begin(), link.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte < 0x7F;
  });
}

}  // namespace

void LinkList::add_text(std::string text) {
  std::string_view rest = texts_.emplace_back(std::move(text));
  if (rest.starts_with(kByteOrderMark)) rest.remove_prefix(kByteOrderMark.size());
  reserve(static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '\n')));
  for_each_lf_line(rest, [this](std::string_view line) { add_line(line); });
}

void LinkList::add_page(std::string location, const PageFacts& facts) {
  PageFacts* slot = add_line(texts_.emplace_back(std::move(location)));
  if (slot == nullptr || (!facts.modified && !facts.content_hash)) return;
  *slot = facts;
  any_facts_ = true;
}

void LinkList::reserve(std::size_t count) {
  seen_.reserve(seen_.size() + count);
  links_.reserve(links_.size() + count);
}

PageFacts* LinkList::add_line(std::string_view line) {
  std::string_view link = trimmed_ascii(line);
  if (link.empty() || link.starts_with('#')) return nullptr;
  // Bytes outside printable ASCII (UTF-8 characters, spaces, controls) become %XX.
  if (!is_wire_ready(link)) link = texts_.emplace_back(platform::percent_encoded(link));
  if (host_of(link).empty()) {
    invalid_.push_back(link);
    return nullptr;
  }
  const auto [seen, first] = seen_.try_emplace(link);
  if (!first) {
    ++duplicates_;
    return nullptr;
  }
  links_.push_back(link);
  return &seen->second;
}

void LinkList::set_content_hash(std::string_view link, std::uint64_t hash) {
  const auto found = seen_.find(link);
  if (found == seen_.end()) return;
  found->second.content_hash = hash;
  any_facts_ = true;
}

PageFacts LinkList::facts_of(std::string_view link) const {
  if (!any_facts_) return {};  // a file of links: no lookup a link
  const auto found = seen_.find(link);
  return found != seen_.end() ? found->second : PageFacts{};
}

}  // namespace lc::push
