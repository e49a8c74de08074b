// The record's state changes, through its interface, on a real file: what waits, what an answer
// leaves of each link, what a later intake sends again, and what the record tells.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "push/record/sqlite_record.h"
#include "tests/support/child_process.h"

namespace lc::push {
namespace {

class SqliteRecordTest : public testing::Test {
 protected:
  std::unique_ptr<Record> opened(std::optional<std::string> content_rule = std::nullopt) {
    return open_sqlite_record({.path = folder_.file("record.db"),
                               .destination = "push https://example.com/urls",
                               .content_rule = std::move(content_rule)});
  }

  static std::vector<std::string> waiting(Record& record) {
    std::vector<std::string> links;
    record.for_each_waiting([&](std::string_view link) { links.emplace_back(link); });
    return links;
  }

  // Each link's last event and its detail, as history gives them.
  std::map<std::string, std::string> last_events() {
    std::map<std::string, std::string> events;
    const std::unique_ptr<Record> asked =
        open_sqlite_record({.path = folder_.file("record.db"), .destination = ""});
    asked->for_each_event(0, "", [&](const LinkEvent& event) {
      events[event.url] = event.event + " " + event.detail;
    });
    return events;
  }

  test::TemporaryDirectory folder_;
};

std::vector<SourceLink> links(std::initializer_list<const char*> urls,
                              std::optional<std::uint64_t> hash = std::nullopt) {
  std::vector<SourceLink> taken;
  for (const char* url : urls)
    taken.push_back({url, std::nullopt, hash});
  return taken;
}

TEST_F(SqliteRecordTest, AnAnswerLeavesEachLinkAsItsOutcomeSays) {
  {
    const std::unique_ptr<Record> record = opened();
    EXPECT_EQ(record->take_in(links({"https://a/1", "https://a/2", "https://a/3"}), false), 0u);
    record->commit_intake();
    EXPECT_EQ(waiting(*record),
              (std::vector<std::string>{"https://a/1", "https://a/2", "https://a/3"}));
    const std::vector<std::string_view> sent = {"https://a/1", "https://a/2", "https://a/3"};
    const std::vector<LinkOutcome> outcomes = {LinkOutcome::accepted(),
                                               LinkOutcome::refused("not valid"),
                                               LinkOutcome::deferred("quota spent", true)};
    record->record_answer({.sent = sent, .words = "200 OK", .outcomes = outcomes, .quota_day = 0});
    EXPECT_EQ(waiting(*record), std::vector<std::string>{"https://a/3"});
  }
  EXPECT_EQ(last_events(),
            (std::map<std::string, std::string>{{"https://a/1", "accepted 200 OK"},
                                                {"https://a/2", "refused not valid"},
                                                {"https://a/3", "deferred quota spent"}}));
  // A later intake sends again what waits, not what was accepted or refused; `again` sends all.
  const std::unique_ptr<Record> later = opened();
  EXPECT_EQ(later->take_in(links({"https://a/1", "https://a/2", "https://a/3"}), false), 1u);
  later->commit_intake();
  EXPECT_EQ(later->waiting_count(), 1u);
  later->take_in(links({"https://a/1", "https://a/2"}), true);
  later->commit_intake();
  EXPECT_EQ(later->waiting_count(), 3u);
}

TEST_F(SqliteRecordTest, AnAnswerThatSaysNothingOfItsLinksLeavesThemWaiting) {
  const std::unique_ptr<Record> record = opened();
  record->take_in(links({"https://a/1", "https://a/2"}), false);
  record->commit_intake();
  const std::vector<std::string_view> sent = {"https://a/1", "https://a/2"};
  record->record_answer({.sent = sent, .words = "200 OK", .outcomes = {}, .quota_day = 100});
  EXPECT_EQ(record->waiting_count(), 2u);
  EXPECT_EQ(record->quota_on(100).used, 2);  // it may have taken them all
}

TEST_F(SqliteRecordTest, ContentChangesSendAPageAgainButANewRuleIsABaseline) {
  const struct {
    std::optional<std::string> rule;
    std::uint64_t hash;
    std::size_t waiting;
  } runs[] = {
      {"", 1, 1},       // new: it waits
      {"", 1, 0},       // accepted, unchanged
      {"", 2, 1},       // changed content: again
      {"stamp", 3, 0},  // another rule: a baseline, not a change
      {"stamp", 4, 1},  // under the same rule, a change again
  };
  for (const auto& run : runs) {
    const std::unique_ptr<Record> record = opened(run.rule);
    record->take_in(links({"https://a/page"}, run.hash), false);
    record->commit_intake();
    EXPECT_EQ(record->waiting_count(), run.waiting) << run.hash;
    const std::vector<std::string_view> sent = {"https://a/page"};
    const std::vector<LinkOutcome> accepted = {LinkOutcome::accepted()};
    if (run.waiting > 0)
      record->record_answer({.sent = sent, .words = "200 OK", .outcomes = accepted});
  }
}

TEST_F(SqliteRecordTest, TheLastToldQuotaIsKeptForTheDaysAfter) {
  const std::unique_ptr<Record> record = opened();
  EXPECT_FALSE(record->told_quota_before(1000));
  record->record_quota(100, 40);
  record->record_quota(200, 60);
  const std::optional<QuotaDay> told = record->told_quota_before(300);
  ASSERT_TRUE(told);
  EXPECT_EQ(told->day, 200);
  EXPECT_EQ(told->left, 60);
  EXPECT_EQ(record->told_quota_before(200)->day, 100);
}

}  // namespace
}  // namespace lc::push
