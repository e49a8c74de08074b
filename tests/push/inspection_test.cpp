// linkcourier-push end to end: the links engines accepted, inspected days later against the
// simulator's scripted index, within the limits a config gives, the refusals in plain words.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "push/engines/client.h"
#include "tests/push/push_fixture.h"

namespace lc::test {
namespace {

const std::string kBingKey = "BING_KEY=demo-token";

// How many requests the simulator recorded that begin with `line`.
int requests_starting(const std::function<std::string(int)>& recorded, int count,
                      const std::string& line) {
  int found = 0;
  for (const std::string& request : all_recorded(recorded, count))
    found += request.rfind(line, 0) == 0;
  return found;
}

// Pushed today, inspected two days on: Google within the config's three a day (the rest the next
// day), Bing all at once; a link that stays out is inspected again a week later, when the
// property refuses the account and the run says so.
TEST_F(PushProgramTest, AcceptedLinksAreInspectedWithinTheDaysLimit) {
  port_ = unused_port();
  const std::string root = "http://127.0.0.1:" + std::to_string(port_);
  google_account(root);
  const std::vector<std::string> simulator = {
      "--google-key", files_.file("public.pem"), "--index-after", "0", "--never-indexed", "never"};
  start_simulator(simulator);
  write("links.txt",
        "https://www.example.com/a\nhttps://www.example.com/b\nhttps://www.example.com/c\n"
        "https://www.example.com/never\n");
  const std::string config =
      write("config.toml",
            "state = \"state.db\"\n[[site]]\nname = \"www\"\nfiles = [\"links.txt\"]\n"
            "[site.google]\nservice_account = \"account.json\"\nendpoint = \"" +
                root + "\"\ninspect = true\ndaily_inspections = 3\ninspection_endpoint = \"" +
                root + "\"\n[site.bing]\napi_key_env = \"BING_KEY\"\nendpoint = \"" + root +
                "/webmaster/api.svc/json\"\ninspect = true\n");
  const auto recorded = [this](int n) { return this->recorded(n); };
  const std::string inspect_call = "POST /v1/urlInspection/index:inspect";
  const std::string url_info = "GET /webmaster/api.svc/json/GetUrlInfo?siteUrl=https%3A%2F%2F";

  const Outcome pushed = push("--config " + config, "", kBingKey);
  ASSERT_EQ(pushed.exit_code, 0) << pushed.output;
  EXPECT_NE(pushed.output.find("没有到了检查时候的链接"), std::string::npos) << pushed.output;

  const Outcome first = push("inspect --config " + config, "", kBingKey + " " + moved_clock("+2d"));
  EXPECT_EQ(first.exit_code, 0) << first.output;
  EXPECT_NE(first.output.find("检查了 3 条链接：3 条已收录，0 条未收录"), std::string::npos)
      << first.output;
  EXPECT_NE(first.output.find("检查了 4 条链接：3 条已收录，1 条未收录"), std::string::npos)
      << first.output;
  int count = requests_recorded();
  EXPECT_EQ(requests_starting(recorded, count, inspect_call), 3);
  EXPECT_EQ(requests_starting(recorded, count, url_info), 4);
  for (const std::string& request : all_recorded(recorded, count)) {
    if (request.rfind(inspect_call, 0) != 0) continue;
    // Its own token, for the read-only scope the simulator checks, not the publishing one.
    EXPECT_NE(request.find("Authorization: Bearer simulated-2\r\n"), std::string::npos);
    EXPECT_NE(request.find("\r\n\r\n{\"inspectionUrl\":\"https://www.example.com/a\","
                           "\"siteUrl\":\"https://www.example.com/\"}"),
              std::string::npos)
        << request;
    break;
  }

  const Outcome spent =
      push("inspect --config " + config + " --engine google", "", moved_clock("+2d"));
  EXPECT_EQ(spent.exit_code, 0) << spent.output;
  EXPECT_NE(spent.output.find("超出当天的检查配额"), std::string::npos) << spent.output;
  EXPECT_EQ(requests_recorded(), count);

  const Outcome next_day =
      push("inspect --config " + config, "", kBingKey + " " + moved_clock("+3d"));
  EXPECT_EQ(next_day.exit_code, 0) << next_day.output;
  EXPECT_NE(next_day.output.find("检查了 1 条链接：0 条已收录，1 条未收录"), std::string::npos)
      << next_day.output;
  EXPECT_EQ(requests_starting(recorded, requests_recorded(), inspect_call), 4);
  // Every accepted link inspected: the figures are the simulator's index.
  const Outcome status = push("status --json --state " + files_.file("state.db"));
  const nlohmann::json destinations = nlohmann::json::parse(status.output, nullptr, false);
  ASSERT_TRUE(destinations.is_array()) << status.output;
  for (const auto& destination : destinations) {
    EXPECT_EQ(destination.value("indexed", -1), 3) << destination.dump();
    EXPECT_EQ(destination.value("not_indexed", -1), 1) << destination.dump();
    EXPECT_EQ(destination.value("not_inspected", -1), 0) << destination.dump();
  }
  const Outcome table = push("status --state " + files_.file("state.db"));
  EXPECT_NE(table.output.find("已收录   未收录   未检查 收录用时中位数 九成收录用时"),
            std::string::npos)
      << table.output;
  // Pushed, then found indexed by the inspection two days on.
  EXPECT_NE(table.output.find("2.0 天"), std::string::npos) << table.output;
  const Outcome out =
      push("status --not-indexed --site www.example.com --state " + files_.file("state.db"));
  EXPECT_EQ(out.output.rfind("engine,site,url,coverage,inspected,first_accepted,last_crawl,"
                             "repushes,destination",
                             0),
            0u)
      << out.output;
  for (const std::string coverage : {"Crawled - currently not indexed", "Not crawled"}) {
    EXPECT_NE(out.output.find(",www.example.com,https://www.example.com/never," + coverage + ","),
              std::string::npos)
        << out.output;
  }
  // The report: three of four links indexed by the last day, each two days after it was pushed.
  const std::string page = files_.file("report.html");
  ASSERT_EQ(
      push("report --html " + page + " --state " + files_.file("state.db"), "", moved_clock("+3d"))
          .exit_code,
      0);
  const std::string html = read_file_at(page);
  for (const std::string bar : {"data-indexed-share=\"75\"><title>",
                                "data-days=\"2 天\" "
                                "data-indexed=\"3\">"}) {
    EXPECT_NE(html.find(bar), std::string::npos) << bar;
    EXPECT_NE(html.find(bar, html.find(bar) + 1), std::string::npos) << "both engines: " << bar;
  }
  const Outcome events = push("history --links --state " + files_.file("state.db"));
  EXPECT_NE(events.output.find("\tinspected\twww.example.com\thttps://www.example.com/never\t"
                               "未收录：Not crawled\t"),
            std::string::npos)
      << events.output;

  // The restarted simulator numbers its requests from 1 again.
  start_simulator({"--google-key", files_.file("public.pem"), "--inspection-refusal", "403"});
  const Outcome refused =
      push("inspect --config " + config + " --engine google", "", moved_clock("+11d"));
  EXPECT_EQ(refused.exit_code, 1) << refused.output;
  EXPECT_NE(refused.output.find("没有权限检查：服务账号须是资源 https://www.example.com/ "
                                "在站长工具里的用户"),
            std::string::npos)
      << refused.output;
  EXPECT_EQ(recorded(2).rfind(inspect_call, 0), 0u);
  EXPECT_NE(recorded(3).rfind(inspect_call, 0), 0u) << "nothing retried blindly";

  // Still out two weeks after it was accepted: pushed again to both, once, and no more after
  // the next inspection finds it out again.
  start_simulator(simulator);
  for (const auto& file : std::filesystem::directory_iterator(records_.path()))
    std::filesystem::remove(file.path());
  const std::string again = "1 条链接被接受 14 天后仍未收录，再推送一次";
  const Outcome repushed = push("--config " + config + " --metrics " + files_.file("m.prom"), "",
                                kBingKey + " " + moved_clock("+15d"));
  const std::string metrics = read("m.prom");
  EXPECT_NE(metrics.find("linkcourier_links_indexed{site=\"www\",engine=\"google\"} 3\n"),
            std::string::npos)
      << metrics;
  EXPECT_NE(metrics.find("linkcourier_inspections_left{site=\"www\",engine=\"google\"} 3\n"),
            std::string::npos)
      << metrics;
  EXPECT_EQ(repushed.exit_code, 0) << repushed.output;
  const std::size_t first_again = repushed.output.find(again);
  EXPECT_NE(first_again, std::string::npos) << repushed.output;
  EXPECT_NE(repushed.output.find(again, first_again + 1), std::string::npos) << repushed.output;
  int never = 0;
  for (const std::string& request : all_recorded(recorded, requests_recorded())) {
    never += request.find("\"https://www.example.com/never\"") != std::string::npos;
    EXPECT_EQ(request.find("\"https://www.example.com/a\""), std::string::npos) << request;
  }
  EXPECT_EQ(never, 2) << "once to each engine";
  EXPECT_EQ(push("inspect --config " + config, "", kBingKey + " " + moved_clock("+17d")).exit_code,
            0);
  const Outcome bounded = push("--config " + config, "", kBingKey + " " + moved_clock("+40d"));
  EXPECT_EQ(bounded.output.find(again), std::string::npos) << bounded.output;
  // Pushed again, a link is accepted again, not a link that waited all along.
  const Outcome links = push("history --links --state " + files_.file("state.db"));
  EXPECT_NE(links.output.find("\treaccepted\twww.example.com\thttps://www.example.com/never\t"),
            std::string::npos)
      << links.output;
  const std::string later = files_.file("later.html");
  ASSERT_EQ(push("report --html " + later + " --state " + files_.file("state.db"), "",
                 moved_clock("+17d"))
                .exit_code,
            0);
  EXPECT_EQ(read_file_at(later).find("data-waiting=\"1\""), std::string::npos);
}

// Two sites, each a property of its own: each has its own day of inspections, and what status
// tells per site and engine is the simulator's index.
TEST_F(PushProgramTest, EachSiteIsInspectedWithinItsOwnPropertysDay) {
  port_ = unused_port();
  const std::string root = "http://127.0.0.1:" + std::to_string(port_);
  google_account(root);
  start_simulator({"--google-key", files_.file("public.pem"), "--index-after", "0",
                   "--never-indexed", "never", "--site", "www.example.com", "--site",
                   "shop.example.com"});
  std::string config = "state = \"state.db\"\n";
  for (const std::string site : {"www", "shop"}) {
    const std::string host = "https://" + site + ".example.com/";
    write(site + ".txt",
          host + "a\n" + host + "b\n" + host + (site == "shop" ? "never" : "c") + "\n");
    config += "[[site]]\nname = \"" + site + "\"\nfiles = [\"" + site +
              ".txt\"]\n[site.google]\nservice_account = \"account.json\"\nendpoint = \"" + root +
              "\"\ninspect = true\ndaily_inspections = 2\ninspection_endpoint = \"" + root +
              "\"\n[site.bing]\napi_key_env = \"BING_KEY\"\nendpoint = \"" + root +
              "/webmaster/api.svc/json\"\ninspect = true\n";
  }
  const std::string file = write("config.toml", config);
  ASSERT_EQ(push("--config " + file, "", kBingKey).exit_code, 0);
  const Outcome first = push("inspect --config " + file, "", kBingKey + " " + moved_clock("+2d"));
  EXPECT_EQ(first.exit_code, 0) << first.output;
  EXPECT_EQ(requests_starting([this](int n) { return recorded(n); }, requests_recorded(),
                              "POST /v1/urlInspection/index:inspect"),
            4)
      << "two a property";
  ASSERT_EQ(push("inspect --config " + file, "", kBingKey + " " + moved_clock("+3d")).exit_code, 0);
  const Outcome status = push("status --json --state " + files_.file("state.db"));
  std::map<std::string, std::vector<int>> figures;
  for (const auto& destination : nlohmann::json::parse(status.output, nullptr, false)) {
    figures[destination.value("engine", "") + " " + destination.value("site", "")] = {
        destination.value("indexed", -1), destination.value("not_indexed", -1),
        destination.value("not_inspected", -1)};
  }
  const std::map<std::string, std::vector<int>> index = {{"google www.example.com", {3, 0, 0}},
                                                         {"google shop.example.com", {2, 1, 0}},
                                                         {"bing www.example.com", {3, 0, 0}},
                                                         {"bing shop.example.com", {2, 1, 0}}};
  EXPECT_EQ(figures, index) << status.output;
}

// A page announced as removed that the inspection after finds still indexed is announced once
// more, and never again however long it stays; one that left the index is let be.
TEST_F(PushProgramTest, RemovedPagesStillIndexedAreAnnouncedOnceMore) {
  port_ = unused_port();
  const std::string root = "http://127.0.0.1:" + std::to_string(port_);
  google_account(root);
  start_simulator(
      {"--google-key", files_.file("public.pem"), "--index-after", "0", "--stays-indexed", "stay"});
  write(
      "links.txt",
      "https://www.example.com/keep\nhttps://www.example.com/gone\nhttps://www.example.com/stay\n");
  const std::string config =
      write("config.toml",
            "state = \"state.db\"\n[[site]]\nname = \"www\"\nfiles = [\"links.txt\"]\n"
            "deletions = true\ndeletion_limit = 100\n[site.google]\nservice_account = "
            "\"account.json\"\nendpoint = \"" +
                root + "\"\ninspect = true\ninspection_endpoint = \"" + root + "\"\n");
  const std::string again = "1 条已通知删除的链接检查时仍被收录，再通知删除一次";
  ASSERT_EQ(push("--config " + config).exit_code, 0);
  write("links.txt", "https://www.example.com/keep\n");
  // Runs inspect after announcing: what one finds, the next acts on.
  const struct {
    const char* day;
    std::string said;
  } runs[] = {{"", "通知删除 2 条链接"},
              {"+2d", "检查了 3 条链接：2 条已收录，1 条未收录"},
              {"+3d", again},
              {"+5d", "检查了 1 条链接：1 条已收录"},
              {"+5d", "没有到了检查时候的链接"}};
  for (const auto& [day, said] : runs) {
    const Outcome outcome = push("--config " + config, "", *day ? moved_clock(day) : "");
    EXPECT_EQ(outcome.exit_code, 0) << outcome.output;
    EXPECT_NE(outcome.output.find(said), std::string::npos) << day << "\n" << outcome.output;
    if (said != again) {
      EXPECT_EQ(outcome.output.find(again), std::string::npos) << outcome.output;
    }
  }
  int stay = 0, gone = 0;
  for (const std::string& request :
       all_recorded([this](int n) { return recorded(n); }, requests_recorded())) {
    if (request.find("URL_DELETED") == std::string::npos) continue;
    stay += request.find("/stay\"") != std::string::npos;
    gone += request.find("/gone\"") != std::string::npos;
  }
  EXPECT_EQ(stay, 2);
  EXPECT_EQ(gone, 1);
}

// Killed half-way through its inspections, a run leaves each one it made on record: the next
// asks only about the rest, and at most two twice: the one being kept and the one in flight.
TEST_F(PushProgramTest, InspectionsResumeAfterAKill) {
  if (std::getenv("LINKCOURIER_PUSH_COMMAND") != nullptr)
    GTEST_SKIP() << "killing wine64 leaves the Windows process to Wine's server";
  port_ = unused_port();
  const std::string root = "http://127.0.0.1:" + std::to_string(port_);
  start_simulator({"--index-after", "0", "--delay-ms", "100"});
  write("links.txt", numbered_links(0, 20));
  const std::string config =
      write("config.toml",
            "state = \"state.db\"\n[[site]]\nname = \"www\"\nfiles = "
            "[\"links.txt\"]\n[site.bing]\napi_key_env = \"BING_KEY\"\nendpoint = \"" +
                root + "/webmaster/api.svc/json\"\ninspect = true\n");
  ASSERT_EQ(push("--config " + config, "", kBingKey).exit_code, 0);
  const std::string later = kBingKey + " " + moved_clock("+2d");
  const Outcome killed = push("inspect --config " + config, "", later + " timeout -s KILL 1");
  EXPECT_EQ(killed.exit_code, 128 + 9) << killed.output;
  const Outcome rest = push("inspect --config " + config, "", later);
  EXPECT_EQ(rest.exit_code, 0) << rest.output;
  const int asked = requests_starting([this](int n) { return recorded(n); }, requests_recorded(),
                                      "GET /webmaster/api.svc/json/GetUrlInfo?");
  EXPECT_GE(asked, 20);
  EXPECT_LE(asked, 22) << "only the inspections kept and in flight at the kill are made twice";
  const Outcome status = push("status --json --state " + files_.file("state.db"));
  const nlohmann::json counts = nlohmann::json::parse(status.output, nullptr, false);
  ASSERT_TRUE(counts.is_array() && counts.size() == 1) << status.output;
  EXPECT_EQ(counts[0].value("indexed", -1), 20) << status.output;
}

// A site's sitemap handed to Google and Bing when new, only read back while it stays the same,
// handed over again once it changed; a property that refuses the account is said in plain words.
// Google has it alone, without the Indexing API: its links count as told once it is handed over.
TEST_F(PushProgramTest, SitemapsAreHandedOverWhenNewOrChanged) {
  ScriptedServer site(
      {respond("HTTP/1.1 200 OK", {}, urlset(0, 2)), respond("HTTP/1.1 200 OK", {}, urlset(0, 2)),
       respond("HTTP/1.1 200 OK", {}, urlset(0, 3)), respond("HTTP/1.1 200 OK", {}, urlset(0, 4))});
  port_ = unused_port();
  const std::string root = "http://127.0.0.1:" + std::to_string(port_);
  google_account(root);
  const std::string sitemap = site.url("/sitemap.xml");
  const std::string config =
      write("config.toml",
            "state = \"state.db\"\n[[site]]\nname = \"www\"\nsitemaps = [\"" + sitemap +
                "\"]\n[site.google]\nservice_account = \"account.json\"\nendpoint = \"" + root +
                "\"\nsitemaps_only = true\nsitemaps_endpoint = \"" + root +
                "/webmasters/v3\"\n[site.bing]\napi_key_env = \"BING_KEY\"\nendpoint = \"" + root +
                "/webmaster/api.svc/json\"\nsubmit_sitemaps = true\n");
  start_simulator({"--google-key", files_.file("public.pem")});
  const auto recorded = [this](int n) { return this->recorded(n); };
  const std::string resource = "/webmasters/v3/sites/https%3A%2F%2Fwww.example.com%2F/sitemaps/" +
                               push::query_encoded(sitemap) + "\r\n";
  const std::string put = "PUT " + resource, get = "GET " + resource;
  const std::string submit_feed = "POST /webmaster/api.svc/json/SubmitFeed?apikey=demo-token\r\n";
  const std::string read = "站点地图 " + sitemap + "：上次读取于 ";
  // The calls of each run: the two submissions and the two readings, in that order of lines.
  const auto calls = [&](int from) {
    std::vector<int> counts(4);
    const std::vector<std::string> all = all_recorded(recorded, requests_recorded());
    for (std::size_t at = static_cast<std::size_t>(from); at < all.size(); ++at) {
      counts[0] += all[at].rfind(put, 0) == 0;
      counts[1] += all[at].rfind(submit_feed, 0) == 0;
      counts[2] += all[at].rfind(get, 0) == 0;
      counts[3] += all[at].rfind(
                       "GET /webmaster/api.svc/json/GetFeeds?siteUrl=https%3A%2F%2F"
                       "www.example.com%2F&apikey=demo-token\r\n",
                       0) == 0;
    }
    return counts;
  };
  const Outcome first = push("--config " + config, "", kBingKey);
  EXPECT_EQ(first.exit_code, 0) << first.output;
  EXPECT_EQ(calls(0), (std::vector<int>{1, 1, 1, 1})) << first.output;
  const std::size_t submitted = first.output.find("站点地图 " + sitemap + "：已提交");
  EXPECT_NE(first.output.find("站点地图 " + sitemap + "：已提交", submitted + 1), std::string::npos)
      << first.output;
  EXPECT_NE(first.output.find(read), std::string::npos) << first.output;
  EXPECT_NE(first.output.find("2 条链接已由站点地图告知引擎"), std::string::npos) << first.output;
  for (const std::string& request : all_recorded(recorded, requests_recorded())) {
    if (request.rfind(submit_feed, 0) == 0) {
      EXPECT_NE(request.find("\r\n\r\n{\"feedUrl\":\"" + sitemap +
                             "\",\"siteUrl\":\"https://www.example.com/\"}"),
                std::string::npos)
          << request;
    }
  }

  int before = requests_recorded();
  const Outcome same = push("--config " + config, "", kBingKey);
  EXPECT_EQ(same.exit_code, 0) << same.output;
  EXPECT_EQ(calls(before), (std::vector<int>{0, 0, 1, 1})) << same.output;
  EXPECT_EQ(same.output.find("：已提交"), std::string::npos) << same.output;

  before = requests_recorded();
  const Outcome changed = push("--config " + config, "", kBingKey);
  EXPECT_EQ(changed.exit_code, 0) << changed.output;
  EXPECT_EQ(calls(before), (std::vector<int>{1, 1, 1, 1})) << changed.output;
  EXPECT_NE(changed.output.find("1 条链接已由站点地图告知引擎"), std::string::npos)
      << changed.output;
  for (const std::string& request : all_recorded(recorded, requests_recorded()))
    EXPECT_EQ(request.rfind("POST /batch", 0), std::string::npos) << "no Indexing API call";

  start_simulator({"--google-key", files_.file("public.pem"), "--inspection-refusal", "403"});
  const Outcome refused = push("--config " + config + " --engine google");
  EXPECT_EQ(refused.exit_code, 1) << refused.output;
  EXPECT_NE(refused.output.find("站点地图 " + sitemap +
                                "：没有权限：服务账号须是资源 https://www.example.com/ "
                                "在站长工具里有完整权限的用户或所有者"),
            std::string::npos)
      << refused.output;
  EXPECT_EQ(refused.output.find("已由站点地图告知"), std::string::npos) << refused.output;
  const Outcome status = push("status --json --state " + files_.file("state.db"));
  int google = 0;
  for (const auto& destination : nlohmann::json::parse(status.output, nullptr, false)) {
    if (destination.value("engine", "") != "google") continue;
    ++google;
    EXPECT_EQ(destination.value("accepted", -1), 3) << status.output;
    EXPECT_EQ(destination.value("waiting", -1), 1) << "the sitemap was refused";
  }
  EXPECT_EQ(google, 1) << status.output;
}

}  // namespace
}  // namespace lc::test
