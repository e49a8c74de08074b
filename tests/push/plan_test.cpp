// The plan of a run, made from the command line and from a config file: every config key acts as
// its option, and a value wrong either way is refused in the same words.
#include "push/settings/plan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "push/settings/options.h"
#include "push/settings/site_settings.h"
#include "tests/push/push_fixture.h"

namespace lc::test {
namespace {

using push::EngineSettings;
using push::PlanReading;

const std::string kKey = "k3y-0f-the-s1te";
const std::string kAddress = "http://127.0.0.1:1/urls?token=t";

// A setting written both ways: a config's lines and the options that say the same.
struct Written {
  std::string engine;          // empty: a site's setting
  std::set<std::string> keys;  // the keys it gives
  std::string lines;           // of the site's table, or of the engine's
  std::vector<std::string> options;
};

class PlanTest : public PushProgramTest {
 protected:
  void SetUp() override {
    setenv("PLAN_TEST_INTERFACE", kAddress.c_str(), 1);
    setenv("PLAN_TEST_KEY", kKey.c_str(), 1);
    links_ = write("links.txt", "");
    account_ = google_account("http://127.0.0.1:1");
  }

  // What an engine cannot go without, both ways.
  Written needed(const std::string& engine) const {
    if (engine == "push")
      return {engine, {"interface"}, "interface_env = \"PLAN_TEST_INTERFACE\"\n", {"-i", kAddress}};
    if (engine == "indexnow")
      return {engine, {"key"}, "key_env = \"PLAN_TEST_KEY\"\n", {"--key", kKey}};
    if (engine == "bing")
      return {engine, {"api_key"}, "api_key_env = \"PLAN_TEST_KEY\"\n", {"--key", kKey}};
    return {engine,
            {"service_account"},
            "service_account = \"" + account_ + "\"\n",
            {"--service-account", account_}};
  }

  // `written` on the command line, to `engine` (the push interface for a site's setting).
  PlanReading from_options(const Written& written, const std::string& engine) const {
    std::vector<std::string> arguments = {"linkcourier-push", "--protocol", engine};
    const Written& part = written.keys == needed(engine).keys ? Written{} : needed(engine);
    for (const Written& given : {written, part})
      arguments.insert(arguments.end(), given.options.begin(), given.options.end());
    if (!gives_source(written)) arguments.push_back(links_);
    const push::ParsedOptions parsed = push::parse_options(arguments);
    if (!parsed.options) return {std::nullopt, {parsed.problem}, {}};
    return push::plan_of(*parsed.options);
  }

  PlanReading from_config(const Written& written, const std::string& engine) {
    std::string site = "[[site]]\nname = \"s\"\n";
    if (written.engine.empty()) site += written.lines;
    if (!gives_source(written)) site += "files = [\"" + links_ + "\"]\n";
    site += "[site." + engine + "]\n";
    if (written.keys != needed(engine).keys) site += needed(engine).lines;
    if (!written.engine.empty()) site += written.lines;
    push::Options options;
    options.config = write("plan.toml", site);
    return push::plan_of(options);
  }

  static bool gives_source(const Written& written) {
    return written.keys.contains("files") || written.keys.contains("sitemaps") ||
           written.keys.contains("folder");
  }

  std::string links_, account_;
};

TEST_F(PlanTest, EveryConfigKeyActsAsItsOption) {
  const std::string folder = files_.file("www");
  const std::string in_folder =
      "folder = \"" + folder + "\"\nbase = \"https://www.example.com/\"\n";
  const std::vector<std::string> folder_options = {"--folder", folder, "--base",
                                                   "https://www.example.com/"};
  const auto with_folder = [&](std::vector<std::string> options) {
    options.insert(options.end(), folder_options.begin(), folder_options.end());
    return options;
  };
  const std::string endpoint = "http://127.0.0.1:1/api";
  std::vector<Written> cases = {
      {"",
       {"files"},
       "files = [\"" + links_ + "\", \"" + links_ + "2\"]\n",
       {links_, links_ + "2"}},
      {"",
       {"sitemaps"},
       "sitemaps = [\"https://www.example.com/s.xml\", \"" + links_ + "\"]\n",
       {"--sitemap", "https://www.example.com/s.xml", "--sitemap", links_}},
      {"", {"folder", "base"}, in_folder, folder_options},
      {"",
       {"extensions"},
       in_folder + "extensions = [\".xhtml\", \".php\"]\n",
       with_folder({"--extension", ".xhtml", "--extension", ".php"})},
      {"",
       {"ignore_content"},
       "ignore_content = \"<time>.*</time>\"\n",
       {"--ignore-content", "<time>.*</time>"}},
      {"",
       {"changed_by", "fetch_concurrency", "fetch_budget"},
       "changed_by = \"content\"\nfetch_concurrency = 8\nfetch_budget = 500\n",
       {"--changed-by", "content", "--fetch-concurrency", "8", "--fetch-budget", "500"}},
      {"", {"deletions"}, "deletions = true\n", {"--deletions"}},
      {"", {"deletion_limit"}, "deletion_limit = 12.5\n", {"--deletion-limit", "12.5"}},
      {"indexnow",
       {"key_location"},
       "key_location = \"https://www.example.com/k.txt\"\n",
       {"--key-location", "https://www.example.com/k.txt"}},
      {"google", {"daily_quota"}, "daily_quota = 1000\n", {"--daily-quota", "1000"}},
      {"google",
       {"inspection_endpoint", "property", "sitemaps_endpoint"},
       "inspection_endpoint = \"" + endpoint + "\"\nproperty = \"sc-domain:example.com\"\n" +
           "sitemaps_endpoint = \"" + endpoint + "\"\n",
       {"--inspection-endpoint", endpoint, "--property", "sc-domain:example.com",
        "--sitemaps-endpoint", endpoint}},
      {"bing",
       {"site_url"},
       "site_url = \"https://www.example.com/\"\n",
       {"--site-url", "https://www.example.com/"}},
  };
  for (const push::EngineDescription* engine : push::every_engine()) {
    const std::string name(engine->name);
    cases.push_back({name, {"batch"}, "batch = 7\n", {"--batch", "7"}});
    cases.push_back(needed(name));
    if (!engine->default_endpoint.empty())
      cases.push_back({name, {"endpoint"}, "endpoint = \"" + endpoint + "\"\n", {"-i", endpoint}});
    if (engine->make_inspector) {
      cases.push_back(
          {name,
           {"inspect", "inspect_after", "reinspect_after", "daily_inspections", "repush_after",
            "max_repush"},
           "inspect = true\ninspect_after = 24\nreinspect_after = 3\n"
           "daily_inspections = 500\nrepush_after = 30\nmax_repush = 0\n",
           {"--inspect", "--inspect-after", "24", "--reinspect-after", "3", "--daily-inspections",
            "500", "--repush-after", "30", "--max-repush", "0"}});
    }
    if (engine->make_sitemap_submitter)
      cases.push_back({name,
                       {"submit_sitemaps", "sitemaps_only"},
                       "submit_sitemaps = true\nsitemaps_only = true\n",
                       {"--submit-sitemaps", "--sitemaps-only"}});
  }
  std::set<std::pair<std::string, std::string>> covered;
  for (const Written& c : cases) {
    const std::string engine = c.engine.empty() ? "push" : c.engine;
    const PlanReading options = from_options(c, engine);
    const PlanReading config = from_config(c, engine);
    ASSERT_TRUE(options.plan && config.plan) << c.lines << testing::PrintToString(options.problems)
                                             << testing::PrintToString(config.problems);
    const push::SitePlan& given = options.plan->sites.at(0);
    const push::SitePlan& read = config.plan->sites.at(0);
    EXPECT_EQ(given.sources, read.sources) << c.lines;
    EXPECT_EQ(given.deletions, read.deletions) << c.lines;
    EXPECT_EQ(given.deletion_limit, read.deletion_limit) << c.lines;
    EXPECT_EQ(given.engines, read.engines) << c.lines;
    // Taken, not dropped both ways alike: the plan differs from one without it.
    const PlanReading without = from_options({}, engine);
    const push::SitePlan& plain = without.plan->sites.at(0);
    EXPECT_TRUE(given.sources != plain.sources || given.deletions != plain.deletions ||
                given.deletion_limit != plain.deletion_limit || given.engines != plain.engines ||
                c.keys == needed(engine).keys)
        << c.lines;
    for (const std::string& key : c.keys)
      covered.emplace(c.engine, key);
  }
  // A setting declared later is tried here too, or this fails.
  for (const auto& setting : push::site_settings()) {
    if (!setting.key.empty() && !setting.option.empty()) {
      EXPECT_TRUE(covered.contains({"", std::string(setting.key)})) << setting.key;
    }
  }
  for (const push::EngineDescription* engine : push::every_engine()) {
    for (const auto* setting : push::settings_of(*engine))
      EXPECT_TRUE(covered.contains({std::string(engine->name), std::string(setting->key)}))
          << engine->name << "." << setting->key;
  }
}

// A wrong value is refused in the same words from the command line and from the config.
TEST_F(PlanTest, AWrongValueIsRefusedInTheSameWordsEitherWay) {
  const std::vector<Written> cases = {
      {"push", {}, "batch = 0\n", {"--batch", "0"}},
      {"google", {}, "batch = 101\n", {"--batch", "101"}},
      {"google", {}, "daily_quota = 0\n", {"--daily-quota", "0"}},
      {"google", {}, "property = \"example.com\"\n", {"--property", "example.com"}},
      {"bing", {}, "inspect_after = 0\n", {"--inspect-after", "0"}},
      {"google", {}, "max_repush = 11\n", {"--max-repush", "11"}},
      {"", {}, "deletion_limit = 101\n", {"--deletion-limit", "101"}},
      {"", {}, "fetch_budget = 0\n", {"--fetch-budget", "0"}},
      {"", {}, "ignore_content = \"(\"\n", {"--ignore-content", "("}},
      {"", {}, "changed_by = \"dates\"\n", {"--changed-by", "dates"}},
      {"",
       {"folder"},
       "folder = \"www\"\nbase = \"ftp://a/\"\n",
       {"--folder", "www", "--base", "ftp://a/"}},
      {"bing", {}, "endpoint = \"ftp://a/\"\n", {"-i", "ftp://a/"}},
      {"indexnow", {}, "key_location = \"/k.txt\"\n", {"--key-location", "/k.txt"}},
  };
  for (const Written& c : cases) {
    const std::string engine = c.engine.empty() ? "push" : c.engine;
    const PlanReading options = from_options(c, engine);
    const PlanReading config = from_config(c, engine);
    ASSERT_EQ(options.problems.size(), 1u) << c.lines << testing::PrintToString(options.problems);
    ASSERT_EQ(config.problems.size(), 1u) << c.lines << testing::PrintToString(config.problems);
    const std::string& said = options.problems.front();
    const std::string reason = said.substr(said.find(": ") + 2);
    EXPECT_TRUE(config.problems.front().ends_with(": " + reason)) << said << "\n"
                                                                  << config.problems.front();
  }
}

}  // namespace
}  // namespace lc::test
