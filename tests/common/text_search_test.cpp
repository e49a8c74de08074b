#include "common/text_search.h"

#include <gtest/gtest.h>

#include "tests/support/cp936.h"

namespace lc {
namespace {

struct FindCase {
  const char* name;
  Text text;
  Text what;
  TextPos start;
  bool ignore_case;
  TextPos expected;
};

class FindTest : public testing::TestWithParam<FindCase> {};

TEST_P(FindTest, GivesThePositionOfTheFirstAlignedOccurrence) {
  const FindCase& c = GetParam();
  EXPECT_EQ(find(c.text, c.what, c.start, c.ignore_case), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTest,
    testing::Values(FindCase{"plain", "abcabc", "bc", 1, false, 2},
                    FindCase{"from_start", "abcabc", "bc", 3, false, 5},
                    FindCase{"start_below_one", "abcabc", "bc", -4, false, 2},
                    FindCase{"start_on_last_byte", "abcabc", "c", 6, false, 6},
                    FindCase{"start_beyond_text", "abcabc", "c", 7, false, -1},
                    FindCase{"absent", "abcabc", "x", 1, false, -1},
                    FindCase{"longer_than_text", "ab", "abc", 1, false, -1},
                    FindCase{"empty_text", "", "a", 1, false, -1},
                    // 0xB0 0x7D is one character whose second byte happens to be '}'.
                    FindCase{"trail_byte_skipped", "\xB0}}", "}", 1, false, 3},
                    FindCase{"trail_byte_only", "x\xB0}", "}", 1, false, -1},
                    FindCase{"pair_after_pairs", "\xB0\xA1\xB0\xA1", "\xA1\xB0", 1, false, -1},
                    FindCase{"start_inside_pair", "\xB0\xA1z", "z", 2, false, 3},
                    FindCase{"ignore_case_ascii", "Hello", "LL", 1, true, 3},
                    FindCase{"case_kept", "Hello", "LL", 1, false, -1},
                    // The second byte of a pair is no letter and never folds.
                    FindCase{"ignore_case_trail_exact",
                             "\x81"
                             "a",
                             "\x81"
                             "A",
                             1, true, -1},
                    FindCase{"ignore_case_skips_trail",
                             "\x81"
                             "AA",
                             "a", 1, true, 3},
                    FindCase{"empty_what", "abc", "", 2, false, 2},
                    FindCase{"empty_what_inside_pair", "\xB0\xA1z", "", 2, false, 3},
                    FindCase{"empty_what_past_end", "abc", "", 4, false, -1}),
    [](const auto& info) { return info.param.name; });

TEST(FindLastTest, CountsOnlyOccurrencesBeforeTheLimit) {
  EXPECT_EQ(find_last("abcabc", "bc"), 5);
  EXPECT_EQ(find_last("abcabc", "bc", 7), 5);
  EXPECT_EQ(find_last("abcabc", "bc", 6), 2);  // the one at 5 ends on byte 6
  EXPECT_EQ(find_last("abcabc", "bc", 2), -1);
  EXPECT_EQ(find_last("aaaa", "aa"), 3);  // overlapping occurrences count
  EXPECT_EQ(find_last("a}\xB0}", "}"), 2);
  EXPECT_EQ(find_last("abc", ""), -1);
}

TEST(FindTest, FindsChineseMarkersAmongDoubleByteText) {
  const Text text = test::gbk("价格：12元，号码：34");
  EXPECT_EQ(find(text, test::gbk("号码：")), 13);
  EXPECT_EQ(find_last(text, test::gbk("：")), 17);
}

TEST(FindTest, StaysLinearOverLongRunsOfDoubleByteCharacters) {
  // Every candidate lies on a second byte; the scan must not look back to the start each time.
  Text text;
  for (int i = 0; i < 200000; ++i)
    text += "\xB0\xA1";
  EXPECT_EQ(find(text, "\xA1\xB0"), -1);
  EXPECT_EQ(find_last(text, "\xB0\xA1"), static_cast<TextPos>(text.size()) - 1);
}

}  // namespace
}  // namespace lc
