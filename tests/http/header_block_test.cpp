#include "http/header_block.h"

#include <gtest/gtest.h>

namespace lc {
namespace {

TEST(NormalizeHeaderNamesTest, RecasesNamesAndKeepsEverythingElse) {
  struct Case {
    Text block;
    Text expected;
  };
  const Case cases[] = {
      {"content-type: text/html", "Content-Type: text/html"},
      {"X-FORWARDED-for: a-b", "X-FORWARDED-For: a-b"},
      {"accept: x\r\n\r\nuser-agent: y\r\n", "Accept: x\r\nUser-Agent: y"},
      {"HTTP/1.1 200 OK\r\nset-cookie: a=b; c-d=e\r\n", "Set-Cookie: a=b; c-d=e"},
      {"no colon\r\n\r\nnone here", ""},
      {"", ""},
      {"x-: v", "X-: v"},  // a name ending in '-' keeps it
      {"a--b: v", "A--B: v"},
      {" x: v", " x: v"},  // a leading space is the first byte
      {"x:y:z", "X:y:z"},
      {"\xB0\xA1-a: v", "\xB0\xA1-A: v"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(normalize_header_names(c.block), c.expected) << c.block;
}

TEST(GetHeaderValueTest, ReadsOnlyTheFirstLineThatBeginsWithTheName) {
  const Text block = "Host: a\r\nConnection: keep-alive\r\nConnection: close\r\n";
  EXPECT_EQ(get_header_value(block, "Connection"), "keep-alive");
  EXPECT_EQ(get_header_value(block, "Host"), "a");
  EXPECT_EQ(get_header_value(block, "Missing"), "");
  EXPECT_EQ(get_header_value("connection: keep-alive", "Connection"), "");
  EXPECT_EQ(get_header_value("Connection-Id: 1\r\nConnection: close", "Connection"), "");
  EXPECT_EQ(get_header_value("Connection:close\r\nConnection: x", "Connection"), "");
  EXPECT_EQ(get_header_value("Name:  spaced ", "Name"), " spaced ");
}

TEST(MarkerHelpersTest, CutAroundTheMarker) {
  EXPECT_EQ(text_after_marker("a: b: c", ": "), "c");
  EXPECT_EQ(text_after_marker("abc", ": "), "");
  EXPECT_EQ(text_after_marker("x: y: ", ": "),
            "y: ");  // an occurrence at the very end does not count
  EXPECT_EQ(text_after_marker("x: ", ": "), "");
  EXPECT_EQ(text_before_marker("Set-Cookie: a=1", ": "), "Set-Cookie");
  EXPECT_EQ(text_before_marker("HTTP/1.1 200 OK", ": "), "");
  EXPECT_EQ(text_before_marker(": x", ": "), "");
}

TEST(CapitalizeFirstTest, ChangesOnlyASmallAsciiFirstLetter) {
  EXPECT_EQ(capitalize_first("abc"), "Abc");
  EXPECT_EQ(capitalize_first("Abc"), "Abc");
  EXPECT_EQ(capitalize_first("1bc"), "1bc");
  EXPECT_EQ(capitalize_first(""), "");
  EXPECT_EQ(capitalize_first("\xE1x"), "\xE1x");
}

}  // namespace
}  // namespace lc
