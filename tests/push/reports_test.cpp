// linkcourier-push end to end, against the simulator on loopback. What a run tells: metrics, the
// report page, JSON, the scheduler, and bad input.
#include <gtest/gtest.h>
#include <sys/stat.h>
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

// The run's figures for monitoring pass Prometheus's own check and can be read by the monitoring
// agent's own user whatever the umask; a failed run keeps the time of the last success.
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
  const mode_t umask = ::umask(077);  // a sandboxed service's
  EXPECT_EQ(push(run).exit_code, 0);
  ::umask(umask);
  if (std::getenv("LINKCOURIER_PUSH_COMMAND") == nullptr) {
    EXPECT_EQ(
        std::filesystem::status(files_.file("m.prom")).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
            std::filesystem::perms::group_read | std::filesystem::perms::others_read);
  }
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

// A month of nights for a site whose links outgrow Google's quota (three new pages a night, two
// sent): each night that leaves links only for the next day succeeds, says nothing with -q and
// moves the last success on, while the backlog grows; a night the engine cannot be reached needs
// a person, says so, and keeps the last success.
TEST_F(PushProgramTest, AMonthOfNightsIsQuietUntilSomethingNeedsAPerson) {
  // Under Wine each moved clock makes Wine bring its prefix up to date first, some ten seconds a
  // start; the nights' logic is the same on both systems.
  if (std::getenv("LINKCOURIER_PUSH_COMMAND") != nullptr)
    GTEST_SKIP() << "a month of moved clocks takes Wine minutes";
  port_ = unused_port();
  const std::string root = "http://127.0.0.1:" + std::to_string(port_);
  const std::string account = google_account(root);
  std::filesystem::permissions(account, std::filesystem::perms::owner_read);
  start_simulator({"--google-key", files_.file("public.pem"), "--quota", "1000000"});
  const std::string config =
      write("config.toml",
            "state = \"state.db\"\n[[site]]\nname = \"www\"\nfiles = "
            "[\"links.txt\"]\n[site.google]\nservice_account = \"account.json\"\n"
            "endpoint = \"" +
                root + "\"\ndaily_quota = 2\n");
  const std::string run = "--config " + config + " -q --metrics " + files_.file("m.prom");
  const auto figure = [&](const std::string& name) {
    const std::string text = read("m.prom");
    const std::string line = name + "{site=\"www\",engine=\"google\"} ";
    const std::size_t at = text.find(line);
    return at == std::string::npos
               ? ""
               : text.substr(at + line.size(), text.find('\n', at) - at - line.size());
  };
  std::string last_success;
  for (int night = 0; night < 30; ++night) {
    write("links.txt", numbered_links(0, 3 * (night + 1)));
    const Outcome outcome = push(run, "", moved_clock("+" + std::to_string(night) + "d"));
    ASSERT_EQ(outcome.exit_code, 0) << "night " << night << ": " << outcome.output;
    ASSERT_EQ(outcome.output, "") << "night " << night;
    EXPECT_NE(figure("linkcourier_last_success_timestamp_seconds"), last_success) << night;
    last_success = figure("linkcourier_last_success_timestamp_seconds");
  }
  EXPECT_EQ(figure("linkcourier_links_waiting"), "30");
  simulator_.reset();
  const Outcome down = push(run, "", moved_clock("+30d"));
  EXPECT_EQ(down.exit_code, 3) << down.output;
  EXPECT_NE(down.output, "");
  EXPECT_EQ(figure("linkcourier_last_success_timestamp_seconds"), last_success);
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

// A daily run and a service at logon registered with the system's task scheduler, shown and
// removed; Wine's scheduler keeps the task but writes neither its trigger nor its command back,
// and has no logon trigger at all ("not implemented", said as the refusal it is). Linux has none
// to ask.
TEST_F(PushProgramTest, ScheduleRegistersShowsAndRemovesADailyRun) {
  if (std::getenv("LINKCOURIER_PUSH_COMMAND") == nullptr) {
    const Outcome none = push("schedule --show");
    EXPECT_EQ(none.exit_code, 2);
    EXPECT_NE(none.output.find("此系统没有任务计划服务可用"), std::string::npos) << none.output;
    return;
  }
  const std::string config = write("站点.toml", "state = \"x\"\n");
  // The daily run, and the service started at logon: two tasks of their own.
  const std::pair<std::string, std::string> tasks[] = {{"", "每天 03:30 按 "},
                                                       {" --at-logon", "每次登录时按 "}};
  for (const auto& [which, says] : tasks) {
    const std::string when = which.empty() ? " --daily 03:30" : which;
    const Outcome registered = push("schedule" + when + " --config " + config);
    if (!which.empty() && registered.output.find("(0x80004001)") != std::string::npos) {
      EXPECT_EQ(registered.exit_code, 2);
      EXPECT_EQ(push("schedule --show" + which).exit_code, 2);
      continue;
    }
    EXPECT_EQ(registered.exit_code, 0) << registered.output;
    EXPECT_NE(registered.output.find(says), std::string::npos) << registered.output;
    const Outcome shown = push("schedule --show" + which);
    EXPECT_EQ(shown.exit_code, 0) << shown.output;
    EXPECT_NE(shown.output.find("<Task"), std::string::npos) << shown.output;
    EXPECT_EQ(push("schedule --remove" + which).exit_code, 0);
    EXPECT_EQ(push("schedule --show" + which).exit_code, 2);
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
      {links, "", "引擎 push 需要 --interface 或 LINKCOURIER_INTERFACE"},
      {"-i 'http://?q=1' " + links, "", "--interface: 不是可用的 http 或 https 地址"},
      {"-i '" + address + "' --sitemap " + write("page.html", "<html><body>x</body></html>"), "",
       "page.html: 第 1 行：不是站点地图（根元素为 <html>）"},
      {"-i '" + address + "' --sitemap " +
           write("broken.xml", "<urlset>\n<url><loc>x</lo></url>\n</urlset>"),
       "", "broken.xml: 第 2 行："},
      {"-i '" + address + "' --sitemap " + huge, "", "huge.xml: 超过站点地图的上限 50 MB"},
      {"-i '" + address + "' --folder " + files_.file("none") + " --base https://a/", "",
       "none: 不是可读的目录"},
      {"-i '" + address + "' --folder " + files_.path(), "", "--folder: 须与 --base 一起给出"},
      {"-i '" + address + "' --folder " + files_.path() + " --base ftp://a/", "",
       "--base: 不是带主机名的 http 或 https 网址"},
      {"-i '" + address + "' --folder " + files_.path() + " --base https://a/ --ignore-content '('",
       "", "--ignore-content: 不是可用的正则表达式"},
      {"-i '" + address + "' --key k3y-0f-s1te " + links, "", "--key: 不是引擎 push 的设置"},
      {"--protocol google --batch 101 " + links, "", "--batch: 应为 1 到 100 之间的整数"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = push(c.arguments, c.input);
    EXPECT_EQ(outcome.exit_code, c.exit_code) << c.arguments << "\n" << outcome.output;
    EXPECT_NE(outcome.output.find(c.message), std::string::npos) << outcome.output;
  }
  EXPECT_EQ(requests_recorded(), 0);
  const Outcome version = push("--version");
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_TRUE(version.output.starts_with("linkcourier-push 0.")) << version.output;
}

}  // namespace
}  // namespace lc::test
