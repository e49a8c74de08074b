// The engine's object model: UTF-16 unit indexes, empty values, failed writes.
#include "platform/regex_engine.h"

#include <gtest/gtest.h>

#include "platform/com_apartment.h"

namespace lc::platform {
namespace {

// The engine's objects live in the thread's apartment, as they do for RegexObject.
class RegexEngineTest : public testing::Test {
 protected:
  void SetUp() override { com_initialize(); }
  void TearDown() override { com_uninitialize(); }
};

TEST_F(RegexEngineTest, IndexesCountUtf16UnitsAndSurrogatesAreTwoCharacters) {
  RegexEngine engine;
  engine.set_flag("Global", true);
  engine.set_pattern(u"b|..");
  const auto matches = engine.execute(u"\U0001F600b");
  ASSERT_TRUE(matches);
  ASSERT_EQ(matches->count(), 2u);
  EXPECT_EQ(matches->item(0)->whole.start, 0u);
  EXPECT_EQ(matches->value(*matches->item(0)), u"\U0001F600");
  EXPECT_EQ(matches->item(1)->whole.start, 2u);
}

TEST_F(RegexEngineTest, GroupNotTakingPartIsAnEmptyValueNotAnEmptyString) {
  RegexEngine engine;
  engine.set_pattern(u"(x)?()y");
  const auto matches = engine.execute(u"y");
  ASSERT_TRUE(matches);
  const Match& match = *matches->item(0);
  EXPECT_FALSE(matches->sub_match(match, 0).has_value());
  ASSERT_TRUE(matches->sub_match(match, 1).has_value());
  EXPECT_EQ(*matches->sub_match(match, 1), u"");
  EXPECT_EQ(matches->item(1), nullptr);
}

TEST_F(RegexEngineTest, WritingAPropertyTheClassLacksFailsAndChangesNothing) {
  RegexEngine engine;
  EXPECT_FALSE(engine.set_flag("Singleline", true));
  EXPECT_TRUE(engine.set_flag("Multiline", false));
  engine.set_pattern(u"a.b");
  const auto matches = engine.execute(u"a\nb");
  ASSERT_TRUE(matches);
  EXPECT_EQ(matches->count(), 0u);
}

TEST_F(RegexEngineTest, ChangingAFlagRecompiles) {
  RegexEngine engine;
  engine.set_pattern(u"A");
  EXPECT_EQ(engine.execute(u"a")->count(), 0u);
  engine.set_flag("IgnoreCase", true);
  EXPECT_EQ(engine.execute(u"a")->count(), 1u);
}

TEST_F(RegexEngineTest, LargeSubjectsMatchTheSame) {
  // Large subjects take the compiled-to-machine-code path.
  RegexEngine engine;
  engine.set_flag("Global", true);
  engine.set_pattern(u"(\\d+)x");
  std::u16string subject;
  for (int i = 0; i < 20000; ++i)
    subject += u"12x ";
  const auto matches = engine.execute(subject);
  ASSERT_TRUE(matches);
  EXPECT_EQ(matches->count(), 20000u);
  EXPECT_EQ(matches->item(19999)->whole.start, 4u * 19999);
}

}  // namespace
}  // namespace lc::platform
