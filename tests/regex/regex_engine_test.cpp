// The engine's object model: UTF-16 unit indexes, empty values, failed writes.
#include "platform/regex_engine.h"

#include <gtest/gtest.h>

#include "platform/com_apartment.h"

namespace lc::platform {
namespace {

std::shared_ptr<const std::u16string> subject(std::u16string text) {
  return std::make_shared<const std::u16string>(std::move(text));
}

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
  const auto matches = engine.execute(subject(u"\U0001F600b"));
  ASSERT_TRUE(matches);
  ASSERT_EQ(matches->count(), 2u);
  EXPECT_EQ(matches->item(0)[0].start, 0u);
  EXPECT_EQ(matches->value(matches->item(0)), u"\U0001F600");
  EXPECT_EQ(matches->item(1)[0].start, 2u);
}

TEST_F(RegexEngineTest, GroupNotTakingPartIsAnEmptyValueNotAnEmptyString) {
  RegexEngine engine;
  engine.set_pattern(u"(x)?()y");
  const auto matches = engine.execute(subject(u"y"));
  ASSERT_TRUE(matches);
  const MatchSpans match = matches->item(0);
  EXPECT_FALSE(matches->sub_match(match, 0).has_value());
  ASSERT_TRUE(matches->sub_match(match, 1).has_value());
  EXPECT_EQ(*matches->sub_match(match, 1), u"");
  EXPECT_TRUE(matches->item(1).empty());
}

// Groups inside a repeat are cleared at each iteration: what an earlier one captured is gone.
TEST_F(RegexEngineTest, GroupsInsideARepeatHoldOnlyTheLastIteration) {
  const struct {
    std::u16string_view pattern;
    std::u16string_view subject;
    std::u16string_view groups;  // each group's text after a '|', "-" when it took no part
  } cases[] = {
      {u"(z)((a+)?(b+)?(c))*", u"zaacbbbcac", u"|z|ac|a|-|c"},
      {u"(?:(a)|b)+", u"ab", u"|-"},
      {u"(?:(a)|(b))+\\2", u"abb", u"|-|b"},
      {u"((a)|b){2}", u"ab", u"|b|-"},
      {u"(?:(a)|b)+x", u"bax", u"|a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    RegexEngine engine;
    engine.set_pattern(c.pattern);
    const auto matches = engine.execute(subject(std::u16string(c.subject)));
    ASSERT_TRUE(matches);
    ASSERT_EQ(matches->count(), 1u);
    std::u16string groups;
    for (std::size_t group = 0; group < matches->group_count(); ++group) {
      const auto text = matches->sub_match(matches->item(0), group);
      groups += u'|';
      groups += text ? *text : u"-";
    }
    EXPECT_EQ(groups, c.groups);
  }
}

TEST_F(RegexEngineTest, WritingAPropertyTheClassLacksFailsAndChangesNothing) {
  RegexEngine engine;
  EXPECT_FALSE(engine.set_flag("Singleline", true));
  EXPECT_TRUE(engine.set_flag("Multiline", false));
  engine.set_pattern(u"a.b");
  const auto matches = engine.execute(subject(u"a\nb"));
  ASSERT_TRUE(matches);
  EXPECT_EQ(matches->count(), 0u);
}

TEST_F(RegexEngineTest, ChangingAFlagRecompiles) {
  RegexEngine engine;
  engine.set_pattern(u"A");
  EXPECT_EQ(engine.execute(subject(u"a"))->count(), 0u);
  engine.set_flag("IgnoreCase", true);
  EXPECT_EQ(engine.execute(subject(u"a"))->count(), 1u);
}

TEST_F(RegexEngineTest, MultilineAnchorsMeetTheUnicodeLineSeparators) {
  RegexEngine engine;
  engine.set_flag("Global", true);
  engine.set_flag("Multiline", true);
  engine.set_pattern(u"^\\w$");
  const auto matches = engine.execute(subject(u"a\u2028b\u2029c d"));
  ASSERT_TRUE(matches);
  ASSERT_EQ(matches->count(), 2u);
  EXPECT_EQ(matches->item(1)[0].start, 2u);
}

// By ECMAScript's rule a character whose upper case is ASCII while it is not (the long s), or
// one without an upper case of its own (the Kelvin sign), matches no ASCII letter.
TEST_F(RegexEngineTest, IgnoreCaseNeverPairsAsciiWithCharactersBeyondIt) {
  const struct {
    std::u16string_view pattern;
    std::u16string_view subject;
    std::size_t count;
  } cases[] = {
      {u"k\u4E2D", u"\u212A\u4E2D K\u4E2D", 1},
      {u"\\w\u4E2D", u"\u017F\u4E2D S\u4E2D", 1},
      {u"[a-z]\u4E2D", u"\u017F\u4E2D \u212A\u4E2D s\u4E2D", 1},
      {u"[^s]\u4E2D", u"\u017F\u4E2D S\u4E2D", 1},
      {u"\\W\u4E2D", u"\u017F\u4E2D \u212A\u4E2D k\u4E2D", 2},
      {u"\u017F", u"s S \u017F", 1},
      {u"\u212A", u"k K \u212A", 1},
      // A back-reference compares by the same rule.
      {u"(s)\\1", u"s\u017F sS", 1},
      {u"(\u00DF)\\1", u"\u00DF\u1E9E", 0},
      {u"(\u03C9)\\1", u"\u03C9\u2126", 0},
      {u"(\u00E5)\\1", u"\u00E5\u212B", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    RegexEngine engine;
    engine.set_flag("IgnoreCase", true);
    engine.set_flag("Global", true);
    engine.set_pattern(c.pattern);
    const auto matches = engine.execute(subject(std::u16string(c.subject)));
    ASSERT_TRUE(matches);
    EXPECT_EQ(matches->count(), c.count);
  }
}

// Long subjects may take another path through the engine; the answer stays the same, also for
// the short subject afterwards.
TEST_F(RegexEngineTest, OneAnswerWhateverTheSubjectsLengthAndWhatRanBefore) {
  const struct {
    std::u16string_view pattern;
    std::u16string_view subject;
    std::u16string_view match;
  } cases[] = {
      {u"(a)?\\1+b", u"b", u"b"},
      {u"(a)?(\\1)*b", u"b", u"b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const std::u16string padding(20000, u'-');
    RegexEngine engine;
    engine.set_pattern(c.pattern);
    for (const std::u16string& text :
         {std::u16string(c.subject), padding + std::u16string(c.subject),
          std::u16string(c.subject)}) {
      const auto matches = engine.execute(subject(text));
      ASSERT_TRUE(matches);
      ASSERT_EQ(matches->count(), 1u);
      EXPECT_EQ(matches->value(matches->item(0)), c.match);
    }
  }
}

TEST_F(RegexEngineTest, LargeSubjectsMatchTheSame) {
  // Large subjects take the compiled-to-machine-code path.
  RegexEngine engine;
  engine.set_flag("Global", true);
  engine.set_pattern(u"(\\d+)x");
  std::u16string text;
  for (int i = 0; i < 20000; ++i)
    text += u"12x ";
  const auto matches = engine.execute(subject(text));
  ASSERT_TRUE(matches);
  EXPECT_EQ(matches->count(), 20000u);
  EXPECT_EQ(matches->item(19999)[0].start, 4u * 19999);
  EXPECT_EQ(*matches->sub_match(matches->item(19999), 0), u"12");

  // A repeat that saves several groups each time needs more room than the subject's length says.
  engine.set_pattern(u"(((((a|b)))))*c");
  std::u16string repeated(1 << 18, u'a');
  const auto nested = engine.execute(subject(repeated + u'c'));
  ASSERT_TRUE(nested);
  ASSERT_EQ(nested->count(), 1u);
  EXPECT_EQ(nested->item(0)[0].length, repeated.size() + 1);
}

}  // namespace
}  // namespace lc::platform
