#include "http/cookie_merge.h"

#include <gtest/gtest.h>

#include "tests/support/cp936.h"

namespace lc {
namespace {

struct MergeCase {
  Text stored;
  Text incoming;
  Text merged;
};

class MergeCookiesTest : public testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesTest, MergesAndLeavesTheResultInTheStoredVariable) {
  Text stored = GetParam().stored;
  Text incoming = GetParam().incoming;
  EXPECT_EQ(merge_cookies(stored, incoming), GetParam().merged);
  EXPECT_EQ(stored, GetParam().merged);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MergeCookiesTest,
    testing::Values(
        MergeCase{"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
        MergeCase{"a=1; b=2", "b=deleted", "a=1"}, MergeCase{"a=1; a=2", "c=3", "c=3; a=1"},
        MergeCase{"a=1", "c=3; c=4", "c=3; c=4; a=1"}, MergeCase{"a=1", "a=1; a=1", "a=1"},
        MergeCase{"x=deleted; a=1", "", "a=1"}, MergeCase{"a=1;b=2", "a=5", "a=5"},
        MergeCase{"a = 1", "a=2", "a=2"}, MergeCase{"a=1;", "", "a=1"},
        MergeCase{"", "x=1; y=2;", "x=1; y=2"}, MergeCase{"", "", ""},
        MergeCase{"  a=1 ; b = 2  ", " c=3 ", "c=3; a=1 ; b = 2"},
        MergeCase{"a=1", "b=Deleted", "b=Deleted; a=1"},
        MergeCase{"a=1", "b=deletedx", "b=deletedx; a=1"},
        MergeCase{"a=1; ; ; b=2", "", "a=1; ; b=2"}, MergeCase{"flag; a=1", "flag", "flag; a=1"}));

TEST(MergeCookiesTest, TidiesTheIncomingVariableInPlace) {
  Text stored = "a=1";
  Text incoming = test::gbk("　b=2;");
  merge_cookies(stored, incoming);
  EXPECT_EQ(incoming, "b=2; ");
}

TEST(CookieNameTest, TrimsTheBytesBeforeTheFirstEquals) {
  EXPECT_EQ(cookie_name(" a =1=2"), "a");
  EXPECT_EQ(cookie_name("  flag "), "flag");
  EXPECT_EQ(cookie_name("=v"), "");
}

TEST(RemoveDuplicateItemsTest, KeepsFirstOccurrences) {
  EXPECT_EQ(remove_duplicate_items("a, b, a, , c, ", ", "), "a, b, , c");
  EXPECT_EQ(remove_duplicate_items("", ", "), "");
  SeenTexts seen(2);
  seen.add("x");
  seen.add("y");
  EXPECT_EQ(seen.index_in_list("y"), 2);
  EXPECT_EQ(seen.index_in_list("z"), -1);
}

}  // namespace
}  // namespace lc
