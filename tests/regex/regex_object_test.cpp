#include "regex/regex_object.h"

#include <gtest/gtest.h>

#include "tests/support/cp936.h"

namespace lc {
namespace {

const Text kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";

TEST(RegexObjectTest, AnswersNothingBeforeCreate) {
  RegexObject regex;
  TextPos position = 99;
  EXPECT_EQ(regex.get_pattern(), "");
  EXPECT_EQ(regex.replace("x"), "");
  EXPECT_EQ(regex.match_count(), 0);
  EXPECT_EQ(regex.submatch_count(), 0);
  EXPECT_EQ(regex.match_text(1, &position), "");
  EXPECT_EQ(position, -2);  // the empty text is not found in an empty subject
}

TEST(RegexObjectTest, RejectedPatternFailsButKeepsItsPattern) {
  RegexObject regex;
  EXPECT_FALSE(regex.create("(a", "aaa"));
  EXPECT_EQ(regex.get_pattern(), "(a");
  EXPECT_EQ(regex.match_count(), 0);
  EXPECT_EQ(regex.submatch_count(), 0);
  EXPECT_EQ(regex.match_text(1), "");
}

TEST(RegexObjectTest, ValidPatternWithoutMatchSucceeds) {
  RegexObject regex;
  EXPECT_TRUE(regex.create("(z)", "aaa"));
  EXPECT_EQ(regex.match_count(), 0);
  EXPECT_EQ(regex.submatch_count(), 0);
}

TEST(RegexObjectTest, EachCreateStartsOver) {
  RegexObject regex;
  ASSERT_TRUE(regex.create("(a)(b)", "ab ab"));
  EXPECT_EQ(regex.match_count(), 2);
  EXPECT_EQ(regex.submatch_count(), 2);
  EXPECT_FALSE(regex.create("[", "ab"));
  EXPECT_EQ(regex.match_count(), 0);
  ASSERT_TRUE(regex.create("b", "ab"));
  EXPECT_EQ(regex.match_text(1), "b");
}

TEST(RegexObjectTest, QuoteMarkerBecomesADoubleQuoteOnlyWhenAsked) {
  const Text pattern = test::gbk("charset=#引号(\\w+)");
  const Text subject = "<meta charset=\"utf-8\">";
  RegexObject regex;
  ASSERT_TRUE(regex.create(pattern, subject, {.replace_quote_marker = true}));
  EXPECT_EQ(regex.get_pattern(), "charset=\"(\\w+)");
  EXPECT_EQ(regex.submatch_text(1, 1), "utf");
  ASSERT_TRUE(regex.create(pattern, subject));
  EXPECT_EQ(regex.get_pattern(), pattern);
  EXPECT_EQ(regex.match_count(), 0);
}

TEST(RegexObjectTest, IndexesOutsideTheCollectionGiveEmptyText) {
  RegexObject regex;
  ASSERT_TRUE(regex.create("(a)", "a a"));
  EXPECT_EQ(regex.match_text(0), "");
  EXPECT_EQ(regex.match_text(3), "");
  EXPECT_EQ(regex.submatch_text(1, 0), "");
  EXPECT_EQ(regex.submatch_text(1, 2), "");
  EXPECT_EQ(regex.submatch_text(3, 1), "");
}

TEST(RegexObjectTest, PositionsAreByteOffsetsFoundFromTheUnitIndex) {
  struct Case {
    Text pattern;
    Text subject;
    int match;
    int group;  // 0: the whole match
    Text text;
    TextPos position;
  };
  const Case cases[] = {
      {"ab", "abc", 1, 0, "ab", 0},
      {"x", test::gbk("中文x"), 1, 0, "x", 4},
      {"a", "aaa", 2, 0, "a", 0},  // the search from byte 1 finds the first 'a'
      {"a", "aaa", 3, 0, "a", 1},
      {"(q)?b", "aab", 1, 1, "", 0},  // the empty text is found at once
      {"c(d)", test::gbk("文cd"), 1, 1, "d", 3},
      {test::gbk("文"), test::gbk("中文"), 1, 0, test::gbk("文"), 2},
  };
  for (const Case& c : cases) {
    RegexObject regex;
    ASSERT_TRUE(regex.create(c.pattern, c.subject));
    TextPos position = 99;
    const Text text = c.group == 0 ? regex.match_text(c.match, &position)
                                   : regex.submatch_text(c.match, c.group, &position);
    EXPECT_EQ(text, c.text) << c.pattern;
    EXPECT_EQ(position, c.position) << c.pattern << " over " << c.subject;
  }
}

TEST(RegexObjectTest, FindsTheCharsetOfRealisticPageHeads) {
  struct Case {
    const char* head;
    const char* charset;
  };
  const Case cases[] = {
      {"<html><head><meta charset=\"utf-8\"><title>t</title>", "utf-8"},
      {"<head>\r\n<meta charset=gb2312>\r\n", "gb2312"},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Big5\" />", "Big5"},
      {"<META HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; CHARSET=Shift_JIS\">", "Shift_JIS"},
      {"<meta name=\"viewport\" content=\"width=1\">\n<meta charset='windows-1252'>",
       "windows-1252"},
      {"<meta\ncharset=\"utf-8\">", ""},  // a line feed between <meta and charset= stops it
      {"<html><body>no declaration</body></html>", ""},
  };
  for (const Case& c : cases) {
    RegexObject regex;
    ASSERT_TRUE(regex.create(kCharsetPattern, c.head));
    EXPECT_EQ(regex.submatch_text(1, 1), c.charset) << c.head;
  }
}

TEST(RegexObjectTest, HeaderLinesOfACrLfBlockAreFoundWithTheirOffsets) {
  const Text block = test::gbk("HTTP/1.1 200 OK\r\nServer: 测试\r\nX: 1\r\n");
  RegexObject regex;
  ASSERT_TRUE(regex.create("^Server: (.*)$", block));
  TextPos position = 0;
  EXPECT_EQ(regex.match_text(1, &position), test::gbk("Server: 测试"));
  EXPECT_EQ(position, 17);
  EXPECT_EQ(regex.submatch_text(1, 1), test::gbk("测试"));
}

// Linear patterns over long subjects, as HTML pages and JSON bodies give them.
TEST(RegexObjectTest, LongSubjectsMatch) {
  const std::size_t size = 1 << 20;
  Text alternating;
  for (std::size_t i = 0; i < size; ++i)
    alternating += "ab"[i % 2];
  Text quoted = "\"";
  while (quoted.size() < size)
    quoted += quoted.size() % 50 == 0 ? "\\\"" : "x";
  Text page = "<x>";
  while (page.size() < size)
    page += "<p>line</p>\n";
  const struct {
    Text pattern;
    Text subject;
  } cases[] = {
      {"(a|b)*c", alternating + "c"},
      {"\"([^\"\\\\]|\\\\.)*\"", quoted + "\""},
      {"<x>(.|\\n)*?</x>", page + "</x>"},
  };
  for (const auto& c : cases) {
    RegexObject regex;
    ASSERT_TRUE(regex.create(c.pattern, c.subject)) << c.pattern;
    EXPECT_EQ(regex.match_text(1).size(), c.subject.size()) << c.pattern;
  }
}

TEST(RegexObjectTest, RunawayMatchFailsInsteadOfHanging) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows' own class sets no match limit: a runaway pattern runs to its end";
#endif
  RegexObject regex;
  EXPECT_FALSE(regex.create("(a+)+[bc]", Text(40, 'a')));
  EXPECT_EQ(regex.match_count(), 0);
  EXPECT_TRUE(regex.create("(a+)+[bc]", Text(40, 'a') + "b"));
  EXPECT_EQ(regex.match_count(), 1);
  Text words;
  for (int i = 0; i < 40; ++i)
    words += "word ";
  EXPECT_FALSE(regex.create("^(\\w+\\s?)*$", words + "!"));
  EXPECT_FALSE(regex.create("(a|aa)+$", Text(100'000, 'a') + "b"));
}

}  // namespace
}  // namespace lc
