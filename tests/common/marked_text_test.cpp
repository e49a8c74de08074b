#include "common/marked_text.h"

#include <gtest/gtest.h>

#include "tests/support/cp936.h"

namespace lc {
namespace {

struct BetweenCase {
  const char* name;
  Text text;
  Text start_marker;
  Text end_marker;
  TextPos start_position;
  bool ignore_case;
  Text expected;
};

class TextBetweenMarkersTest : public testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenMarkersTest, CutsTheValueOut) {
  const BetweenCase& c = GetParam();
  EXPECT_EQ(
      text_between_markers(c.text, c.start_marker, c.end_marker, c.start_position, c.ignore_case),
      c.expected);
}

const Text kSuccess = test::gbk("success_batch#引号:");
const Text kRemain = test::gbk("remain_batch#引号:");

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetweenMarkersTest,
    testing::Values(
        BetweenCase{"quote_marker", R"({"success_batch":12,"x":1})", kSuccess, ",", 1, false, "12"},
        BetweenCase{"end_missing", R"({"success_batch":12})", kSuccess, ",", 1, false, ""},
        BetweenCase{"end_right_after_start", R"("success_batch":,)", kSuccess, ",", 1, false, ""},
        BetweenCase{"start_at_very_end", R"(x"success_batch":)", kSuccess, ",", 1, false, ""},
        BetweenCase{"end_only_after_start", R"({}"remain_batch":498})", kRemain, "}", 1, false,
                    "498"},
        BetweenCase{"first_start_only", R"("remain_batch":1 "remain_batch":2})", kRemain, "}", 1,
                    false, R"(1 "remain_batch":2)"},
        BetweenCase{"no_retry_after_missing_end", "a[1 a[2]", "a[", "]", 1, false, "1 a[2"},
        // 0xB0 0x7D is one character whose second byte is '}'.
        BetweenCase{"end_on_trail_byte_ignored", "k:\xB0}v}", "k:", "}", 1, false, "\xB0}v"},
        BetweenCase{"empty_end_marker", "abc", "a", "", 1, false, ""},
        BetweenCase{"empty_start_marker", "ab,cd,", "", ",", 1, false, "ab"},
        BetweenCase{"empty_text", "", "a", "b", 1, false, ""},
        BetweenCase{"start_position", "a=1,a=2,", "a=", ",", 2, false, "2"},
        BetweenCase{"start_position_below_one", "a=1,a=2,", "a=", ",", -3, false, "1"},
        BetweenCase{"start_position_beyond", "a=1,", "a=", ",", 9, false, ""},
        BetweenCase{"ignore_case", R"({"success_batch":7,})", test::gbk("SUCCESS_BATCH#引号:"), ",",
                    1, true, "7"},
        BetweenCase{"case_kept", R"({"success_batch":7,})", test::gbk("SUCCESS_BATCH#引号:"), ",",
                    1, false, ""},
        // The quote marker itself is replaced byte-exactly, whatever the case rule.
        BetweenCase{"marker_case_exact", R"({"a":7,})", test::gbk("A#引号:"), ",", 1, true, "7"},
        BetweenCase{"marker_in_text_is_plain", test::gbk("k#引号:v,"), test::gbk("k#引号:"), ",", 1,
                    false, ""}),
    [](const auto& info) { return info.param.name; });

TEST(QuoteMarkerTest, ReplacesEveryMarkerAtCharacterBoundaries) {
  EXPECT_EQ(replace_quote_markers(test::gbk("#引号a#引号")), "\"a\"");
  EXPECT_EQ(replace_quote_markers(test::gbk("#引")), test::gbk("#引"));
  // '#' as the second byte of a pair (0x81 0x23) does not start a marker.
  const Text straddling = Text("\x81").append(test::gbk("#引号"));
  EXPECT_EQ(replace_quote_markers(straddling), straddling);
}

}  // namespace
}  // namespace lc
