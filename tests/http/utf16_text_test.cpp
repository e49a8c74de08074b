#include "http/utf16_text.h"

#include <gtest/gtest.h>

#include "tests/support/cp936.h"

namespace lc {
namespace {

ByteArray units_of(std::initializer_list<std::uint16_t> units) {
  ByteArray bytes;
  for (std::uint16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

TEST(TextToUtf16Test, AppendsOneZeroUnit) {
  EXPECT_EQ(text_to_utf16(""), ByteArray{});
  EXPECT_EQ(text_to_utf16("A"), (ByteArray{0x41, 0, 0, 0}));
  EXPECT_EQ(text_to_utf16(test::gbk("引")), units_of({0x5F15, 0}));
  EXPECT_EQ(text_to_utf16(Text("a\0b", 3)), units_of({'a', 0}));
  EXPECT_EQ(text_to_utf16("\x80"), units_of({0x20AC, 0}));  // Microsoft's euro sign
}

TEST(Utf16ToTextTest, StopsAtZeroUnitAndIgnoresAnOddByte) {
  EXPECT_EQ(utf16_to_text({}), "");
  EXPECT_EQ(utf16_to_text({0x41}), "");
  EXPECT_EQ(utf16_to_text(units_of({0x5F15})), test::gbk("引"));
  EXPECT_EQ(utf16_to_text(units_of({'a', 0, 'b'})), "a");
  ByteArray odd = units_of({'o', 'k'});
  odd.push_back('!');
  EXPECT_EQ(utf16_to_text(odd), "ok");
}

TEST(Utf16ToTextTest, FoldsCombiningMarksAndMarksWhatTheCodePageLacks) {
  EXPECT_EQ(utf16_to_text(units_of({'e', 0x0301})), test::gbk("é"));
  EXPECT_EQ(utf16_to_text(units_of({0x0E01, 'x'})), "?x");  // Thai
#ifdef _WIN32
  // The system's conversion replaces each unit of a supplementary character on its own.
  EXPECT_EQ(utf16_to_text(units_of({0xD83D, 0xDE00, 'x'})), "??x");
#else
  EXPECT_EQ(utf16_to_text(units_of({0xD83D, 0xDE00, 'x'})), "?x");  // one code point, one '?'
#endif
  EXPECT_EQ(utf16_to_text(units_of({0xDC00, 'x'})), "?x");  // a lone surrogate
}

TEST(Utf16RoundTripTest, EveryMappedDoubleByteCharacterComesBack) {
  int checked = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;  // no second byte of the code page
      const Text text{static_cast<char>(lead), static_cast<char>(trail)};
      const ByteArray units = text_to_utf16(text);
      // Unmapped pairs decode to a replacement: U+FFFD, or '?' from the system's conversion.
      const bool replaced = units.size() == 4 && ((units[0] == 0xFD && units[1] == 0xFF) ||
                                                  (units[0] == '?' && units[1] == 0));
      if (units.size() != 4 || replaced) continue;
      ASSERT_EQ(utf16_to_text(units), text) << lead << "," << trail;
      ++checked;
    }
  }
  EXPECT_GT(checked, 21000);
}

}  // namespace
}  // namespace lc
