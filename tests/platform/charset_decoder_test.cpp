#include "platform/charset_decoder.h"

#include <gtest/gtest.h>

namespace lc::platform {
namespace {

TEST(CharsetDecoderTest, ResolvesLabelsAsBrowsersDo) {
  struct Case {
    const char* label;
    std::string bytes;
    std::optional<std::u16string> units;
  };
  const Case cases[] = {
      {"utf-8", "\xE4\xB8\xAD", u"\u4E2D"},
      {" UTF-8 ",
       "\xEF\xBB\xBF"
       "a",
       u"a"},                                    // trimmed, any case, BOM dropped
      {"gb2312", "\x81\x40", u"\u4E02"},         // GBK, not EUC-CN
      {"unicode", std::string("a\0", 2), u"a"},  // UTF-16LE
      {"klingon", "a", std::nullopt},
      {"", "a", std::nullopt},
#ifndef _WIN32
      // The browsers' label table; the Windows build takes Windows' own names.
      {"UTF8", "a", u"a"},
      {"ISO-8859-1", "\x80", u"\u20AC"},  // windows-1252
      {"utf-16be", std::string("\xFE\xFF\0b", 4), u"b"},
      {"x-user-defined", "\x80", u"\uF780"},
      {"iso-2022-kr", "anything", u"\uFFFD"},  // the replacement encoding
#endif
  };
  for (const Case& c : cases)
    EXPECT_EQ(decode_charset(c.label, c.bytes), c.units) << c.label;
}

}  // namespace
}  // namespace lc::platform
