// linkcourier-push end to end, against the simulator on loopback. Engines: each protocol on the
// wire, its answers read link by link, waits, retries and secrets.
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

// IndexNow: the site's key file is checked first, then 25,000 links go in three POSTs of JSON; a
// key file missing or holding another key, and a spent quota (429) are explained, the rest kept
// pending, the key never printed.
TEST_F(PushProgramTest, IndexNowPostsJsonBatchesAndExplainsRefusals) {
  const std::string key = "a1b2c3d4-e5f6";
  const std::string links = write("links.txt", numbered_links(0, 25000));
  std::string root;
  const auto simulator = [&](const std::string& quota) {
    const std::string address =
        start_simulator({"--protocol", "indexnow", "--token", key, "--quota", quota});
    root = address.substr(0, address.find("/urls"));
    return root + "/indexnow";
  };
  const std::string pending = " --pending " + files_.file("pending.txt") + " ";
  const std::string endpoint = simulator("100000");
  const Outcome all = push("--protocol indexnow --key " + key + " --key-location " + root + "/" +
                           key + ".txt -i " + endpoint + pending + links);
  EXPECT_EQ(all.exit_code, 0) << all.output;
  EXPECT_EQ(requests_recorded(), 4);
  EXPECT_EQ(recorded(1).substr(0, 4), "GET ");
  const std::string last = recorded(4);
  const nlohmann::json body = nlohmann::json::parse(last.substr(last.find("\r\n\r\n") + 4));
  EXPECT_EQ(body["host"], "www.example.com");
  EXPECT_EQ(body["key"], key);
  EXPECT_EQ(body["urlList"].size(), 5000u);

  const struct {
    std::string key;
    std::string key_file;
    std::string quota;
    std::string explanation;
    std::size_t pending;
  } refusals[] = {
      {"wrong-key-123", "wrong-key-123", "100000", "取不到 IndexNow 密钥文件", 25000},
      {"wrong-key-123", key, "100000", "里不是这个密钥", 25000},
      // A request refused whole counts as sent and refused; its links wait.
      {key, key, "15000", "共发送：20000条，成功：10000条，被拒绝：10000条，待推送：15000条",
       15000},
  };
  for (const auto& c : refusals) {
    const std::string endpoint = simulator(c.quota);
    const Outcome outcome =
        push("--no-state --protocol indexnow --key " + c.key + " --key-location " + root + "/" +
             c.key_file + ".txt -i " + endpoint + pending + links);
    EXPECT_EQ(outcome.exit_code, 1) << outcome.output;
    EXPECT_NE(outcome.output.find(c.explanation), std::string::npos) << outcome.output;
    EXPECT_EQ(outcome.output.find(c.key), std::string::npos) << "the key is never printed";
    EXPECT_EQ(read("pending.txt"), numbered_links(25000 - static_cast<int>(c.pending), 25000));
  }
  EXPECT_EQ(push("--protocol indexnow --key short -i " + simulator("1") + " " + links).exit_code,
            2);
}

// Google gives 200 publish calls a day, counted by Pacific days: of 250 links two batches of 100
// go and 50 wait, another run that day sends nothing, `status` shows the quota and when it
// resets, and the next day the 50 go. A site the account does not own (403) and a quota spent
// early (429) are explained, and the links wait.
TEST_F(PushProgramTest, GoogleQuotaIsCountedByItsDays) {
  port_ = unused_port();
  const std::string root = "http://127.0.0.1:" + std::to_string(port_);
  const std::string google =
      "--protocol google --service-account " + google_account(root) + " -i " + root + " ";
  const std::string state = "--state " + files_.file("state.db") + " ";
  start_simulator({"--google-key", files_.file("public.pem")});
  const std::string links = write("links.txt", numbered_links(0, 250));
  const Outcome first = push(google + state + links);
  EXPECT_EQ(first.exit_code, 0) << first.output;
  EXPECT_NE(first.output.find("成功：200条，被拒绝：0条，待推送：50条"), std::string::npos)
      << first.output;
  EXPECT_EQ(requests_recorded(), 3);  // the token and two batches
  // Quiet, a night that leaves links only for the engine's next day says nothing.
  const Outcome quiet = push(google + state + links + " -q");
  EXPECT_EQ(quiet.exit_code, 0);
  EXPECT_EQ(quiet.output, "");
  EXPECT_EQ(requests_recorded(), 3);
  // The day's quota spent, given anew at midnight Pacific time, shown in the machine's zone.
  const Outcome status = push("status --state " + files_.file("state.db"), "", "TZ=UTC");
  const std::vector<std::string> row = status_row(status.output, "google");
  ASSERT_EQ(row.size(), 12u) << status.output;
  EXPECT_EQ(row[3] + " " + row[4] + " " + row[6], "200 50 0") << status.output;
  EXPECT_TRUE(row[8] == "08:00" || row[8] == "07:00") << status.output;
  const Outcome next_day_run = push(google + state + links + " -q", "", next_day());
  EXPECT_EQ(next_day_run.exit_code, 0) << next_day_run.output;
  EXPECT_EQ(next_day_run.output, "");
  EXPECT_EQ(requests_recorded(), 5);

  const struct {
    std::string quota;
    std::string links;
    std::string explanation;
    int exit_code;
  } refusals[] = {
      {"5000", "https://other.example.org/a\n", "所有者", 1},  // refused: not waiting
      {"1", numbered_links(0, 2), "超出当天的配额", 0},
  };
  for (const auto& c : refusals) {
    start_simulator({"--google-key", files_.file("public.pem"), "--quota", c.quota});
    const Outcome outcome =
        push(google + "--no-state --pending " + files_.file("pending.txt"), c.links);
    EXPECT_EQ(outcome.exit_code, c.exit_code) << outcome.output;
    EXPECT_NE(outcome.output.find(c.explanation), std::string::npos) << outcome.output;
  }
}

// Google's batch answer, read part by part by each part's Content-ID (here in reverse order): each
// link keeps its own outcome and reason, a 503 part waits as a 429 part does, and the access
// token an answer quotes is hidden. A token the API no longer takes is had anew once. The
// program keeps its connection from one request to the next.
TEST_F(PushProgramTest, GoogleAnswersAreReadPartByPart) {
  const auto part = [](int item, const std::string& status, const std::string& body) {
    return "--b\r\nContent-Type: application/http\r\nContent-ID: <response-item" +
           std::to_string(item) + ">\r\n\r\nHTTP/1.1 " + status +
           "\r\nContent-Type: application/json\r\n\r\n" + body + "\r\n";
  };
  const Reply token = respond("HTTP/1.1 200 OK", {"Content-Type: application/json"},
                              R"({"access_token":"tok-SECRET-1234","expires_in":3600})");
  const std::string type = "Content-Type: multipart/mixed; boundary=b";
  ScriptedServer google(
      {token,
       respond("HTTP/1.1 200 OK", {type},
               part(5, "503 Service Unavailable", "{}") + part(4, "429 Too Many Requests", "{}") +
                   part(3, "403 Forbidden", "{}") +
                   part(2, "400 Bad Request",
                        R"({"error":{"message":"Invalid value, token tok-SECRET-1234"}})") +
                   part(1, "200 OK", "{}") + "--b--\r\n"),
       token, respond("HTTP/1.1 401 Unauthorized", {}, "{}"), token,
       respond("HTTP/1.1 200 OK", {type}, part(1, "200 OK", "{}") + "--b--\r\n")});
  std::string root = google.url("/");
  root.pop_back();
  const std::string run = "--protocol google --service-account " + google_account(root) + " -i " +
                          root + " --daily-quota 1000 --state ";
  const Outcome mixed = push(run + files_.file("state.db") + " -", numbered_links(0, 5));
  EXPECT_EQ(mixed.exit_code, 1) << mixed.output;
  for (const char* said :
       {"1 条链接被拒绝：Invalid value, token ***", "1 条链接被拒绝：没有权限",
        "1 条链接留待下次推送：超出当天的配额", "1 条链接留待下次推送：暂时的失败（503）",
        "成功：1条，被拒绝：2条，待推送：2条"})
    EXPECT_NE(mixed.output.find(said), std::string::npos) << said << "\n" << mixed.output;
  EXPECT_EQ(mixed.output.find("tok-SECRET"), std::string::npos) << mixed.output;
  EXPECT_EQ(google.connections(), 1u) << "the token's connection serves the batch too";
  // The assertion names the key that signed it; each part says it is sent as it stands.
  EXPECT_NE(google.requests()[0].find("assertion=eyJhbGciOiJSUzI1NiIsImtpZCI6ImtleS1pZC0xIiwidHlw"
                                      "IjoiSldUIn0."),
            std::string::npos);
  EXPECT_NE(google.requests()[1].find("\r\nContent-Transfer-Encoding: binary\r\n"),
            std::string::npos);
  const Outcome history = push("history --links --state " + files_.file("state.db"));
  EXPECT_NE(history.output.find("accepted\twww.example.com\thttps://www.example.com/p/100000.html"
                                "\t200 OK\t"),
            std::string::npos)
      << history.output;
  EXPECT_EQ(history.output.find("tok-SECRET"), std::string::npos) << history.output;

  // Refused with 401: a new token, then the request again (a record of its own: the first knows
  // the day's quota spent).
  const Outcome refreshed = push(run + files_.file("other.db") + " -", numbered_links(5, 6));
  EXPECT_EQ(refreshed.exit_code, 0) << refreshed.output;
  EXPECT_EQ(google.requests().size(), 6u);
}

// Temporary failures and refusals kept apart: Retry-After (seconds or a date) is waited out
// within --max-wait and a few tries, past them the links wait and the exit code says so; a 5xx is
// retried a few times, then the links wait; a refusal is never retried.
TEST_F(PushProgramTest, WaitsWhereAskedRetriesWhatMayPassNeverARefusal) {
  const struct {
    std::vector<std::string> simulator;
    std::string options;
    int exit_code;
    int requests;
    std::size_t pending;
    std::size_t setbacks;  // kept in the record: each retry, and the last try given up
  } cases[] = {
      // Asked to wait no time at all, again and again: a second between tries, five at the most.
      {{"--throttle-every", "1", "--retry-after", "0"}, "", 7, 5, 3, 5},
      {{"--throttle-every", "2"}, "", 0, 5, 0, 2},
      {{"--throttle-every", "2", "--throttle-status", "503", "--retry-after-date"}, "", 0, 5, 0, 2},
      {{"--throttle-every", "2", "--retry-after", "30"}, "--max-wait 5", 7, 2, 2, 1},
      {{"--fail-first", "2"}, "", 0, 5, 0, 2},
      {{"--fail-first", "100"}, "--max-wait 1.5", 1, 2, 3, 2},
      {{"--token", "other"}, "", 1, 1, 3, 0},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = c.simulator;
    arguments.insert(arguments.end(), {"--quota", "100"});
    std::filesystem::remove_all(records_.path());
    std::filesystem::create_directory(records_.path());
    const std::string address = start_simulator(arguments);
    const std::string record = "--state " + files_.file("record.db");
    std::filesystem::remove(files_.file("record.db"));
    const Outcome outcome = push(record + " --batch 1 " + c.options + " -i '" + address +
                                     "' --pending " + files_.file("pending.txt"),
                                 numbered_links(0, 3));
    EXPECT_EQ(outcome.exit_code, c.exit_code) << outcome.output;
    EXPECT_EQ(requests_recorded(), c.requests) << outcome.output;
    EXPECT_EQ(read("pending.txt"), numbered_links(3 - static_cast<int>(c.pending), 3));
    const nlohmann::json run = nlohmann::json::parse(push("history --json " + record).output);
    EXPECT_EQ(run["exit_code"], c.exit_code);
    EXPECT_EQ(run["setbacks"].size(), c.setbacks) << run.dump();
  }
}

// Answers taken by what they say: counts that do not add up leave the request's links waiting;
// a quota smaller than the batch is found by halving the request.
TEST_F(PushProgramTest, AnswersAreTakenByWhatTheySay) {
  const std::string kept =
      " --pending " + files_.file("pending.txt") + " --state " + files_.file("state.txt") + " ";
  ScriptedServer disagreeing(
      {respond("HTTP/1.1 200 OK", {}, R"({"success_batch":0,"remain_batch":100})")});
  const std::string links = numbered_links(0, 3);
  const Outcome disagreed =
      push("-i '" + disagreeing.url("/urls?site=www.example.com&token=t") + "'" + kept, links);
  EXPECT_EQ(disagreed.exit_code, 1) << disagreed.output;
  EXPECT_NE(disagreed.output.find("应答的数字对不上"), std::string::npos) << disagreed.output;
  EXPECT_EQ(read("pending.txt"), links);
  const Outcome status = push("status --json --state " + files_.file("state.txt"));
  EXPECT_EQ(status.exit_code, 0) << status.output;
  const nlohmann::json counts = nlohmann::json::parse(status.output)[0];
  EXPECT_EQ(counts["accepted"], 0) << status.output;
  EXPECT_EQ(counts["waiting"], 3) << status.output;

  const std::string address = start_simulator({"--quota", "100"});
  const Outcome halved = push("-i '" + address + "'" + kept, numbered_links(0, 300));
  EXPECT_EQ(halved.exit_code, 0) << halved.output;
  EXPECT_NE(halved.output.find("超出配额：下一次请求减为 75 条"), std::string::npos)
      << halved.output;
  EXPECT_NE(halved.output.find("配额只容下 100 条链接"), std::string::npos) << halved.output;
  EXPECT_NE(halved.output.find("成功：100条"), std::string::npos) << halved.output;
  EXPECT_EQ(read("pending.txt"), numbered_links(100, 300));
  // The same day a dry run plans nothing past the spent quota; the next day the first request
  // carries what the last day took, without halving to it again.
  const Outcome planned = push("--dry-run -i '" + address + "'" + kept);
  EXPECT_NE(planned.output.find("配额已用完"), std::string::npos) << planned.output;
  std::filesystem::remove_all(records_.path());
  std::filesystem::create_directory(records_.path());
  start_simulator({"--quota", "100"});
  const Outcome next = push("-i '" + address + "'" + kept, "", next_day());
  EXPECT_EQ(next.output.find("超出配额"), std::string::npos) << next.output;
  EXPECT_NE(next.output.find("成功：100条"), std::string::npos) << next.output;
  EXPECT_EQ(requests_recorded(), 1);
}

// Secrets are never printed, in any spelling of their parameter, nor where a server quotes them.
TEST_F(PushProgramTest, SecretsAreNeverPrinted) {
  const std::string unreachable =
      "http://127.0.0.1:" + std::to_string(unused_port()) + "/urls?Token=secret1&TOKEN=secret2";
  // Retried within two seconds, with the failure in each note.
  const Outcome outcome = push("--max-wait 2 -i '" + unreachable + "'", numbered_links(0, 2));
  EXPECT_EQ(outcome.exit_code, 3) << outcome.output;
  ScriptedServer quoting({respond("HTTP/1.1 401 Unauthorized", {},
                                  R"({"message":"token=secret3 is not valid for key secret3"})")});
  const Outcome quoted =
      push("-i '" + quoting.url("/urls?token=secret3") + "'", numbered_links(0, 2));
  EXPECT_EQ(quoted.exit_code, 1) << quoted.output;
  for (const std::string& output : {outcome.output, quoted.output}) {
    EXPECT_EQ(output.find("secret"), std::string::npos) << output;
    EXPECT_NE(output.find("***"), std::string::npos) << output;
  }
  // A short token is hidden where it stands as a word, not inside the words around it.
  ScriptedServer short_token(
      {respond("HTTP/1.1 401 Unauthorized", {}, R"({"message":"token tok is not valid"})")});
  const Outcome short_quoted =
      push("-i '" + short_token.url("/urls?token=tok") + "'", numbered_links(0, 1));
  EXPECT_NE(short_quoted.output.find("token *** is not valid"), std::string::npos)
      << short_quoted.output;
  EXPECT_EQ(short_quoted.output.find("***en"), std::string::npos) << short_quoted.output;
}

// The program's UTF-8 meets the client's code page 936 in one place: a Chinese address is
// requested as its UTF-8, and the client's failure messages are printed in UTF-8.
TEST_F(PushProgramTest, AddressesAndFailuresCrossTheClientAsUtf8) {
  ScriptedServer sitemap({respond("HTTP/1.1 200 OK", {}, urlset(0, 2))});
  const std::string interface = " -i 'http://127.0.0.1:9/urls?site=a&token=x'";
  const Outcome dry = push("--dry-run --sitemap '" + sitemap.url("/站点.xml") + "'" + interface);
  EXPECT_EQ(dry.exit_code, 0) << dry.output;
  ASSERT_EQ(sitemap.requests().size(), 1u);
  EXPECT_TRUE(sitemap.requests()[0].starts_with("GET /%E7%AB%99%E7%82%B9.xml HTTP/1.1\r\n"))
      << sitemap.requests()[0];
  ScriptedServer chinese_interface(
      {respond("HTTP/1.1 200 OK", {}, R"({"success_batch":1,"remain_batch":9})")});
  const Outcome pushed =
      push("-", numbered_links(0, 1),
           "LINKCOURIER_INTERFACE='" + chinese_interface.url("/推送?site=站&token=t") + "'");
  EXPECT_EQ(pushed.exit_code, 0) << pushed.output;
  ASSERT_EQ(chinese_interface.requests().size(), 1u);
  EXPECT_TRUE(chinese_interface.requests()[0].starts_with(
      "POST /%E6%8E%A8%E9%80%81?site=%E7%AB%99&token=t HTTP/1.1\r\n"))
      << chinese_interface.requests()[0];
  const std::string unreachable = "http://127.0.0.1:" + std::to_string(unused_port()) + "/x.xml";
  const Outcome failed = push("--dry-run --sitemap " + unreachable + interface);
  EXPECT_EQ(failed.exit_code, 2);
  EXPECT_NE(failed.output.find(unreachable + ": 711 发送请求失败!（连接被拒绝）"),
            std::string::npos)
      << failed.output;
}

}  // namespace
}  // namespace lc::test
