// linkcourier-push serve: links posted over HTTP are kept in the record before the answer, and a
// run then sends them; what cannot be taken is refused in plain words, and nothing of it kept.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "tests/push/postgres_server.h"
#include "tests/push/push_fixture.h"
#include "tests/support/scripted_server.h"
#include "tests/support/sockets.h"

namespace lc::test {
namespace {

// `request`: the method and the target.
std::string ask(std::uint16_t port, const std::string& request, const std::string& token,
                const std::string& type, const std::string& body) {
  return ask_loopback(port, request + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " +
                                token + "\r\nContent-Type: " + type +
                                "\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\nConnection: close\r\n\r\n" + body);
}

class ServeTest : public PushProgramTest {
 protected:
  void SetUp() override {
    PushProgramTest::SetUp();
    if (push("--help").output.find("\n  serve ") == std::string::npos)
      GTEST_SKIP() << "this build has no serve";
  }

  // A config of one site pushed to the simulator's Bing, served at `port`; the sites's own
  // source has one link.
  std::string config(std::uint16_t port, const std::string& serve_lines,
                     const std::string& site_lines = "") {
    const std::string root = "http://127.0.0.1:" + std::to_string(port_ = unused_port());
    start_simulator({"--site", "www.example.com", "--quota", std::to_string(simulator_quota_)});
    write("token", "intake-token-1\n");
    write("bing.key", "demo-token\n");
    write("links.txt", "https://www.example.com/a\n");
    return write("config.toml",
                 "state = \"state.db\"\n[serve]\nlisten = \"127.0.0.1:" + std::to_string(port) +
                     "\"\ntoken_file = \"token\"\n" + serve_lines +
                     "[[site]]\nname = \"www\"\nfiles = "
                     "[\"links.txt\"]\n" +
                     site_lines +
                     "[site.bing]\napi_key_file = \"bing.key\"\n"
                     "site_url = \"https://www.example.com/\"\nendpoint = \"" +
                     root + "/webmaster/api.svc/json\"\n");
  }

  void TearDown() override {
    const std::string pid = files_.file("pid");
    shell("[ ! -f " + pid + " ] || kill -KILL $(cat " + pid + ") 2>/dev/null");
    PushProgramTest::TearDown();
  }

  // Starts the service on `config` in the background, its log in serve.txt (then its exit code,
  // as "exit: N"), its process number in pid; false when it does not listen at `port`.
  bool start_service(const std::string& config, std::uint16_t port) {
    const std::string log = files_.file("serve.txt");
    shell("(" + program("serve --config " + config) + " >>" + log + " 2>&1 & echo $! >" +
          files_.file("pid") + "; wait $!; echo \"exit: $?\" >>" + log + ") >/dev/null 2>&1 &");
    return wait_until_accepting(port);
  }

  // Sends the service `signal`.
  void signal_service(const std::string& signal) {
    shell("kill -" + signal + " $(cat " + files_.file("pid") + ")");
  }

  // Whether the service's log says `words` within ten seconds.
  bool logged(const std::string& words) {
    for (int tenth = 0; tenth < 100; ++tenth) {
      if (read("serve.txt").find(words) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  long simulator_quota_ = 5000;  // links a day

  void everything_at_once(const std::string& record);

  // Starts the service, and for `seconds` kills it with SIGKILL at random moments (after
  // `shortest` to `longest` milliseconds) and starts it again; leaves it running. How many kills.
  int kill_and_restart(const std::string& config, std::uint16_t port, int seconds, int shortest,
                       int longest) {
    std::mt19937 random(std::random_device{}());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int kills = 0;
    while (std::chrono::steady_clock::now() < end) {
      start_service(config, port);
      std::this_thread::sleep_for(
          std::chrono::milliseconds(std::uniform_int_distribution(shortest, longest)(random)));
      signal_service("KILL");
      ++kills;
      // Gone, its port free, before it is started again.
      for (int tenth = 0; tenth < 100 && accepts_connections(port); ++tenth)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    start_service(config, port);
    return kills;
  }

  // How many times each link went to the engine, in the requests' bodies.
  std::unordered_map<std::string, int> times_each_sent() {
    std::unordered_map<std::string, int> times;
    const std::string sent = bodies_sent();
    for (std::size_t at = sent.find("\"https://"); at != std::string::npos;
         at = sent.find("\"https://", at + 1))
      ++times[sent.substr(at + 1, sent.find('"', at + 1) - at - 1)];
    return times;
  }

  // What the simulator was sent: the requests' bodies one after the other.
  std::string bodies_sent() {
    std::string sent;
    for (const std::string& request :
         all_recorded([this](int n) { return recorded(n); }, requests_recorded()))
      sent += request.substr(request.find("\r\n\r\n") + 4);
    return sent;
  }
};

TEST_F(ServeTest, ServedLinksAreKeptBeforeTheAnswerAndSentByTheNextRun) {
  const std::uint16_t port = unused_port();
  // The run's own source has one of the posted links: it is still sent once.
  const std::string config = this->config(port, "");
  ASSERT_TRUE(start_service(config, port)) << read("serve.txt");
  // A body cut short, its client silent: closed after the idle timeout, unanswered and kept from
  // nobody else meanwhile.
  std::string cut_short_answer = "none yet";
  std::thread cut_short([&] {
    cut_short_answer = ask_loopback(port,
                                    "POST /v1/links?site=www HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                    "Authorization: Bearer intake-token-1\r\nContent-Length: "
                                    "100\r\n\r\nhttps://www.example.com/cut");
  });

  const std::string json = "application/json";
  const struct {
    std::string request, token, type, body;
    std::string status, says;
  } cases[] = {
      {"POST /v1/links", "intake-token-1", json,
       R"({"site":"www","links":["https://www.example.com/a","https://www.example.com/b"]})",
       "HTTP/1.1 202", R"({"taken":2})"},
      // Published again at once: taken, and still sent once.
      {"POST /v1/links?site=www", "intake-token-1", "text/plain",
       "https://www.example.com/b\r\n\r\nhttps://www.example.com/c\n", "HTTP/1.1 202",
       R"({"taken":2})"},
      {"GET /v1/status", "intake-token-1", json, "", "HTTP/1.1 200", R"("waiting": 3)"},
      {"POST /v1/links?site=www", "wrong", "text/plain", "https://www.example.com/d",
       "HTTP/1.1 401", "Authorization: Bearer TOKEN"},
      {"POST /v1/links", "intake-token-1", json,
       R"({"site":"www","links":["https://www.example.com/d","https://shop.example.com/x","x"]})",
       "HTTP/1.1 422",
       R"("links":[{"link":"https://shop.example.com/x","problem":"不属于这个站点的主机 www.example.com"},{"link":"x","problem":"不是 http 或 https 链接"}])"},
      // A link no record can keep as it is: refused alone, in words.
      {"POST /v1/links", "intake-token-1", json,
       R"({"site":"www","links":["https://www.example.com/nul\u0000x"]})", "HTTP/1.1 422",
       R"({"link":"https://www.example.com/nul\u0000x","problem":"含有 NUL 字符，记录存不下"})"},
      {"POST /v1/links", "intake-token-1", json,
       R"({"site":"shop","links":["https://shop.example.com/"]})", "HTTP/1.1 422",
       "配置文件里没有站点 shop"},
      {"POST /v1/links", "intake-token-1", json,
       R"({"site":"www","removed":["https://www.example.com/a"]})", "HTTP/1.1 422",
       "没有开启 deletions"},
      {"POST /v1/links", "intake-token-1", json, R"({"site":"www","links":["https://www.exa)",
       "HTTP/1.1 400", "不是 JSON 对象"},
      {"POST /v1/links", "intake-token-1", "text/plain", "https://www.example.com/e",
       "HTTP/1.1 400", "没有给出站点"},
      {"POST /v1/links?site=www", "intake-token-1", "text/plain",
       std::string(16 * 1024 * 1024 + 1, 'x'), "HTTP/1.1 413", "请分成几次发送"},
      {"POST /v1/other", "intake-token-1", "text/plain", "", "HTTP/1.1 404", "/v1/links"},
  };
  for (const auto& c : cases) {
    const std::string answer = ask(port, c.request, c.token, c.type, c.body);
    EXPECT_EQ(answer.rfind(c.status, 0), 0u) << c.body.substr(0, 80) << "\n" << answer;
    EXPECT_NE(answer.find(c.says), std::string::npos) << answer;
  }
  // Chunked, its length untold: counted as it arrives, and refused past the bound.
  std::string chunked =
      "POST /v1/links?site=www HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer "
      "intake-token-1\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
  for (int mebibyte = 0; mebibyte < 17; ++mebibyte)
    chunked += "100000\r\n" + std::string(1024 * 1024, 'x') + "\r\n";
  EXPECT_EQ(ask_loopback(port, chunked + "0\r\n\r\n").rfind("HTTP/1.1 413", 0), 0u);
  cut_short.join();
  EXPECT_EQ(cut_short_answer, "");

  const Outcome run = push("--config " + config);
  EXPECT_EQ(run.exit_code, 0) << run.output;
  const std::string sent = bodies_sent();
  EXPECT_NE(
      sent.find(
          R"(["https://www.example.com/a","https://www.example.com/b","https://www.example.com/c"])"),
      std::string::npos)
      << sent;
  EXPECT_EQ(sent.find("example.com/d"), std::string::npos) << "nothing of a refused post";
  EXPECT_EQ(sent.find("example.com/cut"), std::string::npos) << "nothing of a post cut short";
}

// The service sends what it took a moment later by itself, tells so in its status and metrics,
// takes removals through the site's deletion rules, reads its config again on SIGHUP, and stops
// on SIGTERM with 0 (Windows has no such signals).
TEST_F(ServeTest, ServiceSendsWhatItTookReloadsAndStopsCleanly) {
  const std::uint16_t port = unused_port();
  const std::string config = this->config(port, "flush_after = 0\n", "deletions = true\n");
  ASSERT_TRUE(start_service(config, port)) << read("serve.txt");
  const std::string answer = ask(port, "POST /v1/links?site=www", "intake-token-1", "text/plain",
                                 "https://www.example.com/b\nhttps://www.example.com/c\n");
  EXPECT_EQ(answer.rfind("HTTP/1.1 202", 0), 0u) << answer;
  for (int tenth = 0; tenth < 100 && bodies_sent().find("/c") == std::string::npos; ++tenth)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_NE(bodies_sent().find(R"("https://www.example.com/b","https://www.example.com/c")"),
            std::string::npos)
      << bodies_sent() << read("serve.txt");
  // The engine answered; the answer is kept a moment later.
  std::string status;
  for (int tenth = 0; tenth < 100 && status.find(R"("waiting": 0)") == std::string::npos; ++tenth) {
    if (tenth > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    status = ask(port, "GET /v1/status", "intake-token-1", "text/plain", "");
  }
  EXPECT_NE(status.find(R"("waiting": 0)"), std::string::npos) << status;
  EXPECT_NE(status.find(R"("last_error": "")"), std::string::npos) << status;
  const std::string metrics = ask(port, "GET /metrics", "intake-token-1", "text/plain", "");
  EXPECT_NE(metrics.find("linkcourier_record_links{site=\"www.example.com\",engine=\"bing\","
                         "state=\"accepted\"} 2\n"),
            std::string::npos)
      << metrics;
  write("m.prom", metrics.substr(metrics.find("\r\n\r\n") + 4));
  EXPECT_EQ(shell("promtool check metrics < " + files_.file("m.prom")).exit_code, 0) << metrics;

  // Bing hears of no removal: the flush keeps it as removed, and says so.
  const std::string removal = ask(port, "POST /v1/links", "intake-token-1", "application/json",
                                  R"({"site":"www","removed":["https://www.example.com/b"]})");
  EXPECT_NE(removal.find(R"({"removed":1,"taken":0})"), std::string::npos) << removal;
  EXPECT_TRUE(logged("1 条链接已删除：此引擎没有删除通知")) << read("serve.txt");
  const std::string after = ask(port, "GET /v1/status", "intake-token-1", "text/plain", "");
  EXPECT_NE(after.find(R"("accepted": 1)"), std::string::npos) << after;
  EXPECT_NE(after.find(R"("removals_waiting": 0)"), std::string::npos) << after;

  if (std::getenv("LINKCOURIER_PUSH_COMMAND") != nullptr) return;

  // SIGHUP: a config with a mistake is refused and the running one kept; a sound one takes over.
  const std::string sound = read("config.toml");
  write("config.toml", sound + "bogus = 1\n");
  signal_service("HUP");
  EXPECT_TRUE(logged("配置有误，继续按原来的配置运行")) << read("serve.txt");
  EXPECT_EQ(
      ask(port, "GET /v1/status", "intake-token-1", "text/plain", "").rfind("HTTP/1.1 200", 0), 0u);
  write("config.toml", sound);
  write("token", "intake-token-2\n");
  signal_service("HUP");
  EXPECT_TRUE(logged("已重新读取配置")) << read("serve.txt");
  EXPECT_EQ(
      ask(port, "GET /v1/status", "intake-token-1", "text/plain", "").rfind("HTTP/1.1 401", 0), 0u);
  EXPECT_EQ(
      ask(port, "GET /v1/status", "intake-token-2", "text/plain", "").rfind("HTTP/1.1 200", 0), 0u);

  signal_service("TERM");
  EXPECT_TRUE(logged("exit: 0")) << read("serve.txt");
  // Every flush ended on the record, those that found nothing waiting too.
  const Outcome history = push("history --state " + files_.file("state.db"));
  EXPECT_EQ(history.output.find("未结束"), std::string::npos) << history.output;
}

// Killed with SIGKILL at random moments while 50 clients post for a minute, and started again,
// the service loses no link it answered 202 for; a post that got no answer is posted again and
// taken once, and the run after sends each link once.
TEST_F(ServeTest, AcknowledgedLinksSurviveKillsAndAreSentOnce) {
  if (std::getenv("LINKCOURIER_PUSH_COMMAND") != nullptr)
    GTEST_SKIP() << "killing wine64 leaves the Windows process to Wine's server";
  const std::uint16_t port = unused_port();
  simulator_quota_ = 1'000'000;
  const std::string config = this->config(port, "flush_after = 3600\n");
  std::atomic<bool> killing = true;
  std::atomic<int> kills = 0;
  std::thread killer([&] {
    kills = kill_and_restart(config, port, 60, 200, 5000);
    killing = false;
  });
  constexpr int kClients = 50;
  std::vector<std::vector<std::string>> acknowledged(kClients);
  std::vector<std::thread> clients;
  for (int client = 0; client < kClients; ++client) {
    clients.emplace_back([&, client] {
      for (int post = 0; killing || post < 20; ++post) {
        std::string body;
        for (int link = 0; link < 5; ++link) {
          body += "https://www.example.com/c" + std::to_string(client) + "/" +
                  std::to_string(post * 5 + link) + "\n";
        }
        // Posted again until it is answered: the service may be down a moment.
        for (int attempt = 0; attempt < 400; ++attempt) {
          if (ask(port, "POST /v1/links?site=www", "intake-token-1", "text/plain", body)
                  .starts_with("HTTP/1.1 202")) {
            std::istringstream links(body);
            for (std::string link; std::getline(links, link);)
              acknowledged[client].push_back(link);
            break;
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    });
  }
  for (std::thread& client : clients)
    client.join();
  killer.join();
  signal_service("TERM");

  const Outcome run = push("--config " + config);
  EXPECT_EQ(run.exit_code, 0) << run.output;
  std::unordered_map<std::string, int> times_sent = times_each_sent();
  std::size_t links = 0;
  for (const std::vector<std::string>& client : acknowledged) {
    for (const std::string& link : client) {
      ++links;
      ASSERT_EQ(times_sent[link], 1) << link << " was answered 202 and sent that many times";
    }
  }
  EXPECT_GE(links, std::size_t{kClients * 20 * 5});
  EXPECT_GE(kills, 5);
}

// Everything at once on one record, for a minute: the service with 20 clients posting links
// and removals, killed and started again; the nightly run in a loop; inspections in a loop; and
// status, history and the report in a loop. Afterwards the record is whole, every link answered
// 202 reached the engine (twice only where a kill caught its request in flight), only killed
// flushes left runs unended, and every exit code is 0 or 5. `record`: the config's state.
void ServeTest::everything_at_once(const std::string& record) {
  const std::uint16_t port = unused_port();
  simulator_quota_ = 1'000'000;
  std::string config = this->config(port, "flush_after = 0.5\n", "deletions = true\n");
  std::string text = read("config.toml");
  text.replace(text.find("state.db"), 8, record);
  config = write("config.toml", text + "inspect = true\ninspect_after = 1\n");
  // The site's own pages, pushed two hours ago: due for inspection from the first look.
  write("links.txt", numbered_links(0, 50));
  const Outcome earlier = push("--config " + config, "", moved_clock("-2h"));
  ASSERT_EQ(earlier.exit_code, 0) << earlier.output;

  const std::string asked =
      record.starts_with("postgresql:") ? "'" + record + "'" : files_.file(record);
  std::atomic<bool> going = true;
  std::atomic<int> kills = 0, operations = 0;
  std::mutex wrong_mutex;
  std::vector<std::string> wrong;  // exit codes other than 0 or 5, with what was said
  const auto loop = [&](const std::string& arguments) {
    return std::thread([&, arguments] {
      while (going) {
        const Outcome outcome = push(arguments);
        ++operations;
        if (outcome.exit_code != 0 && outcome.exit_code != 5) {
          const std::lock_guard<std::mutex> guard(wrong_mutex);
          wrong.push_back(arguments + ": " + std::to_string(outcome.exit_code) + "\n" +
                          outcome.output);
        }
      }
    });
  };
  std::thread killer([&] {
    kills = kill_and_restart(config, port, 60, 3000, 10000);
    going = false;
  });
  EXPECT_TRUE(wait_until_accepting(port)) << read("serve.txt");
  std::vector<std::thread> actors;
  actors.push_back(loop("--config " + config + " --wait 30 -q"));
  actors.push_back(loop("inspect --config " + config + " --wait 30 -q"));
  actors.push_back(loop("status --state " + asked));
  actors.push_back(loop("history --links --state " + asked));
  actors.push_back(loop("report --html " + files_.file("report.html") + " --state " + asked));
  constexpr int kClients = 20;
  std::vector<std::vector<std::string>> acknowledged(kClients);
  for (int client = 0; client < kClients; ++client) {
    actors.emplace_back([&, client] {
      const std::string path = "https://www.example.com/c" + std::to_string(client) + "/";
      for (int post = 0; going; ++post) {
        // Every fourth post announces a page removed again: one of its own, never one counted.
        const bool removal = post % 4 == 3;
        const std::string body =
            removal ? R"({"site":"www","removed":[")" + path + "r" + std::to_string(post) + "\"]}"
                    : R"({"site":"www","links":[")" + path + std::to_string(post) + "\",\"" + path +
                          "r" + std::to_string(post + 3) + "\"]}";
        for (int attempt = 0; going && attempt < 400; ++attempt) {
          if (ask(port, "POST /v1/links", "intake-token-1", "application/json", body)
                  .starts_with("HTTP/1.1 202")) {
            ++operations;
            if (!removal) acknowledged[client].push_back(path + std::to_string(post));
            break;
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    });
  }
  killer.join();
  for (std::thread& actor : actors)
    actor.join();
  signal_service("TERM");
  EXPECT_TRUE(logged("exit: 0")) << read("serve.txt");
  const Outcome last = push("--config " + config + " --wait 60");
  EXPECT_EQ(last.exit_code, 0) << last.output;
  for (const std::string& said : wrong)
    ADD_FAILURE() << said;

  if (!record.starts_with("postgresql:")) {
    EXPECT_EQ(shell("sqlite3 " + asked + " 'PRAGMA integrity_check'").output, "ok\n");
  }
  const std::unordered_map<std::string, int> sent = times_each_sent();
  std::size_t links = 0, twice = 0;
  for (const std::vector<std::string>& client : acknowledged) {
    for (const std::string& link : client) {
      ++links;
      const auto found = sent.find(link);
      const int times = found == sent.end() ? 0 : found->second;
      EXPECT_TRUE(times == 1 || times == 2) << link << " answered 202, sent " << times << " times";
      twice += times == 2 ? 1 : 0;
    }
  }
  EXPECT_GE(links, std::size_t{kClients * 100});
  EXPECT_LE(twice, static_cast<std::size_t>(kills) * 500) << "only what a kill caught in flight";
  EXPECT_NE(push("history --links --state " + asked).output.find("\tinspected\twww.example.com\t"),
            std::string::npos)
      << "the site's own pages were inspected";
  const Outcome history = push("history --state " + asked);
  std::size_t unended = 0;
  for (std::size_t at = history.output.find("未结束"); at != std::string::npos;
       at = history.output.find("未结束", at + 1))
    ++unended;
  EXPECT_LE(unended, static_cast<std::size_t>(kills)) << history.output;
  std::cout << "record_together_ops_per_s " << operations / 60.0 << " (" << kills << " kills, "
            << links << " links, " << twice << " twice)\n";
}

TEST_F(ServeTest, EverythingAtOnceOnAFile) {
  if (std::getenv("LINKCOURIER_PUSH_COMMAND") != nullptr)
    GTEST_SKIP() << "killing wine64 leaves the Windows process to Wine's server";
  everything_at_once("state.db");
}

TEST_F(ServeTest, EverythingAtOnceOnAServer) {
  PostgresServer* server = PostgresServer::shared();
  if (server == nullptr || std::getenv("LINKCOURIER_PUSH_COMMAND") != nullptr)
    GTEST_SKIP() << "records on a server are the Linux build's, with PostgreSQL installed";
  everything_at_once(server->new_database());
}

// A disk that takes nothing more: a post is answered 503 with Retry-After and the reason, nothing
// of it kept, and the service takes links again once there is room.
TEST_F(ServeTest, AFullDiskIsAnsweredWithRetryAfter) {
  const std::string disk = files_.file("disk");
  std::filesystem::create_directory(disk);
  if (::geteuid() != 0 || !run_command({"mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", disk}))
    GTEST_SKIP() << "a small disk needs root to mount a tmpfs";
  const std::uint16_t port = unused_port();
  this->config(port, "flush_after = 3600\n");
  std::string config = read("config.toml");
  config.replace(config.find("state.db"), 8, "disk/state.db");
  const std::string path = write("config.toml", config);
  const auto post = [&](int from, int to) {
    return ask(port, "POST /v1/links?site=www", "intake-token-1", "text/plain",
               numbered_links(from, to));
  };
  std::string taken, full, again;
  if (start_service(path, port)) {
    taken = post(0, 1);
    run_command({"sh", "-c", "cat /dev/zero > " + disk + "/filler 2>/dev/null; true"});
    full = post(1, 3001);
    std::filesystem::remove(disk + "/filler");
    again = post(1, 501);
    signal_service("TERM");
    logged("exit:");
  }
  if (!run_command({"umount", disk})) run_command({"umount", "-l", disk});
  EXPECT_EQ(taken.rfind("HTTP/1.1 202", 0), 0u) << taken << read("serve.txt");
  EXPECT_EQ(full.rfind("HTTP/1.1 503", 0), 0u) << full;
  EXPECT_NE(full.find("Retry-After: 5"), std::string::npos) << full;
  EXPECT_NE(full.find("磁盘已满"), std::string::npos) << full;
  EXPECT_NE(again.find(R"({"taken":500})"), std::string::npos) << again;
}

// Ten thousand connections that say nothing do not keep the service from answering a post.
TEST_F(ServeTest, AnswersBesideTenThousandIdleConnections) {
  rlimit files{};
  ::getrlimit(RLIMIT_NOFILE, &files);
  if (files.rlim_max < 11'000) GTEST_SKIP() << "the system allows too few open files";
  files.rlim_cur = files.rlim_max;  // for the service too, which this process starts
  ::setrlimit(RLIMIT_NOFILE, &files);
  const std::uint16_t port = unused_port();
  ASSERT_TRUE(start_service(this->config(port, ""), port)) << read("serve.txt");
  std::vector<Socket> idle;
  for (int connection = 0; connection < 10'000; ++connection) {
    if (const std::optional<Socket> socket = connect_to_loopback(port)) idle.push_back(*socket);
  }
  EXPECT_EQ(idle.size(), 10'000u);
  const std::string answer = ask(port, "POST /v1/links?site=www", "intake-token-1", "text/plain",
                                 "https://www.example.com/b\n");
  EXPECT_EQ(answer.rfind("HTTP/1.1 202", 0), 0u) << answer;
  for (const Socket socket : idle)
    close_socket(socket);
}

}  // namespace
}  // namespace lc::test
