// linkcourier-push end to end: the program against the simulator on loopback.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/support/child_process.h"
#include "tests/support/moved_clock.h"
#include "tests/support/scripted_server.h"

namespace lc::test {
namespace {

// The program under test: this build's, or the command the suite is given (the Windows build's
// program runs under Wine this way, against the same simulator).
std::string push_command() {
  const char* command = std::getenv("LINKCOURIER_PUSH_COMMAND");
  return command != nullptr ? command : LINKCOURIER_PUSH;
}

struct Outcome {
  int exit_code = -1;
  std::string output;  // standard output and standard error together
};

std::string read_file_at(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class PushProgramTest : public testing::Test {
 protected:
  // Starts the simulator with `arguments`, in place of the one running and on its port: the
  // interface keeps its address, and the record knows it as the same destination. Returns the
  // interface's address.
  std::string start_simulator(const std::vector<std::string>& arguments) {
    simulator_.reset();
    if (port_ == 0) port_ = unused_port();
    std::vector<std::string> argv = {LINKCOURIER_SIMULATOR, "--port", std::to_string(port_),
                                     "--record", records_.path()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    simulator_ = std::make_unique<ChildProcess>(argv);
    EXPECT_TRUE(simulator_->wait_for_port(port_));
    return "http://127.0.0.1:" + std::to_string(port_) +
           "/urls?site=www.example.com&token=demo-token";
  }

  // The shell words that run the program with `arguments`, the environment's assignments first.
  std::string program(const std::string& arguments, const std::string& environment = "") const {
    // Records kept by default stand in this test's folder.
    return "XDG_STATE_HOME=" + files_.file("state") + " " + environment + " " + push_command() +
           " " + arguments;
  }

  // Runs the program with `arguments` (shell words), standard input from `input` and the
  // environment's assignments (shell words) before it.
  Outcome push(const std::string& arguments, const std::string& input = "",
               const std::string& environment = "") {
    const std::string stdin_file = files_.file("stdin");
    std::ofstream(stdin_file, std::ios::binary) << input;
    return shell(program(arguments, environment) + " <" + stdin_file + " 2>&1");
  }

  static Outcome shell(const std::string& script) {
    FILE* program = ::popen(script.c_str(), "r");
    Outcome outcome;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, program) != nullptr)
      outcome.output += buffer;
    outcome.exit_code = WEXITSTATUS(::pclose(program));
    return outcome;
  }

  // The environment's words that run the program a day later, when the engines give their
  // quotas anew.
  static std::string next_day() { return moved_clock("+1d"); }

  // A service account's key file for the Indexing API at `root`, its key made for this test
  // and the public half given to the simulator with --google-key.
  std::string google_account(const std::string& root) {
    if (!std::filesystem::exists(files_.file("account.pem"))) {
      EXPECT_EQ(shell("openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out " +
                      files_.file("account.pem") + " 2>&1 && openssl pkey -in " +
                      files_.file("account.pem") + " -pubout -out " + files_.file("public.pem"))
                    .exit_code,
                0);
    }
    return write("account.json",
                 nlohmann::json{{"type", "service_account"},
                                {"client_email", "pusher@example.iam.gserviceaccount.com"},
                                {"private_key", read("account.pem")},
                                {"private_key_id", "key-id-1"},
                                {"token_uri", root + "/token"}}
                     .dump());
  }

  std::string write(const std::string& name, const std::string& text) {
    std::ofstream(files_.file(name), std::ios::binary) << text;
    return files_.file(name);
  }

  std::string read(const std::string& name) const { return read_file_at(files_.file(name)); }

  std::string recorded(int n) const {
    std::ifstream in(records_.file("request-" + std::to_string(n)), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  int requests_recorded() const {
    int count = 0;
    while (std::ifstream(records_.file("request-" + std::to_string(count + 1))))
      ++count;
    return count;
  }

  MovedClockLeftovers leftovers_;
  TemporaryDirectory files_;
  TemporaryDirectory records_;
  std::uint16_t port_ = 0;
  std::unique_ptr<ChildProcess> simulator_;
};

std::string numbered_links(int from, int to) {
  std::string text;
  for (int i = from; i < to; ++i)
    text += "https://www.example.com/p/" + std::to_string(100000 + i) + ".html\n";
  return text;
}

// 25,000 links, 2,000 a request, a quota of 10,000: exactly 10,000 accepted, the other 15,000
// kept in their order; another run that day sends nothing, the quota known to be spent, and the
// next day's run, with a fresh quota, sends them and empties the file. The runs
// share a state file: a third run over the same links sends nothing, and a sitemap whose
// <lastmod> says one page changed sends exactly that one. The files stand in a folder whose name
// code page 936 cannot hold whole (Chinese and Korean), which Windows reads through its wide calls.
TEST_F(PushProgramTest, BatchesWithinTheQuotaKeepsTheRestAndSkipsWhatWasPushed) {
  const std::string links = write("links.txt", numbered_links(0, 25000) + "ftp://bad\n");
  std::filesystem::create_directory(std::filesystem::path(files_.file("中文한")));
  const std::string kept = " --pending " + files_.file("中文한/pending.txt") + " --state " +
                           files_.file("中文한/state.txt") + " ";
  std::string address = start_simulator({"--quota", "10000", "--max-links", "2000"});
  Outcome first = push("-i '" + address + "' --batch 2000" + kept + links);
  // Links that wait only for the next day's quota are a large site's normal night.
  EXPECT_EQ(first.exit_code, 0) << first.output;
  EXPECT_EQ(requests_recorded(), 5);
  EXPECT_NE(first.output.find("共发送：10000条，成功：10000条，被拒绝：0条，待推送：15000条"),
            std::string::npos)
      << first.output;
  EXPECT_NE(first.output.find("无效链接，已跳过：ftp://bad"), std::string::npos);
  EXPECT_EQ(read("中文한/pending.txt"), numbered_links(10000, 25000));
  EXPECT_EQ(first.output.find("demo-token"), std::string::npos) << "the token is never printed";

  // The same day the quota is known to be spent: nothing goes; the next day, the rest.
  const Outcome spent = push("-i '" + address + "'" + kept);
  EXPECT_EQ(spent.exit_code, 0) << spent.output;
  EXPECT_EQ(requests_recorded(), 5);
  address = start_simulator({"--quota", "20000", "--max-links", "2000"});
  const Outcome second = push("-i '" + address + "'" + kept, "", next_day());
  EXPECT_EQ(second.exit_code, 0) << second.output;
  EXPECT_EQ(read("中文한/pending.txt"), "");

  address = start_simulator({});
  const Outcome third = push("-i '" + address + "'" + kept + links, "", next_day());
  EXPECT_EQ(third.exit_code, 0) << third.output;
  EXPECT_NE(third.output.find("共发送：0条"), std::string::npos) << third.output;
  EXPECT_NE(third.output.find("已推送过：25000条"), std::string::npos) << third.output;

  const std::string sitemap = write(
      "sitemap.xml",
      "<urlset><url><loc>https://www.example.com/p/100001.html</loc><lastmod>2020-01-01</lastmod>"
      "</url><url><loc>https://www.example.com/p/100002.html</loc><lastmod>2099-01-01T00:00+08:00"
      "</lastmod></url><url><loc>https://www.example.com/p/100003.html</loc></url></urlset>");
  const Outcome fourth =
      push("-i '" + address + "'" + kept + "--sitemap " + sitemap, "", next_day());
  EXPECT_EQ(fourth.exit_code, 0) << fourth.output;
  EXPECT_NE(fourth.output.find("共发送：1条"), std::string::npos) << fourth.output;
  EXPECT_TRUE(recorded(1).ends_with("\r\n\r\nhttps://www.example.com/p/100002.html"));
}

std::string urlset(int from, int to);

// The links one recorded request carried, CR LF between them, after its head.
std::string links_of(const std::string& request) {
  return request.substr(request.find("\r\n\r\n") + 4);
}

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

// The run's figures for monitoring pass Prometheus's own check; a failed run keeps the time of
// the last success.
TEST_F(PushProgramTest, MetricsAreWrittenForMonitoring) {
  const std::string run = "--no-state --max-wait 0 --site www.example.com --metrics " +
                          files_.file("m.prom") + " -i '" + start_simulator({}) + "' " +
                          write("links.txt", numbered_links(0, 3));
  // What a write killed before it was put in place left: gone once it is old, of a program that
  // no longer runs; a fresh one may be another run's, still writing.
  const std::string abandoned = write("m.prom.tmp-999999999", "cut short");
  const std::string fresh = write("m.prom.tmp-999999998", "being written");
  std::filesystem::last_write_time(
      abandoned, std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
  EXPECT_EQ(push(run).exit_code, 0);
  EXPECT_FALSE(std::filesystem::exists(abandoned));
  EXPECT_TRUE(std::filesystem::exists(fresh));
  EXPECT_EQ(shell("promtool check metrics < " + files_.file("m.prom")).exit_code, 0);
  const std::string labels = "{site=\"www.example.com\",engine=\"push\"} ";
  const std::string first = read("m.prom");
  EXPECT_NE(first.find("linkcourier_links_accepted" + labels + "3\n"), std::string::npos) << first;
  const auto success = [&](const std::string& text) {
    const std::size_t at = text.find("linkcourier_last_success_timestamp_seconds" + labels);
    return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
  };
  simulator_.reset();
  EXPECT_EQ(push(run).exit_code, 3);
  const std::string failed = read("m.prom");
  EXPECT_NE(failed.find("linkcourier_last_run_exit_code" + labels + "3\n"), std::string::npos);
  EXPECT_EQ(success(failed), success(first));
  EXPECT_NE(success(first), "");
}

// Four runs over four weeks, their clock moved back, make the record's history; the report opens
// in a real browser, which draws it, and the figures in its page are the record's.
TEST_F(PushProgramTest, TheReportShowsTheRecordsHistory) {
  const std::string address = start_simulator({});
  const std::string state = " --state " + files_.file("state.db");
  const std::time_t now = std::time(nullptr);
  std::map<std::string, int> accepted_on;  // UTC days
  int total = 0;
  for (int days_ago = 27; days_ago >= 0; days_ago -= 9) {
    std::string links;
    const int count = days_ago % 4 + 1;
    for (int n = 0; n < count; ++n)
      links +=
          "https://www.example.com/" + std::to_string(days_ago) + "/" + std::to_string(n) + "\n";
    char day[16];
    const std::time_t then = now - days_ago * 86400;
    std::strftime(day, sizeof day, "%Y-%m-%d", std::gmtime(&then));
    accepted_on[day] += count;
    total += count;
    const std::string moved = moved_clock("-" + std::to_string(days_ago) + "d");
    EXPECT_EQ(push("-i '" + address + "'" + state + " -", links, moved).exit_code, 0);
  }
  const std::string page = files_.file("报告.html");
  ASSERT_EQ(push("report" + state + " --html " + page).exit_code, 0);
  const std::string browser = "chromium --headless --no-sandbox --disable-gpu ";
  const Outcome dom = shell(browser + "--dump-dom 'file://" + page + "' 2>/dev/null");
  for (const auto& [day, count] : accepted_on) {
    EXPECT_NE(dom.output.find("data-day=\"" + day + "\" data-accepted=\"" + std::to_string(count)),
              std::string::npos)
        << day;
  }
  EXPECT_NE(dom.output.find("data-accepted-total=\"" + std::to_string(total) + "\""),
            std::string::npos);
  EXPECT_NE(dom.output.find("data-waiting-now=\"0\""), std::string::npos);
  shell(browser + "--window-size=900,1400 --screenshot=" + files_.file("report.png") + " 'file://" +
        page + "' >/dev/null 2>&1");
  // A drawn page: a blank one of that size takes a few kilobytes.
  EXPECT_GT(std::filesystem::file_size(files_.file("report.png")), 20'000u);
}

// A daily run registered with the system's task scheduler, shown and removed; Wine's scheduler
// keeps the task but writes neither its trigger nor its command back. Linux has none to ask.
TEST_F(PushProgramTest, ScheduleRegistersShowsAndRemovesADailyRun) {
  if (std::getenv("LINKCOURIER_PUSH_COMMAND") == nullptr) {
    const Outcome none = push("schedule --show");
    EXPECT_EQ(none.exit_code, 2);
    EXPECT_NE(none.output.find("此系统没有任务计划服务可用"), std::string::npos) << none.output;
    return;
  }
  const Outcome registered =
      push("schedule --daily 03:30 --config " + write("站点.toml", "state = \"x\"\n"));
  EXPECT_EQ(registered.exit_code, 0) << registered.output;
  EXPECT_NE(registered.output.find("每天 03:30 按 "), std::string::npos) << registered.output;
  const Outcome shown = push("schedule --show");
  EXPECT_EQ(shown.exit_code, 0) << shown.output;
  EXPECT_NE(shown.output.find("<Task"), std::string::npos) << shown.output;
  EXPECT_EQ(push("schedule --remove").exit_code, 0);
  EXPECT_EQ(push("schedule --show").exit_code, 2);
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

std::string urlset(int from, int to) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
  for (int i = from; i < to; ++i) {
    xml += "<url><loc>https://www.example.com/p/" + std::to_string(100000 + i) +
           ".html</loc><lastmod>2026-12-01</lastmod></url>\n";
  }
  return xml + "</urlset>\n";
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

  const Outcome refused = push("--config " + config + " --site www --engine bing", "",
                               "BING_KEY=wrong-key " + interface_variable);
  EXPECT_EQ(refused.exit_code, 1) << refused.output;
  EXPECT_NE(refused.output.find("API 密钥无效"), std::string::npos) << refused.output;
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
  EXPECT_EQ(status.output.find("\"site\":\"\""), std::string::npos) << status.output;
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
  EXPECT_EQ(push(google + state + links).exit_code, 0);
  EXPECT_EQ(requests_recorded(), 3);
  const Outcome status = push("status --state " + files_.file("state.db"));
  EXPECT_NE(status.output.find("剩余额度 0（20"), std::string::npos) << status.output;
  EXPECT_NE(status.output.find(":00:00Z 重置），今天已用 200"), std::string::npos) << status.output;
  const Outcome next_day_run = push(google + state + links, "", next_day());
  EXPECT_EQ(next_day_run.exit_code, 0) << next_day_run.output;
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
// token an answer quotes is hidden. A token the API no longer takes is had anew once.
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
  // The assertion names the key that signed it; each part says it is sent as it stands.
  EXPECT_NE(google.requests()[0].find("assertion=eyJhbGciOiJSUzI1NiIsImtpZCI6ImtleS1pZC0xIiwidHlw"
                                      "IjoiSldUIn0."),
            std::string::npos);
  EXPECT_NE(google.requests()[1].find("\r\nContent-Transfer-Encoding: binary\r\n"),
            std::string::npos);
  const Outcome history = push("history --state " + files_.file("state.db"));
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
       "config.toml:4: site[1].indexnow.key: IndexNow 密钥应为"},
      {site + "[site.indexnow]\nkey_file = \"missing.txt\"\n",
       "config.toml:5: site[1].indexnow.key_file: "},
      {site, "config.toml:1: site[1]: 站点没有引擎"},
      {"[[site]]\nname = \"a\"\n" + push_section, "config.toml:1: site[1]: 站点没有来源"},
      {site + push_section + site + push_section, "config.toml:7: site[2].name: 站点名重复"},
      {site + "[site.google]\nservice_account = \"links.txt\"\n",
       "config.toml:5: site[1].google.service_account: "},
      {site + "[site.google]\ndaily_quota = 0\n",
       "config.toml:5: site[1].google.daily_quota: 应为"},
      {site + "folder = \"www\"\n" + push_section, "config.toml:1: site[1]: 缺少 base"},
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
  EXPECT_EQ(push("--config x.toml -i http://127.0.0.1:1/").exit_code, 2);
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
  } cases[] = {
      // Asked to wait no time at all, again and again: a second between tries, five at the most.
      {{"--throttle-every", "1", "--retry-after", "0"}, "", 7, 5, 3},
      {{"--throttle-every", "2"}, "", 0, 5, 0},
      {{"--throttle-every", "2", "--throttle-status", "503", "--retry-after-date"}, "", 0, 5, 0},
      {{"--throttle-every", "2", "--retry-after", "30"}, "--max-wait 5", 7, 2, 2},
      {{"--fail-first", "2"}, "", 0, 5, 0},
      {{"--fail-first", "100"}, "--max-wait 1.5", 1, 2, 3},
      {{"--token", "other"}, "", 1, 1, 3},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = c.simulator;
    arguments.insert(arguments.end(), {"--quota", "100"});
    std::filesystem::remove_all(records_.path());
    std::filesystem::create_directory(records_.path());
    const std::string address = start_simulator(arguments);
    const Outcome outcome = push("--no-state --batch 1 " + c.options + " -i '" + address +
                                     "' --pending " + files_.file("pending.txt"),
                                 numbered_links(0, 3));
    EXPECT_EQ(outcome.exit_code, c.exit_code) << outcome.output;
    EXPECT_EQ(requests_recorded(), c.requests) << outcome.output;
    EXPECT_EQ(read("pending.txt"), numbered_links(3 - static_cast<int>(c.pending), 3));
  }
}

// With --json: one object per request on standard output, then one for the run; no progress
// bar where no terminal watches.
TEST_F(PushProgramTest, JsonGivesAnObjectPerRequestAndOneForTheRun) {
  const std::string address = start_simulator({});
  const Outcome outcome = push("--json --no-state --batch 2 -i '" + address + "'",
                               numbered_links(0, 5) + "https://other.org/x\n");
  // A refused link wants a person; the run's object says the code the program ends with.
  EXPECT_EQ(outcome.exit_code, 1) << outcome.output;
  std::vector<nlohmann::json> objects;
  std::istringstream lines(outcome.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("{")) objects.push_back(nlohmann::json::parse(line));
  }
  ASSERT_EQ(objects.size(), 4u) << outcome.output;
  EXPECT_EQ(objects[0]["success_batch"], 2);
  EXPECT_EQ(objects[2]["refused"], nlohmann::json::array({"https://other.org/x"}));
  EXPECT_EQ(
      objects[3],
      nlohmann::json::parse(
          R"({"sent":6,"accepted":5,"refused":1,"pending":0,"quota_left":4995,"exit_code":1})"));
  EXPECT_EQ(outcome.output.find("\r["), std::string::npos) << "no progress bar";
}

// Bad input is refused with a clear message naming its subject before anything is sent.
TEST_F(PushProgramTest, BadInputSendsNothing) {
  const std::string address = start_simulator({});
  const std::string links = write("links.txt", numbered_links(0, 3));
  const std::string huge = write("huge.xml", "");
  std::filesystem::resize_file(huge, 52'428'801);  // sparse: refused by its size alone
  const struct {
    std::string arguments;
    std::string input;
    std::string message;
    int exit_code = 2;
  } cases[] = {
      {"-i '" + address + "' " + files_.file("missing.txt"), "", "missing.txt: "},
      {"-i '" + address + "' " + files_.path(), "", files_.path() + ": 是一个目录"},
      {"-i '" + address + "' --batch 0 " + links, "", "--batch"},
      {"-i '" + address + "' -", "# nothing here\n\n", "没有可推送的链接"},
      {"-i '" + address + "' --pending /nonexistent/dir/pending " + links, "", "待推送文件不可用",
       4},
      {links, "", "没有链接推送接口地址"},
      {"-i 'http://?q=1' " + links, "", "--interface: 不是可用的 http 或 https 地址"},
      {"-i '" + address + "' --sitemap " + write("page.html", "<html><body>x</body></html>"), "",
       "page.html: 第 1 行：不是站点地图（根元素为 <html>）"},
      {"-i '" + address + "' --sitemap " +
           write("broken.xml", "<urlset>\n<url><loc>x</lo></url>\n</urlset>"),
       "", "broken.xml: 第 2 行："},
      {"-i '" + address + "' --sitemap " + huge, "", "huge.xml: 超过站点地图的上限 50 MB"},
      {"-i '" + address + "' --folder " + files_.file("none") + " --base https://a/", "",
       "none: 不是可读的目录"},
      {"-i '" + address + "' --folder " + files_.path(), "", "--folder: 需要 --base"},
      {"-i '" + address + "' --folder " + files_.path() + " --base ftp://a/", "",
       "ftp://a/: 不是带主机名的 http 或 https 网址"},
      {"-i '" + address + "' --folder " + files_.path() + " --base https://a/ --ignore-content '('",
       "", "(: 不是可用的正则表达式"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = push(c.arguments, c.input);
    EXPECT_EQ(outcome.exit_code, c.exit_code) << c.arguments << "\n" << outcome.output;
    EXPECT_NE(outcome.output.find(c.message), std::string::npos) << outcome.output;
  }
  EXPECT_EQ(requests_recorded(), 0);
  const Outcome version = push("--version");
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_TRUE(version.output.starts_with("0.")) << version.output;
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
  EXPECT_NE(failed.output.find(unreachable + ": 711 发送请求失败!"), std::string::npos)
      << failed.output;
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

// How often each link reached the simulator, over every request it recorded.
std::map<std::string, int> times_sent(const std::vector<std::string>& requests) {
  std::map<std::string, int> sent;
  for (const std::string& request : requests) {
    std::istringstream body(request.substr(request.find("\r\n\r\n") + 4));
    for (std::string link; std::getline(body, link);) {
      if (!link.empty() && link.back() == '\r') link.pop_back();
      ++sent[link];
    }
  }
  return sent;
}

std::vector<std::string> all_recorded(const std::function<std::string(int)>& recorded, int count) {
  std::vector<std::string> requests;
  for (int i = 1; i <= count; ++i)
    requests.push_back(recorded(i));
  return requests;
}

// Killed at any moment, a run leaves the record as it was after its last recorded answer: the
// next run carries on, and only the one request in flight at each kill can go out twice.
TEST_F(PushProgramTest, KilledRunsLoseNothingAndResendOnlyTheRequestInFlight) {
  if (std::getenv("LINKCOURIER_PUSH_COMMAND") != nullptr)
    GTEST_SKIP() << "killing wine64 leaves the Windows process to Wine's server";
  const std::string address = start_simulator({"--delay-ms", "150"});
  const std::string links = write("links.txt", numbered_links(0, 1200));
  const std::string run =
      "--batch 100 --state " + files_.file("record.db") + " -i '" + address + "' " + links;
  for (const char* moment : {"0.5", "1.1"}) {
    const Outcome killed = push(run, "", std::string("timeout -s KILL ") + moment);
    EXPECT_EQ(killed.exit_code, 128 + 9) << killed.output;  // timeout says the program was killed
  }
  const Outcome last = push(run);
  EXPECT_EQ(last.exit_code, 0) << last.output;
  const std::map<std::string, int> sent =
      times_sent(all_recorded([&](int n) { return recorded(n); }, requests_recorded()));
  EXPECT_EQ(sent.size(), 1200u);
  const auto twice = std::count_if(sent.begin(), sent.end(), [](auto& s) { return s.second > 1; });
  EXPECT_LE(twice, 2 * 100) << "only the request in flight at each kill goes out again";
  EXPECT_TRUE(std::all_of(sent.begin(), sent.end(), [](auto& s) { return s.second <= 2; }));

  const Outcome status = push("status --json --state " + files_.file("record.db"));
  const nlohmann::json counts = nlohmann::json::parse(status.output)[0];
  EXPECT_EQ(counts["site"], "www.example.com");
  EXPECT_EQ(counts["accepted"], 1200);
  EXPECT_EQ(counts["accepted_today"], 1200);
  EXPECT_EQ(counts["waiting"], 0);
  EXPECT_EQ(counts["last_exit_code"], 0);
  const Outcome history =
      push("history --csv --site www.example.com --state " + files_.file("record.db"));
  EXPECT_EQ(std::count(history.output.begin(), history.output.end(), '\n'), 1 + 3 * 1200)
      << "a heading, then each link seen, sent and accepted";
  EXPECT_EQ(push("history --since 2099-01-01 --state " + files_.file("record.db")).output, "");
}

// Two runs started together over one record: the second sends nothing and says who holds it;
// with --wait it waits, then sends only what the first left.
TEST_F(PushProgramTest, OverlappingRunsTakeTurns) {
  const std::string address = start_simulator({"--delay-ms", "300"});
  const std::string links = write("links.txt", numbered_links(0, 600));
  // One record under three names: its own, a symbolic link and a hard link to it.
  const auto run = [&](const std::string& record) {
    return "--batch 100 --state " + files_.file(record) + " -i '" + address + "' " + links +
           " 2>&1";
  };
  std::filesystem::create_symlink(files_.file("record.db"), files_.file("symbolic.db"));
  // The others start once the first holds the record: its first request has arrived.
  const Outcome together =
      shell(program(run("record.db")) + " >" + files_.file("first.txt") + " & until [ -e " +
            records_.file("request-1") + " ]; do sleep 0.05; done; ln " + files_.file("record.db") +
            " " + files_.file("hard.db") + "; " + program(run("symbolic.db")) +
            "; echo \"symbolic: $?\"; " + program(run("hard.db")) + "; echo \"hard: $?\"; " +
            program("--wait 60 " + run("record.db")) + "; echo \"waited: $?\"; wait");
  EXPECT_NE(together.output.find("另一次运行正在使用此记录（进程 "), std::string::npos)
      << together.output;
  EXPECT_NE(together.output.find("symbolic: 5"), std::string::npos) << together.output;
  EXPECT_NE(together.output.find("hard: 5"), std::string::npos) << together.output;
  EXPECT_NE(
      together.output.find("共发送：0条，成功：0条，被拒绝：0条，待推送：0条，已推送过：600条"),
      std::string::npos)
      << together.output;
  EXPECT_NE(together.output.find("waited: 0"), std::string::npos) << together.output;
  EXPECT_EQ(requests_recorded(), 6) << read("first.txt");
}

// Asking the record writes nothing: another user who may only read it can ask it.
TEST_F(PushProgramTest, AskingTheRecordWritesNothing) {
  if (::geteuid() != 0 || std::getenv("LINKCOURIER_PUSH_COMMAND") != nullptr)
    GTEST_SKIP() << "needs root, to ask as another user";
  const std::string record = files_.file("record.db");
  ASSERT_EQ(push("--state " + record + " -i '" + start_simulator({}) + "'", numbered_links(0, 2))
                .exit_code,
            0);
  std::filesystem::permissions(
      files_.path(), std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
      std::filesystem::perm_options::add);
  const std::string as_nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups env ";
  const std::pair<const char*, const char*> queries[] = {{"status", "已接受 2 条"},
                                                         {"history", "100001.html"}};
  for (const auto& [query, said] : queries) {
    const Outcome asked =
        shell(as_nobody + program(std::string(query) + " --state " + record) + " 2>&1");
    EXPECT_EQ(asked.exit_code, 0) << query << ": " << asked.output;
    EXPECT_NE(asked.output.find(said), std::string::npos) << asked.output;
  }
}

// A text state file of earlier versions is taken in whole, and kept beside the record.
TEST_F(PushProgramTest, ATextStateFileIsTakenIn) {
  const std::string address = start_simulator({});
  std::string text;
  for (int i = 0; i < 3; ++i)
    text +=
        "2026-12-01T00:00:00Z\thttps://www.example.com/p/" + std::to_string(100000 + i) + ".html\n";
  write("state.txt", text + "2026-12-01T00:0");  // a last line cut short by a crash
  const Outcome outcome = push("-i '" + address + "' --state " + files_.file("state.txt") + " " +
                               write("links.txt", numbered_links(0, 5)));
  EXPECT_EQ(outcome.exit_code, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("共发送：2条，成功：2条，被拒绝：0条，待推送：0条，已推送过：3条"),
            std::string::npos)
      << outcome.output;
  EXPECT_EQ(read("state.txt.imported"), text + "2026-12-01T00:0");
}

// A record that cannot be used is named with its reason, and nothing is sent.
TEST_F(PushProgramTest, BadRecordsSendNothing) {
  const std::string address = start_simulator({});
  const std::string links = write("links.txt", numbered_links(0, 50));
  const std::string ours = files_.file("ours.db");
  ASSERT_EQ(push("-i '" + address + "' --state " + ours + " " + links).exit_code, 0);
  const int sent_before = requests_recorded();
  const auto sqlite = [](const std::string& path, const std::string& sql) {
    ASSERT_TRUE(run_command({"sqlite3", path, sql}));
  };
  const std::string newer = files_.file("newer.db");
  std::filesystem::copy_file(ours, newer);
  sqlite(newer, "PRAGMA user_version = 99");
  const std::string other = files_.file("other.db");
  sqlite(other, "CREATE TABLE notes(text)");
  const std::string damaged = files_.file("damaged.db");
  std::filesystem::copy_file(ours, damaged);
  {
    std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(4096);  // every page but the first, which says what the file is
    file << std::string(std::filesystem::file_size(ours) - 4096, '\xA5');
  }
  const struct {
    std::string path;
    std::string message;
  } cases[] = {
      {write("junk.db", "\x01\x02 not a record"), "junk.db: 不是 linkcourier-push 的记录"},
      {other, "other.db: 不是 linkcourier-push 的记录"},
      {newer, "newer.db: 记录来自更新版本的 linkcourier-push（格式 99"},
      {damaged, "damaged.db: 记录已损坏，或不是数据库"},
  };
  for (const auto& c : cases) {
    const Outcome outcome =
        push("-i '" + address + "' --state " + c.path + " " + links + " --again");
    EXPECT_EQ(outcome.exit_code, 6) << outcome.output;
    EXPECT_NE(outcome.output.find(c.message), std::string::npos) << outcome.output;
  }
  EXPECT_EQ(requests_recorded(), sent_before);
}

// A full disk while recording: a clear message, the run stops, and the record is as it was after
// the last answer once there is room again.
TEST_F(PushProgramTest, AFullDiskStopsTheRunAndKeepsTheRecord) {
  const std::string disk = files_.file("disk");
  std::filesystem::create_directory(disk);
  if (::geteuid() != 0 || !run_command({"mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", disk}))
    GTEST_SKIP() << "a small disk needs root to mount a tmpfs";
  const std::string address = start_simulator({});
  const std::string record = disk + "/record.db";
  const Outcome first = push("-i '" + address + "' --state " + record + " " +
                             write("few.txt", numbered_links(0, 10)));
  run_command({"sh", "-c", "cat /dev/zero > " + disk + "/filler 2>/dev/null; true"});
  const Outcome full = push("-i '" + address + "' --state " + record + " " +
                            write("many.txt", numbered_links(10, 5000)));
  std::filesystem::remove(disk + "/filler");  // room again: the record is as it was
  const Outcome status = push("status --json --state " + record);
  run_command({"umount", disk});
  EXPECT_EQ(first.exit_code, 0) << first.output;
  EXPECT_EQ(full.exit_code, 6) << full.output;
  EXPECT_NE(full.output.find("record.db: 磁盘已满"), std::string::npos) << full.output;
  EXPECT_EQ(nlohmann::json::parse(status.output)[0]["accepted"], 10) << status.output;
}

}  // namespace
}  // namespace lc::test
