// Reading and cleaning the links a run pushes.
#include "push/sources/link_list.h"
#include "push/texts/w3c_time.h"

#include <gtest/gtest.h>

namespace lc::push {
namespace {

std::vector<std::string> owned(const std::vector<std::string_view>& links) {
  return {links.begin(), links.end()};
}

TEST(LinkListTest, CleansAsItReads) {
  const struct {
    const char* name;
    std::string text;
    std::vector<std::string> links;
    std::vector<std::string> invalid;
    std::size_t duplicates;
  } cases[] = {
      {"crlf_and_lf",
       "http://a/1\r\nhttps://a/2\nhttp://a/3",
       {"http://a/1", "https://a/2", "http://a/3"},
       {},
       0},
      {"bom_blank_comment_spaces",
       "\xEF\xBB\xBF  http://a/1 \r\n\r\n# note\n\t\nhttp://a/2\t",
       {"http://a/1", "http://a/2"},
       {},
       0},
      {"duplicates_keep_the_first",
       "http://a/2\nhttp://a/1\nhttp://a/2",
       {"http://a/2", "http://a/1"},
       {},
       1},
      {"only_http_with_a_host",
       "ftp://a/1\nhttp:///x\nwww.a.com/x\nHTTPS://a/ok\nhttp://user@a:8080/p",
       {"HTTPS://a/ok", "http://user@a:8080/p"},
       {"ftp://a/1", "http:///x", "www.a.com/x"},
       0},
      {"beyond_ascii_percent_encoded",
       "http://a/\xE6\x96\xB0 x",
       {"http://a/%E6%96%B0%20x"},
       {},
       0},
  };
  for (const auto& c : cases) {
    LinkList list;
    list.add_text(c.text);
    EXPECT_EQ(owned(list.links()), c.links) << c.name;
    EXPECT_EQ(owned(list.invalid()), c.invalid) << c.name;
    EXPECT_EQ(list.duplicates(), c.duplicates) << c.name;
  }
}

// A link's site is its host, without port or user.
TEST(LinkListTest, HostOfALink) {
  for (const auto& [link, host] :
       std::vector<std::pair<std::string_view, std::string_view>>{{"http://a.com/1", "a.com"},
                                                                  {"https://a.com:443/2", "a.com"},
                                                                  {"http://x@b.com/2", "b.com"},
                                                                  {"ftp://a.com/", ""}}) {
    EXPECT_EQ(host_of(link), host) << link;
  }
}

// A sitemap's <lastmod> in each W3C form, against the seconds since 1970 in UTC.
TEST(LinkListTest, ReadsLastModifiedTimes) {
  const struct {
    const char* text;
    std::optional<std::time_t> seconds;
  } cases[] = {
      {"2026-12-07", 1796601600},
      {"2026-12-07T03:00Z", 1796612400},
      {"2026-12-07T03:00:09.25Z", 1796612409},
      {"2026-12-07T11:00:00+08:00", 1796612400},
      {"2026-12-06T22:30-04:30", 1796612400},
      {"2024-02-29", 1709164800},
      {"2023-02-29", std::nullopt},
      {"2026-13-01", std::nullopt},
      {"2026-12-07T03:00", std::nullopt},
      {"2026-12-07 03:00Z", std::nullopt},
      {"7 Dec 2026", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(parse_w3c_time(c.text), c.seconds) << c.text;
}

}  // namespace
}  // namespace lc::push
