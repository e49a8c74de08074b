#include "http/request_headers.h"

#include <gtest/gtest.h>

namespace lc {
namespace {

const Text kUserAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const Text kAccept = "Accept: text/html, application/xhtml+xml, */*";
const Text kDefaultsAfterAccept = "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\n";
const Text kCacheControl = "Cache-Control: no-cache";

TEST(RequestHeadersTest, SubmitPostGetsSixLinesWithNoLineBreakAfterTheLast) {
  EXPECT_EQ(assemble_request_headers({.method = HttpMethod::kPost}),
            kUserAgent + "\r\n" + kAccept + "\r\n" + kDefaultsAfterAccept +
                "Content-Type: application/x-www-form-urlencoded\r\n" + kCacheControl);
}

TEST(RequestHeadersTest, ContentTypeOnlyForPost) {
  EXPECT_EQ(assemble_request_headers({.method = HttpMethod::kGet}),
            kUserAgent + "\r\n" + kAccept + "\r\n" + kDefaultsAfterAccept + kCacheControl);
}

TEST(RequestHeadersTest, CallerLinesSuppressDefaultsWhereverTheyMatch) {
  struct Case {
    Text extra_headers;
    Text expected;
  };
  const Case cases[] = {
      // Any letter case suppresses the default line.
      {"user-agent: me",
       "User-Agent: me\r\n" + kAccept + "\r\n" + kDefaultsAfterAccept + kCacheControl},
      // The search is not tied to a line start.
      {"X-Accept: 1",
       "X-Accept: 1\r\n" + kUserAgent + "\r\n" + kDefaultsAfterAccept + kCacheControl},
      // Lines without a colon are dropped by normalisation.
      {"junk\r\nx-a: 1", "X-A: 1\r\n" + kUserAgent + "\r\n" + kAccept + "\r\n" +
                             kDefaultsAfterAccept + kCacheControl},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(assemble_request_headers({.extra_headers = c.extra_headers}), c.expected)
        << c.extra_headers;
  }
}

TEST(RequestHeadersTest, KeepAliveLineFollowedByLineBreakIsRemoved) {
  const auto block = [](Text extra, bool normalize) {
    return assemble_request_headers(
        {.extra_headers = extra, .add_default_headers = false, .normalize_headers = normalize});
  };
  EXPECT_EQ(block("Connection: keep-alive\r\nA: 1", false), "A: 1\r\n");
  EXPECT_EQ(block("Connection: close\r\nA: 1", false), "Connection: close\r\nA: 1\r\n");
  // Spelt in lower case, it stays unless normalisation re-cases it first.
  EXPECT_EQ(block("connection: keep-alive\r\nA: 1", false), "connection: keep-alive\r\nA: 1\r\n");
  EXPECT_EQ(block("connection: keep-alive\r\nA: 1", true), "A: 1");
  // The last line of a normalised block has no line break after it, so it stays.
  EXPECT_EQ(block("A: 1\r\nConnection: keep-alive", true), "A: 1\r\nConnection: keep-alive");
}

TEST(RequestHeadersTest, CookieLineComesFromCookiesOnlyWhenTheBlockHasNone) {
  const auto block = [](Text extra, Text cookies, bool normalize = true) {
    return assemble_request_headers({.extra_headers = extra,
                                     .cookies = cookies,
                                     .add_default_headers = false,
                                     .normalize_headers = normalize});
  };
  EXPECT_EQ(block("A: 1", "a=1"), "A: 1\r\nCookie: a=1\r\n");
  EXPECT_EQ(block("A: 1", "cookie: a=1"), "A: 1\r\ncookie: a=1\r\n");
  EXPECT_EQ(block("COOKIE: b=2", "a=1"), "COOKIE: b=2");
  EXPECT_EQ(block("", "a=1"), "\r\nCookie: a=1\r\n");
  // After a block that ends with a line break, the cookie line leaves an empty line.
  EXPECT_EQ(block("A: 1", "a=1", false), "A: 1\r\n\r\nCookie: a=1\r\n");
}

TEST(RequestHeadersTest, NothingAtAllGivesAnEmptyBlock) {
  EXPECT_EQ(assemble_request_headers({.add_default_headers = false, .normalize_headers = false}),
            "");
}

}  // namespace
}  // namespace lc
