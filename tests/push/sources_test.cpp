// linkcourier-push end to end, against the simulator on loopback. Sources: files, sitemaps, site
// folders and content checks, end to end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/push/push_fixture.h"
#include "tests/support/moved_clock.h"
#include "tests/support/scripted_server.h"

namespace lc::test {
namespace {

// A site folder pushed, then changed: one page edited, one only in its build stamp (ignored),
// one added, one removed. Exactly the new and the edited pages go; names beyond ASCII and with
// spaces are encoded as UTF-8, index.html stands for its folder, hidden folders, other files
// and a symbolic link out of the folder are left out.
TEST_F(PushProgramTest, AFolderSendsWhatIsNewOrChanged) {
  namespace fs = std::filesystem;
  const fs::path site = fs::path(files_.file("站点"));
  for (const char* folder : {"blog", "中文 目录", ".git"})
    fs::create_directories(site / fs::path(reinterpret_cast<const char8_t*>(folder)));
  const auto page = [&](const std::string& name, const std::string& text) {
    std::ofstream(site / fs::path(reinterpret_cast<const char8_t*>(name.c_str())), std::ios::binary)
        << text;
  };
  for (const char* name : {"blog/a.html", "blog/b.HTM", "blog/c.html", "index.html",
                           "中文 目录/文章 一.html", ".git/x.html", "logo.png"})
    page(name, std::string("<p>") + name + "</p><!-- built 2026-12-01 -->");
  // Wine shows the Windows program a symbolic link as the file it points to.
  const bool links_seen = std::getenv("LINKCOURIER_PUSH_COMMAND") == nullptr;
  if (links_seen) fs::create_symlink(write("outside.html", "x"), site / "out.html");
  const std::string run =
      "-i '" + start_simulator({}) + "' --state " + files_.file("state.db") + " --folder '" +
      site.string() + "' --base https://www.example.com/ --ignore-content '<!-- built [^>]* -->'";
  const Outcome first = push(run);
  EXPECT_EQ(first.exit_code, 0) << first.output;
  EXPECT_EQ(links_of(recorded(1)),
            "https://www.example.com/\r\n"
            "https://www.example.com/%E4%B8%AD%E6%96%87%20%E7%9B%AE%E5%BD%95/"
            "%E6%96%87%E7%AB%A0%20%E4%B8%80.html\r\n"
            "https://www.example.com/blog/a.html\r\n"
            "https://www.example.com/blog/b.HTM\r\n"
            "https://www.example.com/blog/c.html");
  if (links_seen) {
    EXPECT_NE(first.output.find("指向目录之外的符号链接，已跳过："), std::string::npos);
  }

  page("blog/a.html", "<p>edited</p><!-- built 2026-12-01 -->");
  page("blog/b.HTM", "<p>blog/b.HTM</p><!-- built 2026-12-08 -->");
  page("blog/d.html", "<p>new</p>");
  fs::remove(site / "blog/c.html");
  const Outcome second = push(run);
  EXPECT_EQ(second.exit_code, 0) << second.output;
  EXPECT_EQ(requests_recorded(), 2);
  EXPECT_EQ(links_of(recorded(2)),
            "https://www.example.com/blog/a.html\r\nhttps://www.example.com/blog/d.html");
  EXPECT_NE(second.output.find("已推送过：3条"), std::string::npos) << second.output;

  // The push interface hears of no removal: the removed page is only recorded, and comes back
  // as new when it is there again.
  const Outcome removed = push(run + " --deletions");
  EXPECT_NE(removed.output.find("1 条链接已删除：此引擎没有删除通知"), std::string::npos)
      << removed.output;
  page("blog/c.html", "<p>back</p>");
  EXPECT_EQ(push(run + " --deletions").exit_code, 0);
  EXPECT_EQ(links_of(recorded(3)), "https://www.example.com/blog/c.html");
}

// A rule of what to ignore, added to a site pushed before, makes the next run's hashes a baseline:
// nothing goes for the rule itself, and a real change still goes.
TEST_F(PushProgramTest, ANewIgnoreRuleSendsNothingForItself) {
  std::filesystem::create_directory(files_.file("site"));
  write("site/a.html", "<p>a</p><!-- built 1 -->");
  write("site/b.html", "<p>b</p><!-- built 1 -->");
  const std::string run = "-i '" + start_simulator({}) + "' --state " + files_.file("state.db") +
                          " --folder " + files_.file("site") + " --base https://www.example.com/";
  EXPECT_EQ(push(run).exit_code, 0);
  write("site/a.html", "<p>a</p><!-- built 2 -->");
  const std::string ignoring = run + " --ignore-content '<!-- built [^>]* -->'";
  const Outcome baseline = push(ignoring);
  EXPECT_EQ(baseline.exit_code, 0) << baseline.output;
  EXPECT_EQ(requests_recorded(), 1) << baseline.output;
  write("site/b.html", "<p>b, edited</p><!-- built 3 -->");
  EXPECT_EQ(push(ignoring).exit_code, 0);
  ASSERT_EQ(requests_recorded(), 2);
  EXPECT_EQ(links_of(recorded(2)), "https://www.example.com/b.html");
}

// Pages whose sitemap dates are not trusted are fetched with conditional GETs: a page answering
// 304 and one whose server ignores the validators but sends the same content are unchanged; only
// the page whose content changed goes again.
TEST_F(PushProgramTest, ConditionalGetsFindWhatChanged) {
  const auto page = [](const std::string& etag, const std::string& body) {
    return respond("HTTP/1.1 200 OK",
                   {"ETag: " + etag, "Last-Modified: Tue, 01 Dec 2026 08:00:00 GMT"}, body);
  };
  ScriptedServer pages({page("\"1\"", "one"), page("\"2\"", "two"), page("\"3\"", "three"),
                        respond("HTTP/1.1 304 Not Modified", {}, ""), page("\"2\"", "two"),
                        page("\"3b\"", "three, changed")});
  std::string sitemap = "<urlset>";
  for (const char* name : {"/1.html", "/2.html", "/3.html"})
    sitemap += "<url><loc>" + pages.url(name) + "</loc><lastmod>2099-01-01</lastmod></url>";
  write("sitemap.xml", sitemap + "</urlset>");
  start_simulator({"--site", "127.0.0.1"});
  const std::string run = "-i 'http://127.0.0.1:" + std::to_string(port_) +
                          "/urls?site=127.0.0.1&token=demo-token' --state " +
                          files_.file("state.db") + " --sitemap " + files_.file("sitemap.xml") +
                          " --changed-by content --fetch-concurrency 1";
  EXPECT_EQ(push(run).exit_code, 0);
  const Outcome second = push(run);
  EXPECT_EQ(second.exit_code, 0) << second.output;
  EXPECT_NE(second.output.find("未修改 1，内容相同 1，新取得或已变 1"), std::string::npos)
      << second.output;
  EXPECT_EQ(links_of(recorded(requests_recorded())), pages.url("/3.html"));
  const std::string conditional = pages.requests().at(3);
  EXPECT_NE(conditional.find("If-None-Match: \"1\"\r\n"), std::string::npos) << conditional;
  EXPECT_NE(conditional.find("If-Modified-Since: Tue, 01 Dec 2026 08:00:00 GMT\r\n"),
            std::string::npos);
}

// A budget smaller than the sitemap checks the pages never checked first, then those checked
// longest ago: each page has its turn, not only the first ones.
TEST_F(PushProgramTest, ContentChecksTakeTurnsWithinTheBudget) {
  const Reply page = respond("HTTP/1.1 200 OK", {}, "a page");
  ScriptedServer pages({page, page, page, page});
  std::string sitemap = "<urlset>";
  for (const char* name : {"/1.html", "/2.html", "/3.html"})
    sitemap += "<url><loc>" + pages.url(name) + "</loc></url>";
  write("sitemap.xml", sitemap + "</urlset>");
  start_simulator({"--site", "127.0.0.1"});
  const std::string run = "-i 'http://127.0.0.1:" + std::to_string(port_) +
                          "/urls?site=127.0.0.1&token=demo-token' --state " +
                          files_.file("state.db") + " --sitemap " + files_.file("sitemap.xml") +
                          " --changed-by content --fetch-concurrency 1 --fetch-budget 2";
  EXPECT_EQ(push(run).exit_code, 0);
  EXPECT_EQ(push(run).exit_code, 0);
  ASSERT_EQ(pages.requests().size(), 4u);
  const char* expected[] = {"GET /1.html", "GET /2.html", "GET /3.html", "GET /1.html"};
  for (std::size_t n = 0; n < 4; ++n)
    EXPECT_EQ(pages.requests()[n].rfind(expected[n], 0), 0u) << pages.requests()[n];
}

// Google hears of removed pages (URL_DELETED), but only from a run whose sources were all read
// whole, and past 20 % of the site's links only when confirmed; a dry run lists them.
TEST_F(PushProgramTest, RemovedPagesAreAnnouncedOnlyWhenSafe) {
  port_ = unused_port();
  const std::string root = "http://127.0.0.1:" + std::to_string(port_);
  const std::string run = "--protocol google --service-account " + google_account(root) + " -i " +
                          root + " --state " + files_.file("state.db") + " --deletions --sitemap " +
                          files_.file("sitemap.xml") + " ";
  start_simulator({"--google-key", files_.file("public.pem")});
  const auto pages = [&](int count) { write("sitemap.xml", urlset(0, count)); };
  pages(10);
  EXPECT_EQ(push(run).exit_code, 0);
  pages(9);
  const Outcome one_gone = push(run);
  EXPECT_EQ(one_gone.exit_code, 0) << one_gone.output;
  const std::string announced = recorded(requests_recorded());
  EXPECT_NE(announced.find("\"url\":\"https://www.example.com/p/100009.html\""), std::string::npos);
  EXPECT_NE(announced.find("URL_DELETED"), std::string::npos) << announced;

  std::filesystem::remove(files_.file("sitemap.xml"));
  const int before = requests_recorded();
  const Outcome failed = push(run);
  EXPECT_NE(failed.output.find("有来源未能完整读取：本次不推断已删除的链接"), std::string::npos);
  pages(5);
  const Outcome too_many = push(run);
  EXPECT_NE(too_many.output.find("4 条已接受的链接不在本次的来源中（共 9 条，超过 20%）"),
            std::string::npos)
      << too_many.output;
  const Outcome listed = push(run + "--dry-run --confirm-deletions");
  EXPECT_NE(listed.output.find("将通知删除：https://www.example.com/p/100008.html"),
            std::string::npos)
      << listed.output;
  EXPECT_EQ(requests_recorded(), before);
  EXPECT_EQ(push(run + "--confirm-deletions").exit_code, 0);
  const std::string confirmed = recorded(requests_recorded());
  std::size_t deletions = 0;
  for (std::size_t at = 0; (at = confirmed.find("URL_DELETED", at)) != std::string::npos; ++at)
    ++deletions;
  EXPECT_EQ(deletions, 4u);
}

// A sitemap index served over HTTP names two gzip sitemaps; every page of both is pushed.
TEST_F(PushProgramTest, FollowsASitemapIndexToItsGzipSitemaps) {
  write("a.xml", urlset(0, 3));
  write("b.xml", urlset(3, 5));
  ASSERT_TRUE(run_command({"gzip", "-n", files_.file("a.xml"), files_.file("b.xml")}));
  ScriptedServer sitemaps({respond("HTTP/1.1 200 OK", {}, read("a.xml.gz")),
                           respond("HTTP/1.1 200 OK", {}, read("b.xml.gz"))});
  ScriptedServer index({respond("HTTP/1.1 200 OK", {},
                                "<sitemapindex><sitemap><loc>" + sitemaps.url("/a.xml.gz") +
                                    "</loc></sitemap><sitemap><loc>" + sitemaps.url("/b.xml.gz") +
                                    "</loc></sitemap></sitemapindex>")});
  const std::string address = start_simulator({});
  const Outcome outcome = push("-i '" + address + "' --sitemap " + index.url("/sitemap.xml"));
  EXPECT_EQ(outcome.exit_code, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("成功：5条"), std::string::npos) << outcome.output;
  EXPECT_EQ(sitemaps.requests().size(), 2u);
}

// Sitemaps past the protocol's 50 MB are refused as they arrive, plain or gzip, never held whole.
TEST_F(PushProgramTest, SitemapsPastFiftyMegabytesAreRefusedAsTheyArrive) {
  const std::string padding(52'428'800, ' ');
  write("bomb.xml", "<urlset>" + padding + "</urlset>");
  ASSERT_TRUE(run_command({"gzip", "-n", files_.file("bomb.xml")}));
  ScriptedServer sitemaps({respond("HTTP/1.1 200 OK", {}, "<urlset>" + padding + "</urlset>"),
                           respond("HTTP/1.1 200 OK", {}, read("bomb.xml.gz"))});
  for (const std::string path : {"/plain.xml", "/bomb.xml.gz"}) {
    const Outcome outcome = push("--dry-run --sitemap " + sitemaps.url(path));
    EXPECT_EQ(outcome.exit_code, 2) << outcome.output;
    EXPECT_NE(outcome.output.find(sitemaps.url(path) + ": 超过站点地图的上限 50 MB"),
              std::string::npos)
        << outcome.output;
  }
}

}  // namespace
}  // namespace lc::test
