#pragma once
// The links a run pushes: read from UTF-8 text, cleaned, each once, in the order first seen.
// The list keeps the texts it read and hands out views into them, so that a million links are
// held once.

#include <cstdint>
#include <ctime>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "push/texts/link_parts.h"

namespace lc::push {

// What a source says of a page beyond its link.
struct PageFacts {
  std::optional<std::time_t> modified;        // a sitemap's <lastmod>
  std::optional<std::uint64_t> content_hash;  // a site folder's hash of the page's content
};

class LinkList {
 public:
  LinkList() = default;
  // The links are views into the list's own texts, which a move keeps where they are; a copy's
  // views would still point into the original.
  LinkList(const LinkList&) = delete;
  LinkList& operator=(const LinkList&) = delete;
  LinkList(LinkList&&) = default;
  LinkList& operator=(LinkList&&) = default;

  // Adds the links of `text`: one a line, CR LF or LF; a BOM is skipped, blank lines and lines
  // starting with '#' too, surrounding spaces trimmed. Only http and https links with a host
  // count; the others are kept as invalid. Characters beyond ASCII are percent-encoded as
  // UTF-8, so what goes on the wire is ASCII.
  void add_text(std::string text);

  // Adds one page of a sitemap or a site folder, with what its source says of it.
  void add_page(std::string location, const PageFacts& facts);
  // Makes room for `count` more links, so that a sitemap's pages go in without rehashing.
  void reserve(std::size_t count);

  // Gives the link's page the hash of its content as it was fetched.
  void set_content_hash(std::string_view link, std::uint64_t hash);

  // What the link's source said of its page; nothing where it said nothing.
  PageFacts facts_of(std::string_view link) const;

  const std::vector<std::string_view>& links() const { return links_; }
  const std::vector<std::string_view>& invalid() const { return invalid_; }
  std::size_t duplicates() const { return duplicates_; }

 private:
  // Cleans one line and keeps it where it belongs; where the link's facts go when it is kept as
  // a new link, else null.
  PageFacts* add_line(std::string_view line);

  std::deque<std::string> texts_;  // as read, and the links that needed encoding
  std::vector<std::string_view> links_;
  // Every link seen, with what its source said of its page.
  std::unordered_map<std::string_view, PageFacts> seen_;
  std::vector<std::string_view> invalid_;
  std::size_t duplicates_ = 0;
  bool any_facts_ = false;
};

}  // namespace lc::push
