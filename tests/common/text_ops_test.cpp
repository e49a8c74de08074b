#include "common/text_ops.h"

#include <gtest/gtest.h>

#include "tests/support/cp936.h"

namespace lc {
namespace {

TEST(ClippingTest, LeftRightAndMidClipAsDocumented) {
  struct Case {
    Text got;
    Text expected;
  };
  const Case cases[] = {
      {left("hello", 2), "he"},     {left("hello", 0), ""},      {left("hello", -1), ""},
      {left("hello", 9), "hello"},  {right("hello", 2), "lo"},   {right("hello", 0), ""},
      {right("hello", 9), "hello"}, {mid("hello", 2, 3), "ell"}, {mid("hello", 4, 9), "lo"},
      {mid("hello", 0, 2), ""},     {mid("hello", 6, 1), ""},    {mid("hello", 1, 0), ""},
      {mid("hello", 5, 1), "o"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.got, c.expected);
}

TEST(ReplaceTest, ReplacesLeftToRightWithoutOverlap) {
  EXPECT_EQ(replace("aaa", "aa", "b"), "ba");
  EXPECT_EQ(replace("a.b.c", ".", "--"), "a--b--c");
  EXPECT_EQ(replace("", "a", "b"), "");
  EXPECT_EQ(replace("abc", "", "x"), "abc");
  EXPECT_EQ(replace("AbA", "a", "x", true), "xbx");
  EXPECT_EQ(replace("AbA", "a", "x"), "AbA");
  EXPECT_EQ(replace("\xB0}}", "}", "]"), "\xB0}]");
}

TEST(SplitTest, FollowsTheSeparatorRules) {
  struct Case {
    Text text;
    Text separator;
    TextList expected;
  };
  const Case cases[] = {
      {"a; b; c", "; ", {"a", "b", "c"}},
      {"a; ; c", "; ", {"a", "", "c"}},
      {"a; b; ", "; ", {"a", "b"}},
      {"; a", "; ", {"", "a"}},
      {"; ", "; ", {""}},
      {"", "; ", {}},
      {"abc", "", {"abc"}},
      {"a\r\n\r\nb\r\n", "\r\n", {"a", "", "b"}},
      {"x\xB0,y,z", ",", {"x\xB0,y", "z"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(split(c.text, c.separator), c.expected) << c.text;
}

TEST(TrimTest, RemovesOnlySpacesAndFullWidthSpaces) {
  const Text full_width_space = "\xA1\xA1";
  EXPECT_EQ(trim("  a b  "), "a b");
  EXPECT_EQ(trim(full_width_space + " a" + full_width_space), "a");
  EXPECT_EQ(trim("\ta\r\n"), "\ta\r\n");
  EXPECT_EQ(trim("   "), "");
  // The last character is 0xB0 0xA1, not a full-width space straddling it.
  EXPECT_EQ(trim("a\xB0\xA1\xA1"), "a\xB0\xA1\xA1");
  EXPECT_EQ(trim(test::gbk("　中文　")), test::gbk("中文"));
}

TEST(UpperTest, UpperCasesSingleByteLettersOnly) {
  EXPECT_EQ(upper("abc-Z9"), "ABC-Z9");
  EXPECT_EQ(upper("\x81"
                  "a"
                  "b"),
            "\x81"
            "aB");
}

}  // namespace
}  // namespace lc
