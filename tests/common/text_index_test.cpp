#include "common/text_index.h"

#include <gtest/gtest.h>

#include <string>

namespace lc {
namespace {

TEST(TextIndexTest, KeepsFirstIndexesAcrossGrowth) {
  std::vector<Text> texts;
  for (int i = 0; i < 5000; ++i)
    texts.push_back("item" + std::to_string(i));
  TextIndex index;
  for (const Text& text : texts)
    index.add(text);
  for (const Text& text : texts)
    EXPECT_EQ(index.add(text), index.index_of(text));
  EXPECT_EQ(index.size(), texts.size());
  EXPECT_EQ(index.index_of("item0"), 1);
  EXPECT_EQ(index.index_of("item4999"), 5000);
  EXPECT_EQ(index.index_of("item5000"), -1);
  EXPECT_EQ(index.index_of(""), -1);
  EXPECT_EQ(index.add(""), 5001);
}

}  // namespace
}  // namespace lc
