// linkcourier-push end to end, against the simulator on loopback. The config file: every site to
// every engine, the shipped example, keys against their options, mistakes.
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

// A config of two sites, each pushed to the push interface, IndexNow, Google's Indexing API and
// Bing: each site's sources read once, every engine's requests in order (the simulator checks
// the token's signature and claims), secrets from the environment and from files; a second run
// sends nothing, --site with --engine keeps to one site's one engine, and a refused API key is
// explained.
TEST_F(PushProgramTest, ConfigPushesEverySiteToEveryEngine) {
  const std::string key = "k3y-0f-b0th-s1tes";
  port_ = unused_port();
  const std::string root = "http://127.0.0.1:" + std::to_string(port_);
  google_account(root);
  start_simulator({"--protocol", "indexnow", "--token", key, "--site", "www.example.com", "--site",
                   "shop.example.com", "--google-key", files_.file("public.pem")});
  write("key.txt", key + "\n");
  write("shop-interface.txt", root + "/urls?site=shop.example.com&token=" + key);
  write("www.txt", numbered_links(0, 3) + "https://other.example.org/x\n");
  write("shop.xml",
        "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">"
        "<url><loc>https://shop.example.com/a</loc></url>"
        "<url><loc>https://shop.example.com/b</loc></url></urlset>");
  const std::string engines = "[site.indexnow]\nendpoint = \"" + root +
                              "/indexnow\"\nkey_file = \"key.txt\"\nkey_location = \"" + root +
                              "/" + key + ".txt\"\n[site.bing]\napi_key_env = \"BING_KEY\"\n" +
                              "endpoint = \"" + root + "/webmaster/api.svc/json\"\n" +
                              "[site.google]\nservice_account = \"account.json\"\nendpoint = \"" +
                              root + "\"\n";
  const std::string config =
      write("config.toml",
            "state = \"state.db\"\n[[site]]\nname = \"www\"\nfiles = [\"www.txt\"]\n"
            "[site.push]\ninterface_env = \"WWW_INTERFACE\"\nbatch = 2\n" +
                engines +
                "[[site]]\nname = \"shop\"\nsitemaps = [\"shop.xml\"]\n"
                "[site.push]\ninterface_file = \"shop-interface.txt\"\n" +
                engines);
  const std::string interface_variable =
      "WWW_INTERFACE='" + root + "/urls?site=www.example.com&token=" + key + "'";
  const std::string environment = "BING_KEY=" + key + " " + interface_variable;
  const Outcome first = push("--config " + config, "", environment);
  EXPECT_EQ(first.exit_code, 0) << first.output;
  EXPECT_EQ(first.output.find(key), std::string::npos) << "secrets are never printed";
  // A link of another host is left out, said once for the site, not once for each engine.
  const std::string skipped = "站点 www 有 1 条链接不属于 www.example.com，已跳过";
  const std::size_t said = first.output.find(skipped);
  EXPECT_NE(said, std::string::npos) << first.output;
  EXPECT_EQ(first.output.find(skipped, said + 1), std::string::npos) << first.output;
  EXPECT_EQ(first.output.find("不属于 www.example.com 的链接"), std::string::npos);
  // www: two push requests, the key file and one IndexNow request, a token and one batch for
  // Google, the quota and one batch for Bing; shop the same with one push request and the token
  // it already has.
  const std::string quota = "GET /webmaster/api.svc/json/GetUrlSubmissionQuota?siteUrl=https%3A";
  const std::string batch = "POST /webmaster/api.svc/json/SubmitUrlbatch?apikey=";
  const std::vector<std::string> expected = {"POST /urls?site=www",
                                             "POST /urls?site=www",
                                             "GET /" + key,
                                             "POST /indexnow",
                                             "POST /token",
                                             "POST /batch",
                                             quota,
                                             batch,
                                             "POST /urls?site=shop",
                                             "GET /" + key,
                                             "POST /indexnow",
                                             "POST /batch",
                                             quota,
                                             batch};
  ASSERT_EQ(requests_recorded(), static_cast<int>(expected.size())) << first.output;
  for (std::size_t n = 0; n < expected.size(); ++n)
    EXPECT_EQ(recorded(static_cast<int>(n + 1)).rfind(expected[n], 0), 0u) << n;
  EXPECT_NE(recorded(5).find("grant_type=urn%3Aietf%3Aparams%3Aoauth%3Agrant-type%3Ajwt-bearer"
                             "&assertion=eyJ"),
            std::string::npos);
  const std::string google_batch = recorded(12);
  EXPECT_NE(google_batch.find("Authorization: Bearer simulated-1\r\n"), std::string::npos);
  EXPECT_NE(google_batch.find("POST /v3/urlNotifications:publish HTTP/1.1\r\nContent-Type: "
                              "application/json\r\n\r\n"
                              R"({"type":"URL_UPDATED","url":"https://shop.example.com/b"})"),
            std::string::npos)
      << google_batch;
  EXPECT_NE(recorded(11).find("\"host\":\"shop.example.com\""), std::string::npos);
  EXPECT_NE(recorded(14).find(R"({"siteUrl":"https://shop.example.com/","urlList":[)"
                              R"("https://shop.example.com/a","https://shop.example.com/b"]})"),
            std::string::npos);

  const Outcome again = push("--config " + config, "", environment);
  EXPECT_EQ(again.exit_code, 0) << again.output;
  EXPECT_EQ(requests_recorded(), static_cast<int>(expected.size())) << again.output;
  EXPECT_NE(again.output.find("shop / bing：发送 0 条，成功 0 条，被拒绝 0 条，待推送 0 条"),
            std::string::npos)
      << again.output;

  write("www.txt", numbered_links(0, 4));
  const Outcome one = push("--config " + config + " --site www --engine indexnow", "", environment);
  EXPECT_EQ(one.exit_code, 0) << one.output;
  ASSERT_EQ(requests_recorded(), static_cast<int>(expected.size()) + 2);
  EXPECT_NE(recorded(16).find(numbered_links(3, 4).substr(0, 30)), std::string::npos);

  // Quiet, a run that needs a person still says why, and sums up.
  const Outcome refused = push("--config " + config + " --site www --engine bing -q", "",
                               "BING_KEY=wrong-key " + interface_variable);
  EXPECT_EQ(refused.exit_code, 1) << refused.output;
  EXPECT_NE(refused.output.find("API 密钥无效"), std::string::npos) << refused.output;
  EXPECT_NE(refused.output.find("www / bing："), std::string::npos) << refused.output;
  EXPECT_EQ(refused.output.find("== 站点"), std::string::npos) << refused.output;
  // With --json, what goes to standard error names its site and engine.
  const Outcome json = push("--config " + config + " --site www --engine bing --json", "",
                            "BING_KEY=wrong-key " + interface_variable);
  EXPECT_NE(json.output.find("www / bing：API 密钥无效"), std::string::npos) << json.output;
}

// The example config the package ships, every key of it, with its secrets, addresses and folders
// pointed at this test's: each site goes to each of its engines with exactly its own links.
TEST_F(PushProgramTest, TheShippedExampleConfigPushesEverySite) {
  const std::string key = "0123456789abcdef";
  port_ = unused_port();
  const std::string root = "http://127.0.0.1:" + std::to_string(port_);
  google_account(root);
  start_simulator({"--protocol", "indexnow", "--token", key, "--site", "www.example.com", "--site",
                   "127.0.0.1", "--site", "blog.example.com", "--google-key",
                   files_.file("public.pem")});
  ScriptedServer shop({respond("HTTP/1.1 200 OK", {}, "a shop page")});
  write("www.xml", urlset(0, 3));
  write("extra-links.txt", numbered_links(3, 5));
  write("shop-index.xml", "<sitemapindex><sitemap><loc>" + files_.file("shop.xml") +
                              "</loc></sitemap></sitemapindex>");
  write("shop.xml", "<urlset><url><loc>" + shop.url("/a.html") + "</loc></url></urlset>");
  write("shop.url", root + "/urls?site=127.0.0.1&token=" + key);
  write("indexnow-key", key);
  write("bing.key", key);
  std::filesystem::create_directory(files_.file("blog"));
  write("blog/index.html", "<p>the blog</p>");
  const std::string indexnow =
      "\nkey_location = \"" + root + "/" + key + ".txt\"\nendpoint = \"" + root + "/indexnow\"";
  const std::pair<std::string, std::string> pointed[] = {
      {"/var/lib/linkcourier/state.db", files_.file("state.db")},
      {"https://www.example.com/sitemap.xml", files_.file("www.xml")},
      {"/srv/www/extra-links.txt", files_.file("extra-links.txt")},
      {"https://www.example.com/0123456789abcdef.txt", root + "/" + key + ".txt"},
      {"https://api.indexnow.org/indexnow", root + "/indexnow"},
      {"/etc/linkcourier/example.indexnow-key", files_.file("indexnow-key")},
      {"/etc/linkcourier/google.json", files_.file("account.json")},
      {"https://indexing.googleapis.com", root},
      {"/etc/linkcourier/bing.key", files_.file("bing.key")},
      {"https://ssl.bing.com/webmaster/api.svc/json", root + "/webmaster/api.svc/json"},
      {"https://shop.example.com/sitemap_index.xml", files_.file("shop-index.xml")},
      {"/etc/linkcourier/shop.url", files_.file("shop.url")},
      {"/srv/www/blog", files_.file("blog")},
      {"\"/etc/linkcourier/blog.indexnow-key\"",
       "\"" + files_.file("indexnow-key") + "\"" + indexnow},
  };
  std::string config = read_file_at(LINKCOURIER_EXAMPLE_CONFIG);
  for (const auto& [from, to] : pointed) {
    const std::size_t at = config.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    config.replace(at, from.size(), to);
  }
  const std::string interface = root + "/urls?site=www.example.com&token=" + key;
  const Outcome outcome = push("--config " + write("sites.toml", config), "",
                               "EXAMPLE_PUSH_INTERFACE='" + interface + "'");
  EXPECT_EQ(outcome.exit_code, 0) << outcome.output;
  std::map<std::string, std::string> bodies;  // the first line of each request, and its body
  for (int n = 1; n <= requests_recorded(); ++n) {
    const std::string request = recorded(n);
    const std::string line = request.substr(0, request.find_first_of("\r\n"));
    bodies[line] += links_of(request);
    // The push interface gets the window's headers; the engines' APIs hear from this program.
    const std::string head = request.substr(0, request.find("\r\n\r\n") + 2);
    if (line.starts_with("POST /urls")) {
      EXPECT_NE(head.find("User-Agent: Mozilla/5.0 (compatible; MSIE 9.0;"), std::string::npos);
    } else if (!line.ends_with(".txt")) {
      EXPECT_NE(head.find("\r\nUser-Agent: linkcourier-push/"), std::string::npos) << head;
      EXPECT_NE(head.find("\r\nAccept: application/json\r\n"), std::string::npos) << head;
      EXPECT_EQ(head.find("gbk"), std::string::npos) << head;
    }
  }
  const std::string www = "/urls?site=www.example.com&token=" + key;
  EXPECT_EQ(bodies["POST " + www],
            "https://www.example.com/p/100000.html\r\n"
            "https://www.example.com/p/100001.html\r\n"
            "https://www.example.com/p/100002.html\r\n"
            "https://www.example.com/p/100003.html\r\n"
            "https://www.example.com/p/100004.html");
  EXPECT_EQ(bodies["POST /urls?site=127.0.0.1&token=" + key], shop.url("/a.html"));
  EXPECT_NE(bodies["POST /indexnow"].find("\"urlList\":[\"https://blog.example.com/\"]"),
            std::string::npos)
      << bodies["POST /indexnow"];
  EXPECT_NE(bodies["POST /batch"].find("https://www.example.com/p/100004.html"), std::string::npos);
  const Outcome status = push("status --json --state " + files_.file("state.db"));
  EXPECT_EQ(status.output.find("\"site\": \"\""), std::string::npos) << status.output;
  for (const char* engine : {"push", "indexnow", "google", "bing"})
    EXPECT_NE(status.output.find("\"engine\": \"" + std::string(engine) + "\""), std::string::npos);
}

// Two sites on one service account share its quota; each run pushes, and reports, its own site's
// links only.
TEST_F(PushProgramTest, SitesSharingAnAccountEachReportTheirOwn) {
  port_ = unused_port();
  const std::string root = "http://127.0.0.1:" + std::to_string(port_);
  google_account(root);
  start_simulator({"--google-key", files_.file("public.pem")});
  write("www.txt", numbered_links(0, 3));
  write("shop.txt", "https://shop.example.com/a\nhttps://shop.example.com/b\n");
  const std::string google = "[site.google]\nservice_account = \"account.json\"\nendpoint = \"" +
                             root + "\"\ndaily_quota = 2\n";
  const std::string config = write(
      "config.toml", "state = \"state.db\"\n[[site]]\nname = \"www\"\nfiles = [\"www.txt\"]\n" +
                         google + "[[site]]\nname = \"shop\"\nfiles = [\"shop.txt\"]\n" + google);
  const Outcome outcome = push("--config " + config);
  EXPECT_EQ(outcome.exit_code, 0) << outcome.output;
  for (const char* line : {"www / google：发送 2 条，成功 2 条，被拒绝 0 条，待推送 1 条",
                           "shop / google：发送 0 条，成功 0 条，被拒绝 0 条，待推送 2 条"})
    EXPECT_NE(outcome.output.find(line), std::string::npos) << line << "\n" << outcome.output;
  // Quiet, a normal night is silent; a key file others can read is said once, named.
  const Outcome warned = push("--config " + config + " -q");
  EXPECT_EQ(warned.exit_code, 0);
  if (std::getenv("LINKCOURIER_PUSH_COMMAND") == nullptr) {
    EXPECT_EQ(warned.output, files_.file("account.json") +
                                 ": 警告：其他用户可以读取此文件；请用 chmod o-r 收紧权限\n");
  }
  std::filesystem::permissions(files_.file("account.json"), std::filesystem::perms::owner_read);
  const Outcome quiet = push("--config " + config + " -q");
  EXPECT_EQ(quiet.exit_code, 0);
  EXPECT_EQ(quiet.output, "");
}

// A site's settings in the config act as their options do, and an option given beside the config
// comes first.
TEST_F(PushProgramTest, ConfigKeysActAsTheirOptions) {
  const std::string interface = "WWW='" + start_simulator({}) + "'";
  const struct {
    std::string keys;
    std::string options;
    std::string said;
  } cases[] = {
      {"deletions = true\ndeletion_limit = 50\n", "", "3 条链接已删除"},
      {"deletions = true\n", "", "（共 10 条，超过 20%）"},
      {"", "--deletions --deletion-limit 50", "3 条链接已删除"},
      {"deletions = true\ndeletion_limit = 50\n", "--deletion-limit 10", "超过 10%"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(files_.file("state.db"));
    const std::string config = write(
        "config.toml", "state = \"state.db\"\n[[site]]\nname = \"www\"\nfiles = [\"links\"]\n" +
                           c.keys + "[site.push]\ninterface_env = \"WWW\"\n");
    write("links", numbered_links(0, 10));
    ASSERT_EQ(push("--config " + config, "", interface).exit_code, 0);
    write("links", numbered_links(0, 7));
    const Outcome second = push("--config " + config + " " + c.options, "", interface);
    EXPECT_NE(second.output.find(c.said), std::string::npos) << c.keys << second.output;
  }
}

// A site whose secret cannot be had is reported and the others are pushed; the exit code says
// that something failed. Under the service the secret comes as a credential.
TEST_F(PushProgramTest, ASiteWithoutItsSecretDoesNotStopTheOthers) {
  const std::string address = start_simulator({});
  write("links.txt", numbered_links(0, 2));
  const std::string config =
      write("config.toml",
            "[[site]]\nname = \"a\"\nfiles = [\"links.txt\"]\n[site.push]\ninterface_file = "
            "\"missing.url\"\n[[site]]\nname = \"b\"\nfiles = [\"links.txt\"]\n[site.push]\n"
            "interface_env = \"B_INTERFACE\"\n");
  const Outcome outcome =
      push("--no-state --config " + config, "", "B_INTERFACE='" + address + "'");
  EXPECT_EQ(outcome.exit_code, 2) << outcome.output;
  EXPECT_NE(outcome.output.find(config + ":5: site[1].push.interface_file: "), std::string::npos)
      << outcome.output;
  EXPECT_NE(outcome.output.find("a / push：发送 0 条"), std::string::npos) << outcome.output;
  EXPECT_NE(outcome.output.find("b / push：发送 2 条，成功 2 条"), std::string::npos)
      << outcome.output;
  EXPECT_EQ(requests_recorded(), 1);
  // Under the service, the credential systemd hands over for a secret's file stands in for it.
  std::filesystem::create_directory(files_.file("credentials"));
  write("credentials/linkcourier_missing.url", address);
  const Outcome served = push(
      "--no-state --config " + config, "",
      "CREDENTIALS_DIRECTORY=" + files_.file("credentials") + " B_INTERFACE='" + address + "'");
  EXPECT_EQ(served.exit_code, 0) << served.output;
  EXPECT_EQ(requests_recorded(), 3);
}

// Every mistake in a config is reported with its line and key before anything is sent.
TEST_F(PushProgramTest, ConfigMistakesAreReportedWithLineAndKey) {
  start_simulator({});
  write("links.txt", numbered_links(0, 1));
  write("short-key.txt", "short\n");
  write("interface.txt", "http://127.0.0.1:1/urls?token=t\n");
  const std::string site = "[[site]]\nname = \"a\"\nfiles = [\"links.txt\"]\n";
  const std::string push_section = "[site.push]\ninterface_file = \"interface.txt\"\n";
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"[[site]\n", "config.toml:1:"},
      {"", "config.toml:1: site: 没有站点"},
      {site + "colour = \"red\"\n" + push_section, "config.toml:4: site[1].colour: 未知的键"},
      {site + push_section + "batch = 0\n", "config.toml:6: site[1].push.batch: 应为 1 到"},
      {site + "[site.push]\ninterface_env = \"LINKCOURIER_TEST_UNSET\"\n",
       "config.toml:5: site[1].push.interface_env: 环境变量 LINKCOURIER_TEST_UNSET 未设置"},
      {site + push_section + "interface_env = \"X\"\n",
       "config.toml:4: site[1].push: 应给出 interface_env 或 interface_file"},
      {site + "[site.indexnow]\nkey_file = \"short-key.txt\"\n",
       "config.toml:5: site[1].indexnow.key: IndexNow 密钥应为"},
      {site + "[site.indexnow]\nkey_file = \"missing.txt\"\n",
       "config.toml:5: site[1].indexnow.key_file: "},
      {site, "config.toml:1: site[1]: 站点没有引擎"},
      {"[[site]]\nname = \"a\"\n" + push_section, "config.toml:1: site[1]: 站点没有来源"},
      {site + push_section + site + push_section, "config.toml:7: site[2].name: 站点名重复"},
      {site + "[site.google]\nservice_account = \"links.txt\"\n",
       "config.toml:5: site[1].google.service_account: "},
      {site + "[site.google]\ndaily_quota = 0\n",
       "config.toml:5: site[1].google.daily_quota: 应为"},
      {site + "folder = \"www\"\n" + push_section,
       "config.toml:1: site[1].folder: 须与 site[1].base 一起给出"},
      {site + "changed_by = \"dates\"\n" + push_section, "config.toml:4: site[1].changed_by: 应为"},
      {site + "deletions = \"yes\"\n" + push_section,
       "config.toml:4: site[1].deletions: 应为 true 或 false"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = push("--config " + write("config.toml", c.text));
    EXPECT_EQ(outcome.exit_code, 2) << c.text;
    EXPECT_NE(outcome.output.find(files_.file(c.message)), std::string::npos) << c.text << "\n"
                                                                              << outcome.output;
  }
  EXPECT_EQ(requests_recorded(), 0);
  // A file with secrets in reach of every user is named, as ssh names one.
  if (std::getenv("LINKCOURIER_PUSH_COMMAND") == nullptr) {
    std::filesystem::permissions(files_.file("interface.txt"), std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add);
    const Outcome readable =
        push("--dry-run --config " + write("config.toml", site + push_section));
    EXPECT_NE(readable.output.find(files_.file("interface.txt") + ": 警告"), std::string::npos)
        << readable.output;
  }
  for (const char* given : {"-i http://127.0.0.1:1/", "--changed-by content", "--fetch-budget 9"})
    EXPECT_EQ(push("--config x.toml " + std::string(given)).exit_code, 2) << given;
}

}  // namespace
}  // namespace lc::test
