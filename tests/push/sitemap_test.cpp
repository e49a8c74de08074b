// The sitemap reader and the secrets a run hides, on their own.
#include <gtest/gtest.h>
#include <zlib.h>

#include "push/engines/secrets.h"
#include "push/sources/sitemap.h"
#include "push/texts/failure.h"

namespace lc::push {
namespace {

std::string gzipped(const std::string& text) {
  z_stream stream{};
  deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, text.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

constexpr const char* kUrlset =
    "<?xml version=\"1.0\"?>\n<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n"
    "<url><loc> https://a.example/1?a=1&amp;b=2 </loc><lastmod>2026-12-01</lastmod></url>\n"
    "<url><loc><![CDATA[https://a.example/2?x=1&y=2]]></loc></url>\n</urlset>\n";

TEST(SitemapTest, ReadsPagesAndIndexes) {
  for (const std::string& data : {std::string(kUrlset), gzipped(kUrlset)}) {
    const Sitemap sitemap = read_sitemap(data);
    ASSERT_EQ(sitemap.pages.size(), 2u);
    EXPECT_EQ(sitemap.pages[0].location, "https://a.example/1?a=1&b=2");
    EXPECT_EQ(sitemap.pages[0].last_modified, "2026-12-01");
    EXPECT_EQ(sitemap.pages[1].location, "https://a.example/2?x=1&y=2");
  }
  const Sitemap index = read_sitemap(
      "<sitemapindex><sitemap><loc>https://a.example/s1.xml</loc></sitemap>"
      "<sitemap><loc>https://a.example/s2.xml.gz</loc></sitemap></sitemapindex>");
  EXPECT_EQ(index.sitemaps,
            (std::vector<std::string>{"https://a.example/s1.xml", "https://a.example/s2.xml.gz"}));
}

TEST(SitemapTest, RefusesWhatIsNoSitemapWithItsLine) {
  const std::string gzip = gzipped(kUrlset);
  const struct {
    std::string data;
    std::string error;
  } cases[] = {
      {"<!DOCTYPE html>\n<html><body>x</body></html>", "第 2 行：不是站点地图（根元素为 <html>）"},
      {"<urlset>\n<url><loc>x</lo></url>\n</urlset>", "第 2 行："},
      {"", "第 1 行："},
      {gzip.substr(0, gzip.size() / 2), "gzip 数据损坏或不完整"},
      // An entity is never expanded: a billion laughs is a refusal, not a gigabyte.
      {"<!DOCTYPE urlset [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>\n"
       "<urlset><url><loc>https://a.example/&b;</loc></url></urlset>",
       "第 2 行：Entity 'b' not defined"},
      {gzipped("<urlset>" + std::string(kLargestSitemap, ' ') + "</urlset>"),
       "超过站点地图的上限 50 MB"},
  };
  for (const auto& c : cases) {
    try {
      read_sitemap(c.data);
      ADD_FAILURE() << c.error;
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.exit_code(), kUsageOrInput);
      EXPECT_TRUE(std::string_view(failure.what()).starts_with(c.error)) << failure.what();
    }
  }
}

TEST(SecretsTest, HidesEverySpellingAndEveryQuote) {
  Secrets secrets;
  secrets.add_address("https://push.example/urls?site=a&Token=t0ken-1&monkey=banana");
  secrets.add("indexnow-key-1");
  const struct {
    std::string text;
    std::string hidden;
  } cases[] = {
      {"https://push.example/urls?site=a&Token=t0ken-1&monkey=banana",
       "https://push.example/urls?site=a&Token=***&monkey=banana"},
      {"http://x/?TOKEN=other&key=k2#f", "http://x/?TOKEN=***&key=***#f"},
      {"token t0ken-1 is not valid", "token *** is not valid"},
      {R"({"message":"key indexnow-key-1 refused"})", R"({"message":"key *** refused"})"},
      {"nothing secret", "nothing secret"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(secrets.hidden(c.text), c.hidden) << c.text;
}

}  // namespace
}  // namespace lc::push
